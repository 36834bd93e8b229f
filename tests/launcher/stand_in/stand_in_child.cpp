// Plays KyvFlash for the launcher tests. What it does is set by environment variables:
//   STAND_IN_ARGS_FILE  writes each argument it received on a line of its own
//   STAND_IN_PID_FILE   writes its process id
//   STAND_IN_ACTION     report:<code>  writes the code to KYVFLASH_RESULT_FD, exits with its status
//                       hang           never ends by itself (SIGTERM ends it)
//                       hang-hard      ignores SIGTERM too; only SIGKILL ends it
//                       die:<signal>   kills itself with the signal before reporting anything
//                       silent:<st>    exits with status st without reporting a code
//                       (unset)        reports 0
#include "core/exit_status.h"

#include <csignal>
#include <cstdio>
#include <cstdlib>
#include <string>
#include <unistd.h>

namespace {

void writeFile(const char* variable, const std::string& text)
{
    const char* path = std::getenv(variable);
    if (path == nullptr)
        return;
    std::string temporary = std::string(path) + ".part";
    if (std::FILE* file = std::fopen(temporary.c_str(), "w")) {
        std::fputs(text.c_str(), file);
        std::fclose(file);
        std::rename(temporary.c_str(), path); // readers never see half a file
    }
}

void report(int code)
{
    const char* fd = std::getenv("KYVFLASH_RESULT_FD");
    if (fd == nullptr)
        return;
    std::string line = std::to_string(code) + "\n";
    ssize_t written = write(std::atoi(fd), line.data(), line.size());
    (void)written;
}

[[noreturn]] void hang()
{
    for (;;)
        pause();
}

} // namespace

int main(int argc, char** argv)
{
    std::string args;
    for (int i = 1; i < argc; ++i)
        args += std::string(argv[i]) + "\n";
    writeFile("STAND_IN_ARGS_FILE", args);
    writeFile("STAND_IN_PID_FILE", std::to_string(getpid()) + "\n");

    const char* actionText = std::getenv("STAND_IN_ACTION");
    std::string action = actionText != nullptr ? actionText : "report:0";
    std::string value = action.substr(action.find(':') + 1);
    if (action.starts_with("report:")) {
        int code = std::atoi(value.c_str());
        report(code);
        return kyv::exitStatusFor(code);
    }
    if (action == "hang")
        hang();
    if (action == "hang-hard") {
        std::signal(SIGTERM, SIG_IGN);
        hang();
    }
    if (action.starts_with("die:")) {
        int signal = std::atoi(value.c_str());
        std::signal(signal, SIG_DFL);
        raise(signal);
    }
    if (action.starts_with("silent:"))
        return std::atoi(value.c_str());
    return 99;
}
