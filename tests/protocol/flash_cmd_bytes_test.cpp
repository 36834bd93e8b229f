// Decoding of printer replies and the layout of sector headers.
#include "protocol/command_bytes.h"

#include <gtest/gtest.h>

namespace kyv::cmd {
namespace {

TEST(CommandBytes, BaudCodesAndTheirDecoding)
{
    EXPECT_EQ(changeBaudCommand(115200), (Bytes{0x1F, 0x11, 0x11, 0x00, 0xFF}));
    EXPECT_EQ(changeBaudCommand(1200), (Bytes{0x1F, 0x11, 0x11, 0x07, 0xFF}));
    EXPECT_EQ(baudCode(14400), 0);
    for (int baud : {1200, 2400, 4800, 9600, 19200, 38400, 57600, 115200})
        EXPECT_EQ(decodeBaud(baudCode(baud)), baud);
    EXPECT_EQ(decodeBaud(0x0C), 9600); // bit 3 wins
    EXPECT_EQ(decodeBaud(0x04), 9600);
    EXPECT_EQ(decodeBaud(0x00), 115200);
    EXPECT_EQ(decodeBaud(0x31), 57600); // high nibble ignored
    EXPECT_EQ(decodeBaud(0x0F), 9600);
}

TEST(CommandBytes, SectorHeaders)
{
    EXPECT_EQ(sectorLayout(0x10000, 0x4000, false).header, (std::array<uint8_t, 6>{0x1D, 0x11, 0, 0, 0x00, 0x00}));
    EXPECT_EQ(sectorLayout(0x10000, 0x4000, false).blockCount, 4u);
    EXPECT_EQ(sectorLayout(0x8000, 0x4000, false).header, (std::array<uint8_t, 6>{0x1D, 0x11, 0, 0, 0x00, 0x80}));
    EXPECT_EQ(sectorLayout(0x8000, 0x4000, false).blockCount, 2u);
    EXPECT_EQ(sectorLayout(0x2000, 0x800, false).blockCount, 4u);
    auto single = sectorLayout(0x10000, 0x1234, true);
    EXPECT_EQ(single.blockCount, 1u);
    EXPECT_EQ(single.header[4], 0x34);
    EXPECT_EQ(single.header[5], 0x12);
}

TEST(CommandBytes, ModelNumberNeedsTheApostropheWithinSixBytes)
{
    const Bytes atFive{0, 0, 0, 0, 0, '\'', 'R', '2', '4', '1', 0x0D, 'x'};
    EXPECT_EQ(parseModelNumber(atFive), "R241");
    const Bytes atSix{0, 0, 0, 0, 0, 0, '\'', 'R', '2', 0x0D};
    EXPECT_FALSE(parseModelNumber(atSix));
    const Bytes noCr{'\'', 'A', 'B'};
    EXPECT_EQ(parseModelNumber(noCr), "AB"); // ends with the reply
    EXPECT_FALSE(parseModelNumber({}));
}

TEST(CommandBytes, LandscapeSwitchSetsOnlyBitZero)
{
    EXPECT_EQ(landscapeSwitchCommand(0x12, 0x00), (Bytes{0x1B, 0x73, 0x12, 0x01, 0x7A}));
    EXPECT_EQ(landscapeSwitchCommand(0x12, 0xFE), (Bytes{0x1B, 0x73, 0x12, 0xFF, 0x7A}));
}

TEST(CommandBytes, VersionReportJoinsEachProgramsVersionWithItsCrc)
{
    const Bytes padded{'1', '.', '0', 0x00, 0x00};
    EXPECT_EQ(versionItemText(padded), "1.0");
    const Bytes full{'1', '5', '0', '0', '0'};
    EXPECT_EQ(versionItemText(full), "15000");
    EXPECT_EQ(joinVersionReport({"a", "b", "c", "d"}),
              "\r\nIPL VERSION  \t: a \r\nIPL CRC \t\t: c \r\nMAIN VERSION  \t: b \r\nMAIN CRC  \t: d \r\n");
    EXPECT_EQ(joinVersionReport({"a", "b", "c", "d", "e"}),
              "\r\nIPL VERSION  \t: a \r\nIPL CRC \t\t: c \r\nMAIN VERSION  \t: b \r\nMAIN CRC  \t: d \r\n"
              "TABLE VERSION  \t: e\r\n");
}

} // namespace
} // namespace kyv::cmd
