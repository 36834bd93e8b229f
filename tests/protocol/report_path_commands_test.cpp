// Commands over the port operations of the USB report kinds, against a scripted report
// device: which command set a port kind gets, and failures a pseudo-terminal cannot stage
// (a write refused in the middle of a command).
#include "core/catalogue.h"
#include "core/result_code.h"
#include "protocol/command_bytes.h"
#include "protocol/flash_cmd.h"

#include <gtest/gtest.h>

#include <deque>
#include <vector>

namespace kyv {
namespace {

using Bytes = std::vector<uint8_t>;

// Hands out queued feature reports, keeps the output reports, and refuses every write
// after the first acceptWrites.
class ScriptedReportLink final : public ReportLink {
public:
    ScriptedReportLink(std::vector<Bytes>& written, std::deque<Bytes> reports, size_t acceptWrites)
        : written_(written), reports_(std::move(reports)), acceptWrites_(acceptWrites)
    {
    }
    int handle() const override { return 7; }
    int writeReport(const uint8_t* buffer, size_t length) override
    {
        if (written_.size() >= acceptWrites_)
            return 0;
        written_.emplace_back(buffer, buffer + length);
        return 1;
    }
    int readReport(uint8_t* buffer, size_t capacity, size_t& got) override
    {
        if (reports_.empty())
            return 0;
        Bytes report = reports_.front();
        reports_.pop_front();
        got = report.size();
        std::copy_n(report.begin(), std::min(capacity, report.size()), buffer);
        return 1;
    }

private:
    std::vector<Bytes>& written_;
    std::deque<Bytes> reports_;
    size_t acceptWrites_;
};

struct ReportPath {
    explicit ReportPath(PortKind kind, std::deque<Bytes> reports, size_t acceptWrites = 100)
    {
        cmd.setModel("R241", "R241");
        EXPECT_EQ(cmd.open(kind, "USB"), 1);
        EXPECT_EQ(cmd.attachReportLink(std::make_unique<ScriptedReportLink>(written, std::move(reports), acceptWrites)), 1);
    }
    std::vector<Bytes> written;
    CFlashCmd cmd;
};

TEST(ReportPathCommands, ASpeedChangeWhoseResetCannotBeSentHasNotHappened)
{
    // Ready status, then the speed command goes out but the reset that makes it take
    // effect does not.
    ReportPath path(kUsbReportDevice, {{0x12, 0, 0, 0}}, 2);
    EXPECT_EQ(path.cmd.changeBaudRate(57600), rc::InterfaceBusy);
    ASSERT_EQ(path.written.size(), 2u);
    EXPECT_EQ(path.written[1], (Bytes{0x1F, 0x11, 0x11, 0x01, 0xFF}));
}

TEST(ReportPathCommands, EachPortKindGetsItsPrintersCommands)
{
    // The report device's byte path: the mode switch is acknowledged, the mode query is the
    // IPL acknowledge alone.
    ReportPath usb(kUsbReportDevice, {{0x06}, {0x06}});
    EXPECT_EQ(usb.cmd.switchToDownloadMode(cmd::kEnterDownloadMode), 1);
    EXPECT_EQ(usb.cmd.queryPrinterMode(), 1);
    EXPECT_EQ(usb.written, (std::vector<Bytes>{{0x1B, 0x5B, 0x7D}, {0x1D, 0x01}}));

    // IBM USB reports: no second write attempt and no sector data over the port.
    ReportPath ibm(kIbmUsb, {});
    const Bytes block(64, 0x55);
    const std::span<const uint8_t> blocks[] = {block};
    EXPECT_EQ(ibm.cmd.sendSectorData(64, 64, 1, blocks), 0);
    EXPECT_TRUE(ibm.written.empty());

    // A port without a report line refuses report I/O, and reopening as another kind drops the
    // old line with its device.
    CFlashCmd serial;
    EXPECT_EQ(serial.attachReportLink(nullptr), 0);
    EXPECT_EQ(ibm.cmd.portHandle(), 7);
    EXPECT_EQ(ibm.cmd.open(kUsbReportDevice, "USB"), 1);
    EXPECT_EQ(ibm.cmd.portHandle(), CDCBComm::kInvalidHandle);
    EXPECT_FALSE(ibm.cmd.hasReportLink());
}

// IBM USB sector commands, byte for byte: each is one 13-byte frame (1B 2A 50 01 01, the
// command, zeros), then ESC I for the status report, whose byte 11 is the status and bytes
// 12 and 13 the value (low byte first).
TEST(ReportPathCommands, IbmUsbSectorCommandsAreFramedAndReadTheirStatusReport)
{
    auto statusReport = [](uint8_t status, uint16_t value) {
        Bytes report(14, 0x00);
        report[11] = status;
        report[12] = static_cast<uint8_t>(value & 0xFF);
        report[13] = static_cast<uint8_t>(value >> 8);
        return report;
    };
    auto frame = [](Bytes command) {
        Bytes framed{0x1B, 0x2A, 0x50, 0x01, 0x01};
        framed.insert(framed.end(), command.begin(), command.end());
        framed.resize(13, 0x00);
        return framed;
    };
    const Bytes escI{0x1B, 0x49};
    ReportPath ibm(kIbmUsb, {statusReport(0x06, 0), statusReport(0x06, 0), statusReport(0x06, 0xBEEF),
                             statusReport(0x15, 0)});
    EXPECT_EQ(ibm.cmd.eraseSector(7), 1);
    EXPECT_EQ(ibm.cmd.selectSector(7), 1);
    uint16_t crc = 0;
    EXPECT_EQ(ibm.cmd.querySectorCrc(0, crc), 1);
    EXPECT_EQ(crc, 0xBEEF);
    EXPECT_EQ(ibm.cmd.selectSector(8), 0); // the printer's NAK
    EXPECT_EQ(ibm.written, (std::vector<Bytes>{frame({0x1D, 0x10, 0x07}), escI, frame({0x1D, 0x02, 0x07}), escI,
                                               frame({0x1D, 0x06}), escI, frame({0x1D, 0x02, 0x08}), escI}));
    // A sector number a single byte cannot carry is refused before anything is sent.
    EXPECT_EQ(ibm.cmd.eraseSector(256), 0);
    EXPECT_EQ(ibm.written.size(), 8u);
}

} // namespace
} // namespace kyv
