#include "core/usb_memory/file_copy.h"

#include "core/unique_fd.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <utility>
#include <vector>

namespace kyv {
namespace {

// Closes the descriptor now: 0, or the errno of a failed close (a late write error of the
// drive shows up here).
int closeNow(UniqueFd& file)
{
    if (!file.valid())
        return 0;
    return ::close(file.release()) == 0 ? 0 : errno;
}

constexpr size_t kChunk = 64 * 1024;

int copyBytes(int from, int to)
{
    std::vector<char> buffer(kChunk);
    for (;;) {
        const ssize_t got = ::read(from, buffer.data(), buffer.size());
        if (got < 0) {
            if (errno == EINTR)
                continue;
            return errno;
        }
        if (got == 0)
            return 0;
        for (ssize_t done = 0; done < got;) {
            const ssize_t put = ::write(to, buffer.data() + done, static_cast<size_t>(got - done));
            if (put < 0) {
                if (errno == EINTR)
                    continue;
                return errno;
            }
            done += put;
        }
    }
}

int writeCopy(int from, const std::filesystem::path& temporary)
{
    UniqueFd to(::open(temporary.c_str(), O_WRONLY | O_CREAT | O_EXCL | O_CLOEXEC, 0644));
    if (!to.valid())
        return errno;
    if (int error = copyBytes(from, to.get()))
        return error;
    if (::fsync(to.get()) != 0)
        return errno;
    return closeNow(to);
}

} // namespace

int copyFileInto(const std::filesystem::path& source, const std::filesystem::path& folder, const std::string& name)
{
    UniqueFd from(::open(source.c_str(), O_RDONLY | O_CLOEXEC));
    if (!from.valid())
        return errno;
    struct stat info {};
    if (::fstat(from.get(), &info) != 0)
        return errno;
    if (!S_ISREG(info.st_mode))
        return EISDIR;

    const std::filesystem::path target = folder / name;
    const std::filesystem::path temporary = folder / (name + ".part");
    int error = writeCopy(from.get(), temporary);
    if (error == 0 && ::rename(temporary.c_str(), target.c_str()) != 0)
        error = errno;
    if (error != 0) {
        ::unlink(temporary.c_str());
        return error;
    }
    // The new name itself must reach the drive before the stick is pulled.
    UniqueFd dir(::open(folder.c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC));
    if (dir.valid())
        ::fsync(dir.get());
    return 0;
}

} // namespace kyv
