// How the printers answer the flash commands, byte for byte. The printer model is fed
// the bytes a host writes, in the pieces a host writes them.

#include "model_driver.h"

#include "protocol/crc.h"

#include <gtest/gtest.h>

namespace kyv::sim::test {
namespace {

constexpr uint8_t ACK = 0x06;
constexpr uint8_t NAK = 0x15;

PrinterOptions inDownloadMode(std::string model = "R241")
{
    PrinterOptions options;
    options.model = std::move(model);
    options.startInDownloadMode = true;
    return options;
}

// Erase, select and write one whole sector the way the host does over a serial port:
// 1D 10 n, then 1D 02 and n as two writes, the header as 1D 11 and four single bytes,
// then the data in blocks.
Bytes writeSector(PrinterModel& printer, uint8_t sector, const Bytes& data, size_t blocks, bool erase = true)
{
    Bytes replies;
    auto add = [&](const Bytes& bytes) {
        Bytes got = sent(printer, bytes);
        replies.insert(replies.end(), got.begin(), got.end());
    };
    if (erase)
        add({0x1D, 0x10, sector});
    add({0x1D, 0x02});
    add({sector});
    Bytes header = sectorHeader(static_cast<uint32_t>(data.size()));
    add({header[0], header[1]});
    for (size_t i = 2; i < 6; ++i)
        add({header[i]});
    size_t block = data.size() / blocks;
    for (size_t b = 0; b < blocks; ++b)
        add(Bytes(data.begin() + static_cast<std::ptrdiff_t>(b * block),
                  data.begin() + static_cast<std::ptrdiff_t>((b + 1) * block)));
    return replies;
}

TEST(PrinterModel, WritesA64KSectorSentInPiecesAndReportsItsArcCrc)
{
    PrinterModel printer(inDownloadMode());
    Bytes data = pattern(0x10000, 1);

    // erase ACK, select ACK, then one ACK after the last of the four blocks.
    EXPECT_EQ(writeSector(printer, 6, data, 4), (Bytes{ACK, ACK, ACK}));
    EXPECT_EQ(printer.sectorBytes(6), data);

    // 1D 06: ACK, CRC low, CRC high.
    uint16_t crc = crc16ArcOf(data);
    EXPECT_EQ(sent(printer, {0x1D, 0x06}), (Bytes{ACK, lo(crc), hi(crc)}));
    // Neighbouring sectors stay erased.
    EXPECT_EQ(printer.sectorBytes(5), Bytes(0x10000, 0xFF));
    EXPECT_EQ(printer.sectorBytes(7), Bytes(0x10000, 0xFF));
}

TEST(PrinterModel, A32KSectorTakesTwoBlocksWithItsSizeInTheHeader)
{
    PrinterModel printer(inDownloadMode());
    Bytes data = pattern(0x8000, 9);
    // Sector 4 of the R241 layout is 32 KB: header 1D 11 00 00 00 80.
    EXPECT_EQ(sectorHeader(0x8000), (Bytes{0x1D, 0x11, 0x00, 0x00, 0x00, 0x80}));
    EXPECT_EQ(writeSector(printer, 4, data, 2), (Bytes{ACK, ACK, ACK}));
    EXPECT_EQ(printer.sectorBytes(4), data);
}

TEST(PrinterModel, DirectCrcPrintersReportTheDirectCrc)
{
    PrinterModel printer(inDownloadMode("R453"));
    Bytes data = pattern(0x10000, 3);
    writeSector(printer, 36, data, 4);
    uint16_t crc = crc16CcittDirectOf(data);
    EXPECT_NE(crc, crc16ArcOf(data));
    EXPECT_EQ(sent(printer, {0x1D, 0x06}), (Bytes{ACK, lo(crc), hi(crc)}));
}

TEST(PrinterModel, ProgrammingWithoutEraseAndsLikeNorFlashAndTheCrcShowsIt)
{
    PrinterModel printer(inDownloadMode());
    Bytes first(0x10000, 0xF0);
    Bytes second(0x10000, 0x3C);
    writeSector(printer, 6, first, 4);
    writeSector(printer, 6, second, 4, /*erase=*/false);
    EXPECT_EQ(printer.sectorBytes(6), Bytes(0x10000, 0x30));
    uint16_t crcOfFlash = crc16ArcOf(Bytes(0x10000, 0x30));
    EXPECT_EQ(sent(printer, {0x1D, 0x06}), (Bytes{ACK, lo(crcOfFlash), hi(crcOfFlash)}));

    // After an erase the same data programs cleanly.
    writeSector(printer, 6, second, 4);
    EXPECT_EQ(printer.sectorBytes(6), second);

    PrinterOptions overwrite = inDownloadMode();
    overwrite.unerasedWrite = UnerasedWrite::Overwrite;
    PrinterModel other(overwrite);
    writeSector(other, 6, first, 4);
    writeSector(other, 6, second, 4, false);
    EXPECT_EQ(other.sectorBytes(6), second);
}

TEST(PrinterModel, RefusesWhatItCannotStore)
{
    PrinterModel printer(inDownloadMode());
    // Sectors are numbered 1 to 54 in a 54-sector layout: 0 and 55 are refused.
    EXPECT_EQ(sent(printer, {0x1D, 0x10, 55}), Bytes{NAK});
    EXPECT_EQ(sent(printer, {0x1D, 0x02, 55}), Bytes{NAK});
    EXPECT_EQ(sent(printer, {0x1D, 0x10, 0}), Bytes{NAK});
    EXPECT_EQ(sent(printer, {0x1D, 0x02, 0}), Bytes{NAK});
    // Data without a selected sector: taken (so the stream stays in step) and refused.
    Bytes header = sectorHeader(0x10000);
    EXPECT_TRUE(sent(printer, header).empty());
    EXPECT_EQ(sent(printer, pattern(0x10000, 0)), Bytes{NAK});
    // No sector CRC without sector data: NAK and two bytes.
    EXPECT_EQ(sent(printer, {0x1D, 0x06}), (Bytes{NAK, 0, 0}));
    // 64 KB into the 8 KB sector 2 (as a sector number cut to one byte would do): NAK, and
    // neither that sector nor its neighbour is touched.
    Bytes data = pattern(0x10000, 5);
    EXPECT_EQ(writeSector(printer, 2, data, 4), (Bytes{ACK, ACK, NAK}));
    EXPECT_EQ(printer.sectorBytes(2), Bytes(0x2000, 0xFF));
    EXPECT_EQ(printer.sectorBytes(3), Bytes(0x2000, 0xFF));
    EXPECT_EQ(sent(printer, {0x1D, 0x06}), (Bytes{NAK, 0, 0}));
    // The stream is still in step: the next command is understood.
    EXPECT_EQ(sent(printer, {0x1D, 0x01}), Bytes{ACK});
}

TEST(PrinterModel, ImageCrcCoversTheWhole64KUnitsWrittenSinceTheSwitch)
{
    PrinterModel printer(inDownloadMode());
    Bytes a = pattern(0x10000, 1), b = pattern(0x10000, 2);
    writeSector(printer, 6, a, 4);
    writeSector(printer, 7, b, 4);
    Bytes image = a;
    image.insert(image.end(), b.begin(), b.end());
    uint16_t crc = crc16ArcOf(image);
    // 1D 0F (main firmware) and 1D 07 (boot program): ACK, CRC low, CRC high.
    EXPECT_EQ(sent(printer, {0x1D, 0x0F}), (Bytes{ACK, lo(crc), hi(crc)}));
    EXPECT_EQ(sent(printer, {0x1D, 0x07}), (Bytes{ACK, lo(crc), hi(crc)}));
}

TEST(PrinterModel, RestartsIntoANewBootProgramAndGoesOn)
{
    PrinterModel printer(inDownloadMode());
    Bytes boot = pattern(0x8000, 1), next = pattern(0x10000, 2);
    // The first sector of the boot program (R241: sector 4, 32 KB), not erased: ACK, then a
    // restart.
    Outcome outcome;
    sent(printer, {0x1D, 0x02, 0x04});
    sent(printer, sectorHeader(0x8000));
    outcome = feed(printer, boot);
    EXPECT_EQ(outcome.sent, Bytes{ACK});
    EXPECT_EQ(outcome.restarts, 1);
    EXPECT_EQ(printer.state().mode, PrinterMode::Download);
    EXPECT_EQ(sent(printer, {0x1D, 0x01}), Bytes{ACK});
    writeSector(printer, 5, next, 4);
    // 1D 07 covers the whole 64 KB units written since the switch, across the restart: the
    // first 64 KB of boot + next (the restart did not start a new image).
    Bytes image = boot;
    image.insert(image.end(), next.begin(), next.end());
    image.resize(0x10000);
    uint16_t crc = crc16ArcOf(image);
    EXPECT_EQ(sent(printer, {0x1D, 0x07}), (Bytes{ACK, lo(crc), hi(crc)}));
}

TEST(PrinterModel, OnlineAndDownloadModeAnswerDifferentCommands)
{
    PrinterModel printer(PrinterOptions{});
    // Online: 10 04 01 gives a ready status (bit 3 clear); 1D 01 and flash commands get nothing.
    EXPECT_EQ(sent(printer, {0x10, 0x04, 0x01}), Bytes{0x12});
    EXPECT_TRUE(sent(printer, {0x1D, 0x01}).empty());
    EXPECT_TRUE(sent(printer, {0x1D, 0x02, 0x06}).empty());
    EXPECT_TRUE(sent(printer, {0x1D, 0x10, 0x06}).empty());
    // Sector data sent online is swallowed whole, not read as commands.
    EXPECT_TRUE(sent(printer, sectorHeader(0x2000)).empty());
    EXPECT_TRUE(sent(printer, Bytes(0x2000, 0x10)).empty());
    EXPECT_EQ(printer.flash(), Bytes(printer.flash().size(), 0xFF));

    // 1B 5B 7D: no reply, a restart, then download mode.
    Outcome outcome = feed(printer, {0x1B, 0x5B, 0x7D});
    EXPECT_TRUE(outcome.sent.empty());
    EXPECT_EQ(outcome.restarts, 1);
    EXPECT_EQ(printer.state().mode, PrinterMode::Download);
    EXPECT_TRUE(sent(printer, {0x10, 0x04, 0x01}).empty());
    EXPECT_EQ(sent(printer, {0x1D, 0x01}), Bytes{ACK});

    // 1D FF: back to online mode; 1D 80 answers ACK first.
    EXPECT_EQ(feed(printer, {0x1D, 0xFF}).restarts, 1);
    EXPECT_EQ(printer.state().mode, PrinterMode::Online);
    outcome = feed(printer, {0x1D, 0x80});
    EXPECT_EQ(outcome.sent, Bytes{ACK});
    EXPECT_EQ(outcome.restarts, 1);
    EXPECT_EQ(printer.state().resetCount, 3);
}

TEST(PrinterModel, IsDeafWhileRestarting)
{
    PrinterModel printer(PrinterOptions{});
    // The reset and a status query in one write: the query falls into the restart.
    Outcome outcome = feed(printer, {0x1D, 0xFF, 0x10, 0x04, 0x01}, /*finishRestart=*/false);
    EXPECT_EQ(outcome.restarts, 1);
    EXPECT_TRUE(outcome.sent.empty());
    EXPECT_TRUE(sent(printer, {0x10, 0x04, 0x01}).empty());
    printer.completeRestart();
    EXPECT_EQ(sent(printer, {0x10, 0x04, 0x01}), Bytes{0x12});
}

TEST(PrinterModel, NotReadyUntilRecovered)
{
    PrinterOptions options;
    options.notReady = true;
    PrinterModel printer(options);
    EXPECT_EQ(sent(printer, {0x10, 0x04, 0x01}), Bytes{0x1A}); // bit 3 set: not ready
    EXPECT_TRUE(sent(printer, {0x1D, 0x03, 0x02}).empty());
    EXPECT_EQ(sent(printer, {0x10, 0x04, 0x01}), Bytes{0x12});
}

TEST(PrinterModel, BaudChangeTakesEffectAtTheNextReset)
{
    PrinterModel printer(PrinterOptions{});
    EXPECT_EQ(sent(printer, {0x1F, 0x12, 0x11}), Bytes{0x00}); // 115200
    EXPECT_TRUE(sent(printer, {0x1F, 0x11, 0x11, 0x03, 0xFF}).empty());
    EXPECT_EQ(printer.state().pendingBaud, 19200);
    EXPECT_EQ(printer.state().baud, 115200);
    EXPECT_EQ(sent(printer, {0x1F, 0x12, 0x11}), Bytes{0x00});
    feed(printer, {0x1D, 0xFF});
    EXPECT_EQ(printer.state().baud, 19200);
    EXPECT_EQ(sent(printer, {0x1F, 0x12, 0x11}), Bytes{0x03});

    // The settings-mode form: 1F 7A 74 01, 1B 6A 02 -> code, 1F 7A 74 00.
    EXPECT_TRUE(sent(printer, {0x1B, 0x6A, 0x02}).empty()); // outside settings mode
    EXPECT_TRUE(sent(printer, {0x1F, 0x7A, 0x74, 0x01}).empty());
    EXPECT_EQ(sent(printer, {0x1B, 0x6A, 0x02}), Bytes{0x03});
    EXPECT_TRUE(sent(printer, {0x1F, 0x7A, 0x74, 0x00}).empty());
    EXPECT_FALSE(printer.state().settingsMode);
}

TEST(PrinterModel, ReportsModelNumberAndVersions)
{
    PrinterOptions options;
    options.model = "R241-3044-7004";
    options.bootVersion = "B0123";
    options.mainCrc = "AB";
    PrinterModel printer(options);
    // Apostrophe, the model number, CR.
    Bytes expected{'\''};
    for (char c : std::string("R241-3044-7004"))
        expected.push_back(static_cast<uint8_t>(c));
    expected.push_back('\r');
    EXPECT_EQ(sent(printer, {0x1D, 0x49, 0x40, 0x27}), expected);
    // Version items: 10 bytes, the text in bytes 1 to 5 (short texts padded with blanks).
    EXPECT_EQ(sent(printer, {0x1D, 0x49, 0x40, 0x97}), (Bytes{0x5F, 'B', '0', '1', '2', '3', 0, 0, 0, 0}));
    EXPECT_EQ(sent(printer, {0x1D, 0x49, 0x40, 0x37}), (Bytes{0x5F, 'A', 'B', ' ', ' ', ' ', 0, 0, 0, 0}));
    for (uint8_t item : {0x2F, 0xA3, 0x9B})
        EXPECT_EQ(sent(printer, {0x1D, 0x49, 0x40, item}).size(), 10u) << int(item);
    // The version numbers asked before an online download: the header byte, then the 7th
    // to 11th characters of the text, CR.
    Bytes number = sent(printer, {0x1D, 0x49, 0x40, 0x2B});
    EXPECT_EQ(std::string(number.begin(), number.end()), "_000000B0123\r");
}

TEST(PrinterModel, DefaultModelNumbersAreWhatTheFamilyCarries)
{
    EXPECT_EQ(defaultModelNumber("R241"), "R241-2001");
    EXPECT_EQ(defaultModelNumber("R241-2XX8/3XX8/4XX8"), "R241-2008");
    EXPECT_EQ(defaultModelNumber("R242-57X6/56X6/1456"), "R242-5706");
    EXPECT_EQ(defaultModelNumber("J736"), "Q621-J736");
    EXPECT_EQ(defaultModelNumber("Q58X-E617/Q306"), "Q580-E617");
    for (const PrinterType& type : printerTypes()) {
        PrinterOptions options;
        options.model = std::string(type.name);
        PrinterModel printer(options);
        ASSERT_TRUE(printer.valid()) << options.model << ": " << printer.errorText();
        // Fits the host's 18-byte read with apostrophe and CR.
        EXPECT_LE(sent(printer, {0x1D, 0x49, 0x40, 0x27}).size(), 18u) << options.model;
    }
}

TEST(PrinterModel, KeepsItsSettings)
{
    PrinterOptions options;
    options.switchByte0 = 0x12;
    options.switchByte1 = 0xFE;
    PrinterModel printer(options);
    // The switch block is read in settings mode only.
    EXPECT_TRUE(sent(printer, {0x1B, 0x6A, 0x7A}).empty());
    sent(printer, {0x1F, 0x7A, 0x74, 0x01});
    EXPECT_EQ(sent(printer, {0x1B, 0x6A, 0x7A}), (Bytes{0x12, 0xFE}));
    EXPECT_TRUE(sent(printer, {0x1B, 0x73, 0x12, 0xFF, 0x7A}).empty());
    EXPECT_EQ(sent(printer, {0x1B, 0x6A, 0x7A}), (Bytes{0x12, 0xFF}));
    // MICR off, FLIP off, the MVRA setting: 1F 11 p v FF, no reply.
    sent(printer, {0x1F, 0x11, 0x34, 0x01, 0xFF});
    sent(printer, {0x1F, 0x11, 0x35, 0x01, 0xFF});
    sent(printer, {0x1F, 0x11, 0x52, 0x03, 0xFF});
    std::map<uint8_t, uint8_t> expected{{0x34, 0x01}, {0x35, 0x01}, {0x52, 0x03}};
    EXPECT_EQ(printer.state().parameters, expected);
    // A reset ends settings mode but keeps the switches.
    feed(printer, {0x1D, 0xFF});
    EXPECT_FALSE(printer.state().settingsMode);
    EXPECT_EQ(printer.state().switchByte1, 0xFF);
}

TEST(PrinterModel, AnswersTheServiceCommands)
{
    PrinterOptions options;
    options.model = "R453";
    options.usuOn = true;
    options.fiscalState = 1;
    PrinterModel printer(options);
    // USU: 1F 12 5F answers 1 while on; 1D 1F 00 switches it off, 1D 1F 01 on.
    EXPECT_EQ(sent(printer, {0x1F, 0x12, 0x5F}), Bytes{0x01});
    EXPECT_TRUE(sent(printer, {0x1D, 0x1F, 0x00}).empty());
    EXPECT_EQ(sent(printer, {0x1F, 0x12, 0x5F}), Bytes{0x00});
    sent(printer, {0x1D, 0x1F, 0x01});
    EXPECT_TRUE(printer.state().usuOn);
    // Flash state 1D 30 07 answers the fiscal state; 1F 14 02 sets it to 2.
    EXPECT_EQ(sent(printer, {0x1D, 0x30, 0x07}), Bytes{0x01});
    sent(printer, {0x1F, 0x14, 0x02});
    EXPECT_EQ(sent(printer, {0x1D, 0x30, 0x07}), Bytes{0x02});
    // Clear the download area: each of the three commands gets one byte.
    EXPECT_EQ(sent(printer, {0x1D, 0x22, 0x55, 0xFF, 0xFF}), Bytes{ACK});
    EXPECT_EQ(sent(printer, {0x1D, 0x40, 0x31}), Bytes{ACK});
    EXPECT_EQ(sent(printer, {0x1D, 0x40, 0x32}), Bytes{ACK});
    EXPECT_TRUE(printer.state().userAreaErased);
    // Print configuration: no reply, one page.
    EXPECT_TRUE(sent(printer, {0x1F, 0x74, 0x00, 0x01}).empty());
    EXPECT_EQ(printer.state().configurationPrints, 1);
    // The speed probe after a table download answers one byte.
    EXPECT_EQ(sent(printer, {0x1D, 0x05}).size(), 1u);
    // The IPL command and mode bytes of the direct-CRC printers: no reply.
    EXPECT_TRUE(sent(printer, {0x1D, 0x16}).empty());
    EXPECT_TRUE(sent(printer, {0x1D, 0x30, 0x10, 0x00, 0x00, 0x01, 0x02, 0x03, 0x04, 0x05, 0x06, 0x07, 0x08, 0x09,
                               0x10, 0x11}).empty());
    EXPECT_TRUE(printer.state().fennMode);
    // Bytes that are no command are skipped.
    EXPECT_TRUE(sent(printer, {0x00, 0x41, 0x1D}).empty());
    EXPECT_EQ(sent(printer, {0x49, 0x40, 0x27}).front(), '\''); // completes 1D 49 40 27
}

Bytes onlineBlock(uint8_t type, const Bytes& image)
{
    uint32_t n = static_cast<uint32_t>(image.size());
    Bytes bytes{0x1B, 0x5B, 0x7C, type, lo(n & 0xFFFF), hi(n & 0xFFFF), lo(n >> 16), hi(n >> 16)};
    bytes.insert(bytes.end(), image.begin(), image.end());
    return bytes;
}

TEST(PrinterModel, TakesAWholeImageInOnlineMode)
{
    PrinterOptions options;
    options.model = "R453";
    PrinterModel printer(options);
    Bytes image = pattern(100000, 4);
    image[0] = 'J';
    image[1] = 'M';
    // 1B 5B 7C 01 A0 86 01 00 + 100000 bytes -> ACK, CRC low, CRC high (direct CRC here).
    Bytes block = onlineBlock(0x01, image);
    EXPECT_EQ(Bytes(block.begin(), block.begin() + 8), (Bytes{0x1B, 0x5B, 0x7C, 0x01, 0xA0, 0x86, 0x01, 0x00}));
    uint16_t crc = crc16CcittDirectOf(image);
    EXPECT_EQ(sent(printer, block), (Bytes{ACK, lo(crc), hi(crc)}));
    const PrinterType& type = printer.printerType();
    uint64_t at = type.flash->sectorStart(type.mainSector);
    EXPECT_TRUE(std::equal(image.begin(), image.end(), printer.flash().begin() + static_cast<std::ptrdiff_t>(at)));

    // A boot image ('B') sent as main firmware: NAK 03, wrong firmware file.
    image[1] = 'B';
    EXPECT_EQ(sent(printer, onlineBlock(0x01, image)), (Bytes{NAK, 0x03}));
    // A type the printer has no place for: NAK 01. An image larger than the flash: NAK 02.
    EXPECT_EQ(sent(printer, onlineBlock(0x09, {'J', 'M'})), (Bytes{NAK, 0x01}));
    Bytes header = onlineBlock(0x01, {});
    header[7] = 0x7F; // 2 GB announced
    EXPECT_TRUE(sent(printer, header).empty());
}

TEST(PrinterModel, AConfigurationTableSetsTheLineAtTheNextReset)
{
    PrinterOptions options;
    options.model = "R243";
    PrinterModel printer(options);
    EXPECT_EQ(printer.state().baud, 19200);
    // Pairs: 11 02 = 38400 bps, 13 01 = two stop bits, 14 01 = even parity.
    Bytes table{'G', 'P', 0x11, 0x02, 0x13, 0x01, 0x14, 0x01};
    EXPECT_EQ(sent(printer, onlineBlock(0x05, table)).front(), ACK);
    EXPECT_EQ(printer.state().baud, 19200);
    feed(printer, {0x1D, 0xFF});
    EXPECT_EQ(printer.state().baud, 38400);
    EXPECT_EQ(printer.state().stopBits, 2);
    EXPECT_EQ(printer.state().parity, "EVEN");
}

// Faults.

PrinterOptions withFault(const std::string& text, bool download = true)
{
    PrinterOptions options;
    options.startInDownloadMode = download;
    std::string why;
    std::optional<Fault> fault = parseFault(text, &why);
    EXPECT_TRUE(fault.has_value()) << text << ": " << why;
    if (fault)
        options.faults.push_back(*fault);
    return options;
}

TEST(PrinterFaults, NakOnTheChosenOccurrenceOnlyAndWithoutEffect)
{
    PrinterModel printer(withFault("nak:select:2"));
    EXPECT_EQ(sent(printer, {0x1D, 0x02, 0x06}), Bytes{ACK});
    EXPECT_EQ(sent(printer, {0x1D, 0x02, 0x07}), Bytes{NAK});
    EXPECT_EQ(printer.state().selectedSector, 6);
    EXPECT_EQ(sent(printer, {0x1D, 0x02, 0x07}), Bytes{ACK});

    // A refused sector write leaves the flash as it was.
    PrinterModel refusing(withFault("nak:sector-data:1"));
    EXPECT_EQ(writeSector(refusing, 6, pattern(0x10000, 1), 4), (Bytes{ACK, ACK, NAK}));
    EXPECT_EQ(refusing.sectorBytes(6), Bytes(0x10000, 0xFF));
    // A refused switch to download mode: NAK, no restart.
    PrinterModel online(withFault("nak:download-mode:1", false));
    Outcome outcome = feed(online, {0x1B, 0x5B, 0x7D});
    EXPECT_EQ(outcome.sent, Bytes{NAK});
    EXPECT_EQ(outcome.restarts, 0);
}

TEST(PrinterFaults, ChangeTheReplyButNotTheEffect)
{
    Bytes data = pattern(0x10000, 2);
    uint16_t crc = crc16ArcOf(data);

    PrinterModel wrongCrc(withFault("wrong-crc:sector-crc:every"));
    writeSector(wrongCrc, 6, data, 4);
    Bytes reply = sent(wrongCrc, {0x1D, 0x06});
    ASSERT_EQ(reply.size(), 3u);
    EXPECT_EQ(reply[0], ACK);
    EXPECT_NE(reply[1] | (reply[2] << 8), crc);
    EXPECT_EQ(wrongCrc.sectorBytes(6), data);

    PrinterModel silent(withFault("no-reply:erase:1"));
    EXPECT_TRUE(sent(silent, {0x1D, 0x10, 0x06}).empty());
    EXPECT_EQ(silent.state().eraseCount, 1);

    PrinterModel shortReply(withFault("short:sector-crc:1"));
    writeSector(shortReply, 6, data, 4);
    EXPECT_EQ(sent(shortReply, {0x1D, 0x06}), (Bytes{ACK, lo(crc)}));

    PrinterModel garbled(withFault("garbage:ipl-query:1"));
    Bytes noise = sent(garbled, {0x1D, 0x01});
    ASSERT_EQ(noise.size(), 1u);
    EXPECT_NE(noise[0], ACK);
    EXPECT_NE(noise[0], NAK);

    PrinterModel slow(withFault("delay:select:1:5000"));
    Outcome outcome = feed(slow, {0x1D, 0x02, 0x06});
    EXPECT_EQ(outcome.pauses, std::vector<ProtocolMs>{ProtocolMs(5000)});
    EXPECT_EQ(outcome.sent, Bytes{ACK});
}

TEST(PrinterFaults, TheLineDrops)
{
    // At a command: no reply, the line goes.
    PrinterModel atCommand(withFault("drop:sector-crc:1"));
    writeSector(atCommand, 6, pattern(0x10000, 1), 4);
    Outcome outcome = feed(atCommand, {0x1D, 0x06});
    EXPECT_TRUE(outcome.dropped);
    EXPECT_TRUE(outcome.sent.empty());
    EXPECT_TRUE(sent(atCommand, {0x1D, 0x01}).empty());

    // In the middle of sector data: only the bytes before the drop arrive.
    PrinterModel midway(withFault("drop-after:1000"));
    sent(midway, {0x1D, 0x02, 0x06});
    sent(midway, sectorHeader(0x10000));
    outcome = feed(midway, pattern(0x10000, 1));
    EXPECT_TRUE(outcome.dropped);
    EXPECT_EQ(midway.state().bytesReceived, 1000u);
}

TEST(PrinterFaults, ParseFromText)
{
    std::string why;
    std::optional<Fault> fault = parseFault("delay:sector-crc:3:2500", &why);
    ASSERT_TRUE(fault);
    EXPECT_EQ(fault->kind, FaultKind::Delay);
    EXPECT_EQ(fault->command, PrinterCommand::SectorCrc);
    EXPECT_EQ(fault->occurrence, 3);
    EXPECT_EQ(fault->delay, ProtocolMs(2500));
    EXPECT_EQ(parseFault("nak:any:every")->occurrence, 0);
    EXPECT_EQ(parseFault("drop-after:77")->afterBytes, 77u);
    for (const char* bad : {"", "nak", "nak:nothing", "boom:select", "delay:select", "nak:select:1:5",
                            "nak:select:-1", "drop-after:0", "drop-after:x", "nak:select:1:2:3"}) {
        EXPECT_FALSE(parseFault(bad, &why)) << bad;
        EXPECT_FALSE(why.empty()) << bad;
    }
    for (int i = 0; i <= static_cast<int>(PrinterCommand::FiscalDownload); ++i) {
        auto command = static_cast<PrinterCommand>(i);
        EXPECT_EQ(commandFromName(commandName(command)), command);
    }
}

TEST(PrinterModel, RejectsOptionsNoPrinterHas)
{
    auto errorFor = [](auto change) {
        PrinterOptions options;
        change(options);
        PrinterModel printer(options);
        return printer.valid() ? std::string() : printer.errorText();
    };
    EXPECT_NE(errorFor([](PrinterOptions& o) { o.model = "R999"; }), "");
    EXPECT_NE(errorFor([](PrinterOptions& o) { o.baud = 14400; }), "");
    EXPECT_NE(errorFor([](PrinterOptions& o) { o.stopBits = 3; }), "");
    EXPECT_NE(errorFor([](PrinterOptions& o) { o.parity = "MARK"; }), "");
    EXPECT_NE(errorFor([](PrinterOptions& o) { o.modelNumber = "R241-2001-ABCDEFGH"; }), "");
    EXPECT_EQ(errorFor([](PrinterOptions& o) { o.parity = "even"; }), "");
}

} // namespace
} // namespace kyv::sim::test
