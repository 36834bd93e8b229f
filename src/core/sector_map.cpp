#include "core/sector_map.h"

#include <algorithm>

namespace kyv {

SectorMap::SectorMap(std::string_view name, std::initializer_list<Run> runs) : name_(name)
{
    for (const Run& run : runs)
        sizes_.insert(sizes_.end(), run.count, run.sizeBytes);
    offsets_.reserve(sizes_.size() + 1);
    uint64_t offset = 0;
    offsets_.push_back(0);
    for (uint32_t size : sizes_) {
        offset += size;
        offsets_.push_back(offset);
    }
}

size_t SectorMap::sectorAt(uint64_t offset) const
{
    auto after = std::upper_bound(offsets_.begin(), offsets_.end(), offset);
    size_t k = static_cast<size_t>(after - offsets_.begin()) - 1;
    return std::min(k, sizes_.size());
}

namespace {
constexpr uint32_t KB = 1024;
}

const SectorMap& sectorMapL1()
{
    static const SectorMap map("L1", {{8, 8 * KB}, {63, 64 * KB}});
    return map;
}
const SectorMap& sectorMapL2()
{
    static const SectorMap map("L2", {{112, 64 * KB}});
    return map;
}
const SectorMap& sectorMapL3()
{
    static const SectorMap map("L3", {{1, 16 * KB}, {2, 8 * KB}, {1, 32 * KB}, {31, 64 * KB},
                                      {1, 16 * KB}, {2, 8 * KB}, {1, 32 * KB}, {15, 64 * KB}});
    return map;
}
const SectorMap& sectorMapL4()
{
    static const SectorMap map("L4", {{1, 16 * KB}, {2, 8 * KB}, {1, 32 * KB}, {31, 64 * KB}});
    return map;
}
const SectorMap& sectorMapL5()
{
    static const SectorMap map("L5", {{1, 16 * KB}, {2, 8 * KB}, {1, 32 * KB}, {63, 64 * KB}});
    return map;
}
const SectorMap& sectorMapL6()
{
    static const SectorMap map("L6", {{1, 16 * KB}, {2, 8 * KB}, {1, 32 * KB}, {81, 64 * KB}});
    return map;
}
const SectorMap& sectorMapL7()
{
    static const SectorMap map("L7", {{31, 4 * KB}, {126, 64 * KB}});
    return map;
}
const SectorMap& sectorMapL8()
{
    static const SectorMap map("L8", {{15, 4 * KB}, {254, 64 * KB}, {16, 4 * KB}});
    return map;
}

} // namespace kyv
