#include "download/image_file.h"

#include "transport/unique_fd.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <new>
#include <stdexcept>

namespace kyv {

ResultCode readImageFile(const std::string& path, std::vector<uint8_t>& bytes)
{
    bytes.clear();
    UniqueFd fd(::open(path.c_str(), O_RDONLY | O_CLOEXEC));
    struct stat info {};
    if (!fd.valid() || ::fstat(fd.get(), &info) != 0 || !S_ISREG(info.st_mode))
        return rc::CannotOpenFile;
    try {
        bytes.resize(static_cast<size_t>(info.st_size));
    } catch (const std::bad_alloc&) {
        return rc::NoMemoryForBuffer;
    } catch (const std::length_error&) {
        return rc::NoMemoryForBuffer;
    }
    size_t done = 0;
    while (done < bytes.size()) {
        ssize_t n = ::read(fd.get(), bytes.data() + done, bytes.size() - done);
        if (n < 0 && errno == EINTR)
            continue;
        if (n <= 0) { // an error, or the file shrank while we read it
            bytes.clear();
            return rc::CannotOpenFile;
        }
        done += static_cast<size_t>(n);
    }
    return rc::Success;
}

} // namespace kyv
