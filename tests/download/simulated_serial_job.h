#pragma once
// A catalogue row set up for a serial download to a simulated printer on a pty, with its
// image in a temporary directory that also serves as the start-up directory.

#include "core/catalogue.h"
#include "core/clock.h"
#include "download/recording_events.h"
#include "sim/lib/pty_printer.h"
#include "support/scratch_dir.h"

#include <gtest/gtest.h>

#include <cstdint>
#include <filesystem>
#include <fstream>
#include <memory>
#include <string>
#include <vector>

namespace kyv::test {

inline std::vector<uint8_t> patternImage(size_t length, uint8_t first = 'M')
{
    std::vector<uint8_t> bytes(length);
    uint32_t x = 0x12345678;
    for (uint8_t& b : bytes) {
        x = x * 1103515245u + 12345u;
        b = static_cast<uint8_t>(x >> 24);
    }
    if (!bytes.empty())
        bytes[0] = first;
    return bytes;
}

class SimulatedSerialJob : public ::testing::Test {
protected:
    void SetUp() override
    {
        setTimeScale(0.01);
        clearStopRequest();
        ASSERT_FALSE(scratch.path().empty());
        dir = scratch.path().string();
    }

    void TearDown() override
    {
        if (printer)
            printer->stop();
        clearStopRequest();
    }

    void startPrinter(sim::PrinterOptions options)
    {
        printer = std::make_unique<sim::PtyPrinter>(std::move(options));
        ASSERT_TRUE(printer->start()) << printer->errorText();
    }

    // Fills the job fields of the model's row for a download of image from startSector
    // over the printer's line at baud, as an unattended run would.
    ModelInfo& prepareJob(const std::string& model, int downloadTypeCode, int startSector,
                          const std::vector<uint8_t>& image, int baud = 115200)
    {
        imagePath = dir + "/image.bin";
        std::ofstream(imagePath, std::ios::binary)
            .write(reinterpret_cast<const char*>(image.data()), static_cast<std::streamsize>(image.size()));
        ModelInfo& row = catalogue.row(catalogue.indexOf(model));
        FlashJob& job = row.job;
        job.interfaceName = printer->slavePath();
        job.interfaceKind = kSerialPort;
        job.parity = "NONE";
        job.baudRate = baud;
        job.stopBits = 1;
        job.startSector = startSector;
        job.notifyWindow = &events;
        job.filePath = imagePath;
        job.progressRange = static_cast<int>(image.size() / 65536) * 4 + 15;
        job.workDir = dir;
        job.commandLineMode = 1;
        job.portDetection = 1;
        job.downloadTypeCode = downloadTypeCode;
        return row;
    }

    std::vector<std::string> texts() const { return events.texts(); }

    ScratchDir scratch;
    std::string dir;
    std::string imagePath;
    ModelCatalogue catalogue;
    RecordingEvents events;
    std::unique_ptr<sim::PtyPrinter> printer;
};

inline constexpr int kIplFirmware = 1;
inline constexpr int kMainFirmware = 2;

} // namespace kyv::test
