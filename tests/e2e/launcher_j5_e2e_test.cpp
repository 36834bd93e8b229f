// KyvFlashCom -> KyvFlash -> a J5 printer on the simulated USB bus: the HID download of J5
// and J5_REFRESH, a printer found in download mode, a CRC the printer disagrees with, a
// printer that never comes back, and the unattended refusal of an image older than the
// printer's firmware.
#include "core/clock.h"
#include "core/exit_status.h"
#include "core/result_code.h"
#include "launcher/launcher_process.h"
#include "sim/lib/usb/usb_printer.h"
#include "support/scratch_dir.h"

#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include <chrono>
#include <fstream>
#include <memory>
#include <random>

namespace kyv::launcher::test {
namespace {

using ::testing::HasSubstr;

// Where a J5 keeps its main firmware (the printer's own table).
constexpr int kJ5MainSector = 9;
// The launcher's fail-safe limit (800 s) at the tests' time scale of 0.01.
constexpr auto kLauncherLimit = std::chrono::seconds(8);

// The firmware an image carries in its header: date stamp DDMMYY at bytes 3 to 8 and the
// version text at bytes 9 to 13.
struct ImageFirmware {
    std::string stamp = "010124";
    std::string version = "01.05";
};

class LauncherJ5 : public ::testing::Test {
protected:
    void SetUp() override { setTimeScale(0.01); }
    void TearDown() override
    {
        if (printer)
            printer->stop();
    }

    void startPrinter(const std::string& model, std::vector<std::string> faults = {}, bool downloadMode = false,
                      std::optional<std::string> firmware = std::nullopt)
    {
        sim::UsbPrinterOptions options;
        options.printer.model = model;
        options.printer.restartTime = ProtocolMs{3000};
        options.printer.startInDownloadMode = downloadMode;
        for (const std::string& text : faults) {
            std::optional<sim::Fault> fault = sim::parseFault(text);
            ASSERT_TRUE(fault) << text;
            options.printer.faults.push_back(*fault);
        }
        if (firmware) {
            options.j5Firmware = sim::parseJ5Firmware(*firmware);
            ASSERT_TRUE(options.j5Firmware) << *firmware;
        }
        options.busPath = dir / "usb.sock";
        options.interface = sim::UsbInterface::Hid;
        options.port = "1-3";
        printer = std::make_unique<sim::UsbPrinter>(options);
        ASSERT_TRUE(printer->start()) << printer->errorText();
    }

    // A J5 main firmware: K, M, the firmware fields, the CRC of the data after the 16-byte
    // header (polynomial 0x1021 without augmentation, as the printer computes it: the
    // XMODEM CRC of all but the last two bytes, XOR-ed with those two read big-endian),
    // low byte at 14. Long enough for more than 64 blocks of 1021 bytes.
    std::string writeImage(const ImageFirmware& firmware = {}, size_t dataBytes = 70000)
    {
        std::string bytes(16 + dataBytes, '\0');
        std::mt19937 random(11);
        for (size_t i = 16; i < bytes.size(); ++i)
            bytes[i] = static_cast<char>(random());
        bytes[0] = 'K';
        bytes[1] = 'M';
        bytes.replace(3, 6, firmware.stamp);
        bytes.replace(9, 5, firmware.version);
        const uint16_t crc = directCrc(std::string_view(bytes).substr(16));
        bytes[14] = static_cast<char>(crc & 0xFF);
        bytes[15] = static_cast<char>(crc >> 8);
        std::ofstream(dir / "firmware.mfw", std::ios::binary) << bytes;
        return dir / "firmware.mfw";
    }

    static uint16_t directCrc(std::string_view data)
    {
        uint16_t crc = 0;
        const size_t body = data.size() - 2;
        for (size_t i = 0; i < body; ++i) {
            crc ^= static_cast<uint16_t>(static_cast<uint8_t>(data[i]) << 8);
            for (int bit = 0; bit < 8; ++bit)
                crc = static_cast<uint16_t>(crc & 0x8000 ? (crc << 1) ^ 0x1021 : crc << 1);
        }
        return crc ^ static_cast<uint16_t>(static_cast<uint8_t>(data[body]) << 8 | static_cast<uint8_t>(data[body + 1]));
    }

    LauncherResult flash(const std::string& model)
    {
        const auto began = std::chrono::steady_clock::now();
        LauncherResult result = runLauncher({model, "M", "HID", "firmware.mfw", "RETSTAT"},
                                            {{"XDG_CONFIG_HOME", dir / "config"},
                                             {"KYVFLASH_CHILD", ""},
                                             {"KYVFLASH_USB_BUS", "unix:" + (dir / "usb.sock")}},
                                            dir.path());
        took = std::chrono::steady_clock::now() - began;
        return result;
    }

    void expectFlashHolds(const std::string& image)
    {
        std::string why;
        EXPECT_TRUE(printer->sectorsHoldFile(image, kJ5MainSector, &why)) << why;
    }

    std::string log() { return readFile(dir / "BREVANT_LOG.txt"); }

