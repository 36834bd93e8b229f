// An R242 on the simulated USB bus over IBM USB, flashed with main firmware: every command the
// job sends, each fault kind in turn, the code each must end with, and after every cut-off
// (the printer gone from the bus) an ordinary job against the same printer, powered on again.
#include "core/catalogue.h"
#include "download/local_download.h"
#include "download/recording_events.h"
#include "download/simulated_serial_job.h"
#include "faults/fault_expectations.h"
#include "faults/fault_images.h"
#include "faults/usb_bus_rig.h"
#include "sim/lib/session/printer_session.h"
#include "support/scratch_dir.h"

#include <gtest/gtest.h>

#include <fstream>

namespace kyv::test {
namespace {

constexpr const char* kModel = "R242";
constexpr size_t kSector = 64 * 1024;
constexpr int kSectors = 2;
constexpr auto kRunLimit = std::chrono::seconds(60);

class UsbRig final : public UsbBusRig {
public:
    UsbRig() : UsbBusRig(kModel, sim::UsbInterface::IbmUsb, "1-2")
    {
        image = mainFirmwareImage(kSectors * kSector);
        imagePath = (dir.path() / "firmware.mfw").string();
        std::ofstream(imagePath, std::ios::binary)
            .write(reinterpret_cast<const char*>(image.data()), static_cast<std::streamsize>(image.size()));
        mainSector = catalogue.row(catalogue.indexOf(kModel)).mainSector;
    }

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

    sim::Bytes flashOutsideJob() const override
    {
        return flashOutside([this](int sector) { return printer().session().sectorBytes(sector); }, mainSector, kSectors);
    }

    bool flashHoldsImage(std::string* why) const override
    {
        return printer().sectorsHoldFile(imagePath, mainSector, why);
    }

private:
    ScratchDir dir;
    ModelCatalogue catalogue;
    std::vector<uint8_t> image;
    std::string imagePath;
    int mainSector = 0;
};

using UsbFaultMatrix = UsbPathMatrix;

TEST_P(UsbFaultMatrix, EveryCommandEndsWithItsCodeAndACutOffPrinterIsFlashedAfterwards)
{
    UsbRig rig;
    runFaultMatrix(rig, ibmUsbExpectations(), faultKindNamed(GetParam()), "ibm-usb");
}

INSTANTIATE_TEST_SUITE_P(Kinds, UsbFaultMatrix, ::testing::ValuesIn(faultKindNames()),
                         [](const auto& info) { return faultTestName(info.param); });

} // namespace
} // namespace kyv::test
