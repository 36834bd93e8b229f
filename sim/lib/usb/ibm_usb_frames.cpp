#include "sim/lib/usb/ibm_usb_frames.h"

#include <algorithm>

namespace kyv::sim {
namespace {

constexpr size_t kFrameLength = 13;
constexpr size_t kFramePrefix = 5;
constexpr uint8_t kEsc = 0x1B;

bool isFrameStart(std::span<const uint8_t> d)
{
    return d.size() >= kFramePrefix && d[0] == kEsc && d[1] == 0x2A && (d[2] == 0x50 || d[2] == 0x51) && d[3] == 0x01 &&
           d[4] == 0x01;
}

bool isStatusRequest(std::span<const uint8_t> d) { return d.size() >= 2 && d[0] == kEsc && d[1] == 0x49; }

} // namespace

std::vector<IbmPiece> splitIbmFrames(std::span<const uint8_t> data)
{
    std::vector<IbmPiece> pieces;
    size_t pos = 0;
    while (pos < data.size()) {
        std::span<const uint8_t> rest = data.subspan(pos);
        size_t take = 0;
        if (isFrameStart(rest)) {
            take = std::min(kFrameLength, rest.size());
            pieces.push_back({false, rest[2] == 0x51, Bytes(rest.begin() + kFramePrefix, rest.begin() + take)});
        } else if (isStatusRequest(rest)) {
            take = 2;
            pieces.push_back({true, false, {}});
        } else {
            // Unframed bytes run up to the next escape that starts a frame or a status request.
            take = 1;
            while (take < rest.size() && !isFrameStart(rest.subspan(take)) && !isStatusRequest(rest.subspan(take)))
                ++take;
            pieces.push_back({false, false, Bytes(rest.begin(), rest.begin() + take)});
        }
        pos += take;
    }
    return pieces;
}

Bytes ibmAnswer(std::span<const uint8_t> command, const Bytes& reply)
{
    const bool versionItem = command.size() >= 4 && command[0] == 0x1D && command[1] == 0x49 && command[2] == 0x40 &&
                             command[3] != 0x27;
    if (!versionItem)
        return reply;
    // The serial form of a version item: a header byte, five characters, padding.
    if (reply.size() >= 6 && reply[0] == 0x5F) {
        Bytes text(reply.begin() + 1, reply.begin() + 6);
        text.push_back('\r');
        return text;
    }
    return reply;
}

} // namespace kyv::sim
