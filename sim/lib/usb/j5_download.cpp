#include "sim/lib/usb/j5_download.h"

#include "sim/lib/printer/flash_crc.h"
#include "sim/lib/printer/printer_replies.h"

#include <algorithm>

namespace kyv::sim {
namespace {

constexpr size_t kImageHeader = 16;
// Largest image a J5 printer takes (its flash).
constexpr uint64_t kLargestImage = 16 * 1024 * 1024;

bool starts(std::span<const uint8_t> bytes, std::initializer_list<uint8_t> head)
{
    return bytes.size() >= head.size() && std::equal(head.begin(), head.end(), bytes.begin());
}

} // namespace

std::optional<J5Step> J5Download::take(std::span<const uint8_t> bytes, const PrinterState& state)
{
    const bool downloadMode = state.mode == PrinterMode::Download;
    if (receiving_) {
        const size_t n = static_cast<size_t>(std::min<uint64_t>(bytes.size(), expected_ - image_.size()));
        image_.insert(image_.end(), bytes.begin(), bytes.begin() + static_cast<std::ptrdiff_t>(n));
        J5Step step;
        step.imageBlock = true;
        step.note = "j5 image block of " + std::to_string(bytes.size()) + " bytes";
        if (image_.size() == expected_) {
            receiving_ = false;
            step.command = PrinterCommand::J5Image;
            step.reply = Bytes{kAck};
            step.imageComplete = true;
            step.note = "j5 image complete";
        }
        return step;
    }
    if (downloadMode && bytes.size() >= 7 && starts(bytes, {0x1D, 0x13})) {
        static constexpr char kKinds[] = {0, 'B', 'M', 'S'};
        expected_ = (uint64_t{bytes[3]} << 24) | (uint64_t{bytes[4]} << 16) | (uint64_t{bytes[5]} << 8) | bytes[6];
        kind_ = bytes[2] < sizeof kKinds ? kKinds[bytes[2]] : 0;
        image_.clear();
        receiving_ = expected_ > 0 && expected_ <= kLargestImage && kind_ != 0;
        return J5Step{PrinterCommand::J5Header, {}, receiving_ ? "j5 download header" : "j5 download header refused"};
    }
    if (downloadMode && bytes.size() >= 3 && starts(bytes, {0x1D, 0x12})) {
        const uint16_t crc =
            image_.size() > kImageHeader
                ? flashCrcOf(CrcKind::Direct, std::span<const uint8_t>(image_).subspan(kImageHeader))
                : 0;
        return J5Step{PrinterCommand::J5Crc,
                      Bytes{kAck, static_cast<uint8_t>(crc & 0xFF), static_cast<uint8_t>(crc >> 8)},
                      "j5 crc query"};
    }
    if (starts(bytes, {0x1D, 0x82})) {
        receiving_ = false;
        image_.clear();
        return J5Step{PrinterCommand::J5Abort, {}, "j5 abort"};
    }
    if (starts(bytes, {0x1D, 0x30, 0x10, 0x00}))
        return J5Step{PrinterCommand::J5Refresh, {}, "j5 refresh preparation"};
    if (starts(bytes, {0x1D, 0x64, 0x01, 0x00}))
        return J5Step{PrinterCommand::J5PrintConfiguration, {}, "j5 print configuration"};
    return std::nullopt;
}

} // namespace kyv::sim