    kyv::test::ScratchDir dir;
    std::unique_ptr<sim::UsbPrinter> printer;
    std::chrono::steady_clock::duration took{};
};

TEST_F(LauncherJ5, BothModelsAreSwitchedFlashedResetAndFoundAgain)
{
    for (const char* model : {"J5", "J5_REFRESH"}) {
        SCOPED_TRACE(model);
        startPrinter(model);
        const std::string image = writeImage();
        LauncherResult result = flash(model);
        EXPECT_EQ(result.exitStatus, exitStatusFor(rc::Success)) << result.output << log();
        expectFlashHolds(image);
        EXPECT_EQ(printer->state().mode, sim::PrinterMode::Online);
        EXPECT_EQ(printer->state().resetCount, 2); // the switch to download mode and the reset
        EXPECT_THAT(log(), HasSubstr("Checking communication line status  ... (Step 7)"));
        printer->stop();
        printer.reset();
    }
}

TEST_F(LauncherJ5, APrinterInDownloadModeIsFlashedWithoutTheSwitchAndNotAwaited)
{
    startPrinter("J5", {}, true);
    const std::string image = writeImage();
    LauncherResult result = flash("J5");
    EXPECT_EQ(result.exitStatus, exitStatusFor(rc::Success)) << result.output << log();
    expectFlashHolds(image);
    EXPECT_EQ(printer->state().resetCount, 1); // only the reset after the image
}

// Each ends with its own code, well inside the launcher's limit: the waits for a printer
// that never comes back are bounded.
TEST_F(LauncherJ5, FailuresAfterTheImageOrAPrinterThatNeverComesBackEndWithTheirCodes)
{
    struct Case {
        const char* model;
        const char* fault;
        ResultCode code;
        bool imageArrives;
        int resets; // the switch to download mode and the reset, as far as they came
    };
    for (const Case& c : {Case{"J5", "wrong-crc:j5-crc", rc::CrcDifferent, true, 1},
                          Case{"J5_REFRESH", "wrong-crc:j5-crc", rc::CrcDifferent, true, 1},
                          Case{"J5", "nak:j5-image", rc::HidTransferNotAcknowledged, false, 1},
                          // Switched, then never on the bus again: ten looks for download mode.
                          Case{"J5", "vanish:download-mode", rc::NoAcknowledge, false, 1},
                          // Flashed and reset, then never on the bus again: twenty looks.
                          Case{"J5_REFRESH", "vanish:restart", rc::InterfaceBusy, true, 2}}) {
        SCOPED_TRACE(std::string(c.model) + " " + c.fault);
        startPrinter(c.model, {c.fault});
        const std::string image = writeImage();
        LauncherResult result = flash(c.model);
        EXPECT_EQ(result.exitStatus, exitStatusFor(c.code)) << result.output << log();
        EXPECT_LT(took, kLauncherLimit / 2);
        EXPECT_EQ(printer->state().resetCount, c.resets);
        if (c.imageArrives)
            expectFlashHolds(image); // the whole image went before the failure was seen
        else
            EXPECT_EQ(printer->state().sectorWrites, 0);
        printer->stop();
        printer.reset();
    }
}

// The printer runs firmware 31 Dec 2023, version 01.05. The stamp compares year, month,
// day; the version skips its third character.
TEST_F(LauncherJ5, AnOlderImageIsRefusedUnattendedAndTheRestIsFlashed)
{
    struct Case {
        const char* what;
        ImageFirmware image;
        ResultCode code;
    };
    for (const Case& c : {Case{"same firmware", {"311223", "01.05"}, rc::Success},
                          Case{"later year, earlier day and month", {"010124", "01.05"}, rc::Success},
                          Case{"newer version", {"311223", "01.06"}, rc::Success},
                          Case{"another separator only", {"311223", "01-05"}, rc::Success},
                          Case{"earlier year, later day and month", {"010222", "01.05"}, rc::WrongFirmwareFile},
                          Case{"earlier day", {"301223", "01.05"}, rc::WrongFirmwareFile},
                          Case{"older version, newer stamp", {"010124", "01.04"}, rc::WrongFirmwareFile},
                          Case{"older major version", {"311223", "00.99"}, rc::WrongFirmwareFile}}) {
        SCOPED_TRACE(c.what);
        startPrinter("J5", {}, false, "311223:01.05");
        const std::string image = writeImage(c.image);
        LauncherResult result = flash("J5");
        EXPECT_EQ(result.exitStatus, exitStatusFor(c.code)) << result.output << log();
        if (c.code == rc::Success) {
            expectFlashHolds(image);
        } else {
            EXPECT_THAT(log(), HasSubstr("Old version is selected to download"));
            // Refused before the switch: the printer was neither switched nor written.
            EXPECT_EQ(printer->state().resetCount, 0);
            EXPECT_EQ(printer->state().sectorWrites, 0);
            EXPECT_EQ(printer->state().mode, sim::PrinterMode::Online);
        }
        printer->stop();
        printer.reset();
    }
}

} // namespace
} // namespace kyv::launcher::test
