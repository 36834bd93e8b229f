#pragma once
// CRCs of whole image files, as the download procedures compare them with the printer's.

#include "protocol/crc.h"

#include <optional>
#include <string>

namespace kyv {

// CRC-16/ARC over the whole 64 KB units of the file, read in 16 KB pieces (a piece the
// file cannot fill keeps 0xFF in its missing bytes); bytes after the last whole unit are
// not covered, so a file under 64 KB gives 0. Zeroes the accumulator first and returns
// its reported value (which reads 0 when altCrc is set: only ARC is fed).
// nullopt when the file cannot be opened or a read fails.
std::optional<uint16_t> imageFileCrc(CrcAccumulator& accumulator, const std::string& path);

// Direct CRC of a J5 image over the bytes after its 16-byte header; 0 for a file of 16
// bytes or less. nullopt when the file cannot be opened or read.
std::optional<uint16_t> hidImageCrc(const std::string& path);

} // namespace kyv
