#pragma once
// The rig of the network paths of the fault matrix: a printer of the path's model served in
// this process by a simulated network printer on a loopback address of the test's own, its
// ports in the test's own settings, and one main-firmware job of the path's worker against it.

#include "core/catalogue.h"
#include "core/job_end.h"
#include "download/worker_job.h"
#include "faults/fault_run.h"
#include "sim/lib/lan/lan_printer.h"
#include "support/scratch_dir.h"

#include <cstddef>
#include <cstdint>
#include <filesystem>
#include <memory>
#include <string>
#include <vector>

namespace kyv::test {

struct NetworkPath {
    bool wifi = false;          // the WiFi interface; else Ethernet
    bool ftp = false;           // the printer serves FTP and the job uploads by it
    const char* model = "R451-2XX8/3XX8/4XX8/6XX8";
    std::vector<uint8_t> image; // main firmware
    const char* interfaceName = "";
    int interfaceKind = 0;      // kLanJob or kWifiJob
    JobEnd (*worker)(WorkerJob) = nullptr;
    bool usuOn = false;         // the printer starts with USU switched on
};

// A loopback network of each fault kind's own, so that the kinds' tests can run side by
// side: the third byte of the address, `base` plus the kind's place in faultKinds().
uint8_t subnetOfKind(uint8_t base, const std::string& kind);

class NetworkRig : public PathRig {
public:
    // The printer at 127.0.`third`.5.
    NetworkRig(const NetworkPath& path, uint8_t third);

    void startPrinter(std::vector<sim::Fault> faults) override;
    void stopPrinter() override { printer.reset(); }
    ResultCode flash() override;
    std::vector<sim::TranscriptEntry> transcript() const override;
    sim::Bytes flashOutsideJob() const override;
    bool flashHoldsImage(std::string* why) const override;
    // A printer that was just reset is off the network for its restart time (3 s).
    bool opensAgain() override;
    void bringBack() override;

    // What the printers started from now on are besides (an FTP server that refuses
    // logins); address, ports, model and faults are the rig's.
    sim::LanOptions nextOptions;

protected:
    // The settings the job reads.
    std::filesystem::path settingsFile() const { return dir.path() / "config" / "KyvFlash" / "KyvFlash.ini"; }
    sim::LanPorts printerPorts() const { return printer->ports(); }

private:
    NetworkPath path;
    ScratchDir dir;
    ModelCatalogue catalogue;
    uint32_t address;
    std::string imagePath;
    int mainSector = 0;
    int sectors = 0; // the sectors the image fills from mainSector on
    std::unique_ptr<sim::LanPrinter> printer;
};

} // namespace kyv::test
