#pragma once
// A printer's flash as the printer itself numbers it: sector 1 at the bottom of flash,
// each next number right above the last. The erase, select and data commands name
// sectors by these numbers.

#include <cstddef>
#include <cstdint>
#include <initializer_list>
#include <vector>

namespace kyv::sim {

// `count` sectors of `kilobytes` KB each (1 KB = 1024 bytes).
struct SectorRun {
    int count;
    uint32_t kilobytes;
};

class FlashLayout {
public:
    // Runs from sector 1 upwards.
    FlashLayout(std::initializer_list<SectorRun> runs);

    int sectorCount() const { return static_cast<int>(sizes_.size()); }
    bool hasSector(int number) const { return number >= 1 && number <= sectorCount(); }
    // Bytes of sector `number`; 0 when the flash has no such sector.
    uint32_t sectorSize(int number) const { return hasSector(number) ? sizes_[index(number)] : 0; }
    // Flash offset of sector `number`, 1 to sectorCount() + 1 (the latter is the end of flash).
    uint64_t sectorStart(int number) const { return starts_.at(index(number)); }
    uint64_t totalBytes() const { return starts_.back(); }
    // Number of the sector that holds the offset; sectorCount() + 1 past the end of flash.
    int sectorHolding(uint64_t offset) const;

private:
    static size_t index(int number) { return static_cast<size_t>(number - 1); }

    std::vector<uint32_t> sizes_;
    std::vector<uint64_t> starts_; // one more than sizes_: the end of flash
};

} // namespace kyv::sim
