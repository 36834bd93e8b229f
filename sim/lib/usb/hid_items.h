#pragma once
// Writes a HID report descriptor item by item, the way the printers' firmware carries it.

#include "sim/lib/transcript.h"

#include <cstdint>

namespace kyv::sim {

class HidItems {
public:
    HidItems& usagePage(uint16_t page) { return item(0x04, page); }
    HidItems& usage(uint16_t usage) { return item(0x08, usage); }
    HidItems& application() { return item(0xA0, 0x01); }
    HidItems& logical() { return item(0xA0, 0x02); }
    HidItems& endCollection() { return raw({0xC0}); }
    HidItems& reportId(uint8_t id) { return item(0x84, id); }
    HidItems& reportSize(uint8_t bits) { return item(0x74, bits); }
    HidItems& reportCount(uint16_t count) { return item(0x94, count); }
    HidItems& logicalMinimum(uint32_t value) { return item(0x14, value); }
    HidItems& logicalMaximum(uint32_t value) { return item(0x24, value); }
    // Data, variable, absolute.
    HidItems& input() { return item(0x80, 0x02); }
    HidItems& output() { return item(0x90, 0x02); }
    HidItems& feature() { return item(0xB0, 0x02); }

    // A whole field: `count` values of `bits` each, 0 up to the largest they hold.
    HidItems& field(uint16_t usageId, uint8_t bits, uint16_t count)
    {
        logicalMinimum(0).logicalMaximum(bits >= 32 ? 0xFFFFFFFF : (1u << bits) - 1);
        return usage(usageId).reportSize(bits).reportCount(count);
    }

    HidItems& raw(std::initializer_list<uint8_t> bytes)
    {
        bytes_.insert(bytes_.end(), bytes);
        return *this;
    }
    const Bytes& bytes() const { return bytes_; }

private:
    // The short item of that tag with the fewest data bytes that keep the value positive
    // (a data byte with its top bit set would read as negative in a logical limit).
    HidItems& item(uint8_t tag, uint32_t value)
    {
        if (value <= 0x7F) {
            bytes_.insert(bytes_.end(), {static_cast<uint8_t>(tag | 1), static_cast<uint8_t>(value)});
        } else if (value <= 0x7FFF || (tag != 0x14 && tag != 0x24 && value <= 0xFFFF)) {
            bytes_.insert(bytes_.end(), {static_cast<uint8_t>(tag | 2), static_cast<uint8_t>(value),
                                         static_cast<uint8_t>(value >> 8)});
        } else {
            bytes_.insert(bytes_.end(), {static_cast<uint8_t>(tag | 3), static_cast<uint8_t>(value),
                                         static_cast<uint8_t>(value >> 8), static_cast<uint8_t>(value >> 16),
                                         static_cast<uint8_t>(value >> 24)});
        }
        return *this;
    }

    Bytes bytes_;
};

} // namespace kyv::sim
