#include "core/catalogue.h"

#include <gtest/gtest.h>

#include <array>
#include <string>

namespace kyv {
namespace {

struct ExpectedRow {
    const char* displayName;
    const char* family;
    const char* map;
    // main, ipl, ank, iplLan, bootInit, slip2B, rcpt2B, asian, slipAsian, rcptAsian, cp932, sbcs,
    // dbcs, table, sdbcs
    std::array<int, 15> sectors;
    int longWait, altCrc, configTableOffered;
    char signature;
};

// The model table as printed in the printer documentation, row by row.
const ExpectedRow kExpected[] = {
    {"R241", "R241", "L3", {6, 4, 18, 0, 0, 0, 0, 0, 41, 20, 0, 0, 0, 0, 0}, 0, 0, 0, 0},
    {"R241-Y480", "R241", "L3", {6, 4, 18, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0}, 0, 0, 0, 0},
    {"R241-Y270", "R241-Y270", "L5", {6, 4, 22, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0}, 0, 0, 0, 0},
    {"R241-2XX8/3XX8/4XX8", "R241-2XX8/3XX8/4XX8", "L1", {27, 25, 9, 0, 24, 0, 0, 0, 13, 51, 0, 0, 0, 0, 0}, 0, 0, 0, 0},
    {"R241-3044-7004", "R241-3044-7004", "L1", {27, 25, 9, 0, 0, 0, 0, 0, 13, 51, 0, 0, 0, 0, 0}, 0, 0, 0, 0},
    {"R241-9354-7004", "R241-9354-7004", "L1", {27, 25, 9, 0, 0, 0, 0, 0, 13, 51, 0, 0, 0, 0, 0}, 0, 0, 0, 0},
    {"R242", "R242", "L5", {7, 5, 62, 0, 4, 46, 26, 0, 0, 0, 0, 0, 0, 0, 0}, 0, 0, 0, 0},
    {"R242-57X6/56X6/1456", "R242-57X6/56X6/1456", "L5", {7, 5, 62, 0, 4, 46, 26, 0, 0, 0, 0, 0, 0, 0, 0}, 0, 0, 0, 0},
    {"R242-2XX6/3XX6", "R242-2XX6/3XX6", "L2", {4, 2, 50, 0, 0, 0, 0, 0, 57, 73, 0, 0, 0, 0, 0}, 0, 0, 0, 0},
    {"R451", "R451", "L4", {6, 4, 18, 0, 0, 0, 0, 20, 0, 0, 18, 0, 0, 0, 0}, 0, 0, 0, 0},
    {"R451-2XX8/3XX8/4XX8/6XX8", "R451-2XX8/3XX8/4XX8/6XX8", "L1", {27, 25, 0, 45, 0, 0, 0, 0, 0, 0, 0, 15, 51, 0, 0}, 0, 0, 0, 0},
    {"R452", "R452", "L5", {7, 5, 62, 0, 4, 0, 26, 0, 0, 0, 0, 0, 0, 0, 0}, 0, 0, 0, 0},
    {"Q874-E611", "Q874-E611", "L1", {27, 25, 0, 0, 0, 0, 0, 0, 0, 0, 0, 15, 51, 0, 0}, 0, 0, 0, 0},
    {"J5", "J5", "L3", {9, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 8, 0, 0, 0}, 0, 0, 0, 0},
    {"J5_REFRESH", "J5", "L3", {9, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 8, 0, 0, 0}, 0, 0, 0, 0},
    {"Q621-J738", "Q62X-J73X", "L4", {6, 4, 18, 0, 0, 0, 0, 20, 0, 0, 0, 0, 0, 0, 0}, 1, 0, 0, 0},
    {"Q622-J738", "Q62X-J73X", "L4", {6, 4, 18, 0, 0, 0, 0, 20, 0, 0, 0, 0, 0, 0, 0}, 1, 0, 0, 0},
    {"J736", "Q62X-J73X", "L4", {6, 4, 18, 0, 0, 0, 0, 20, 0, 0, 0, 0, 0, 0, 0}, 1, 0, 0, 0},
    {"Q581-E616", "Q58X-E616", "L4", {6, 4, 18, 0, 0, 0, 0, 20, 0, 0, 18, 0, 0, 0, 0}, 0, 0, 0, 0},
    {"Q585-E616", "Q58X-E616", "L4", {6, 4, 18, 0, 0, 0, 0, 20, 0, 0, 18, 0, 0, 0, 0}, 0, 0, 0, 0},
    {"KSX4-1ST/2ST", "KSX4-1ST/2ST", "L6", {33, 21, 0, 0, 0, 0, 0, 0, 0, 0, 0, 45, 47, 43, 0}, 0, 1, 0, 'P'},
    {"Q58X-E617/Q306", "Q58X-E617/Q306", "L5", {33, 21, 0, 0, 0, 0, 0, 0, 0, 0, 0, 45, 47, 0, 0}, 0, 1, 0, 0},
    {"Q58X-E619", "Q58X-E619", "L1", {21, 9, 0, 0, 0, 0, 0, 0, 0, 0, 0, 33, 35, 0, 0}, 0, 1, 0, 0},
    {"R453", "R453", "L7", {36, 32, 0, 0, 0, 0, 0, 0, 0, 0, 0, 91, 97, 77, 0}, 0, 1, 1, 'J'},
    {"R243", "R243", "L8", {36, 32, 0, 0, 0, 0, 0, 0, 0, 0, 0, 91, 120, 77, 210}, 0, 1, 1, 'G'},
    {"Q913-E615", "Q913-E615", "L6", {33, 21, 0, 0, 0, 0, 0, 0, 0, 0, 0, 45, 47, 43, 0}, 0, 1, 0, 'p'},
};

std::array<int, 15> sectorsOf(const ModelInfo& r)
{
    return {r.mainSector,     r.iplSector,         r.ankSector,          r.iplLanSector,    r.bootInitialSector,
            r.slip2ByteSector, r.receipt2ByteSector, r.asianFontSector, r.slipAsianSector, r.receiptAsianSector,
            r.cp932Sector,    r.sbcsSector,         r.dbcsSector,         r.tableSector,     r.sdbcsSector};
}

TEST(ModelCatalogue, EveryRowHoldsTheDocumentedValuesInComboOrder)
{
    const ModelCatalogue catalogue;
    ASSERT_EQ(std::size(kExpected), static_cast<size_t>(ModelCatalogue::size()));
    for (int i = 0; i < ModelCatalogue::size(); ++i) {
        const ExpectedRow& want = kExpected[i];
        const ModelInfo& row = catalogue.row(i);
        SCOPED_TRACE(want.displayName);
        EXPECT_EQ(row.displayName, want.displayName);
        EXPECT_EQ(row.family, want.family);
        ASSERT_NE(row.sectorMap, nullptr);
        EXPECT_EQ(row.sectorMap->name(), want.map);
        EXPECT_EQ(sectorsOf(row), want.sectors);
        EXPECT_EQ(row.longWait, want.longWait);
        EXPECT_EQ(row.altCrc, want.altCrc);
        EXPECT_EQ(row.configTableOffered, want.configTableOffered);
        EXPECT_EQ(row.imageSignature, want.signature);
        EXPECT_EQ(catalogue.indexOf(want.displayName), i);
        // Start sectors index into the model's own flash layout.
        for (int sector : want.sectors)
            EXPECT_LT(static_cast<size_t>(sector), row.sectorMap->count());
    }
    EXPECT_EQ(catalogue.indexOf("r241"), -1); // exact text only; the parser upper-cases first
    EXPECT_EQ(ModelCatalogue::kDefaultModel, 0);
}

TEST(ModelCatalogue, JobFieldsStartEmptyWithBothOptionsOn)
{
    const ModelCatalogue catalogue;
    for (int i = 0; i < ModelCatalogue::size(); ++i) {
        const FlashJob& job = catalogue.row(i).job;
        SCOPED_TRACE(catalogue.row(i).displayName);
        EXPECT_EQ(job.interfaceName, i == 10 ? "LAN" : "");
        EXPECT_EQ(job.startSector, 0);
        EXPECT_EQ(job.baudRate, 0);
        EXPECT_EQ(job.filePath, "");
        EXPECT_EQ(job.progressRange, 0);
        EXPECT_EQ(job.checkModel, 1);
        EXPECT_EQ(job.printAfter, 1);
        EXPECT_EQ(job.downloadTypeCode, 0);
    }
}

TEST(SectorMap, EightLayoutsWithTheirCountsSizesAndOffsets)
{
    constexpr uint64_t KB = 1024;
    struct Expect {
        const SectorMap& map;
        size_t count;
        uint64_t totalBytes;
    };
    const Expect layouts[] = {
        {sectorMapL1(), 71, 8 * 8 * KB + 63 * 64 * KB},
        {sectorMapL2(), 112, 112 * 64 * KB},
        {sectorMapL3(), 54, 2 * (16 + 16 + 32) * KB + 46 * 64 * KB},
        {sectorMapL4(), 35, (16 + 16 + 32) * KB + 31 * 64 * KB},
        {sectorMapL5(), 67, (16 + 16 + 32) * KB + 63 * 64 * KB},
        {sectorMapL6(), 85, (16 + 16 + 32) * KB + 81 * 64 * KB},
        {sectorMapL7(), 157, 31 * 4 * KB + 126 * 64 * KB},
        {sectorMapL8(), 285, 15 * 4 * KB + 254 * 64 * KB + 16 * 4 * KB},
    };
    for (const Expect& e : layouts) {
        SCOPED_TRACE(std::string(e.map.name()));
        EXPECT_EQ(e.map.count(), e.count);
        EXPECT_EQ(e.map.totalBytes(), e.totalBytes);
        EXPECT_EQ(e.map.sizeOf(e.count), 0u);
    }
    // L3 repeats its small boot sectors after 35 sectors; L8 ends in 4 KB sectors.
    EXPECT_EQ(sectorMapL3().sizeOf(35), 16 * KB);
    EXPECT_EQ(sectorMapL3().offsetOf(35), (16 + 16 + 32) * KB + 31 * 64 * KB);
    EXPECT_EQ(sectorMapL8().sizeOf(269), 4 * KB);
    EXPECT_EQ(sectorMapL8().sizeOf(268), 64 * KB);
    EXPECT_EQ(sectorMapL1().sectorAt(8 * 8 * KB), 8u);
    EXPECT_EQ(sectorMapL1().sectorAt(sectorMapL1().totalBytes()), 71u);
}

} // namespace
} // namespace kyv
