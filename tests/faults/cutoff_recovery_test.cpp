// Flashes cut off from outside through KyvFlashCom (SIGTERM, the fail-safe limit) at each
// point of a main-firmware download, and the ordinary run after each that must flash the same
// printer completely: an R241 on its serial line and an R242 over IBM USB.
#include "core/profile_store.h"
#include "faults/cut_off_run.h"
#include "sim/lib/printer/printer_types.h"
#include "sim/lib/pty_printer.h"
#include "sim/lib/usb/usb_identity.h"
#include "sim/lib/usb/usb_printer.h"
#include "support/scratch_dir.h"
#include "transport/usb/usb_backend.h"

#include <gtest/gtest.h>

#include <fcntl.h>
#include <sys/file.h>
#include <sys/ioctl.h>
#include <unistd.h>

#include <cerrno>
#include <cstring>
#include <memory>
#include <random>

namespace kyv::test {
namespace {

constexpr size_t kSectorBytes = 64 * 1024;
// First, middle and last sector differ.
constexpr int kImageSectors = 3;

// Main firmware: random sectors, type letter M at byte 1.
std::string writeImage(const ScratchDir& dir)
{
    std::string bytes(kImageSectors * kSectorBytes, '\0');
    std::mt19937 random(5);
    for (char& b : bytes)
        b = static_cast<char>(random());
    bytes[1] = 'M';
    return dir.write("firmware.mfw", bytes);
}

// The flash of every sector of a printer but the job's.
template <class Printer>
sim::Bytes flashOutside(const Printer& printer, int firstSector)
{
    sim::Bytes outside;
    for (int sector = 1;; ++sector) {
        sim::Bytes bytes = printer.sectorBytes(sector);
        if (bytes.empty())
            return outside;
        if (sector < firstSector || sector >= firstSector + kImageSectors)
            outside.insert(outside.end(), bytes.begin(), bytes.end());
    }
}

class SerialCutRig final : public CutRig {
public:
    SerialCutRig()
    {
        image = writeImage(dir);
        ProfileStore settings(dir / "config/KyvFlash/KyvFlash.ini");
        EXPECT_TRUE(settings.setText("Ports", "COM3", dir / "COM3"));
    }
    ~SerialCutRig() override { stopPrinter(); }

    void startPrinter(std::function<void()> afterHostWrite) override
    {
        sim::PrinterOptions options;
        options.model = "R241";
        options.afterHostWrite = std::move(afterHostWrite);
        printer = std::make_unique<sim::PtyPrinter>(options);
        ASSERT_TRUE(printer->start(dir / "COM3")) << printer->errorText();
    }
    void stopPrinter() override { printer.reset(); }

    std::vector<std::string> jobArguments() const override
    {
        return {"R241", "M", "COM3", "115200", "NONE", "1", "firmware.mfw", "RETSTAT"};
    }
    std::map<std::string, std::string> environment() const override
    {
        return {{"XDG_CONFIG_HOME", dir / "config"}, {"KYVFLASH_CHILD", ""}};
    }
    std::string workDir() const override { return dir.path().string(); }

    std::vector<sim::TranscriptEntry> transcript(size_t from) const override { return printer->transcript(from); }
    sim::PrinterState state() const override { return printer->state(); }
    // The sector's header is parsed as its data starts to come.
    std::string dataBegunNote() const override { return "sector-data ("; }
    sim::Bytes flashOutsideJob() const override { return flashOutside(*printer, kMainSector); }
    bool flashHoldsImage(std::string* why) const override
    {
        return printer->sectorsHoldFile(image, kMainSector, why);
    }

    // Another program gets the line exclusively, as KyvFlash takes it: no lock and no
    // exclusive mode left behind (root passes the exclusive mode, so it is asked for).
    bool portFree(std::string* why) override
    {
        const int fd = ::open((dir / "COM3").c_str(), O_RDWR | O_NOCTTY | O_NONBLOCK | O_CLOEXEC);
        if (fd < 0) {
            *why = "the line does not open: " + std::string(std::strerror(errno));
            return false;
        }
        int exclusive = 0;
        const bool locked = ::flock(fd, LOCK_EX | LOCK_NB) == 0;
        const bool shared = ::ioctl(fd, TIOCGEXCL, &exclusive) == 0 && exclusive == 0;
        ::close(fd);
        if (!locked)
            *why = "the line is still locked";
        else if (!shared)
            *why = "the line is still in exclusive mode";
        return locked && shared;
    }
    // A printer that takes no more bytes keeps KyvFlash in its long sector write.
    CutGate::Mode timeLimitMode() const override { return CutGate::Mode::Hold; }

private:
    static constexpr int kMainSector = 6;
    ScratchDir dir;
    std::string image;
    std::unique_ptr<sim::PtyPrinter> printer;
};

class IbmUsbCutRig final : public CutRig {
public:
    IbmUsbCutRig() : image(writeImage(dir)) {}
    ~IbmUsbCutRig() override { stopPrinter(); }

