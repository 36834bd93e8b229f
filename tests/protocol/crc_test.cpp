#include "protocol/crc.h"
#include "support/test_program.h"

#include <gtest/gtest.h>

#include <cstdio>
#include <memory>
#include <random>
#include <string>
#include <string_view>
#include <vector>

namespace kyv {
namespace {

std::span<const uint8_t> bytesOf(std::string_view text)
{
    return {reinterpret_cast<const uint8_t*>(text.data()), text.size()};
}

uint16_t arcBitByBit(std::span<const uint8_t> data)
{
    CrcCells cells{};
    for (uint8_t b : data)
        crc16Arc(cells, b);
    return packCells(cells);
}

uint16_t directBitByBit(std::span<const uint8_t> data)
{
    uint16_t direct = 0;
    for (uint8_t b : data)
        crc16CcittDirect(direct, b);
    return direct;
}

std::vector<uint8_t> randomBytes(std::mt19937& rng, size_t n)
{
    std::vector<uint8_t> v(n);
    for (auto& b : v)
        b = static_cast<uint8_t>(rng());
    return v;
}

TEST(CrcCheckValues, BothFormsGiveTheKnownValues)
{
    EXPECT_EQ(arcBitByBit(bytesOf("123456789")), 0xBB3D);
    EXPECT_EQ(crc16ArcOf(bytesOf("123456789")), 0xBB3D);
    EXPECT_EQ(directBitByBit(bytesOf("123456789")), 0xBEEF);
    EXPECT_EQ(crc16CcittDirectOf(bytesOf("123456789")), 0xBEEF);

    EXPECT_EQ(arcBitByBit(bytesOf("abc")), 0x9738);
    EXPECT_EQ(crc16ArcOf(bytesOf("abc")), 0x9738);
    EXPECT_EQ(directBitByBit(bytesOf("abc")), 0x1EE4);
    EXPECT_EQ(crc16CcittDirectOf(bytesOf("abc")), 0x1EE4);

    EXPECT_EQ(arcBitByBit({}), 0);
    EXPECT_EQ(crc16ArcOf({}), 0);
    EXPECT_EQ(directBitByBit({}), 0);
    EXPECT_EQ(crc16CcittDirectOf({}), 0);
}

TEST(CrcFastForms, EqualTheBitByBitDefinitionsOnRandomData)
{
    std::mt19937 rng(20261207);
    for (int round = 0; round < 300; ++round) {
        // Mostly short lengths, where the tail and slicing edges are, plus a few long ones.
        const size_t n = round < 250 ? rng() % 40 : rng() % 70000;
        const auto data = randomBytes(rng, n);
        ASSERT_EQ(crc16ArcOf(data), arcBitByBit(data)) << "length " << n;
        ASSERT_EQ(crc16CcittDirectOf(data), directBitByBit(data)) << "length " << n;
    }
}

TEST(CrcAccumulator, ChunkedFeedingEqualsWholeBuffer)
{
    std::mt19937 rng(7);
    for (int round = 0; round < 200; ++round) {
        const auto data = randomBytes(rng, rng() % 3000);
        CrcAccumulator whole;
        whole.feedArc(data);
        whole.feedDirect(data);

        CrcAccumulator chunked;
        const bool oneByteChunks = round % 4 == 0;
        for (size_t pos = 0; pos < data.size();) {
            const size_t len = oneByteChunks ? 1 : std::min<size_t>(rng() % 20, data.size() - pos);
            const std::span<const uint8_t> chunk(data.data() + pos, len);
            chunked.feedArc(chunk);
            chunked.feedDirect(chunk);
            pos += len;
        }
        ASSERT_EQ(chunked.arcValue(), whole.arcValue()) << "round " << round;
        ASSERT_EQ(chunked.directValue(), whole.directValue()) << "round " << round;
        ASSERT_EQ(whole.directValue(), directBitByBit(data));
    }
}

TEST(CrcAccumulator, ReportsTheCrcItsModelUsesAndZeroesBoth)
{
    CrcAccumulator acc(0);
    acc.feed(bytesOf("123456789"));
    EXPECT_EQ(acc.reported(), 0xBB3D);
    EXPECT_EQ(acc.directValue(), 0); // feed() touched only the ARC register

    acc.zero();
    acc.setAltCrc(1);
    acc.feed(bytesOf("123"));
    acc.feed(bytesOf("456789"));
    EXPECT_EQ(acc.reported(), 0xBEEF);
    EXPECT_EQ(acc.arcValue(), 0);

    acc.zero();
    EXPECT_EQ(acc.reported(), 0);
    EXPECT_EQ(acc.arcValue(), 0);
}

// CRC-16/XMODEM from Python's binascii, independent of this code.
uint16_t pythonXmodem(std::span<const uint8_t> data)
{
    std::string hex;
    char buf[3];
    for (uint8_t b : data) {
        std::snprintf(buf, sizeof buf, "%02x", b);
        hex += buf;
    }
    const std::string script = "import binascii;print(binascii.crc_hqx(bytes.fromhex('" + hex + "'), 0))";
    const test::ProgramResult run = test::runTestProgram("/usr/bin/python3", {.args = {"-c", script}},
                                                         std::chrono::seconds(30));
    unsigned value = 0x10000;
    if (run.exitStatus != 0 || std::sscanf(run.out.c_str(), "%u", &value) != 1 || value > 0xFFFF)
        return 0xFFFF;
    return static_cast<uint16_t>(value);
}

TEST(CrcDirect, MatchesAnIndependentXmodemThroughTheTailRelation)
{
    if (std::FILE* f = std::fopen("/usr/bin/python3", "r"))
        std::fclose(f);
    else
        GTEST_SKIP() << "no /usr/bin/python3";

    std::mt19937 rng(99);
    for (size_t n : {2u, 3u, 9u, 17u, 64u, 1000u}) {
        const auto data = randomBytes(rng, n);
        const std::span<const uint8_t> head(data.data(), n - 2);
        const uint16_t tail = static_cast<uint16_t>((data[n - 2] << 8) | data[n - 1]);
        EXPECT_EQ(crc16CcittDirectOf(data), pythonXmodem(head) ^ tail) << "length " << n;
    }
}

} // namespace
} // namespace kyv
