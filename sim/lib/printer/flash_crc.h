#pragma once
// The CRC a printer computes over its flash: over the sector just written (1D 06), over the
// image written since the switch to download mode (1D 0F, 1D 07) and over a whole image
// taken in online mode. Each printer type computes one of two kinds:
//
//   Arc:    reflected polynomial 0xA001, register starts at 0, no final XOR
//           ("123456789" -> 0xBB3D).
//   Direct: polynomial 0x1021 run over the message bits themselves, register starts at 0,
//           without the 16 zero bits the usual CRC appends ("123456789" -> 0xBEEF).
//
// Plain bit-by-bit forms: the printer's side only has to be right, not fast.

#include <cstdint>
#include <span>

namespace kyv::sim {

enum class CrcKind { Arc, Direct };

class FlashCrc {
public:
    explicit FlashCrc(CrcKind kind) : kind_(kind) {}

    void reset() { register_ = 0; }
    void feed(std::span<const uint8_t> bytes);
    uint16_t value() const { return register_; }

private:
    CrcKind kind_;
    uint16_t register_ = 0;
};

// The CRC of one buffer.
uint16_t flashCrcOf(CrcKind kind, std::span<const uint8_t> bytes);

} // namespace kyv::sim
