#pragma once
// The standard download: the printer is switched to its download (IPL) mode and found
// again, the image goes sector by sector (erase, select, data, sector CRC), the printer
// recalculates its image CRC and is reset. Used for every local download that is not an
// online-mode download.

#include "core/catalogue.h"
#include "core/result_code.h"
#include "download/printer_mode.h"
#include "download/step_reporter.h"

#include <cstdint>
#include <span>
#include <string>

namespace kyv {

class CFlashCmd;

// The printer's answer to the memory-bank query when it can swap its firmware banks.
inline constexpr int kSwapSupported = 3;

struct StandardDownload {
    ModelInfo& row;
    CFlashCmd& cmd;
    StepReporter& report;
    std::span<const uint8_t> image; // the whole image file
    int startSector = 0;
    bool mainFirmware = false; // the image starts at the model's main-firmware sector
    bool bootFirmware = false; // the image starts at the model's boot (IPL) sector
    bool skipErase = false;
    PrinterMode printerMode = PrinterMode::Online; // updated when the printer
                         // shows up again under another identity
    int portDetection = 0;
    std::string pidList{}; // the family's USB product ids, for finding the printer again

    int swapSupport = 0; // R242-57X6/56X6/1456 over IBM USB: kSwapSupported when it swaps

    uint16_t printerCrc = 0; // the image CRC the printer reported last (after success)
};

// Returns 0 after the printer was flashed and reset, else the ResultCode of the first
// failure. Sends step texts and log lines, never a result.
ResultCode RunStandardDownload(StandardDownload& job);

} // namespace kyv
