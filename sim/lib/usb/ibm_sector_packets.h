#pragma once
// How an IBM USB printer takes a 64 KB sector: four blocks of 16384 bytes, each opened by
// 1B 2A 50 32 29 1D 11 and the two markers 1B 2E 00 (block x 64) and 1B 2E 00 40, then 67
// packets, each 1B 2E and up to 246 bytes of the block (the last packet's padding beyond
// the block is dropped). A first block always begins a new sector. Each of those arrives as one output report. Once the fourth block
// is whole, the sector is handed on as the plain sector data command.

#include "sim/lib/transcript.h"

#include <optional>
#include <span>

namespace kyv::sim {

class IbmSectorPackets {
public:
    // Takes one output report's bytes. False when they are not part of a sector transfer
    // (the printer reads them as commands). A completed sector comes out of `sector` as
    // 1D 11 00 00 00 00 and its 65536 bytes.
    bool take(std::span<const uint8_t> report, std::optional<Bytes>& sector);
    // Blocks of the sector arriving now that are whole.
    size_t blocksDone() const { return block_; }

private:
    bool receiving_ = false;
    size_t block_ = 0;   // blocks complete so far
    size_t markers_ = 0; // markers since the block's start
    Bytes data_;
};

} // namespace kyv::sim
