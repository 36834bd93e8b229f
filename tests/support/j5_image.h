#pragma once
// A J5 main firmware as the printer takes it: K, the kind letter M, the version stamp and
// firmware version (bytes 3 to 13, all `stamp`), the CRC of the data after the 16-byte
// header (low byte at 14), then the data.

#include "protocol/crc.h"

#include <cstdint>
#include <span>
#include <vector>

namespace kyv::test {

inline std::vector<uint8_t> j5Image(size_t dataBytes, uint8_t stamp = 0x01)
{
    std::vector<uint8_t> image(16 + dataBytes);
    image[0] = 'K';
    image[1] = 'M';
    for (size_t i = 3; i <= 13; ++i)
        image[i] = stamp;
    uint32_t x = 7;
    for (size_t i = 16; i < image.size(); ++i) {
        x = x * 1103515245u + 12345u;
        image[i] = static_cast<uint8_t>(x >> 24);
    }
    const uint16_t crc = crc16CcittDirectOf(std::span<const uint8_t>(image).subspan(16));
    image[14] = static_cast<uint8_t>(crc & 0xFF);
    image[15] = static_cast<uint8_t>(crc >> 8);
    return image;
}

} // namespace kyv::test
