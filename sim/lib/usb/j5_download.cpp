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

bool J5Download::faulted(FaultKind kind, PrinterCommand command) const
{
    return std::any_of(faults_.begin(), faults_.end(),
                       [&](const Fault& f) { return f.kind == kind && f.command == command; });
}

std::optional<J5Step> J5Download::take(std::span<const uint8_t> bytes, const PrinterState& state)
{
    const bool downloadMode = state.mode == PrinterMode::Download;
    if (receiving_) {
        const size_t n = static_cast<size_t>(std::min<uint64_t>(bytes.size(), expected_ - image_.size()));
        image_.insert(image_.end(), bytes.begin(), bytes.begin() + static_cast<std::ptrdiff_t>(n));
        J5Step step;
        step.note = "j5 image block";
        if (image_.size() == expected_) {
            receiving_ = false;
            if (faulted(FaultKind::Nak, PrinterCommand::J5Image)) {
                // Refused: the flash keeps what it held.
                step.note = "j5 image complete, refused";
                step.reply = Bytes{kNak};
                return step;
            }
            step.imageComplete = true;
            step.note = "j5 image complete";
            if (!faulted(FaultKind::NoReply, PrinterCommand::J5Image))
                step.reply = Bytes{kAck};
        }
        return step;
    }
    if (downloadMode && bytes.size() >= 7 && starts(bytes, {0x1D, 0x13})) {
        static constexpr char kKinds[] = {0, 'B', 'M', 'S'};
        expected_ = (uint64_t{bytes[3]} << 24) | (uint64_t{bytes[4]} << 16) | (uint64_t{bytes[5]} << 8) | bytes[6];
        kind_ = bytes[2] < sizeof kKinds ? kKinds[bytes[2]] : 0;
        image_.clear();
        receiving_ = expected_ > 0 && expected_ <= kLargestImage && kind_ != 0;
        return J5Step{std::nullopt, receiving_ ? "j5 download header" : "j5 download header refused", false};
    }
    if (downloadMode && bytes.size() >= 3 && starts(bytes, {0x1D, 0x12})) {
        uint16_t crc = image_.size() > kImageHeader
                           ? flashCrcOf(CrcKind::Direct, std::span<const uint8_t>(image_).subspan(kImageHeader))
                           : 0;
        if (faulted(FaultKind::WrongCrc, PrinterCommand::J5Crc))
            crc ^= 0x5A5A;
        if (faulted(FaultKind::NoReply, PrinterCommand::J5Crc))
            return J5Step{std::nullopt, "j5 crc query, not answered", false};
        return J5Step{Bytes{kAck, static_cast<uint8_t>(crc & 0xFF), static_cast<uint8_t>(crc >> 8)}, "j5 crc query",
                      false};
    }
    if (starts(bytes, {0x1D, 0x82})) {
        receiving_ = false;
        image_.clear();
        return J5Step{std::nullopt, "j5 abort", false};
    }
    if (starts(bytes, {0x1D, 0x30, 0x10, 0x00}))
        return J5Step{std::nullopt, "j5 refresh preparation", false};
    if (starts(bytes, {0x1D, 0x64, 0x01, 0x00}))
        return J5Step{std::nullopt, "j5 print configuration", false};
    return std::nullopt;
}

} // namespace kyv::sim
