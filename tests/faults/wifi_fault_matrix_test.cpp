// An R451 on WiFi (the raw TCP port of a simulated network printer, no FTP), flashed with main
// firmware: every command the job sends, each fault kind in turn, the code each must end
// with, and after every cut-off an ordinary job against the same printer.
#include "core/catalogue.h"
#include "core/profile_store.h"
#include "core/unique_fd.h"
#include "download/recording_events.h"
#include "download/simulated_serial_job.h"
#include "download/wifi_download.h"
#include "faults/fault_expectations.h"
#include "faults/fault_run.h"
#include "sim/lib/lan/lan_printer.h"
#include "support/scratch_dir.h"

#include <gtest/gtest.h>

#include <arpa/inet.h>
#include <netinet/in.h>
#include <sys/socket.h>

#include <cstdlib>
#include <filesystem>
#include <fstream>

namespace kyv::test {
namespace {

constexpr const char* kModel = "R451-2XX8/3XX8/4XX8/6XX8";
constexpr size_t kSector = 64 * 1024;
constexpr int kSectors = 2;
constexpr auto kRunLimit = std::chrono::seconds(90);

class WifiRig final : public PathRig {
public:
    explicit WifiRig(uint8_t third) : address(0x7F000005u | uint32_t{third} << 8)
    {
        // The settings the job reads are the test's own.
        const std::string config = (dir.path() / "config").string();
        ::setenv("XDG_CONFIG_HOME", config.c_str(), 1);
        std::filesystem::create_directories(dir.path() / "config" / "KyvFlash");
        // Whole sectors, main firmware's type letter at byte 1.
        image = patternImage(kSectors * kSector);
        image[1] = 'M';
        imagePath = (dir.path() / "firmware.mfw").string();
        std::ofstream(imagePath, std::ios::binary)
            .write(reinterpret_cast<const char*>(image.data()), static_cast<std::streamsize>(image.size()));
        mainSector = catalogue.row(catalogue.indexOf(kModel)).mainSector;
    }

    void startPrinter(std::vector<sim::Fault> faults) override
    {
        sim::LanOptions options;
        options.printer.model = kModel;
        options.printer.restartTime = ProtocolMs{3000};
        options.printer.faults = std::move(faults);
        options.address = address;
        options.mask = 0xFF000000u; // hears the loopback broadcast
        options.wifi = true;
        options.serveFtp = false;
        options.rawPort = options.statusPort = options.searchPort = 0;
        sim::completeNetworkFace(options);
        printer = std::make_unique<sim::LanPrinter>(options);
        ASSERT_TRUE(printer->start()) << printer->errorText();
        ProfileStore store(dir.path() / "config" / "KyvFlash" / "KyvFlash.ini");
        const sim::LanPorts ports = printer->ports();
        store.setInt("Network", "RawPort", ports.raw);
        store.setInt("Network", "StatusPort", ports.status);
        store.setInt("Network", "SearchPort", ports.search);
        store.setInt("Network", "FtpPort", 1); // nothing on WiFi may use FTP
        store.setText("Network", "BroadcastAddress", "127.255.255.255");
    }
    void stopPrinter() override { printer.reset(); }

    ResultCode flash() override
    {
        RecordingEvents events;
        ModelInfo row = catalogue.row(catalogue.indexOf(kModel));
        FlashJob& job = row.job;
        job.interfaceName = "WIFI";
        job.interfaceKind = kWifiJob;
        job.ipAddress = address;
        job.startSector = mainSector;
        job.downloadTypeCode = 2;
        job.notifyWindow = &events;
        job.filePath = imagePath;
        job.workDir = dir.path().string();
        job.progressRange = 10;
        job.commandLineMode = 1;
        job.checkModel = 1;
        job.printAfter = 1;
        if (!runBounded([&] { RunWifiDownload(row); }, kRunLimit))
            return -2;
        return events.outcome();
    }

    std::vector<sim::TranscriptEntry> transcript() const override
    {
        return printer->session().transcript().entries();
    }

    sim::Bytes flashOutsideJob() const override
    {
        sim::Bytes outside;
        for (int sector = 1;; ++sector) {
            sim::Bytes bytes = printer->session().sectorBytes(sector);
            if (bytes.empty())
                return outside;
            if (sector < mainSector || sector >= mainSector + kSectors)
                outside.insert(outside.end(), bytes.begin(), bytes.end());
        }
    }

    bool flashHoldsImage(std::string* why) const override
    {
        return printer->session().sectorsHoldFile(imagePath, mainSector, why);
    }

    // A printer that was just reset is off the network for its restart time (3 s).
    bool opensAgain() override
    {
        for (int attempt = 0; attempt < 60; ++attempt) {
            UniqueFd socket(::socket(AF_INET, SOCK_STREAM | SOCK_CLOEXEC, 0));
            sockaddr_in to{};
            to.sin_family = AF_INET;
            to.sin_addr.s_addr = htonl(printer->address());
            to.sin_port = htons(printer->ports().raw);
            if (socket.valid() && ::connect(socket.get(), reinterpret_cast<sockaddr*>(&to), sizeof to) == 0)
                return true;
            sleepFor(ProtocolMs{100});
        }
        return false;
    }

    void bringBack() override
    {
        printer->session().withModel([](sim::PrinterModel& model) {
            model.clearFaults();
            model.reconnectLine();
        });
    }

private:
    ScratchDir dir;
    ModelCatalogue catalogue;
    uint32_t address;
    std::vector<uint8_t> image;
    std::string imagePath;
    int mainSector = 0;
    std::unique_ptr<sim::LanPrinter> printer;
};

class WifiFaultMatrix : public ::testing::TestWithParam<const char*> {
protected:
    void SetUp() override
    {
        setTimeScale(0.01);
        clearStopRequest();
    }
};

TEST_P(WifiFaultMatrix, EveryCommandEndsWithItsCodeAndACutOffPrinterIsFlashedAfterwards)
{
    // A loopback network of each kind's own: 127.0.(100 + kind).5.
    uint8_t third = 100;
    for (const char* name : faultKindNames()) {
        if (std::string(name) == GetParam())
            break;
        ++third;
    }
    WifiRig rig(third);
    runFaultMatrix(rig, wifiExpectations(), faultKindNamed(GetParam()), "wifi");
}

INSTANTIATE_TEST_SUITE_P(Kinds, WifiFaultMatrix, ::testing::ValuesIn(faultKindNames()),
                         [](const auto& info) { return faultTestName(info.param); });

} // namespace
} // namespace kyv::test
