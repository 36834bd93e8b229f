#include "sim/lib/printer/flash_layout.h"

#include <algorithm>

namespace kyv::sim {

FlashLayout::FlashLayout(std::initializer_list<SectorRun> runs)
{
    for (const SectorRun& run : runs)
        sizes_.insert(sizes_.end(), static_cast<size_t>(run.count), run.kilobytes * 1024);
    starts_.reserve(sizes_.size() + 1);
    uint64_t start = 0;
    starts_.push_back(start);
    for (uint32_t size : sizes_)
        starts_.push_back(start += size);
}

int FlashLayout::sectorHolding(uint64_t offset) const
{
    auto above = std::upper_bound(starts_.begin(), starts_.end(), offset);
    int number = static_cast<int>(above - starts_.begin());
    return std::min(number, sectorCount() + 1);
}

} // namespace kyv::sim
