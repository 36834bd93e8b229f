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

class SerialFaultMatrix : public ::testing::TestWithParam<const char*> {
protected:
    void SetUp() override
    {
        setTimeScale(0.01);
        clearStopRequest();
        image = patternImage(kSectors * kSector - 3000);
        imagePath = (dir.path() / "image.mfw").string();
        std::ofstream(imagePath, std::ios::binary)
            .write(reinterpret_cast<const char*>(image.data()), static_cast<std::streamsize>(image.size()));
        mainSector = catalogue.row(catalogue.indexOf("R241")).mainSector;
    }

    std::unique_ptr<sim::PtyPrinter> startPrinter(std::vector<sim::Fault> faults)
    {
        sim::PrinterOptions options;
        options.model = "R241";
        options.faults = std::move(faults);
        auto printer = std::make_unique<sim::PtyPrinter>(options);
        EXPECT_TRUE(printer->start()) << printer->errorText();
        return printer;
    }

    // One job over the printer's line; its code, or -2 when it outran the limit.
    ResultCode flash(sim::PtyPrinter& printer)
    {
        RecordingEvents events;
        ModelInfo row = catalogue.row(catalogue.indexOf("R241"));
        FlashJob& job = row.job;
        job.interfaceName = printer.slavePath();
        job.interfaceKind = kSerialPort;
        job.parity = "NONE";
        job.baudRate = printer.state().baud;
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

    // The flash outside the sectors the job writes, as it stands.
    sim::Bytes flashOutsideJob(const sim::PtyPrinter& printer) const
    {
        sim::Bytes outside;
        for (int sector = 1;; ++sector) {
            sim::Bytes bytes = printer.sectorBytes(sector);
            if (bytes.empty())
                return outside;
            if (sector < mainSector || sector >= mainSector + kSectors)
                outside.insert(outside.end(), bytes.begin(), bytes.end());
        }
    }

    ScratchDir dir;
    ModelCatalogue catalogue;
    std::vector<uint8_t> image;
    std::string imagePath;
    int mainSector = 0;
};

bool portOpensAgain(const std::string& path)
{
    int fd = ::open(path.c_str(), O_RDWR | O_NOCTTY | O_NONBLOCK | O_CLOEXEC);
    if (fd < 0)
        return false;
    ::close(fd);
    return true;
}

TEST_P(SerialFaultMatrix, EveryCommandEndsWithItsCodeAndACutOffPrinterIsFlashedAfterwards)
{
    const FaultKindUse& kind = faultKindNamed(GetParam());
    std::vector<CommandSeen> commands;
    {
        auto clean = startPrinter({});
        ASSERT_EQ(flash(*clean), 0);
        commands = commandsSeen(clean->transcript());
    }
    ASSERT_FALSE(commands.empty());
    MatrixTally tally;
    for (const CommandSeen& command : commands) {
        const Expectation* expected = expectationFor(serialExpectations(), command.name, kind.name);
        static const Expectation probe{"", "", -3, "probe"};
        if (expected == nullptr && probing())
            expected = &probe;
        ASSERT_NE(expected, nullptr) << "no row for " << command.name << " / " << kind.name;
        if (expected->code == kNotApplicable && !probing())
            continue;
        SCOPED_TRACE(command.name + " / " + kind.name + ": " + expected->reason);
        ++tally.runs;
        auto printer = startPrinter({faultFor(kind, command.name, command.count)});
        const sim::Bytes outsideBefore = flashOutsideJob(*printer);
        const ProcessResources before = processResources();
        const ResultCode code = flash(*printer);
        if (probing())
            std::printf("PROBE serial %s %s -> %d (table %d)\n", command.name.c_str(), kind.name, code,
                        expected->code);
        ProcessResources after;
        const bool released = resourcesBackTo(before, &after);
        EXPECT_NE(code, -2) << "the run outlived its limit";
        if (!probing()) {
            EXPECT_EQ(code, expected->code);
        }
        EXPECT_TRUE(released) << "descriptors " << before.descriptors << " -> " << after.descriptors
                              << ", children " << before.children << " -> " << after.children;
        EXPECT_TRUE(flashOutsideJob(*printer) == outsideBefore) << "flash written outside the job's sectors";
        bool passed = code == expected->code && released && flashOutsideJob(*printer) == outsideBefore;
        if (!kind.cutOff) {
            EXPECT_TRUE(portOpensAgain(printer->slavePath()));
            passed = passed && portOpensAgain(printer->slavePath());
        } else {
            // The line comes back (plugged in again): the printer keeps its mode and its
            // half-written sectors, and an ordinary job must flash it completely.
            ++tally.recoveries;
            printer->stop();
            printer->clearFaults();
            printer->replugLine();
            ASSERT_TRUE(printer->start()) << printer->errorText();
            EXPECT_TRUE(portOpensAgain(printer->slavePath()));
            const ResultCode again = flash(*printer);
            std::string why;
            const bool holds = printer->sectorsHoldFile(imagePath, mainSector, &why);
            EXPECT_EQ(again, 0) << "the recovery job";
            EXPECT_TRUE(holds) << why;
            if (again == 0 && holds)
                ++tally.recovered;
        }
        if (passed)
            ++tally.passed;
    }
    printTally(std::string("serial ") + kind.name, tally);
}

INSTANTIATE_TEST_SUITE_P(Kinds, SerialFaultMatrix, ::testing::ValuesIn(faultKindNames()),
                         [](const auto& info) { return faultTestName(info.param); });

} // namespace
} // namespace kyv::test
