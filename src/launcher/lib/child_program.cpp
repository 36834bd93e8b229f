#include "launcher/lib/child_program.h"

#include <cstdlib>
#include <filesystem>
#include <string_view>
#include <sys/stat.h>
#include <unistd.h>

namespace kyv::launcher {
namespace {

bool isExecutableFile(const std::string& path)
{
    struct stat info {};
    return ::stat(path.c_str(), &info) == 0 && S_ISREG(info.st_mode) && ::access(path.c_str(), X_OK) == 0;
}

std::string besideOwnExecutable()
{
    std::error_code error;
    std::filesystem::path self = std::filesystem::read_symlink("/proc/self/exe", error);
    if (error)
        return {};
    return (self.parent_path() / kChildProgramName).string();
}

} // namespace

ChildProgramSearch findChildProgram()
{
    ChildProgramSearch search;
    const char* override = std::getenv(kChildOverrideVariable);
    if (override != nullptr && *override != '\0') {
        search.tried.emplace_back(override);
        if (isExecutableFile(override))
            search.path = override;
        return search;
    }

    std::string beside = besideOwnExecutable();
    if (!beside.empty()) {
        search.tried.push_back(beside);
        if (isExecutableFile(beside)) {
            search.path = beside;
            return search;
        }
    }

    const char* pathVariable = std::getenv("PATH");
    std::string_view dirs = pathVariable != nullptr ? pathVariable : "";
    while (!dirs.empty()) {
        size_t colon = dirs.find(':');
        std::string_view dir = dirs.substr(0, colon);
        dirs = colon == std::string_view::npos ? std::string_view{} : dirs.substr(colon + 1);
        // An empty PATH entry means the current directory, as for the shell.
        std::string candidate = (dir.empty() ? std::string(".") : std::string(dir)) + "/" + kChildProgramName;
        if (isExecutableFile(candidate)) {
            search.path = candidate;
            return search;
        }
    }
    search.tried.emplace_back(std::string(kChildProgramName) + " on PATH");
    return search;
}

} // namespace kyv::launcher
