// An R242 on the simulated USB bus over IBM USB, flashed with main firmware: every command the
// job sends, each fault kind in turn, the code each must end with, and after every cut-off
// (the printer gone from the bus) an ordinary job against the same printer, powered on again.
#include "core/catalogue.h"
#include "core/unique_fd.h"
#include "download/local_download.h"
#include "download/recording_events.h"
#include "download/simulated_serial_job.h"
#include "faults/fault_expectations.h"
#include "faults/fault_run.h"
#include "sim/lib/session/printer_session.h"
#include "sim/lib/usb/usb_printer.h"
#include "support/scratch_dir.h"

#include <gtest/gtest.h>

#include <sys/socket.h>
#include <sys/un.h>

#include <cstdlib>
#include <cstring>
#include <fstream>

namespace kyv::test {
namespace {

constexpr const char* kModel = "R242";
constexpr size_t kSector = 64 * 1024;
constexpr int kSectors = 2;
constexpr auto kRunLimit = std::chrono::seconds(60);

// The process finds its USB bus once, at its first look; every printer of this program
// serves that one socket in turn.
const std::string& busPath()
{
    static const ScratchDir dir;
    static const std::string path = dir / "usb.sock";
    return path;
}

// Before any test of the program looks at the bus (a serial job's port detection does too).
const bool kBusChosen = [] { return ::setenv("KYVFLASH_USB_BUS", ("unix:" + busPath()).c_str(), 1) == 0; }();

class UsbRig final : public PathRig {
public:
    UsbRig()
    {
        image = patternImage(kSectors * kSector);
        image[1] = 'M';
        imagePath = (dir.path() / "firmware.mfw").string();
        std::ofstream(imagePath, std::ios::binary)
            .write(reinterpret_cast<const char*>(image.data()), static_cast<std::streamsize>(image.size()));
        mainSector = catalogue.row(catalogue.indexOf(kModel)).mainSector;
    }

    void startPrinter(std::vector<sim::Fault> faults) override
    {
        sim::UsbPrinterOptions options;
        options.printer.model = kModel;
        options.printer.restartTime = ProtocolMs{3000};
        options.printer.faults = std::move(faults);
        options.busPath = busPath();
        options.interface = sim::UsbInterface::IbmUsb;
        options.port = "1-2";
        printer = std::make_unique<sim::UsbPrinter>(options);
        ASSERT_TRUE(printer->start()) << printer->errorText();
    }
    void stopPrinter() override { printer.reset(); }

    ResultCode flash() override
    {
        RecordingEvents events;
        ModelInfo row = catalogue.row(catalogue.indexOf(kModel));
        FlashJob& job = row.job;
        job.interfaceName = "IBM USB";
        job.interfaceKind = kIbmUsb;
        job.startSector = mainSector;
        job.downloadTypeCode = 2;
        job.notifyWindow = &events;
        job.filePath = imagePath;
        job.workDir = dir.path().string();
        job.progressRange = kSectors * 4 + 15;
        job.commandLineMode = 1;
        job.checkModel = 1;
        job.printAfter = 1;
        job.portDetection = 1; // the dialog's check box is on by default
        if (!runBounded([&] { RunLocalDownload(row); }, kRunLimit))
            return -2;
        return events.outcome();
    }

    std::vector<sim::TranscriptEntry> transcript() const override
    {
        return printer->session().transcript().entries();
    }

    sim::Bytes flashOutsideJob() const override
    {
        return flashOutside([this](int sector) { return printer->session().sectorBytes(sector); }, mainSector, kSectors);
    }

    bool flashHoldsImage(std::string* why) const override
    {
        return printer->sectorsHoldFile(imagePath, mainSector, why);
    }

    // The bus answers a new connection at once: nothing of the job holds it.
    bool opensAgain() override
    {
        UniqueFd socket(::socket(AF_UNIX, SOCK_STREAM | SOCK_CLOEXEC, 0));
        sockaddr_un to{};
        to.sun_family = AF_UNIX;
        std::strncpy(to.sun_path, busPath().c_str(), sizeof to.sun_path - 1);
        return socket.valid() && ::connect(socket.get(), reinterpret_cast<sockaddr*>(&to), sizeof to) == 0;
    }

    void bringBack() override
    {
        printer->stop();
        printer->plugBackIn();
        ASSERT_TRUE(printer->start()) << printer->errorText();
    }

private:
    ScratchDir dir;
    ModelCatalogue catalogue;
    std::vector<uint8_t> image;
    std::string imagePath;
    int mainSector = 0;
    std::unique_ptr<sim::UsbPrinter> printer;
};

class UsbFaultMatrix : public ::testing::TestWithParam<const char*> {
protected:
    void SetUp() override
    {
        ASSERT_TRUE(kBusChosen);
        setTimeScale(0.01);
        clearStopRequest();
    }
};

TEST_P(UsbFaultMatrix, EveryCommandEndsWithItsCodeAndACutOffPrinterIsFlashedAfterwards)
{
    UsbRig rig;
    runFaultMatrix(rig, ibmUsbExpectations(), faultKindNamed(GetParam()), "ibm-usb");
}

INSTANTIATE_TEST_SUITE_P(Kinds, UsbFaultMatrix, ::testing::ValuesIn(faultKindNames()),
                         [](const auto& info) { return faultTestName(info.param); });

} // namespace
} // namespace kyv::test
