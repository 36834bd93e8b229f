#pragma once
// Builds HID report descriptors item by item, so a test reads like the descriptor it stands for.

#include <cstdint>
#include <vector>

namespace kyv::test {

class DescriptorBuilder {
public:
    enum : uint32_t { Data = 0x00, Constant = 0x01, Variable = 0x02, Relative = 0x04 };

    DescriptorBuilder& usagePage(uint32_t v) { return item(0x04, v); }
    DescriptorBuilder& logicalMin(int32_t v) { return signedItem(0x14, v); }
    DescriptorBuilder& logicalMax(int32_t v) { return signedItem(0x24, v); }
    DescriptorBuilder& reportSize(uint32_t v) { return item(0x74, v); }
    DescriptorBuilder& reportId(uint32_t v) { return item(0x84, v); }
    DescriptorBuilder& reportCount(uint32_t v) { return item(0x94, v); }
    DescriptorBuilder& push() { return raw({0xA4}); }
    DescriptorBuilder& pop() { return raw({0xB4}); }
    DescriptorBuilder& usage(uint32_t v) { return item(0x08, v); }
    DescriptorBuilder& extendedUsage(uint16_t page, uint16_t id)
    {
        const uint32_t v = (uint32_t{page} << 16) | id;
        return raw({0x0B, uint8_t(v), uint8_t(v >> 8), uint8_t(v >> 16), uint8_t(v >> 24)});
    }
    DescriptorBuilder& usageMin(uint32_t v) { return item(0x18, v); }
    DescriptorBuilder& usageMax(uint32_t v) { return item(0x28, v); }
    DescriptorBuilder& collection(uint8_t type) { return item(0xA0, type); }
    DescriptorBuilder& application() { return collection(1); }
    DescriptorBuilder& endCollection() { return raw({0xC0}); }
    DescriptorBuilder& input(uint32_t flags) { return item(0x80, flags); }
    DescriptorBuilder& output(uint32_t flags) { return item(0x90, flags); }
    DescriptorBuilder& feature(uint32_t flags) { return item(0xB0, flags); }

    // A byte array value of count bytes with the given usage, as the printers' reports have.
    DescriptorBuilder& byteArray(uint32_t usageId, uint32_t count, uint8_t mainPrefix)
    {
        usage(usageId).logicalMin(0).logicalMax(255).reportSize(8).reportCount(count);
        return item(mainPrefix, Data | Variable);
    }
    DescriptorBuilder& scalar(uint32_t usageId, uint32_t bits, uint8_t mainPrefix)
    {
        usage(usageId).logicalMin(0).logicalMax(bits >= 16 ? 0xFFFF : 0xFF).reportSize(bits).reportCount(1);
        return item(mainPrefix, Data | Variable);
    }

    DescriptorBuilder& raw(std::initializer_list<uint8_t> bytes)
    {
        bytes_.insert(bytes_.end(), bytes);
        return *this;
    }
    const std::vector<uint8_t>& bytes() const { return bytes_; }

private:
    // Shortest encoding of an unsigned value.
    DescriptorBuilder& item(uint8_t prefix, uint32_t v)
    {
        if (v <= 0xFF)
            return raw({uint8_t(prefix | 1), uint8_t(v)});
        if (v <= 0xFFFF)
            return raw({uint8_t(prefix | 2), uint8_t(v), uint8_t(v >> 8)});
        return raw({uint8_t(prefix | 3), uint8_t(v), uint8_t(v >> 8), uint8_t(v >> 16), uint8_t(v >> 24)});
    }
    DescriptorBuilder& signedItem(uint8_t prefix, int32_t v)
    {
        if (v >= -128 && v <= 127)
            return raw({uint8_t(prefix | 1), uint8_t(v)});
        if (v >= -32768 && v <= 32767)
            return raw({uint8_t(prefix | 2), uint8_t(v), uint8_t(uint32_t(v) >> 8)});
        const auto u = uint32_t(v);
        return raw({uint8_t(prefix | 3), uint8_t(u), uint8_t(u >> 8), uint8_t(u >> 16), uint8_t(u >> 24)});
    }

    std::vector<uint8_t> bytes_;
};

inline constexpr uint8_t kInputItem = 0x80;
inline constexpr uint8_t kOutputItem = 0x90;
inline constexpr uint8_t kFeatureItem = 0xB0;

// The printers' vendor-page layout: one top-level collection of the given usage (4 or 5) with
// the short-report collection 0x10 and the long-report collection 0x11. firstId numbers the
// collection's reports firstId.. firstId+3.
inline DescriptorBuilder& addVendorCollection(DescriptorBuilder& d, uint16_t topUsage, uint8_t firstId,
                                              uint16_t smallCapacity = 62, uint16_t largeCapacity = 1022)
{
    d.usagePage(0xFF8B).usage(topUsage).application();
    d.usage(0x10).collection(2);
    d.reportId(firstId).byteArray(0xA0, smallCapacity, kOutputItem).scalar(0xA2, 8, kOutputItem);
    d.reportId(firstId + 1).byteArray(0xA1, 62, kFeatureItem).scalar(0xA2, 8, kFeatureItem);
    d.reportId(firstId + 2).byteArray(0xA1, 62, kInputItem).scalar(0xA2, 8, kInputItem);
    d.endCollection();
    d.usage(0x11).collection(2);
    d.reportId(firstId + 3).byteArray(0xA0, largeCapacity, kOutputItem).scalar(0xA2, 16, kOutputItem);
    d.endCollection();
    return d.endCollection();
}

// The IBM USB layout: page 0xFF45, collection 0x3500, output 0x3511 (count byte) and 0x3501
// (data), feature 0x3503.
inline DescriptorBuilder ibmUsbDescriptor()
{
    DescriptorBuilder d;
    d.usagePage(0xFF45).usage(0x3500).application();
    d.usage(0x3500).collection(2);
    d.reportId(2).scalar(0x3511, 8, kOutputItem).byteArray(0x3501, 253, kOutputItem);
    d.reportId(3).byteArray(0x3503, 1023, kFeatureItem);
    d.endCollection();
    return d.endCollection();
}

// The J5 layout: the vendor page without report IDs and without a feature report.
inline DescriptorBuilder j5Descriptor()
{
    DescriptorBuilder d;
    d.usagePage(0xFF8B).usage(4).application();
    d.usage(0x10).collection(2);
    d.byteArray(0xA0, 62, kOutputItem).scalar(0xA2, 8, kOutputItem);
    d.byteArray(0xA1, 62, kInputItem).scalar(0xA2, 8, kInputItem);
    d.endCollection();
    return d.endCollection();
}

} // namespace kyv::test
