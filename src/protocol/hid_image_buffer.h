#pragma once
// The J5 image held in memory for the HID download: the whole file plus the numbers the
// download header sends. Each job holds its own: the image check loads it, the job's
// worker sends it.

#include "core/result_code.h"

#include <array>
#include <cstdint>
#include <string>
#include <vector>

namespace kyv {

struct HidImageBuffer {
    static constexpr uint32_t kPacketBytes = 1021; // data bytes per HID block

    std::vector<uint8_t> data;       // the whole file
    uint32_t length = 0;             // file length in bytes
    uint32_t packetCount = 0;        // whole 1021-byte packets (length / 1021)
    uint32_t thirdByte = 0;          // the file's byte at offset 2
    std::array<uint8_t, 4> lengthBytes{}; // length, most significant byte first
    char typeLetter = 0;             // 'M', 'B' or 'S'
};

// Replaces the buffer with the whole file. A file that cannot be opened leaves an empty
// buffer (length 0) and returns 0, as the download then finds nothing to send; a file too
// large for a 32-bit length returns InvalidImage, one that does not fit in memory
// NoMemoryForBuffer, and a read error CannotOpenFile, each with an empty buffer.
ResultCode loadHidImage(HidImageBuffer& buffer, const std::string& path, char typeLetter);

} // namespace kyv
