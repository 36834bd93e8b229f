// A J5 on the simulated USB bus over its HID interface, flashed with main firmware as a
// block stream: every command the job sends, each fault kind in turn, the code each must
// end with, and after every cut-off (the printer gone from the bus) an ordinary job against
// the same printer, powered on again where the cut left it.
#include "core/catalogue.h"
#include "core/model_selection.h"
#include "download/hid_download.h"
#include "download/recording_events.h"
#include "faults/fault_expectations.h"
#include "faults/usb_bus_rig.h"
#include "sim/lib/session/printer_session.h"
#include "support/j5_image.h"
#include "support/scratch_dir.h"

#include <gtest/gtest.h>

#include <fstream>

namespace kyv::test {
namespace {

constexpr const char* kModel = "J5";
// Where a J5 keeps its main firmware (the printer's own table).
constexpr int kMainSector = 9;
// More than 64 blocks of 1021 bytes, so the pause after every 64th is crossed.
constexpr size_t kImageData = 70000;
constexpr auto kRunLimit = std::chrono::seconds(60);

class HidRig final : public UsbBusRig {
public:
    HidRig() : UsbBusRig(kModel, sim::UsbInterface::Hid, "1-3")
    {
        const std::vector<uint8_t> image = j5Image(kImageData);
        imagePath = (dir.path() / "firmware.mfw").string();
        std::ofstream(imagePath, std::ios::binary)
            .write(reinterpret_cast<const char*>(image.data()), static_cast<std::streamsize>(image.size()));
        imageBytes = image.size();
    }

    ResultCode flash() override
    {
        RecordingEvents events;
        ModelInfo row = catalogue.row(catalogue.indexOf(kModel));
        row.job.interfaceName = "HID";
        row.job.interfaceKind = kHid;
        row.job.notifyWindow = &events;
        row.job.filePath = imagePath;
        row.job.workDir = dir.path().string();
        row.job.progressRange = 100;
        row.job.commandLineMode = 1;
        row.job.printAfter = 1;
        WorkerJob job(row, pidListFor(row.family));
        job.hidImage = true;
        job.hidTypeLetter = 'M';
        if (!runBounded([&] { RunHidDownload(std::move(job)); }, kRunLimit))
            return -2;
        return events.outcome();
    }

    sim::Bytes flashOutsideJob() const override
    {
        const size_t sector = printer().session().sectorBytes(kMainSector).size();
        const int covered = sector == 0 ? 1 : static_cast<int>((imageBytes + sector - 1) / sector);
        return flashOutside([this](int n) { return printer().session().sectorBytes(n); }, kMainSector, covered);
    }

    bool flashHoldsImage(std::string* why) const override
    {
        return printer().sectorsHoldFile(imagePath, kMainSector, why);
    }

private:
    ScratchDir dir;
    ModelCatalogue catalogue;
    std::string imagePath;
    size_t imageBytes = 0;
};

using HidFaultMatrix = UsbPathMatrix;

TEST_P(HidFaultMatrix, EveryCommandEndsWithItsCodeAndACutOffPrinterIsFlashedAfterwards)
{
    HidRig rig;
    runFaultMatrix(rig, hidExpectations(), faultKindNamed(GetParam()), "hid");
}

INSTANTIATE_TEST_SUITE_P(Kinds, HidFaultMatrix, ::testing::ValuesIn(faultKindNames()),
                         [](const auto& info) { return faultTestName(info.param); });

} // namespace
} // namespace kyv::test
