#include "sim/lib/lan/download_area.h"

#include <cerrno>
#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <iterator>

namespace kyv::sim {

bool DownloadAreaFolder::create()
{
    remove();
    const char* tmp = std::getenv("TMPDIR");
    std::string pattern = std::string(tmp != nullptr && *tmp != '\0' ? tmp : "/tmp") + "/printer-sim-ftp-XXXXXX";
    if (::mkdtemp(pattern.data()) == nullptr) {
        error_ = "cannot make the download area " + pattern + ": " + std::strerror(errno);
        return false;
    }
    path_ = pattern;
    return true;
}

void DownloadAreaFolder::remove()
{
    if (path_.empty())
        return;
    std::error_code error;
    std::filesystem::remove_all(path_, error);
    path_.clear();
}

std::optional<UploadedImage> DownloadAreaFolder::takeNewest()
{
    namespace fs = std::filesystem;
    if (path_.empty())
        return std::nullopt;
    std::error_code error;
    fs::path newest;
    fs::file_time_type newestTime{};
    for (const fs::directory_entry& entry : fs::directory_iterator(path_, error)) {
        if (!entry.is_regular_file(error))
            continue;
        fs::file_time_type time = entry.last_write_time(error);
        if (newest.empty() || time > newestTime) {
            newest = entry.path();
            newestTime = time;
        }
    }
    if (newest.empty())
        return std::nullopt;
    std::ifstream in(newest, std::ios::binary);
    UploadedImage image{newest.filename().string(), Bytes(std::istreambuf_iterator<char>(in), {})};
    in.close();
    fs::remove(newest, error);
    return image;
}

} // namespace kyv::sim
