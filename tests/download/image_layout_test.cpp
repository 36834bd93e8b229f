#include "download/image_layout.h"

#include "core/catalogue.h"

#include <gtest/gtest.h>

#include <vector>

namespace kyv {
namespace {

constexpr uint32_t KB = 1024;

class ImageLayoutTest : public ::testing::Test {
protected:
    ModelCatalogue catalogue;

    ModelInfo& model(const char* name) { return catalogue.row(catalogue.indexOf(name)); }

    ResultCode layOut(ModelInfo& row, int startSector, size_t length, bool boot = false, bool ibmUsb = false)
    {
        image.assign(length, 0x5A);
        return layOutImage({&row, startSector, boot, ibmUsb}, image, layout);
    }

    std::vector<int> sectors() const
    {
        std::vector<int> list;
        for (const SectorPiece& piece : layout.pieces)
            list.push_back(piece.sector);
        return list;
    }

    std::vector<uint8_t> image;
    ImageLayout layout;
};

TEST_F(ImageLayoutTest, MainFirmwareFillsConsecutiveSectorsWithTheLastOneShort)
{
    ResultCode code = layOut(model("R241"), 6, 2 * 64 * KB + 100);
    ASSERT_EQ(code, rc::Success);
    EXPECT_EQ(sectors(), (std::vector<int>{6, 7, 8}));
    EXPECT_EQ(layout.dataOffset, 0u);
    EXPECT_EQ(layout.pieces[2].fileOffset, 2u * 64 * KB);
    ASSERT_EQ(layout.logLines.size(), 4u);
    EXPECT_EQ(layout.logLines[0], "FileLength = 131172\n");
    EXPECT_EQ(layout.logLines[1], "Sector No = 6 File length = 131172 , pt to current sect = 65536");
    EXPECT_EQ(layout.logLines[3], "Sector No = 8 File length = 100 , pt to current sect = 65536");
}

TEST_F(ImageLayoutTest, SectorsAreNumberedFromOneInFlashOrder)
{
    // R241's boot image starts at sector 4, the 32 KB sector after 16 + 8 + 8 KB.
    ASSERT_EQ(layOut(model("R241"), 4, 64 * KB + 32 * KB, true), rc::Success);
    EXPECT_EQ(layout.dataOffset, 32u * KB); // the boot block is never rewritten
    EXPECT_EQ(sectors(), (std::vector<int>{4, 5}));
    EXPECT_EQ(layout.pieces[0].size, 32 * KB);
    EXPECT_EQ(layout.pieces[1].size, 64 * KB);
}

TEST_F(ImageLayoutTest, BootBlockIsKeptForTheExemptFamiliesAndAltCrcModels)
{
    ASSERT_EQ(layOut(model("R242"), 5, 64 * KB, true), rc::Success);
    EXPECT_EQ(layout.dataOffset, 0u);
    ASSERT_EQ(layOut(model("Q58X-E619"), 9, 64 * KB, true), rc::Success); // altCrc
    EXPECT_EQ(layout.dataOffset, 0u);
    ASSERT_EQ(layOut(model("R451"), 4, 64 * KB, true), rc::Success);
    EXPECT_EQ(layout.dataOffset, 32u * KB);
}

TEST_F(ImageLayoutTest, R241ReceiptFontJumpsFromSector41BackTo16)
{
    const SectorMap& map = *model("R241").sectorMap;
    uint64_t upTo40 = map.offsetOf(40) - map.offsetOf(19);
    ASSERT_EQ(layOut(model("R241"), 20, upTo40 + 64 * KB + 1), rc::Success);
    std::vector<int> list = sectors();
    ASSERT_EQ(list.size(), 21u + 2u);
    EXPECT_EQ(list[20], 40);
    EXPECT_EQ(list[21], 16);
    EXPECT_EQ(list[22], 17);
}

TEST_F(ImageLayoutTest, R451AndQ58XE616WrapToSector15PastTheEndOfFlash)
{
    for (const char* name : {"R451", "Q581-E616"}) {
        ASSERT_EQ(layOut(model(name), 20, 16 * 64 * KB + 1), rc::Success) << name;
        std::vector<int> list = sectors();
        EXPECT_EQ(list[15], 35) << name;
        EXPECT_EQ(list[16], 15) << name;
    }
}

TEST_F(ImageLayoutTest, ImageLongerThanTheFlashIsRefusedBeforeAnythingIsSent)
{
    const SectorMap& map = *model("R241").sectorMap;
    EXPECT_EQ(layOut(model("R241"), 6, map.totalBytes() - map.offsetOf(5)), rc::Success);
    EXPECT_EQ(layOut(model("R241"), 6, map.totalBytes() - map.offsetOf(5) + 1), rc::InvalidImage);
    // A wrap that comes round to sectors already written would overwrite the image itself.
    EXPECT_EQ(layOut(model("R451"), 6, 31 * 64 * KB), rc::InvalidImage);
    EXPECT_EQ(layOut(model("R241"), 20, 30 * 64 * KB), rc::InvalidImage);
    // R243's flash has 285 sectors, but a sector command names only sectors up to 255.
    EXPECT_EQ(layOut(model("R243"), 36, 220 * 64 * KB), rc::Success);
    EXPECT_EQ(layOut(model("R243"), 36, 220 * 64 * KB + 1), rc::InvalidImage);
}

TEST_F(ImageLayoutTest, ImageWithNothingToSendIsRefused)
{
    EXPECT_EQ(layOut(model("R241"), 4, 32 * KB, true), rc::InvalidImage);
    EXPECT_EQ(layOut(model("R241"), 6, 0), rc::InvalidImage);
    EXPECT_EQ(layOut(model("R241-9354-7004"), 25, 22), rc::InvalidImage);
}

TEST_F(ImageLayoutTest, ImfImagesSkipTheirHeaderAndRenumberTheMainPart)
{
    ModelInfo& row = model("R241-9354-7004"); // boot part at 25, main firmware at 27
    row.job.filePath = "/tmp/Firmware.IMF";
    image.assign(22 + 5 * 64 * KB, 0);
    image[10] = 2; // two boot sectors
    ASSERT_EQ(layOutImage({&row, 25, false, false}, image, layout), rc::Success);
    EXPECT_EQ(layout.dataOffset, 22u);
    EXPECT_EQ(layout.imfSectorCount, 2);
    EXPECT_EQ(layout.pieces[0].fileOffset, 22u);
    std::vector<int> list = sectors();
    // L1: sectors 25 and 26 hold the boot part, the main part follows from 27 on.
    EXPECT_EQ(list.front(), 25);
    EXPECT_EQ(list[2], 27);
    EXPECT_EQ(list.back(), 25 + static_cast<int>(list.size()) - 1);
    EXPECT_TRUE(hasImfHeader("R243", true));
    EXPECT_FALSE(hasImfHeader("R243", false));
}

TEST_F(ImageLayoutTest, ImfBootPartThatOverrunsTheBootSectorsIsRefused)
{
    // R242-57X6/56X6/1456: boot sectors 5 and 6, main firmware from 7. The sector counter
    // starts at 0, so a two-sector boot part lands in 5 and 6 and the main part follows on
    // from 7; a three-sector boot part would put two pieces in sector 8, so it is refused
    // before anything is written.
    ModelInfo& row = model("R242-57X6/56X6/1456");
    row.job.filePath = "/tmp/printer.imf";
    image.assign(22 + 5 * 64 * KB, 0);
    image[10] = 2;
    ASSERT_EQ(layOutImage({&row, 5, false, false}, image, layout), rc::Success);
    EXPECT_EQ(sectors(), (std::vector<int>{5, 6, 7, 8, 9}));
    image[10] = 3;
    EXPECT_EQ(layOutImage({&row, 5, false, false}, image, layout), rc::InvalidImage);
}

} // namespace
} // namespace kyv
