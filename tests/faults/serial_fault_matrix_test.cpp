// An R241 on its serial line (a pty), flashed with main firmware: every command the job sends,
// each fault kind in turn, the code each must end with, and after every cut-off an ordinary
// job against the same printer that flashes it completely.
#include "core/catalogue.h"
#include "download/local_download.h"
#include "download/recording_events.h"
#include "download/simulated_serial_job.h"
#include "faults/fault_expectations.h"
#include "faults/fault_run.h"
#include "sim/lib/pty_printer.h"
#include "support/scratch_dir.h"

#include <gtest/gtest.h>

#include <fcntl.h>
#include <unistd.h>

#include <fstream>

namespace kyv::test {
namespace {

constexpr size_t kSector = 64 * 1024;
constexpr int kSectors = 2;
constexpr auto kRunLimit = std::chrono::seconds(60);

class SerialRig final : public PathRig {
public:
    SerialRig()
    {
        image = patternImage(kSectors * kSector - 3000);
        imagePath = (dir.path() / "image.mfw").string();
        std::ofstream(imagePath, std::ios::binary)
            .write(reinterpret_cast<const char*>(image.data()), static_cast<std::streamsize>(image.size()));
        mainSector = catalogue.row(catalogue.indexOf("R241")).mainSector;
    }

    void startPrinter(std::vector<sim::Fault> faults) override
    {
        sim::PrinterOptions options;
        options.model = "R241";
        options.faults = std::move(faults);
        printer = std::make_unique<sim::PtyPrinter>(options);
        ASSERT_TRUE(printer->start()) << printer->errorText();
    }
    void stopPrinter() override { printer.reset(); }

    ResultCode flash() override
    {
        RecordingEvents events;
        ModelInfo row = catalogue.row(catalogue.indexOf("R241"));
        FlashJob& job = row.job;
        job.interfaceName = printer->slavePath();
        job.interfaceKind = kSerialPort;
        job.parity = "NONE";
        job.baudRate = printer->state().baud;
        job.stopBits = 1;
        job.startSector = mainSector;
        job.downloadTypeCode = 2;
        job.notifyWindow = &events;
        job.filePath = imagePath;
        job.workDir = dir.path().string();
        job.progressRange = kSectors * 4 + 15;
        job.commandLineMode = 1;
        job.checkModel = 1;
        job.printAfter = 1;
        job.portDetection = 1;
        if (!runBounded([&] { RunLocalDownload(row); }, kRunLimit))
            return -2;
        return events.outcome();
    }

    std::vector<sim::TranscriptEntry> transcript() const override { return printer->transcript(); }

    sim::Bytes flashOutsideJob() const override
    {
        return flashOutside([this](int sector) { return printer->sectorBytes(sector); }, mainSector, kSectors);
    }

    bool flashHoldsImage(std::string* why) const override
    {
        return printer->sectorsHoldFile(imagePath, mainSector, why);
    }

    bool opensAgain() override
    {
        int fd = ::open(printer->slavePath().c_str(), O_RDWR | O_NOCTTY | O_NONBLOCK | O_CLOEXEC);
        if (fd < 0)
            return false;
        ::close(fd);
        return true;
    }

    void bringBack() override
    {
        printer->stop();
        printer->clearFaults();
        printer->replugLine();
        ASSERT_TRUE(printer->start()) << printer->errorText();
    }

private:
    ScratchDir dir;
    ModelCatalogue catalogue;
    std::vector<uint8_t> image;
    std::string imagePath;
    int mainSector = 0;
    std::unique_ptr<sim::PtyPrinter> printer;
};

class SerialFaultMatrix : public ::testing::TestWithParam<const char*> {
protected:
    void SetUp() override
    {
        setTimeScale(0.01);
        clearStopRequest();
    }
};

TEST_P(SerialFaultMatrix, EveryCommandEndsWithItsCodeAndACutOffPrinterIsFlashedAfterwards)
{
    SerialRig rig;
    runFaultMatrix(rig, serialExpectations(), faultKindNamed(GetParam()), "serial");
}

INSTANTIATE_TEST_SUITE_P(Kinds, SerialFaultMatrix, ::testing::ValuesIn(faultKindNames()),
                         [](const auto& info) { return faultTestName(info.param); });

} // namespace
} // namespace kyv::test
