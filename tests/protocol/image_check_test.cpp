#include "protocol/hid_image_buffer.h"
#include "protocol/image_check.h"
#include "protocol/image_file_crc.h"

#include "support/scratch_dir.h"

#include <gtest/gtest.h>

#include <sys/stat.h>
#include <unistd.h>

#include <random>
#include <string>

namespace kyv {
namespace {

// An image: first byte, type letter, filler up to the given length.
std::string image(char first, char letter, size_t length = 64)
{
    std::string bytes(length, '\x5A');
    if (length > 0)
        bytes[0] = first;
    if (length > 1)
        bytes[1] = letter;
    return bytes;
}

class ImageCheckTest : public ::testing::Test {
protected:
    ModelInfo& row(const char* name) { return catalogue.row(catalogue.indexOf(name)); }
    ImageCheck check(const char* model, std::string_view type, const std::string& path, int selector = -1)
    {
        // The J5 worker's own load of the image the check accepted.
        ImageCheck result = validateImageForDownload(row(model), type, selector, path);
        if (result.passed() && result.hidImage) {
            EXPECT_EQ(loadHidImage(hid, path, result.hidTypeLetter), rc::Success);
        }
        return result;
    }

    test::ScratchDir dir;
    ModelCatalogue catalogue;
    HidImageBuffer hid;
};

TEST_F(ImageCheckTest, UnusableFilesAreRefusedWithAReportedCode)
{
    const ImageCheck missing = check("R453", "MAIN FIRMWARE", dir / "missing.mfw");
    EXPECT_EQ(missing.code, rc::CannotOpenFile);
    EXPECT_EQ(check("R453", "MAIN FIRMWARE", dir.path().string()).code, rc::CannotOpenFile);
    EXPECT_EQ(check("R453", "MAIN FIRMWARE", "").code, rc::CannotOpenFile);

    // A named pipe is refused at once instead of waiting for a writer.
    const std::string fifo = dir / "pipe.mfw";
    ASSERT_EQ(::mkfifo(fifo.c_str(), 0600), 0);
    EXPECT_EQ(check("R453", "MAIN FIRMWARE", fifo).code, rc::CannotOpenFile);

    if (::geteuid() != 0) { // root reads any file
        const std::string locked = dir.write("locked.mfw", image('J', 'M'));
        ::chmod(locked.c_str(), 0);
        EXPECT_EQ(check("R453", "MAIN FIRMWARE", locked).code, rc::CannotOpenFile);
    }

    // Shorter than the header: no image, and nothing is read past the file's end.
    for (size_t length : {0u, 1u, 15u}) {
        const ImageCheck shortFile = check("R241", "MAIN FIRMWARE", dir.write("short.mfw", image('x', 'M', length)));
        EXPECT_EQ(shortFile.code, rc::InvalidImage) << length;
    }
    EXPECT_TRUE(check("R241", "MAIN FIRMWARE", dir.write("exact.mfw", image('x', 'M', 16))).passed());
}

TEST_F(ImageCheckTest, StoresTheProgressTotalAndHeaderBytes)
{
    std::string bytes = image('x', 'M', 3 * 65536 + 100);
    bytes[14] = '\xAB';
    bytes[15] = '\x01';
    EXPECT_TRUE(check("R241", "MAIN FIRMWARE", dir.write("fw.mfw", bytes)).passed());
    EXPECT_EQ(row("R241").job.progressRange, 3 * 4 + 15);
    EXPECT_EQ(row("R241").job.imageInfo, (std::array<int, 2>{0xAB, 0x01}));
    EXPECT_EQ(progressTotalFor(65535), 15);
    EXPECT_EQ(progressTotalFor(65536), 19);
}

TEST_F(ImageCheckTest, MainAndIplLettersOutsideTheExemptFamilies)
{
    const std::string boot = dir.write("boot.bin", image('x', 'B'));
    const std::string main = dir.write("main.bin", image('x', 'M'));
    // R241 and its family, R451, Q58X-E619, Q58X-E616, Q62X-J73X take any letter.
    for (const char* model : {"R241", "R241-Y480", "R451", "Q58X-E619", "Q581-E616", "J736"})
        EXPECT_TRUE(check(model, "MAIN FIRMWARE", boot).passed()) << model;
    const ImageCheck wrong = check("R242", "MAIN FIRMWARE", boot);
    EXPECT_EQ(wrong.code, rc::TypeFileMismatch);
    EXPECT_EQ(check("KSX4-1ST/2ST", "IPL FIRMWARE", main).code, rc::TypeFileMismatch);
    EXPECT_TRUE(check("KSX4-1ST/2ST", "IPL FIRMWARE", boot).passed());
    EXPECT_TRUE(check("R242", "ANK FONT", boot).passed()); // fonts carry no checked letter here
}

TEST_F(ImageCheckTest, R453AndR243LettersFollowEveryTypedDownload)
{
    struct Case {
        const char* type;
        char letter;
    };
    for (Case c : {Case{"IPL FIRMWARE", 'B'}, Case{"MAIN FIRMWARE", 'M'}, Case{"SBCS FONT", 'S'}, Case{"DBCS FONT", 'D'},
                   Case{"SDBCS FONT", 'D'}, Case{"TABLE", 'C'}, Case{"Printer Configuration Table", 'P'}}) {
        const std::string right = dir.write("right.img", image('J', c.letter));
        const std::string wrong = dir.write("wrong.img", image('J', c.letter == 'M' ? 'B' : 'M'));
        for (const char* model : {"R453", "R243"}) {
            EXPECT_TRUE(check(model, c.type, right).passed()) << model << " " << c.type;
            EXPECT_EQ(check(model, c.type, wrong).code, rc::TypeFileMismatch) << model << " " << c.type;
        }
    }
    EXPECT_TRUE(check("R243", "IMF FILE", dir.write("any.imf", image('J', 'z'))).passed());
}

TEST_F(ImageCheckTest, J5ImagesNeedKOrDTheChosenKindAndItsExtension)
{
    std::string font = image('K', 'S', 5000);
    font[2] = '\x07';
    font[14] = '\x34';
    font[15] = '\x12';
    const std::string bin = dir.write("font.bin", font);

    EXPECT_TRUE(check("J5", "SBCS FONT", bin, 2).passed());
    EXPECT_EQ(row("J5").job.imageInfo, (std::array<int, 2>{0x34, 0x12}));
    EXPECT_EQ(hid.length, 5000u);
    EXPECT_EQ(hid.packetCount, 4u);
    EXPECT_EQ(hid.thirdByte, 7u);
    EXPECT_EQ(hid.lengthBytes, (std::array<uint8_t, 4>{0, 0, 0x13, 0x88}));
    EXPECT_EQ(hid.typeLetter, 'S');
    EXPECT_EQ(std::string(hid.data.begin(), hid.data.end()), font);

    // Wrong selector, letter or extension.
    const ImageCheck wrongKind = check("J5", "SBCS FONT", bin, 0);
    EXPECT_EQ(wrongKind.code, rc::NoUsbPrinter);
    // A font chosen as main firmware already fails the letter check of every model.
    EXPECT_EQ(check("J5", "MAIN FIRMWARE", bin, 0).code, rc::TypeFileMismatch);
    EXPECT_EQ(check("J5", "SBCS FONT", dir.write("font.sfnx", font), 2).code, rc::Success); // first four characters
    EXPECT_EQ(check("J5", "SBCS FONT", dir.write("font.dfn", font), 2).code, rc::NoUsbPrinter);
    EXPECT_EQ(check("J5", "SBCS FONT", dir.write("font", font), 2).code, rc::NoUsbPrinter);
    std::filesystem::create_directory(dir / "v1.bin");
    EXPECT_EQ(check("J5", "SBCS FONT", dir.write("v1.bin/font", font), 2).code, rc::NoUsbPrinter);
    EXPECT_EQ(check("J5", "SBCS FONT", bin, 3).code, rc::NoUsbPrinter);
    EXPECT_TRUE(check("J5", "MAIN FIRMWARE", dir.write("FW.MFW", image('D', 'M')), 0).passed());
    EXPECT_TRUE(check("J5", "IPL FIRMWARE", dir.write("boot.ipl", image('K', 'B')), 1).passed());

    const ImageCheck notJ5 = check("J5", "SBCS FONT", dir.write("other.bin", image('Q', 'S')), 2);
    EXPECT_EQ(notJ5.code, rc::TypeFileMismatch);
}

TEST_F(ImageCheckTest, J5RefreshJobsNeverKeepAnEarlierImage)
{
    EXPECT_TRUE(check("J5", "SBCS FONT", dir.write("old.bin", image('K', 'S', 3000)), 2).passed());
    EXPECT_TRUE(check("J5_REFRESH", "MAIN FIRMWARE", dir.write("new.bin", image('K', 'M', 2100)), 0).passed());
    EXPECT_EQ(hid.length, 2100u);
    EXPECT_EQ(hid.typeLetter, 'M');
}

TEST_F(ImageCheckTest, TypeLettersOfTheHeader)
{
    EXPECT_EQ(imageTypeLetter("MAIN FIRMWARE"), 'M');
    EXPECT_EQ(imageTypeLetter("IPL FIRMWARE"), 'B');
    EXPECT_EQ(imageTypeLetter("SDBCS FONT"), 'D');
    EXPECT_EQ(imageTypeLetter("Printer Configuration Table"), 'P');
    EXPECT_EQ(imageTypeLetter("IMF FILE"), 0);
}

uint16_t arcBitByBit(std::string_view bytes)
{
    CrcCells cells{};
    for (char c : bytes)
        crc16Arc(cells, static_cast<uint8_t>(c));
    return packCells(cells);
}

uint16_t directBitByBit(std::string_view bytes)
{
    uint16_t direct = 0;
    for (char c : bytes)
        crc16CcittDirect(direct, static_cast<uint8_t>(c));
    return direct;
}

std::string randomText(size_t n)
{
    std::mt19937 rng(static_cast<unsigned>(n));
    std::string s(n, '\0');
    for (char& c : s)
        c = static_cast<char>(rng());
    return s;
}

TEST_F(ImageCheckTest, ImageFileCrcCoversWholeSixtyFourKilobyteUnitsOnly)
{
    const std::string bytes = randomText(100000);
    CrcAccumulator acc;
    acc.feedArc(std::span<const uint8_t>(reinterpret_cast<const uint8_t*>("junk"), 4));
    EXPECT_EQ(imageFileCrc(acc, dir.write("fw.mfw", bytes)), arcBitByBit(std::string_view(bytes).substr(0, 65536)));
    EXPECT_EQ(imageFileCrc(acc, dir.write("small.mfw", randomText(65535))), 0);
    EXPECT_EQ(imageFileCrc(acc, dir / "missing"), std::nullopt);

    // With altCrc set only ARC is fed, so the reported value reads 0.
    CrcAccumulator alt(1);
    EXPECT_EQ(imageFileCrc(alt, dir / "fw.mfw"), 0);
    EXPECT_EQ(alt.arcValue(), arcBitByBit(std::string_view(bytes).substr(0, 65536)));
}

TEST_F(ImageCheckTest, HidImageCrcCoversEverythingAfterTheHeader)
{
    const std::string bytes = randomText(70001);
    EXPECT_EQ(hidImageCrc(dir.write("j5.bin", bytes)), directBitByBit(std::string_view(bytes).substr(16)));
    EXPECT_EQ(hidImageCrc(dir.write("hdr.bin", randomText(16))), 0);
    EXPECT_EQ(hidImageCrc(dir.write("h17.bin", randomText(17))), directBitByBit(randomText(17).substr(16)));
    // An unopenable file is reported to the caller; the process goes on.
    EXPECT_EQ(hidImageCrc(dir / "missing.bin"), std::nullopt);
    EXPECT_EQ(hidImageCrc(dir.path().string()), std::nullopt);
}

} // namespace
} // namespace kyv
