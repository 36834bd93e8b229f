#include "sim/lib/usb/j5_commands.h"

#include "sim/lib/printer/printer_replies.h"

#include <algorithm>
#include <string>

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

bool printable(std::string_view text)
{
    for (char c : text)
        if (c < 0x20 || c > 0x7E)
            return false;
    return true;
}

} // namespace

std::optional<J5Firmware> parseJ5Firmware(std::string_view text, std::string* why)
{
    J5Firmware firmware;
    const size_t colon = text.find(':');
    if (colon != firmware.stamp.size() || text.size() != colon + 1 + firmware.version.size() ||
        !printable(text)) {
        if (why != nullptr)
            *why = "takes DDMMYY:VVVVV, the date stamp (6 characters) and the firmware version (5 characters), "
                   "such as 311223:01.05";
        return std::nullopt;
    }
    std::copy_n(text.begin(), firmware.stamp.size(), firmware.stamp.begin());
    std::copy_n(text.begin() + colon + 1, firmware.version.size(), firmware.version.begin());
    return firmware;
}

std::optional<J5Answer> j5Answer(std::span<const uint8_t> command, const PrinterState& state,
                                 const J5Firmware& firmware)
{
    // Identify: byte 1 non-zero says a printer is there.
    if (starts(command, {0x1D, 0x30, 0x07, 0x00}))
        return J5Answer{PrinterCommand::J5Identify, Bytes{kAck, 0x01}};
    // Version query of an image kind: the date stamp in bytes 4 to 9 and the firmware
    // version in bytes 10 to 14; the printer tells the same for every kind.
    if (starts(command, {0x1D, 0x30, 0x09}) && command.size() >= 4) {
        Bytes reply(kVersionReply, 0x00);
        reply[0] = kAck;
        reply[1] = command[3];
        std::copy(firmware.stamp.begin(), firmware.stamp.end(), reply.begin() + 4);
        std::copy(firmware.version.begin(), firmware.version.end(), reply.begin() + 10);
        return J5Answer{PrinterCommand::J5Version, reply};
    }
    // Mode query: ACK while online, anything else in download mode.
    if (starts(command, {0x1D, 0xF0}))
        return J5Answer{PrinterCommand::J5ModeQuery,
                        Bytes{static_cast<uint8_t>(state.mode == PrinterMode::Online ? kAck : kNak)}};
    return std::nullopt;
}

} // namespace kyv::sim
