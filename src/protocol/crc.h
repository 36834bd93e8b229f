#pragma once
// The two flash CRCs the printers compute, and the accumulator a command object keeps
// while it sends a sector.
//
// CRC-16/ARC: reflected polynomial 0xA001, initial 0, no final XOR ("123456789" -> 0xBB3D).
// Direct CRC: polynomial 0x1021 on the message bits themselves, without the 16 appended
// zero bits of the usual CRC ("123456789" -> 0xBEEF). It equals CRC-16/XMODEM of all bytes
// but the last two, XOR-ed with those two bytes read big-endian.
// Printers whose model has altCrc set report the direct CRC; all others report ARC.

#include <array>
#include <cstdint>
#include <span>

namespace kyv {

// Bit-by-bit definitions, kept as the reference the fast forms are tested against.
using CrcCells = std::array<uint8_t, 16>; // ARC register, one cell per bit, each 0 or 1
void crc16Arc(CrcCells& cells, uint8_t byte);
void crc16CcittDirect(uint16_t& direct, uint8_t byte);
// Packs the cells with cell 0 as bit 15 down to cell 15 as bit 0 (the ARC value).
uint16_t packCells(const CrcCells& cells);

// Table-driven forms over a whole buffer, from a zero register.
uint16_t crc16ArcOf(std::span<const uint8_t> data);
uint16_t crc16CcittDirectOf(std::span<const uint8_t> data);

// Holds both CRCs side by side; the reported one is chosen by altCrc.
class CrcAccumulator {
public:
    explicit CrcAccumulator(int altCrc = 0) : altCrc_(altCrc) {}

    void setAltCrc(int altCrc) { altCrc_ = altCrc; }
    int altCrc() const { return altCrc_; }

    void zero();
    void feedArc(std::span<const uint8_t> data);
    void feedDirect(std::span<const uint8_t> data);
    // Feeds the CRC the printer of this model computes (direct when altCrc is set).
    void feed(std::span<const uint8_t> data);

    uint16_t arcValue() const { return arc_; }
    uint16_t directValue() const;
    // altCrc set: the direct CRC; otherwise ARC.
    uint16_t reported() const { return altCrc_ ? directValue() : arcValue(); }

private:
    int altCrc_;
    uint16_t arc_ = 0;
    // The direct CRC is kept as an XMODEM register over all bytes but the last two,
    // plus those two bytes, so the fast table form can run over whole buffers.
    uint16_t xmodem_ = 0;
    uint8_t tail_[2] = {0, 0};
    uint8_t tailLength_ = 0;
};

} // namespace kyv
