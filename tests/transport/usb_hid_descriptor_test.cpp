#include "transport/usb/hid_descriptor.h"
#include "transport/usb_descriptor_builder.h"

#include <gtest/gtest.h>

#include <vector>

namespace kyv {
namespace {

using test::DescriptorBuilder;
using Bytes = std::vector<uint8_t>;
constexpr auto In = HidReportKind::Input;
constexpr auto Out = HidReportKind::Output;
constexpr auto Feat = HidReportKind::Feature;

HidDescriptor parse(const DescriptorBuilder& d)
{
    HidDescriptor out;
    std::string error;
    EXPECT_TRUE(parseHidDescriptor(d.bytes(), out, error)) << error;
    return out;
}

std::string refusal(const Bytes& bytes)
{
    HidDescriptor out;
    std::string error;
    EXPECT_FALSE(parseHidDescriptor(bytes, out, error));
    EXPECT_TRUE(out.collections.empty());
    return error;
}

TEST(HidDescriptor, VendorLayoutWithUsagesFourAndFiveInOneInterface)
{
    DescriptorBuilder d;
    test::addVendorCollection(d, 4, 1);
    test::addVendorCollection(d, 5, 5, 30, 500);
    const HidDescriptor desc = parse(d);
    ASSERT_EQ(desc.collections.size(), 2u);
    EXPECT_TRUE(desc.numbered);

    const HidCollectionView& four = desc.collections[0];
    EXPECT_EQ(four.usagePage, 0xFF8B);
    EXPECT_EQ(four.usage, 4);
    ASSERT_EQ(four.links.size(), 3u);
    EXPECT_EQ(four.links[1].usage, 0x10);
    EXPECT_EQ(four.links[2].usage, 0x11);
    EXPECT_EQ(four.links[2].parent, 0);

    const auto outputs = four.values(Out);
    ASSERT_EQ(outputs.size(), 4u);
    EXPECT_EQ(outputs[0]->usage, 0xA0);
    EXPECT_EQ(outputs[0]->reportCount, 62);
    EXPECT_EQ(outputs[0]->reportId, 1);
    EXPECT_EQ(outputs[0]->linkCollection, 1);
    EXPECT_EQ(outputs[0]->linkUsage, 0x10);
    EXPECT_EQ(outputs[0]->linkUsagePage, 0xFF8B);
    EXPECT_EQ(outputs[1]->usage, 0xA2);
    EXPECT_EQ(outputs[1]->bitOffset, 62u * 8);
    EXPECT_EQ(outputs[2]->linkUsage, 0x11);
    EXPECT_EQ(outputs[2]->reportCount, 1022);
    EXPECT_EQ(outputs[2]->reportId, 4);

    EXPECT_EQ(four.reportLength(Out, 1), 64u);
    EXPECT_EQ(four.reportLength(Out, 4), 1025u);
    EXPECT_EQ(four.reportLength(Out), 1025u);
    EXPECT_EQ(four.reportLength(Feat), 64u);
    EXPECT_EQ(four.reportLength(In), 64u);
    EXPECT_EQ(four.reportLength(Out, 5), 0u) << "report 5 belongs to the other collection";

    const HidCollectionView& five = desc.collections[1];
    EXPECT_EQ(five.usage, 5);
    EXPECT_EQ(five.reportLength(Out), 1 + 500 + 2u);
    EXPECT_EQ(five.reportLength(Feat, 6), 64u);
    EXPECT_EQ(five.links[1].usage, 0x10) << "link collections are numbered per top-level collection";
    EXPECT_EQ(five.findValue(Out, 1, 0xFF8B, 0, 0xA0), nullptr);
    ASSERT_NE(five.findValue(Out, 5, 0xFF8B, 1, 0xA0), nullptr);
}

TEST(HidDescriptor, OutputReportBytesOfTheVendorLayout)
{
    DescriptorBuilder d;
    test::addVendorCollection(d, 4, 1);
    const HidCollectionView view = parse(d).collections.at(0);
    const HidField* data = view.findValue(Out, 4, 0xFF8B, 2, 0xA0);
    const HidField* length = view.findValue(Out, 4, 0xFF8B, 2, 0xA2);
    ASSERT_NE(data, nullptr);
    ASSERT_NE(length, nullptr);
    EXPECT_EQ(view.findValue(Out, 4, 0xFF8B, 1, 0xA0), nullptr) << "wrong link collection";

    Bytes report(view.reportLength(Out));
    ASSERT_TRUE(initializeReport(report, 4));
    Bytes payload(1022, 0);
    payload[0] = 0x1D;
    payload[1] = 0x49;
    payload[1021] = 0x7E;
    ASSERT_TRUE(setUsageValueArray(*data, report, payload));
    ASSERT_TRUE(setUsageValue(*length, report, 0x0302));
    EXPECT_EQ(report[0], 4);
    EXPECT_EQ(report[1], 0x1D);
    EXPECT_EQ(report[2], 0x49);
    EXPECT_EQ(report[1022], 0x7E);
    EXPECT_EQ(report[1023], 0x02);
    EXPECT_EQ(report[1024], 0x03);

    uint32_t value = 0;
    ASSERT_TRUE(getUsageValue(*length, report, value));
    EXPECT_EQ(value, 0x0302u);
    Bytes back(1022);
    ASSERT_TRUE(getUsageValueArray(*data, report, back));
    EXPECT_EQ(back, payload);

    // The data must hold the whole array; the report must be the field's and long enough.
    Bytes shortData(64);
    EXPECT_FALSE(getUsageValueArray(*data, report, shortData));
    EXPECT_FALSE(setUsageValueArray(*data, report, shortData));
    EXPECT_FALSE(getUsageValue(*length, std::span<const uint8_t>(report).first(1024), value));
    report[0] = 1;
    EXPECT_FALSE(getUsageValue(*length, report, value));
    EXPECT_FALSE(getUsageValueArray(*length, report, back)) << "a scalar is no array";
    EXPECT_FALSE(initializeReport(std::span<uint8_t>(), 1));
}

TEST(HidDescriptor, IbmUsbAndJ5Layouts)
{
    const HidCollectionView ibm = parse(test::ibmUsbDescriptor()).collections.at(0);
    EXPECT_EQ(ibm.usagePage, 0xFF45);
    EXPECT_EQ(ibm.usage, 0x3500);
    const HidField* count = ibm.findValue(Out, 2, 0xFF45, 0, 0x3511);
    const HidField* data = ibm.findValue(Out, 2, 0xFF45, 0, 0x3501);
    const HidField* reply = ibm.findValue(Feat, 3, 0xFF45, 0, 0x3503);
    ASSERT_TRUE(count && data && reply);
    EXPECT_EQ(count->linkUsage, 0x3500);
    EXPECT_EQ(data->bitOffset, 8u);
    EXPECT_EQ(data->reportCount, 253);
    EXPECT_EQ(ibm.reportLength(Out), 255u);
    EXPECT_EQ(ibm.reportLength(Feat), 1024u);
    EXPECT_EQ(ibm.reportLength(In), 0u);

    const HidDescriptor j5 = parse(test::j5Descriptor());
    EXPECT_FALSE(j5.numbered);
    const HidCollectionView& view = j5.collections.at(0);
    EXPECT_EQ(view.reportLength(Out), 64u) << "the ID byte counts even without IDs";
    EXPECT_EQ(view.reportLength(Feat), 0u);
    const HidField* length = view.findValue(Out, 0, 0xFF8B, 1, 0xA2);
    ASSERT_NE(length, nullptr);
    Bytes report(64);
    ASSERT_TRUE(setUsageValue(*length, report, 9));
    EXPECT_EQ(report[63], 9);
}

TEST(HidDescriptor, KeyboardMouseAndCompositeDevices)
{
    DescriptorBuilder keyboard;
    keyboard.usagePage(1).usage(6).application();
    keyboard.usagePage(7).usageMin(0xE0).usageMax(0xE7).logicalMin(0).logicalMax(1);
    keyboard.reportSize(1).reportCount(8).input(DescriptorBuilder::Variable);
    keyboard.reportCount(1).reportSize(8).input(DescriptorBuilder::Constant);
    keyboard.reportCount(5).reportSize(1).usagePage(8).usageMin(1).usageMax(5).output(DescriptorBuilder::Variable);
    keyboard.reportCount(1).reportSize(3).output(DescriptorBuilder::Constant);
    keyboard.reportCount(6).reportSize(8).logicalMin(0).logicalMax(0x65);
    keyboard.usagePage(7).usageMin(0).usageMax(0x65).input(DescriptorBuilder::Data);
    keyboard.endCollection();
    const HidCollectionView kb = parse(keyboard).collections.at(0);
    EXPECT_EQ(kb.reportLength(In), 9u);
    EXPECT_EQ(kb.reportLength(Out), 2u);
    EXPECT_TRUE(kb.values(In).empty()) << "modifier bits and key arrays are buttons";
    ASSERT_EQ(kb.fields.size(), 3u);
    EXPECT_TRUE(kb.fields[0].isRange);
    EXPECT_EQ(kb.fields[2].bitOffset, 16u);

    DescriptorBuilder mouse;
    mouse.usagePage(1).usage(2).application().usage(1).collection(0);
    mouse.usagePage(9).usageMin(1).usageMax(3).logicalMin(0).logicalMax(1).reportCount(3).reportSize(1);
    mouse.input(DescriptorBuilder::Variable).reportCount(1).reportSize(5).input(DescriptorBuilder::Constant);
    mouse.usagePage(1).usage(0x30).usage(0x31).usage(0x38).logicalMin(-127).logicalMax(127);
    mouse.reportSize(8).reportCount(3).input(DescriptorBuilder::Variable | DescriptorBuilder::Relative);
    mouse.endCollection().endCollection();
    const HidCollectionView m = parse(mouse).collections.at(0);
    const auto axes = m.values(In);
    ASSERT_EQ(axes.size(), 3u);
    EXPECT_EQ(axes[1]->usage, 0x31);
    EXPECT_EQ(axes[1]->bitOffset, 16u);
    EXPECT_EQ(axes[2]->reportCount, 1);
    EXPECT_EQ(axes[0]->logicalMin, -127);
    EXPECT_EQ(axes[0]->linkCollection, 1);
    EXPECT_EQ(m.reportLength(In), 5u);
    uint32_t y = 0;
    ASSERT_TRUE(getUsageValue(*axes[1], Bytes{0, 1, 2, 0xFE, 4}, y));
    EXPECT_EQ(y, 0xFEu);

    // Keyboard, consumer keys and a vendor collection behind one interface; the state of the
    // first survives a Push/Pop around the second, and an extended usage names its own page.
    DescriptorBuilder composite;
    composite.usagePage(1).usage(6).application().reportId(1);
    composite.usagePage(7).usageMin(0).usageMax(0x65).logicalMin(0).logicalMax(0x65);
    composite.reportSize(8).reportCount(6).input(DescriptorBuilder::Data).endCollection();
    composite.push().usagePage(0x0C).usage(1).application().reportId(2);
    composite.logicalMin(0).logicalMax(0x3FF).reportSize(16).reportCount(1).usage(0xE9);
    composite.input(DescriptorBuilder::Variable).endCollection().pop();
    composite.extendedUsage(0xFF00, 1).application().reportId(3);
    composite.extendedUsage(0xFF00, 2).reportCount(7).input(DescriptorBuilder::Variable).endCollection();
    const HidDescriptor c = parse(composite);
    ASSERT_EQ(c.collections.size(), 3u);
    EXPECT_EQ(c.collections[0].reportLength(In), 7u);
    EXPECT_EQ(c.collections[1].usagePage, 0x0C);
    EXPECT_EQ(c.collections[1].reportLength(In, 2), 3u);
    EXPECT_EQ(c.collections[2].usagePage, 0xFF00);
    const HidField* vendor = c.collections[2].findValue(In, 3, 0xFF00, 0, 2);
    ASSERT_NE(vendor, nullptr) << "extended usage names its own page";
    EXPECT_EQ(vendor->bitSize, 8) << "Pop restored the keyboard's report size";
    EXPECT_EQ(c.collections[2].reportLength(In), 8u);
}

TEST(HidDescriptor, RefusesDescriptorsThatLie)
{
    EXPECT_EQ(refusal({0x05, 0x01, 0x09, 0x06, 0xA1, 0x01, 0x26, 0xFF}), "item data cut off");
    EXPECT_EQ(refusal({0xFE, 0x10, 0x01, 0x00}), "long item cut off");
    EXPECT_EQ(refusal({0xB4}), "Pop without Push");
    EXPECT_EQ(refusal({0xC0}), "End Collection without Collection");
    EXPECT_EQ(refusal({0x09, 0x01, 0xA1, 0x01}), "collection not closed");
    EXPECT_EQ(refusal({0x75, 0x08, 0x95, 0x01, 0x81, 0x02}), "report field outside any collection");
    EXPECT_EQ(refusal({0x85, 0x00}), "report ID outside 1..255");
    EXPECT_EQ(refusal(Bytes(HidLimits::kMaxDescriptorBytes + 1, 0)), "descriptor longer than 64 KiB");

    DescriptorBuilder huge;
    huge.usage(1).application().reportSize(8).reportCount(0xFFFF).input(DescriptorBuilder::Variable).endCollection();
    EXPECT_EQ(refusal(huge.bytes()), "report longer than 16 KiB");

    DescriptorBuilder many;
    many.usage(1).application().reportSize(1).reportCount(1);
    for (int i = 0; i < 1025; ++i)
        many.usage(1).input(DescriptorBuilder::Variable);
    many.endCollection();
    EXPECT_EQ(refusal(many.bytes()), "more than 1024 report fields");

    DescriptorBuilder shared;
    shared.usage(1).application().reportId(1).reportSize(8).reportCount(1).input(DescriptorBuilder::Variable).endCollection();
    shared.usage(2).application().reportId(1).input(DescriptorBuilder::Variable).endCollection();
    EXPECT_EQ(refusal(shared.bytes()), "report ID used by two top-level collections");

    DescriptorBuilder mixed;
    mixed.usage(1).application().reportSize(8).reportCount(1).input(DescriptorBuilder::Variable);
    mixed.reportId(2).input(DescriptorBuilder::Variable).endCollection();
    EXPECT_EQ(refusal(mixed.bytes()), "field without report ID in a descriptor that numbers its reports");
}

} // namespace
} // namespace kyv
