#include "sim/lib/usb/ibm_sector_packets.h"

#include <algorithm>
#include <array>

namespace kyv::sim {
namespace {

constexpr size_t kBlockBytes = 16384;
constexpr size_t kBlocks = 4;
constexpr std::array<uint8_t, 7> kBlockStart{0x1B, 0x2A, 0x50, 0x32, 0x29, 0x1D, 0x11};
constexpr size_t kMarkerBytes = 3;

bool startsWith(std::span<const uint8_t> bytes, std::span<const uint8_t> prefix)
{
    return bytes.size() >= prefix.size() && std::equal(prefix.begin(), prefix.end(), bytes.begin());
}

} // namespace

bool IbmSectorPackets::take(std::span<const uint8_t> report, std::optional<Bytes>& sector)
{
    sector.reset();
    if (startsWith(report, kBlockStart)) {
        if (!receiving_ || data_.size() != block_ * kBlockBytes) {
            // A new sector (or one whose earlier block came short): start over.
            receiving_ = true;
            block_ = 0;
            data_.clear();
        }
        markers_ = 0;
        return true;
    }
    const bool packet = receiving_ && report.size() >= 2 && report[0] == 0x1B && report[1] == 0x2E;
    if (!packet)
        return false;
    if (report.size() == kMarkerBytes) {
        // The block's offset marker, then its length marker. A first block that comes while
        // another sector is half taken (its host was stopped) starts a sector of its own.
        if (markers_++ == 0 && report[2] == 0 && block_ != 0) {
            block_ = 0;
            data_.clear();
        }
        return true;
    }
    const size_t blockEnd = (block_ + 1) * kBlockBytes;
    const size_t take = std::min(report.size() - 2, blockEnd - data_.size());
    data_.insert(data_.end(), report.begin() + 2, report.begin() + 2 + static_cast<std::ptrdiff_t>(take));
    if (data_.size() == blockEnd && ++block_ == kBlocks) {
        Bytes command{0x1D, 0x11, 0x00, 0x00, 0x00, 0x00};
        command.insert(command.end(), data_.begin(), data_.end());
        sector = std::move(command);
        receiving_ = false;
        block_ = 0;
        data_.clear();
    }
    return true;
}

} // namespace kyv::sim
