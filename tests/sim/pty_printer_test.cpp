// The simulated printer on a real pseudo-terminal, driven by hand-written host byte
// sequences: what goes over the wire, and what the printer does with its line.

#include "host_port.h"
#include "model_driver.h"

#include "protocol/crc.h"
#include "sim/lib/pty_printer.h"

#include <fstream>
#include <gtest/gtest.h>
#include <iterator>
#include <sys/stat.h>
#include <unistd.h>

namespace kyv::sim::test {
namespace {

constexpr uint8_t ACK = 0x06;
const ProtocolMs kQuiet(10000); // how long the host listens to be sure nothing comes

Bytes join(std::initializer_list<Bytes> parts)
{
    Bytes all;
    for (const Bytes& part : parts)
        all.insert(all.end(), part.begin(), part.end());
    return all;
}

bool writeFile(const std::string& path, const Bytes& bytes)
{
    std::ofstream file(path, std::ios::binary);
    file.write(reinterpret_cast<const char*>(bytes.data()), static_cast<std::streamsize>(bytes.size()));
    return static_cast<bool>(file);
}

Bytes readFile(const std::string& path)
{
    std::ifstream file(path, std::ios::binary);
    return Bytes((std::istreambuf_iterator<char>(file)), std::istreambuf_iterator<char>());
}

TEST(PtyPrinter, WritesASectorAndRecordsEveryByteOnTheWire)
{
    ScratchDir dir;
    PrinterOptions options;
    options.startInDownloadMode = true;
    options.transcriptPath = dir / "transcript.txt";
    options.flashDumpPath = dir / "flash.bin";
    PtyPrinter printer(options);
    ASSERT_TRUE(printer.start()) << printer.errorText();
    HostPort host;
    ASSERT_TRUE(host.open(printer.slavePath()));

    Bytes data = pattern(0x10000, 7);
    uint16_t crc = crc16ArcOf(data);
    // Erase sector 6: 1D 10 06 -> ACK. Select it: 1D 02, then 06 -> ACK.
    EXPECT_EQ(host.ask({0x1D, 0x10, 0x06}, 1), Bytes{ACK});
    ASSERT_TRUE(host.write({0x1D, 0x02}));
    EXPECT_EQ(host.ask({0x06}, 1), Bytes{ACK});
    // Header 1D 11, then 00 00 00 00 one byte at a time (size 0 = 64 KB), then four blocks.
    ASSERT_TRUE(host.write({0x1D, 0x11}));
    for (int i = 0; i < 4; ++i)
        ASSERT_TRUE(host.write({0x00}));
    for (size_t b = 0; b < 4; ++b)
        ASSERT_TRUE(host.write(Bytes(data.begin() + static_cast<std::ptrdiff_t>(b * 0x4000),
                                     data.begin() + static_cast<std::ptrdiff_t>((b + 1) * 0x4000))));
    EXPECT_EQ(host.read(1, ProtocolMs(200000)), Bytes{ACK});
    // Sector CRC 1D 06 -> ACK, CRC low, CRC high.
    EXPECT_EQ(host.ask({0x1D, 0x06}, 3), (Bytes{ACK, lo(crc), hi(crc)}));

    EXPECT_EQ(printer.bytesFromHost(),
              join({{0x1D, 0x10, 0x06, 0x1D, 0x02, 0x06, 0x1D, 0x11, 0x00, 0x00, 0x00, 0x00}, data, {0x1D, 0x06}}));
    EXPECT_EQ(printer.bytesToHost(), (Bytes{ACK, ACK, ACK, ACK, lo(crc), hi(crc)}));
    // Every entry carries its time, in order.
    std::vector<TranscriptEntry> entries = printer.transcript();
    for (size_t i = 1; i < entries.size(); ++i)
        EXPECT_LE(entries[i - 1].time, entries[i].time);

    ASSERT_TRUE(writeFile(dir / "sector.bin", data));
    std::string why;
    EXPECT_TRUE(printer.sectorsHoldFile(dir / "sector.bin", 6, &why)) << why;
    EXPECT_FALSE(printer.sectorsHoldFile(dir / "sector.bin", 7, &why));
    EXPECT_NE(why.find("first difference"), std::string::npos) << why;

    host.close();
    printer.stop();
    EXPECT_EQ(readFile(dir / "flash.bin"), printer.flash());
    std::string transcript;
    for (uint8_t c : readFile(dir / "transcript.txt"))
        transcript += static_cast<char>(c);
    EXPECT_NE(transcript.find("host->printer 1D 10 06"), std::string::npos) << transcript;
    EXPECT_NE(transcript.find("printer->host 06 " + hexText({lo(crc), hi(crc)})), std::string::npos) << transcript;
}

TEST(PtyPrinter, IsSilentWhileItRestartsIntoDownloadMode)
{
    PrinterOptions options;
    options.restartTime = ProtocolMs(30000);
    PtyPrinter printer(options);
    ASSERT_TRUE(printer.start());
    HostPort host;
    ASSERT_TRUE(host.open(printer.slavePath()));

    EXPECT_EQ(host.ask({0x10, 0x04, 0x01}, 1), Bytes{0x12});
    // ESC [ } switches to download mode; the printer restarts and hears nothing meanwhile.
    ASSERT_TRUE(host.write({0x1B, 0x5B, 0x7D}));
    EXPECT_TRUE(host.ask({0x1D, 0x01}, 1, kQuiet).empty());
    ASSERT_TRUE(eventually([&] { return !printer.state().restarting; }));
    EXPECT_EQ(printer.state().mode, PrinterMode::Download);
    EXPECT_EQ(host.ask({0x1D, 0x01}, 1), Bytes{ACK});
    // In download mode the status query gets no answer.
    EXPECT_TRUE(host.ask({0x10, 0x04, 0x01}, 1, kQuiet).empty());
}

TEST(PtyPrinter, ListensOnlyAtItsOwnSpeedAfterABaudChange)
{
    PrinterOptions options;
    options.restartTime = ProtocolMs(1000);
    PtyPrinter printer(options);
    ASSERT_TRUE(printer.start());
    HostPort host;
    ASSERT_TRUE(host.open(printer.slavePath(), B115200));

    // 1F 11 11 03 FF asks for 19200 bps; it takes effect with the reset 1D FF.
    ASSERT_TRUE(host.write({0x1F, 0x11, 0x11, 0x03, 0xFF}));
    EXPECT_EQ(host.ask({0x1F, 0x12, 0x11}, 1), Bytes{0x00});
    ASSERT_TRUE(host.write({0x1D, 0xFF}));
    ASSERT_TRUE(eventually([&] { return printer.state().resetCount == 1 && !printer.state().restarting; }));
    EXPECT_EQ(printer.state().baud, 19200);

    // Still at 115200, the host hears nothing; the printer notes why.
    EXPECT_TRUE(host.ask({0x10, 0x04, 0x01}, 1, kQuiet).empty());
    bool noted = false;
    for (const TranscriptEntry& entry : printer.transcript())
        noted = noted || entry.note.find("ignored: host at 115200") != std::string::npos;
    EXPECT_TRUE(noted);

    // The host closes and reopens at 19200: the printer answers again.
    host.close();
    ASSERT_TRUE(host.open(printer.slavePath(), B19200));
    EXPECT_EQ(host.ask({0x1F, 0x12, 0x11}, 1), Bytes{0x03});
}

TEST(PtyPrinter, GarblesOrIgnoresAHostWithOtherLineSettings)
{
    PrinterOptions options;
    options.baud = 19200;
    options.stopBits = 2;
    options.onMismatch = MismatchAnswer::Garbage;
    PtyPrinter printer(options);
    ASSERT_TRUE(printer.start());
    HostPort host;

    // Wrong speed: as many garbled bytes as the host sent, never an ACK.
    ASSERT_TRUE(host.open(printer.slavePath(), B115200, 2));
    Bytes noise = host.ask({0x10, 0x04, 0x01}, 3);
    ASSERT_EQ(noise.size(), 3u);
    for (uint8_t byte : noise)
        EXPECT_GE(byte, 0x80);
    // Right speed, one stop bit instead of two: garbled too.
    host.close();
    ASSERT_TRUE(host.open(printer.slavePath(), B19200, 1));
    EXPECT_EQ(host.ask({0x10, 0x04, 0x01}, 1).size(), 1u);
    EXPECT_NE(host.ask({0x10, 0x04, 0x01}, 1), Bytes{0x12});
    // Both right: the real answer. The printer's state was never touched.
    host.close();
    ASSERT_TRUE(host.open(printer.slavePath(), B19200, 2));
    EXPECT_EQ(host.ask({0x10, 0x04, 0x01}, 1), Bytes{0x12});
}

TEST(PtyPrinter, HoldsBackARepliesItIsToldToDelay)
{
    PrinterOptions options;
    options.faults.push_back(*parseFault("delay:status:1:30000"));
    PtyPrinter printer(options);
    ASSERT_TRUE(printer.start());
    HostPort host;
    ASSERT_TRUE(host.open(printer.slavePath()));

    ASSERT_TRUE(host.write({0x10, 0x04, 0x01}));
    EXPECT_TRUE(host.read(1, kQuiet).empty());
    EXPECT_EQ(host.read(1, ProtocolMs(300000)), Bytes{0x12});
    // The printer counts its own wait, so a benchmark can take it out.
    EXPECT_GE(printer.state().ownWaitTime, scaled(ProtocolMs(30000)));
    EXPECT_EQ(host.ask({0x10, 0x04, 0x01}, 1, ProtocolMs(5000)), Bytes{0x12});
}

TEST(PtyPrinter, DropsTheLine)
{
    PrinterOptions options;
    options.faults.push_back(*parseFault("drop:model-number:1"));
    PtyPrinter printer(options);
    ASSERT_TRUE(printer.start());
    HostPort host;
    ASSERT_TRUE(host.open(printer.slavePath()));

    EXPECT_EQ(host.ask({0x10, 0x04, 0x01}, 1), Bytes{0x12});
    EXPECT_TRUE(host.ask({0x1D, 0x49, 0x40, 0x27}, 18).empty());
    EXPECT_TRUE(host.hungUp());
    EXPECT_TRUE(eventually([&] { return !printer.running(); }));
    EXPECT_TRUE(printer.state().lineDropped);
}

TEST(PtyPrinter, StopsPromptlyEvenInTheMiddleOfALongDelay)
{
    PrinterOptions options;
    options.faults.push_back(*parseFault("delay:status:1:3600000"));
    PtyPrinter printer(options);
    ASSERT_TRUE(printer.start());
    HostPort host;
    ASSERT_TRUE(host.open(printer.slavePath()));
    ASSERT_TRUE(host.write({0x10, 0x04, 0x01}));
    ASSERT_TRUE(eventually([&] { return printer.state().bytesReceived == 3; }));
    SteadyTime before = now();
    printer.stop();
    EXPECT_LT(now() - before, std::chrono::seconds(5));
    EXPECT_FALSE(printer.running());
}

TEST(PtyPrinter, ServesThroughALinkAndRemovesItAfterwards)
{
    ScratchDir dir;
    std::string link = dir / "ports/COM3";
    {
        PtyPrinter printer;
        ASSERT_TRUE(printer.start(link)) << printer.errorText();
        EXPECT_EQ(printer.portPath(), link);
        EXPECT_EQ(std::filesystem::read_symlink(link), printer.slavePath());
        HostPort host;
        ASSERT_TRUE(host.open(link));
        EXPECT_EQ(host.ask({0x10, 0x04, 0x01}, 1), Bytes{0x12});
        // A second printer on the same link name replaces the old link.
        PtyPrinter second;
        ASSERT_TRUE(second.start(link));
        EXPECT_EQ(std::filesystem::read_symlink(link), second.slavePath());
    }
    EXPECT_FALSE(std::filesystem::exists(std::filesystem::symlink_status(link)));

    // A file that is not a link is never replaced.
    ASSERT_TRUE(writeFile(dir / "COM4", {1, 2, 3}));
    PtyPrinter printer;
    EXPECT_FALSE(printer.start(dir / "COM4"));
    EXPECT_NE(printer.errorText().find("not a symbolic link"), std::string::npos);
    EXPECT_EQ(readFile(dir / "COM4"), (Bytes{1, 2, 3}));
}

TEST(PtyPrinter, RefusesToStartAsAPrinterThatDoesNotExist)
{
    PrinterOptions options;
    options.model = "NOT A MODEL";
    PtyPrinter printer(options);
    EXPECT_FALSE(printer.start());
    EXPECT_NE(printer.errorText().find("unknown model"), std::string::npos);
    EXPECT_TRUE(printer.flash().empty());
}

} // namespace
} // namespace kyv::sim::test
