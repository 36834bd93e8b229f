#include "protocol/image_file_reader.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <limits>
#include <new>
#include <stdexcept>
#include <utility>

namespace kyv {

bool ImageFileReader::open(const std::string& path)
{
    fd_.reset();
    length_ = 0;
    if (path.empty())
        return false;
    // O_NONBLOCK so that opening a named pipe cannot wait for a writer; it has no effect
    // on reads of a regular file.
    UniqueFd fd(::open(path.c_str(), O_RDONLY | O_CLOEXEC | O_NONBLOCK | O_NOCTTY));
    struct stat info {};
    if (!fd.valid() || ::fstat(fd.get(), &info) != 0 || !S_ISREG(info.st_mode))
        return false;
    fd_ = std::move(fd);
    length_ = static_cast<uint64_t>(info.st_size);
    return true;
}

long long ImageFileReader::read(uint8_t* buffer, size_t size)
{
    size_t done = 0;
    while (done < size) {
        const ssize_t n = ::read(fd_.get(), buffer + done, size - done);
        if (n < 0 && errno == EINTR)
            continue;
        if (n < 0)
            return -1;
        if (n == 0)
            break;
        done += static_cast<size_t>(n);
    }
    return static_cast<long long>(done);
}

long long ImageFileReader::readAt(uint64_t offset, uint8_t* buffer, size_t size)
{
    if (::lseek(fd_.get(), static_cast<off_t>(offset), SEEK_SET) < 0)
        return -1;
    return read(buffer, size);
}

ResultCode ImageFileReader::readAll(std::vector<uint8_t>& bytes)
{
    bytes.clear();
    if (length_ > std::numeric_limits<size_t>::max())
        return rc::NoMemoryForBuffer;
    try {
        bytes.resize(static_cast<size_t>(length_));
    } catch (const std::bad_alloc&) {
        return rc::NoMemoryForBuffer;
    } catch (const std::length_error&) {
        return rc::NoMemoryForBuffer;
    }
    // A file that shrank since it was opened is not the image that was checked.
    if (readAt(0, bytes.data(), bytes.size()) != static_cast<long long>(bytes.size())) {
        std::vector<uint8_t>().swap(bytes);
        return rc::CannotOpenFile;
    }
    return rc::Success;
}

} // namespace kyv
