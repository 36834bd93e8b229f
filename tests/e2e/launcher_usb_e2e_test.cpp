// KyvFlashCom -> KyvFlash -> a simulated printer on the simulated USB bus: the R242 over IBM
// USB, and the faults that must end with their own code.
#include "core/clock.h"
#include "core/exit_status.h"
#include "launcher/launcher_process.h"
#include "sim/lib/printer/printer_types.h"
#include "sim/lib/usb/usb_printer.h"
#include "support/scratch_dir.h"

#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include <fstream>
#include <functional>
#include <memory>
#include <random>

namespace kyv::launcher::test {
namespace {

using ::testing::HasSubstr;

constexpr int kR242MainSector = 7;
constexpr size_t kSectorBytes = 64 * 1024;

// The launcher's exit status for a result code (1005 returns 105).
constexpr int kStatusOf(int code) { return code - 900; }

class LauncherUsb : public ::testing::Test {
protected:
    void SetUp() override { setTimeScale(0.01); }
    void TearDown() override
    {
        if (printer)
            printer->stop();
    }

    void startPrinter(sim::UsbInterface interface, std::vector<sim::Fault> faults = {},
                      std::vector<sim::UsbDecoy> decoys = {}, std::string model = "R242",
                      std::function<void(sim::PrinterOptions&)> adjust = {})
    {
        sim::UsbPrinterOptions options;
        options.printer.model = std::move(model);
        options.printer.restartTime = ProtocolMs{3000};
        options.printer.faults = std::move(faults);
        options.busPath = dir / "usb.sock";
        options.interface = interface;
        options.port = "1-2";
        options.decoys = std::move(decoys);
        if (adjust)
            adjust(options.printer);
        printer = std::make_unique<sim::UsbPrinter>(options);
        ASSERT_TRUE(printer->start()) << printer->errorText();
    }

    // Main firmware: random sectors, type letter M at byte 1 (and the model's signature
    // first, when it has one).
    std::string writeImage(size_t sectors, char signature = 0)
    {
        std::string bytes(sectors * kSectorBytes, '\0');
        std::mt19937 random(7);
        for (char& b : bytes)
            b = static_cast<char>(random());
        if (signature != 0)
            bytes[0] = signature;
        bytes[1] = 'M';
        std::ofstream(dir / "firmware.mfw", std::ios::binary) << bytes;
        return dir / "firmware.mfw";
    }

    LauncherResult flash(const std::string& model, const std::string& interface)
    {
        return runLauncher({model, "M", interface, "firmware.mfw", "RETSTAT"},
                           {{"XDG_CONFIG_HOME", dir / "config"},
                            {"KYVFLASH_CHILD", ""},
                            {"KYVFLASH_USB_BUS", "unix:" + (dir / "usb.sock")}},
                           dir.path());
    }

    void expectFlashHolds(const std::string& image)
    {
        std::string why;
        EXPECT_TRUE(printer->sectorsHoldFile(image, kR242MainSector, &why)) << why;
    }

