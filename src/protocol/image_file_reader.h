#pragma once
// Reading an image file: only regular files are images, so a directory, a device or a
// named pipe is refused at once instead of blocking an unattended run or reading forever.

#include "core/result_code.h"
#include "core/unique_fd.h"

#include <cstddef>
#include <cstdint>
#include <string>
#include <vector>

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
    // Reads the whole file, from its start, into bytes. Returns 0, NoMemoryForBuffer (1008)
    // when no buffer of its length can be had, or CannotOpenFile (1007) when it cannot be
    // read in full; bytes is empty after a failure. Callers that must refuse an image too
    // large for the printer check length() first, so that nothing is allocated for it.
    ResultCode readAll(std::vector<uint8_t>& bytes);

private:
    UniqueFd fd_;
    uint64_t length_ = 0;
};

} // namespace kyv
