#pragma once
// Reading an image file: only regular files are images, so a directory, a device or a
// named pipe is refused at once instead of blocking an unattended run or reading forever.

#include "transport/unique_fd.h"

#include <cstddef>
#include <cstdint>
#include <string>

namespace kyv {

class ImageFileReader {
public:
    // Opens a regular file read-only. False for a missing path, a directory, any other
    // non-regular file, or a file that cannot be read.
    bool open(const std::string& path);
    bool isOpen() const { return fd_.valid(); }
    uint64_t length() const { return length_; }

    // Reads up to size bytes from the current position, going on after short reads.
    // Returns the bytes read (fewer only at end of file), or -1 on a read error.
    long long read(uint8_t* buffer, size_t size);
    // Reads from an absolute offset (same result rules as read).
    long long readAt(uint64_t offset, uint8_t* buffer, size_t size);

private:
    UniqueFd fd_;
    uint64_t length_ = 0;
};

} // namespace kyv
