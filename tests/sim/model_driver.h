#pragma once
// Drives a PrinterModel directly: feeds host bytes and sums up what the printer did.

#include "sim/lib/printer/printer_model.h"

#include <vector>

namespace kyv::sim::test {

struct Outcome {
    Bytes sent;                      // all reply bytes, in order
    std::vector<ProtocolMs> pauses;  // pauses before replies
    int restarts = 0;
    bool dropped = false;
};

inline Outcome feed(PrinterModel& printer, const Bytes& bytes, bool finishRestart = true)
{
    Outcome outcome;
    for (const PrinterAction& action : printer.receive(bytes)) {
        switch (action.kind) {
        case PrinterAction::Kind::Send: outcome.sent.insert(outcome.sent.end(), action.bytes.begin(), action.bytes.end()); break;
        case PrinterAction::Kind::Pause: outcome.pauses.push_back(action.time); break;
        case PrinterAction::Kind::Restart: ++outcome.restarts; break;
        case PrinterAction::Kind::DropLine: outcome.dropped = true; break;
        }
    }
    if (finishRestart && outcome.restarts > 0)
        printer.completeRestart();
    return outcome;
}

inline Bytes sent(PrinterModel& printer, const Bytes& bytes) { return feed(printer, bytes).sent; }

// Test data that differs from byte to byte and from sector to sector.
inline Bytes pattern(size_t size, uint8_t seed)
{
    Bytes bytes(size);
    for (size_t i = 0; i < size; ++i)
        bytes[i] = static_cast<uint8_t>(i * 7 + seed + (i >> 8));
    return bytes;
}

// The sector header as the host sends it: 1D 11 00 00, size low, size high (0x10000 as 0).
inline Bytes sectorHeader(uint32_t size)
{
    uint32_t field = size == 0x10000 ? 0 : size;
    return {0x1D, 0x11, 0x00, 0x00, static_cast<uint8_t>(field & 0xFF), static_cast<uint8_t>(field >> 8)};
}

inline uint8_t lo(uint16_t v) { return static_cast<uint8_t>(v & 0xFF); }
inline uint8_t hi(uint16_t v) { return static_cast<uint8_t>(v >> 8); }

} // namespace kyv::sim::test
