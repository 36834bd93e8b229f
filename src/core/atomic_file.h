#pragma once
// Replacing a file so that a reader, or a crash, only ever sees the old or the new
// content: a temporary file in the same directory, written, flushed, renamed over the
// old one. Header-only so that the launcher, which links nothing of KyvFlash, writes its
// files with the same code.

#include "core/unique_fd.h"

#include <fcntl.h>
#include <unistd.h>

#include <cerrno>
#include <filesystem>
#include <functional>
#include <string>
#include <string_view>

namespace kyv {

inline bool writeAllToFd(int fd, std::string_view content)
{
    while (!content.empty()) {
        ssize_t n = ::write(fd, content.data(), content.size());
        if (n < 0) {
            if (errno == EINTR)
                continue;
            return false;
        }
        content.remove_prefix(static_cast<size_t>(n));
    }
    return true;
}

// Replaces the file's content atomically. beforeRename runs after the temporary file has
// been written and flushed and before it replaces the old one (tests crash there).
// Returns false, leaving the old file untouched and no temporary file behind, when
// anything fails (errno then says why).
inline bool writeFileAtomically(const std::filesystem::path& file, std::string_view content,
                                const std::function<void()>& beforeRename = {})
{
    std::filesystem::path directory = file.parent_path();
    if (directory.empty())
        directory = ".";
    std::string pattern = (directory / ("." + file.filename().string() + ".XXXXXX")).string();
    UniqueFd temporary(::mkostemp(pattern.data(), O_CLOEXEC));
    if (!temporary.valid())
        return false;
    bool ok = writeAllToFd(temporary.get(), content) && ::fsync(temporary.get()) == 0;
    ok = (::close(temporary.release()) == 0) && ok; // a failed close can mean lost data
    if (ok && beforeRename)
        beforeRename();
    if (!ok || ::rename(pattern.c_str(), file.c_str()) != 0) {
        const int error = errno;
        ::unlink(pattern.c_str());
        errno = error;
        return false;
    }
    // Make the rename itself durable.
    const UniqueFd folder(::open(directory.c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC));
    if (folder.valid())
        ::fsync(folder.get());
    return true;
}

} // namespace kyv
