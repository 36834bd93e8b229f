#include "faults/network_rig.h"

#include "core/clock.h"
#include "core/profile_store.h"
#include "core/unique_fd.h"
#include "download/recording_events.h"

#include <gtest/gtest.h>

#include <arpa/inet.h>
#include <netinet/in.h>
#include <sys/socket.h>

#include <cstdlib>
#include <filesystem>
#include <fstream>

namespace kyv::test {
namespace {

constexpr size_t kSector = 64 * 1024;
constexpr auto kRunLimit = std::chrono::seconds(90);

} // namespace

uint8_t subnetOfKind(uint8_t base, const std::string& kind)
{
    uint8_t third = base;
    for (const char* name : faultKindNames()) {
        if (kind == name)
            break;
        ++third;
    }
    return third;
}

NetworkRig::NetworkRig(const NetworkPath& networkPath, uint8_t third)
    : path(networkPath), address(0x7F000005u | uint32_t{third} << 8)
{
    // The settings the job reads are the test's own.
    const std::string config = (dir.path() / "config").string();
    ::setenv("XDG_CONFIG_HOME", config.c_str(), 1);
    std::filesystem::create_directories(dir.path() / "config" / "KyvFlash");
    imagePath = (dir.path() / "firmware.mfw").string();
    std::ofstream(imagePath, std::ios::binary)
        .write(reinterpret_cast<const char*>(path.image.data()), static_cast<std::streamsize>(path.image.size()));
    mainSector = catalogue.row(catalogue.indexOf(path.model)).mainSector;
    sectors = static_cast<int>((path.image.size() + kSector - 1) / kSector);
}

void NetworkRig::startPrinter(std::vector<sim::Fault> faults)
{
    sim::LanOptions options = nextOptions;
    options.printer.model = path.model;
    options.printer.usuOn = path.usuOn;
    options.printer.restartTime = ProtocolMs{3000};
    options.printer.faults = std::move(faults);
    options.address = address;
    options.mask = 0xFF000000u; // hears the loopback broadcast
    options.wifi = path.wifi;
    options.serveFtp = path.ftp;
    options.rawPort = options.statusPort = options.searchPort = options.ftpPort = 0;
    sim::completeNetworkFace(options);
    printer = std::make_unique<sim::LanPrinter>(options);
    ASSERT_TRUE(printer->start()) << printer->errorText();
    ProfileStore store(settingsFile());
    const sim::LanPorts ports = printer->ports();
    store.setInt("Network", "RawPort", ports.raw);
    store.setInt("Network", "StatusPort", ports.status);
    store.setInt("Network", "SearchPort", ports.search);
    store.setInt("Network", "FtpPort", path.ftp ? ports.ftp : 1); // nothing else may use FTP
    store.setText("Network", "BroadcastAddress", "127.255.255.255");
    // A Python FTP server on a loaded machine may be slow to take a connection.
    if (path.ftp)
        store.setInt("Network", "ConnectTimeout", 200000);
}

ResultCode NetworkRig::flash()
{
    RecordingEvents events;
    ModelInfo row = catalogue.row(catalogue.indexOf(path.model));
    FlashJob& job = row.job;
    job.interfaceName = path.interfaceName;
    job.interfaceKind = path.interfaceKind;
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
    if (!runBounded([&] { path.worker(row); }, kRunLimit))
        return -2;
    return events.outcome();
}

std::vector<sim::TranscriptEntry> NetworkRig::transcript() const
{
    return printer->session().transcript().entries();
}

sim::Bytes NetworkRig::flashOutsideJob() const
{
    sim::Bytes outside;
    for (int sector = 1;; ++sector) {
        sim::Bytes bytes = printer->session().sectorBytes(sector);
        if (bytes.empty())
            return outside;
        if (sector < mainSector || sector >= mainSector + sectors)
            outside.insert(outside.end(), bytes.begin(), bytes.end());
    }
}

bool NetworkRig::flashHoldsImage(std::string* why) const
{
    return printer->session().sectorsHoldFile(imagePath, mainSector, why);
}

bool NetworkRig::opensAgain()
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

void NetworkRig::bringBack()
{
    printer->session().withModel([](sim::PrinterModel& model) {
        model.clearFaults();
        model.reconnectLine();
    });
}

} // namespace kyv::test
