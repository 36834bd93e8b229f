#pragma once
// The model catalogue: every printer model the program can flash, with its flash layout,
// the sector at which each kind of image starts, a few behaviour flags, and the job
// fields of the download about to run on it. Built once, never resized; the row index
// is the model index used by the dialog and the command line.

#include "core/sector_map.h"

#include <array>
#include <cstdint>
#include <string>

namespace kyv {

class JobEvents;

// Connection kind of a job. The port object uses the same numbers plus 1 (parallel port).
enum InterfaceKind : int {
    kSerialPort = 0,
    kParallelPort = 1,
    kUsbReportDevice = 2,
    kLanOrWifi = 3,
    kUsbDeviceClass = 4, // CPMI, NHPI, PRTR
    kIbmUsb = 5,
    kHid = 6,
    kLanJob = 1001,  // LAN, as stored in the job at dispatch
    kWifiJob = 1002, // WIFI, as stored in the job at dispatch
};

// The settings of the download about to run on a model; written at dispatch, read by
// the worker. All zero or empty initially except checkModel and printAfter.
struct FlashJob {
    std::string interfaceName; // "COM3", "USB", "CPMI", "NHPI", "PRTR", "IBM USB", "HID", "LAN", "WIFI"
    std::string parity;        // "NONE", "EVEN", "ODD"
    int interfaceKind = 0;
    int baudRate = 0;
    int stopBits = 0;
    uint32_t ipAddress = 0; // first octet in the most significant byte
    int startSector = 0;
    JobEvents* notifyWindow = nullptr;
    std::string filePath;
    int progressRange = 0;
    std::string workDir;
    int checkModel = 1;
    int printAfter = 1;
    int commandLineMode = 0;
    std::array<int, 2> imageInfo{}; // image bytes 14 and 15
    int portDetection = 0;
    int downloadTypeCode = 0;
    int usbClassPrtr = 0; // 1 = "PRTR", 0 = "NHPI"
};

struct ModelInfo {
    std::string displayName;
    std::string family;
    const SectorMap* sectorMap = nullptr;
    int mainSector = 0;
    int iplSector = 0; // also "IMF FILE"
    int ankSector = 0;
    int iplLanSector = 0;
    int bootInitialSector = 0;
    int slip2ByteSector = 0;
    int receipt2ByteSector = 0;
    int asianFontSector = 0;
    int slipAsianSector = 0;
    int receiptAsianSector = 0;
    int cp932Sector = 0;
    int sbcsSector = 0;
    int dbcsSector = 0;
    int tableSector = 0;
    int sdbcsSector = 0;
    int longWait = 0;
    int altCrc = 0;
    int configTableOffered = 0;
    char imageSignature = 0; // expected first byte of IPL/MAIN images; 0 = not checked
    FlashJob job;
};

class ModelCatalogue {
public:
    static constexpr int kRowCount = 26;
    static constexpr int kDefaultModel = 0; // R241

    ModelCatalogue(); // builds the 26 rows with their initial job fields

    ModelInfo& row(int index) { return rows_.at(static_cast<size_t>(index)); }
    const ModelInfo& row(int index) const { return rows_.at(static_cast<size_t>(index)); }
    // Index of the first row whose displayName equals the text exactly; -1 when none.
    int indexOf(const std::string& displayName) const;
    static constexpr int size() { return kRowCount; }

private:
    std::array<ModelInfo, kRowCount> rows_;
};

} // namespace kyv
