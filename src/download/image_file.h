#pragma once
// The image file, read once per run and held in one buffer that the whole download uses.

#include "core/result_code.h"

#include <cstdint>
#include <string>
#include <vector>

namespace kyv {

// Reads the whole file. Returns 0, CannotOpenFile (1007) when it cannot be opened or read,
// or NoMemoryForBuffer (1008) when no buffer of its size can be had.
ResultCode readImageFile(const std::string& path, std::vector<uint8_t>& bytes);

} // namespace kyv
