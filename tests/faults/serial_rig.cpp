#include "faults/serial_rig.h"

#include "download/local_download.h"
#include "download/recording_events.h"

#include <gtest/gtest.h>

#include <fcntl.h>
#include <unistd.h>

#include <fstream>

namespace kyv::test {
namespace {

constexpr auto kRunLimit = std::chrono::seconds(60);

} // namespace

SerialRig::SerialRig(SerialPath serialPath) : path(std::move(serialPath))
{
    imagePath = (dir.path() / "image.mfw").string();
    std::ofstream(imagePath, std::ios::binary)
        .write(reinterpret_cast<const char*>(path.image.data()), static_cast<std::streamsize>(path.image.size()));
    mainSector = catalogue.row(catalogue.indexOf(path.model)).mainSector;
}

void SerialRig::startPrinter(std::vector<sim::Fault> faults)
{
    sim::PrinterOptions options;
    options.model = path.model;
    options.usuOn = path.usuOn;
    options.faults = std::move(faults);
    printer = std::make_unique<sim::PtyPrinter>(options);
    ASSERT_TRUE(printer->start()) << printer->errorText();
}

ResultCode SerialRig::flash()
{
    RecordingEvents events;
    ModelInfo row = catalogue.row(catalogue.indexOf(path.model));
    FlashJob& job = row.job;
    job.interfaceName = printer->slavePath();
    job.interfaceKind = kSerialPort;
    job.parity = "NONE";
    job.baudRate = printer->state().baud;
    job.stopBits = 1;
    job.startSector = mainSector;
    job.downloadTypeCode = path.downloadTypeCode;
    job.notifyWindow = &events;
    job.filePath = imagePath;
    job.workDir = dir.path().string();
    job.progressRange = static_cast<int>((path.image.size() + 65535) / 65536) * 4 + 15;
    job.commandLineMode = 1;
    job.checkModel = 1;
    job.printAfter = 1;
    job.portDetection = 1;
    if (!runBounded([&] { RunLocalDownload(row); }, kRunLimit))
        return -2;
    return events.outcome();
}

sim::Bytes SerialRig::flashOutsideJob() const
{
    // The sectors the image fills from the main sector on.
    int sectors = 0;
    for (size_t covered = 0; covered < path.image.size(); ++sectors) {
        const size_t size = printer->sectorBytes(mainSector + sectors).size();
        if (size == 0)
            break;
        covered += size;
    }
    return flashOutside([this](int sector) { return printer->sectorBytes(sector); }, mainSector, sectors);
}

bool SerialRig::flashHoldsImage(std::string* why) const
{
    return printer->sectorsHoldFile(imagePath, mainSector, why);
}

bool SerialRig::opensAgain()
{
    int fd = ::open(printer->slavePath().c_str(), O_RDWR | O_NOCTTY | O_NONBLOCK | O_CLOEXEC);
    if (fd < 0)
        return false;
    ::close(fd);
    return true;
}

void SerialRig::bringBack()
{
    printer->stop();
    printer->clearFaults();
    printer->replugLine();
    ASSERT_TRUE(printer->start()) << printer->errorText();
}

} // namespace kyv::test
