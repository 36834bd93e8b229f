#pragma once
// The images the fault matrix flashes: main firmware of pattern bytes with the model's
// signature first and the type letter at byte 1; for the printers that decide on their
// user area by the image's version, with its version marker.

#include "download/simulated_serial_job.h"

#include <cstddef>
#include <cstdint>
#include <string>
#include <vector>

namespace kyv::test {

inline std::vector<uint8_t> mainFirmwareImage(size_t bytes, uint8_t signature = 'M')
{
    std::vector<uint8_t> image = patternImage(bytes, signature);
    image[1] = 'M';
    return image;
}

// The marker "497-", two characters, then the five version digits, early in the image.
inline std::vector<uint8_t> versionedFirmwareImage(size_t bytes, uint8_t signature, const std::string& version)
{
    std::vector<uint8_t> image = mainFirmwareImage(bytes, signature);
    const std::string marker = "497-xx" + version;
    std::copy(marker.begin(), marker.end(), image.begin() + 100);
    return image;
}

} // namespace kyv::test