    kyv::test::ScratchDir dir;
    std::unique_ptr<sim::UsbPrinter> printer;
};

TEST_F(LauncherUsb, R242IsFlashedOverIbmUsbAndFoundAgainOnItsPort)
{
    startPrinter(sim::UsbInterface::IbmUsb);
    std::string image = writeImage(2);
    LauncherResult result = flash("R242", "IBMUSB");
    EXPECT_EQ(result.exitStatus, 0) << result.output;
    expectFlashHolds(image);
    EXPECT_EQ(printer->state().mode, sim::PrinterMode::Online);
    EXPECT_EQ(printer->state().resetCount, 2); // the switch to download mode and the reset
    std::string log = readFile(dir / "BREVANT_LOG.txt");
    for (const char* line : {"Sent IPL command in IBM USB", "Printer CRC is", "CRC - ",
                             "Clearing download area of the printer..(Step 16)", "Download Completed !!!"})
        EXPECT_THAT(log, HasSubstr(line));
}

TEST_F(LauncherUsb, R242IsFlashedOverItsUsbReportDevice)
{
    startPrinter(sim::UsbInterface::Usb);
    std::string image = writeImage(2);
    LauncherResult result = flash("R242", "USB");
    EXPECT_EQ(result.exitStatus, 0) << result.output << readFile(dir / "BREVANT_LOG.txt");
    expectFlashHolds(image);
    EXPECT_EQ(printer->state().mode, sim::PrinterMode::Online);
    EXPECT_THAT(readFile(dir / "BREVANT_LOG.txt"), HasSubstr("Interface  \t : USB \r\n"));
}

TEST_F(LauncherUsb, NoPrinterOnTheBusOrOnlyDecoysEndsWithNoAcknowledge)
{
    // Only a mouse on the bus, and a printer of another family's product ids.
    startPrinter(sim::UsbInterface::Nhpi, {}, {{0x046D, 0xC31C}}, "R453");
    writeImage(1);
    LauncherResult result = flash("R242", "IBMUSB");
    EXPECT_EQ(result.exitStatus, kStatusOf(1004)) << result.output;
    EXPECT_EQ(printer->state().resetCount, 0);
}

TEST_F(LauncherUsb, SectorNakAndAPrinterThatVanishesEndWithTheirCodes)
{
    struct Case {
        sim::UsbInterface interface;
        const char* argument;
        const char* fault;
        int code;
    };
    for (const Case& c : {Case{sim::UsbInterface::IbmUsb, "IBMUSB", "nak:select:2", 1002},
                          Case{sim::UsbInterface::IbmUsb, "IBMUSB", "nak:erase:1", 1001},
                          Case{sim::UsbInterface::IbmUsb, "IBMUSB", "wrong-crc:sector-crc:1", 1005},
                          Case{sim::UsbInterface::IbmUsb, "IBMUSB", "drop:sector-data:1", 1003}}) {
        SCOPED_TRACE(c.fault);
        std::optional<sim::Fault> fault = sim::parseFault(c.fault);
        ASSERT_TRUE(fault);
        startPrinter(c.interface, {*fault});
        writeImage(2);
        LauncherResult result = flash("R242", c.argument);
        EXPECT_EQ(result.exitStatus, kStatusOf(c.code)) << result.output;
        printer->stop();
        printer.reset();
    }
}

// The R453 on its CPMI interface, online on its NHPI report device or as a USB printer-class
// device: USU goes off for the transfer and back on, the whole image goes in one online-mode
// block, and the printer is found again by its product id after its reset.
TEST_F(LauncherUsb, R453TakesItsOnlineModeImageOverNhpiAndOverPrtr)
{
    const int r453Main = sim::findPrinterType("R453")->mainSector;
    for (auto [interface, argument] : {std::pair{sim::UsbInterface::Nhpi, "NHPI"},
                                       std::pair{sim::UsbInterface::Prtr, "PRTR"}}) {
        SCOPED_TRACE(argument);
        startPrinter(interface, {}, {}, "R453", [](sim::PrinterOptions& o) { o.usuOn = true; });
        const std::string image = writeImage(3, 'J');
        LauncherResult result = flash("R453", argument);
        EXPECT_EQ(result.exitStatus, 0) << result.output << readFile(dir / "BREVANT_LOG.txt");
        std::string why;
        EXPECT_TRUE(printer->sectorsHoldFile(image, r453Main, &why)) << why;
        EXPECT_TRUE(printer->state().usuOn);
        EXPECT_EQ(printer->state().mode, sim::PrinterMode::Online);
        printer->stop();
        printer.reset();
    }
}

// A CPMI printer already in its boot program takes the sector download over its report
// device; with no printer on the bus the job ends with 1501.
TEST_F(LauncherUsb, CpmiPrinterInItsBootProgramAndNoCpmiPrinter)
{
    startPrinter(sim::UsbInterface::Cpmi, {}, {}, "R241", [](sim::PrinterOptions& o) { o.startInDownloadMode = true; });
    const std::string image = writeImage(2);
    LauncherResult result = flash("R241", "CPMI");
    EXPECT_EQ(result.exitStatus, 0) << result.output << readFile(dir / "BREVANT_LOG.txt");
    std::string why;
    EXPECT_TRUE(printer->sectorsHoldFile(image, sim::findPrinterType("R241")->mainSector, &why)) << why;
    printer->stop();
    printer.reset();

    // Only a mouse on the bus.
    startPrinter(sim::UsbInterface::Nhpi, {}, {{0x046D, 0xC31C}}, "R453");
    printer->stop();
    result = flash("R241", "CPMI");
    EXPECT_EQ(result.exitStatus, exitStatusFor(1501)) << result.output;
}

} // namespace
} // namespace kyv::launcher::test
