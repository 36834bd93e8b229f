#pragma once
// Compares a file with a range of flash memory.

#include "sim/lib/transcript.h"

#include <cstdint>
#include <string>

namespace kyv::sim {

// True when every byte of the file lies in flash from the offset on. Otherwise false,
// and `why` (when given) names the first difference or what could not be read.
bool flashHoldsFile(const Bytes& flash, const std::string& path, uint64_t offset, std::string* why);
bool writeBytesToFile(const Bytes& bytes, const std::string& path);

} // namespace kyv::sim
