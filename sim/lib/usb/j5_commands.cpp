#include "sim/lib/usb/j5_commands.h"

#include "sim/lib/printer/printer_replies.h"

namespace kyv::sim {
namespace {

constexpr size_t kVersionReply = 15;

bool starts(std::span<const uint8_t> command, std::initializer_list<uint8_t> head)
{
    if (command.size() < head.size())
        return false;
    size_t i = 0;
    for (uint8_t b : head)
        if (command[i++] != b)
            return false;
    return true;
}

} // namespace

std::optional<Bytes> j5Answer(std::span<const uint8_t> command, const PrinterState& state)
{
    // Identify: byte 1 non-zero says a printer is there.
    if (starts(command, {0x1D, 0x30, 0x07, 0x00}))
        return Bytes{kAck, 0x01};
    // Version query of an image kind: the version stamp in bytes 4 to 9 and the firmware
    // version in bytes 10 to 14, all zero: a fresh printer, so no image counts as older.
    if (starts(command, {0x1D, 0x30, 0x09}) && command.size() >= 4) {
        Bytes reply(kVersionReply, 0x00);
        reply[0] = kAck;
        reply[1] = command[3];
        return reply;
    }
    // Mode query: ACK while online, anything else in download mode.
    if (starts(command, {0x1D, 0xF0}))
        return Bytes{static_cast<uint8_t>(state.mode == PrinterMode::Online ? kAck : kNak)};
    return std::nullopt;
}

} // namespace kyv::sim
