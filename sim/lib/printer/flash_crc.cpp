#include "sim/lib/printer/flash_crc.h"

namespace kyv::sim {
namespace {

// Least significant bit first into a reflected register.
uint16_t arcStep(uint16_t crc, uint8_t byte)
{
    for (int i = 0; i < 8; ++i) {
        bool feedback = ((crc ^ (byte >> i)) & 1) != 0;
        crc = static_cast<uint16_t>(crc >> 1);
        if (feedback)
            crc ^= 0xA001;
    }
    return crc;
}

// Most significant bit first: the register shifts, the bit shifted out folds the
// polynomial back in, and the message bit enters at the bottom.
uint16_t directStep(uint16_t crc, uint8_t byte)
{
    for (int i = 7; i >= 0; --i) {
        bool out = (crc & 0x8000) != 0;
        crc = static_cast<uint16_t>(crc << 1);
        if (out)
            crc ^= 0x1021;
        if (((byte >> i) & 1) != 0)
            crc ^= 0x0001;
    }
    return crc;
}

} // namespace

void FlashCrc::feed(std::span<const uint8_t> bytes)
{
    for (uint8_t byte : bytes)
        register_ = kind_ == CrcKind::Arc ? arcStep(register_, byte) : directStep(register_, byte);
}

uint16_t flashCrcOf(CrcKind kind, std::span<const uint8_t> bytes)
{
    FlashCrc crc(kind);
    crc.feed(bytes);
    return crc.value();
}

} // namespace kyv::sim
