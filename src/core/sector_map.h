#pragma once
// The flash layout of a printer: sector sizes in flash order. Sector k starts at the sum
// of the sizes of sectors 0..k-1.

#include <cstddef>
#include <cstdint>
#include <string_view>
#include <vector>

namespace kyv {

class SectorMap {
public:
    struct Run {
        uint32_t count;
        uint32_t sizeBytes;
    };
    SectorMap(std::string_view name, std::initializer_list<Run> runs);

    std::string_view name() const { return name_; }
    size_t count() const { return sizes_.size(); }
    // Size of sector k in bytes; 0 for an index outside the map.
    uint32_t sizeOf(size_t k) const { return k < sizes_.size() ? sizes_[k] : 0; }
    // Flash offset of sector k; the total size for k == count(). k must be <= count().
    uint64_t offsetOf(size_t k) const { return offsets_.at(k); }
    uint64_t totalBytes() const { return offsets_.back(); }
    // Index of the sector that holds the flash offset, or count() when past the end.
    size_t sectorAt(uint64_t offset) const;

    // The printers number their sectors from 1 in flash order: the erase, select and data
    // commands for sector number s address entry s - 1 of the map. (That is what lays a boot
    // program's skipped first 32 KB exactly over sectors 1 to 3 of the R241's flash.)
    bool hasSectorNumber(int number) const
    {
        return number >= 1 && static_cast<size_t>(number) <= sizes_.size();
    }
    // Size of sector number s; 0 when the map has no such sector.
    uint32_t sectorNumberSize(int number) const
    {
        return hasSectorNumber(number) ? sizes_[static_cast<size_t>(number - 1)] : 0;
    }
    // Flash offset of sector number s; s must be in 1..count() + 1 (the latter gives the total).
    uint64_t sectorNumberOffset(int number) const { return offsets_.at(static_cast<size_t>(number - 1)); }

private:
    std::string_view name_;
    std::vector<uint32_t> sizes_;
    std::vector<uint64_t> offsets_;
};

// The eight layouts of the catalogue.
const SectorMap& sectorMapL1();
const SectorMap& sectorMapL2();
const SectorMap& sectorMapL3();
const SectorMap& sectorMapL4();
const SectorMap& sectorMapL5();
const SectorMap& sectorMapL6();
const SectorMap& sectorMapL7();
const SectorMap& sectorMapL8();

} // namespace kyv