    void startPrinter(std::function<void()> afterHostWrite) override
    {
        sim::UsbPrinterOptions options;
        options.printer.model = "R242";
        options.printer.restartTime = ProtocolMs{3000};
        options.printer.afterHostWrite = std::move(afterHostWrite);
        options.busPath = dir / "usb.sock";
        options.interface = sim::UsbInterface::IbmUsb;
        options.port = kPort;
        printer = std::make_unique<sim::UsbPrinter>(options);
        ASSERT_TRUE(printer->start()) << printer->errorText();
    }
    void stopPrinter() override { printer.reset(); }

    std::vector<std::string> jobArguments() const override { return {"R242", "M", "IBMUSB", "firmware.mfw", "RETSTAT"}; }
    std::map<std::string, std::string> environment() const override
    {
        return {{"XDG_CONFIG_HOME", dir / "config"}, {"KYVFLASH_CHILD", ""}, {"KYVFLASH_USB_BUS", "unix:" + (dir / "usb.sock")}};
    }
    std::string workDir() const override { return dir.path().string(); }

    std::vector<sim::TranscriptEntry> transcript(size_t from) const override { return printer->transcript(from); }
    sim::PrinterState state() const override { return printer->state(); }
    // The printer takes a sector whole after its four blocks; two of them are half of it.
    std::string dataBegunNote() const override { return "ibm usb: block 2 of"; }
    sim::Bytes flashOutsideJob() const override { return flashOutside(*printer, mainSector()); }
    bool flashHoldsImage(std::string* why) const override
    {
        return printer->sectorsHoldFile(image, mainSector(), why);
    }

    // The printer is back on its port (after a restart it was in) and opens.
    bool portFree(std::string* why) override
    {
        std::unique_ptr<UsbBackend> bus = makeUsbBackend(("unix:" + (dir / "usb.sock")).c_str());
        for (int attempt = 0; attempt < 200; ++attempt) {
            std::vector<UsbDeviceInfo> devices;
            bus->enumerate(devices);
            for (const UsbDeviceInfo& device : devices) {
                if (device.vendorId != sim::kPrinterVendor || device.port != kPort)
                    continue;
                std::unique_ptr<UsbHandle> handle;
                const UsbError error = bus->open(device.path, handle);
                if (error == UsbError::None)
                    return true;
                *why = device.path + " does not open: " + usbErrorName(error);
                return false;
            }
            sleepFor(ProtocolMs{1000});
        }
        *why = "the printer is not back on port " + std::string(kPort);
        return false;
    }
    // A silent printer makes the host give up on its bus request within the limit; a slow
    // one keeps it in the sector.
    CutGate::Mode timeLimitMode() const override { return CutGate::Mode::Crawl; }

private:
    static constexpr const char* kPort = "1-2";
    static int mainSector() { return sim::findPrinterType("R242")->mainSector; }
    ScratchDir dir;
    std::string image;
    std::unique_ptr<sim::UsbPrinter> printer;
};

class CutOffRecovery : public ::testing::Test {
protected:
    void SetUp() override { setTimeScale(0.01); }
    void TearDown() override { gate.release(); }
    CutGate gate;
};

TEST_F(CutOffRecovery, SerialFlashStoppedBySigtermAtEachPointIsFlashedByTheNextRun)
{
    SerialCutRig rig;
    runCutOffs(rig, gate, signalCutPoints(kImageSectors), CutBy::Signal, "serial");
}

TEST_F(CutOffRecovery, SerialFlashStoppedAtTheTimeLimitIsFlashedByTheNextRun)
{
    SerialCutRig rig;
    runCutOffs(rig, gate, timeLimitCutPoints(kImageSectors), CutBy::TimeLimit, "serial");
}

TEST_F(CutOffRecovery, IbmUsbFlashStoppedBySigtermAtEachPointIsFlashedByTheNextRun)
{
    IbmUsbCutRig rig;
    runCutOffs(rig, gate, signalCutPoints(kImageSectors), CutBy::Signal, "IBM USB");
}

TEST_F(CutOffRecovery, IbmUsbFlashStoppedAtTheTimeLimitIsFlashedByTheNextRun)
{
    IbmUsbCutRig rig;
    runCutOffs(rig, gate, timeLimitCutPoints(kImageSectors), CutBy::TimeLimit, "IBM USB");
}

} // namespace
} // namespace kyv::test
