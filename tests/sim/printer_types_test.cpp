// The simulator's own printer tables and CRCs: a few values worked out by hand, and a
// row-by-row comparison with the host's catalogue. The two are written independently, so
// a typo in either shows here instead of passing every end-to-end flash.

#include "core/catalogue.h"
#include "sim/lib/printer/printer_types.h"

#include <gtest/gtest.h>

#include <string_view>

namespace kyv::sim::test {
namespace {

std::span<const uint8_t> text(std::string_view s) { return {reinterpret_cast<const uint8_t*>(s.data()), s.size()}; }

TEST(PrinterCrc, GivesTheStandardCheckValuesAlsoWhenFedInPieces)
{
    EXPECT_EQ(flashCrcOf(CrcKind::Arc, text("123456789")), 0xBB3D);
    EXPECT_EQ(flashCrcOf(CrcKind::Arc, text("abc")), 0x9738);
    EXPECT_EQ(flashCrcOf(CrcKind::Direct, text("123456789")), 0xBEEF);
    EXPECT_EQ(flashCrcOf(CrcKind::Direct, text("abc")), 0x1EE4);
    EXPECT_EQ(flashCrcOf(CrcKind::Arc, {}), 0);
    EXPECT_EQ(flashCrcOf(CrcKind::Direct, {}), 0);

    // An online block arrives in pieces of any size; a new sector starts from zero.
    FlashCrc crc(CrcKind::Direct);
    crc.feed(text("1"));
    crc.feed(text("2345678"));
    crc.feed(text("9"));
    EXPECT_EQ(crc.value(), 0xBEEF);
    crc.reset();
    crc.feed(text("abc"));
    EXPECT_EQ(crc.value(), 0x1EE4);
}

TEST(PrinterTypes, FlashLayoutsByTheNumbersThePrintersUse)
{
    const FlashLayout& r241 = *findPrinterType("R241")->flash;
    EXPECT_EQ(r241.sectorCount(), 54);
    EXPECT_EQ(r241.totalBytes(), 3u * 1024 * 1024);
    // 16 KB, 8 KB, 8 KB, then the 32 KB sector 4 and the 64 KB sectors.
    EXPECT_EQ(r241.sectorStart(4), 0x8000u);
    EXPECT_EQ(r241.sectorSize(4), 0x8000u);
    EXPECT_EQ(r241.sectorStart(6), 0x20000u);
    // The second bank starts at 2 MB with its own 16 KB boot block.
    EXPECT_EQ(r241.sectorStart(36), 0x200000u);
    EXPECT_EQ(r241.sectorSize(36), 0x4000u);
    EXPECT_EQ(r241.sectorHolding(0x7FFF), 3);
    EXPECT_EQ(r241.sectorHolding(0x8000), 4);
    EXPECT_EQ(r241.sectorHolding(r241.totalBytes()), 55);
    EXPECT_FALSE(r241.hasSector(0));
    EXPECT_EQ(r241.sectorSize(55), 0u);

    const PrinterType& r453 = *findPrinterType("R453");
    EXPECT_EQ(r453.flash->sectorCount(), 157);
    EXPECT_EQ(r453.flash->sectorStart(r453.bootSector), 124u * 1024); // after 31 sectors of 4 KB
    EXPECT_EQ(r453.flash->sectorSize(r453.bootSector), 0x10000u);
    EXPECT_EQ(r453.crc, CrcKind::Direct);
    EXPECT_EQ(r453.baud, 19200);

    const FlashLayout& r243 = *findPrinterType("R243")->flash;
    EXPECT_EQ(r243.sectorCount(), 285);
    EXPECT_EQ(r243.totalBytes(), 16380u * 1024);
    EXPECT_EQ(r243.sectorSize(285), 4096u);
    EXPECT_EQ(findPrinterType("R241")->crc, CrcKind::Arc);
    EXPECT_EQ(findPrinterType("R999"), nullptr);
}

TEST(PrinterTypes, AgreeRowByRowWithTheHostsCatalogue)
{
    ModelCatalogue catalogue;
    std::span<const PrinterType> types = printerTypes();
    ASSERT_EQ(types.size(), static_cast<size_t>(ModelCatalogue::size()));
    for (int i = 0; i < ModelCatalogue::size(); ++i) {
        const ModelInfo& row = catalogue.row(i);
        const PrinterType& type = types[static_cast<size_t>(i)];
        SCOPED_TRACE(row.displayName);
        EXPECT_EQ(type.name, row.displayName);
        EXPECT_EQ(type.crc, row.altCrc ? CrcKind::Direct : CrcKind::Arc);
        EXPECT_EQ(type.bootSector, row.iplSector);
        EXPECT_EQ(type.mainSector, row.mainSector);
        EXPECT_EQ(type.sbcsSector, row.sbcsSector);
        EXPECT_EQ(type.dbcsSector, row.dbcsSector);
        EXPECT_EQ(type.tableSector, row.tableSector);
        EXPECT_EQ(type.sdbcsSector, row.sdbcsSector);
        // The host counts sectors from 0, the printer from 1.
        ASSERT_EQ(static_cast<size_t>(type.flash->sectorCount()), row.sectorMap->count());
        for (size_t k = 0; k < row.sectorMap->count(); ++k)
            ASSERT_EQ(type.flash->sectorSize(static_cast<int>(k) + 1), row.sectorMap->sizeOf(k)) << "sector " << k + 1;
    }
}

} // namespace
} // namespace kyv::sim::test
