#include "protocol/crc.h"

#include <cstring>

namespace kyv {
namespace {

// Eight 256-entry tables per CRC ("slicing-by-8"): table k gives the effect of a byte that
// is followed by k more bytes, so eight bytes are folded into the register per step.
using SliceTables = std::array<std::array<uint16_t, 256>, 8>;

constexpr SliceTables makeArcTables()
{
    SliceTables t{};
    for (unsigned i = 0; i < 256; ++i) {
        uint16_t r = static_cast<uint16_t>(i);
        for (int bit = 0; bit < 8; ++bit)
            r = static_cast<uint16_t>((r & 1) ? (r >> 1) ^ 0xA001 : r >> 1);
        t[0][i] = r;
    }
    for (size_t k = 1; k < 8; ++k)
        for (unsigned i = 0; i < 256; ++i)
            t[k][i] = static_cast<uint16_t>((t[k - 1][i] >> 8) ^ t[0][t[k - 1][i] & 0xFF]);
    return t;
}

constexpr SliceTables makeXmodemTables()
{
    SliceTables t{};
    for (unsigned i = 0; i < 256; ++i) {
        uint16_t r = static_cast<uint16_t>(i << 8);
        for (int bit = 0; bit < 8; ++bit)
            r = static_cast<uint16_t>((r & 0x8000) ? (r << 1) ^ 0x1021 : r << 1);
        t[0][i] = r;
    }
    for (size_t k = 1; k < 8; ++k)
        for (unsigned i = 0; i < 256; ++i)
            t[k][i] = static_cast<uint16_t>((t[k - 1][i] << 8) ^ t[0][t[k - 1][i] >> 8]);
    return t;
}

constexpr SliceTables kArc = makeArcTables();
constexpr SliceTables kXmodem = makeXmodemTables();

// Reflected register (CRC-16/ARC): the low register byte meets the earliest message byte.
uint16_t arcUpdate(uint16_t crc, const uint8_t* p, size_t n)
{
    while (n >= 8) {
        crc = static_cast<uint16_t>(kArc[7][(p[0] ^ crc) & 0xFF] ^ kArc[6][p[1] ^ (crc >> 8)] ^
                                    kArc[5][p[2]] ^ kArc[4][p[3]] ^ kArc[3][p[4]] ^
                                    kArc[2][p[5]] ^ kArc[1][p[6]] ^ kArc[0][p[7]]);
        p += 8;
        n -= 8;
    }
    while (n-- > 0)
        crc = static_cast<uint16_t>((crc >> 8) ^ kArc[0][(crc ^ *p++) & 0xFF]);
    return crc;
}

// Forward register (CRC-16/XMODEM): the high register byte meets the earliest message byte.
uint16_t xmodemUpdate(uint16_t crc, const uint8_t* p, size_t n)
{
    while (n >= 8) {
        crc = static_cast<uint16_t>(kXmodem[7][p[0] ^ (crc >> 8)] ^ kXmodem[6][p[1] ^ (crc & 0xFF)] ^
                                    kXmodem[5][p[2]] ^ kXmodem[4][p[3]] ^ kXmodem[3][p[4]] ^
                                    kXmodem[2][p[5]] ^ kXmodem[1][p[6]] ^ kXmodem[0][p[7]]);
        p += 8;
        n -= 8;
    }
    while (n-- > 0)
        crc = static_cast<uint16_t>((crc << 8) ^ kXmodem[0][(crc >> 8) ^ *p++]);
    return crc;
}

} // namespace

void crc16Arc(CrcCells& cells, uint8_t byte)
{
    for (int i = 0; i < 8; ++i) {
        const uint8_t b = (byte >> i) & 1;
        const uint8_t c = cells[15] ^ b;
        const uint8_t old0 = cells[0];
        const uint8_t old1 = cells[1];
        const uint8_t old14 = cells[14];
        for (int k = 14; k >= 3; --k)
            cells[static_cast<size_t>(k)] = cells[static_cast<size_t>(k - 1)];
        cells[15] = c ^ old14;
        cells[2] = c ^ old1;
        cells[1] = old0;
        cells[0] = c;
    }
}

void crc16CcittDirect(uint16_t& direct, uint8_t byte)
{
    for (int i = 7; i >= 0; --i) {
        const bool out = (direct & 0x8000) != 0;
        direct = static_cast<uint16_t>(direct << 1);
        if (out)
            direct ^= 0x1021;
        if ((byte >> i) & 1)
            direct ^= 1;
    }
}

uint16_t packCells(const CrcCells& cells)
{
    uint16_t value = 0;
    for (size_t i = 0; i < cells.size(); ++i)
        value = static_cast<uint16_t>((value << 1) | (cells[i] & 1));
    return value;
}

uint16_t crc16ArcOf(std::span<const uint8_t> data)
{
    return arcUpdate(0, data.data(), data.size());
}

uint16_t crc16CcittDirectOf(std::span<const uint8_t> data)
{
    CrcAccumulator acc(1);
    acc.feedDirect(data);
    return acc.directValue();
}

void CrcAccumulator::zero()
{
    arc_ = 0;
    xmodem_ = 0;
    tail_[0] = tail_[1] = 0;
    tailLength_ = 0;
}

void CrcAccumulator::feedArc(std::span<const uint8_t> data)
{
    arc_ = arcUpdate(arc_, data.data(), data.size());
}

void CrcAccumulator::feedDirect(std::span<const uint8_t> data)
{
    const size_t n = data.size();
    if (n == 0)
        return;
    if (n == 1) {
        if (tailLength_ < 2) {
            tail_[tailLength_++] = data[0];
            return;
        }
        xmodem_ = xmodemUpdate(xmodem_, tail_, 1);
        tail_[0] = tail_[1];
        tail_[1] = data[0];
        return;
    }
    // Two or more new bytes: everything held back so far leaves the tail, and the last
    // two new bytes become the tail.
    xmodem_ = xmodemUpdate(xmodem_, tail_, tailLength_);
    xmodem_ = xmodemUpdate(xmodem_, data.data(), n - 2);
    tail_[0] = data[n - 2];
    tail_[1] = data[n - 1];
    tailLength_ = 2;
}

void CrcAccumulator::feed(std::span<const uint8_t> data)
{
    if (altCrc_)
        feedDirect(data);
    else
        feedArc(data);
}

uint16_t CrcAccumulator::directValue() const
{
    // The direct CRC of a message is the XMODEM CRC of all but its last two bytes XOR-ed
    // with those two bytes; with fewer than two bytes fed, the register simply holds them.
    switch (tailLength_) {
    case 0:
        return xmodem_;
    case 1:
        return static_cast<uint16_t>(xmodem_ ^ tail_[0]);
    default:
        return static_cast<uint16_t>(xmodem_ ^ ((tail_[0] << 8) | tail_[1]));
    }
}

} // namespace kyv
