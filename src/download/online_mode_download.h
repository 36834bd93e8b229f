#pragma once
// The online-mode download of R453 and R243 printers over a local interface (COMn, the USB
// report device, CPMI): the whole image as one framed block, the printer's status and CRC,
// its reset, and the wait until it answers again.

#include "core/catalogue.h"
#include "core/result_code.h"
#include "download/printer_mode.h"
#include "download/step_reporter.h"
#include "protocol/flash_cmd.h"

#include <optional>
#include <span>

namespace kyv {

class PrinterClassChannel;
class UsbBackend;

struct OnlineModeDownload {
    ModelInfo& row;
    FlashJob& job; // its line settings follow a configuration table's new ones
    CFlashCmd& cmd;
    StepReporter& report;
    std::span<const uint8_t> image;
    PrinterMode printerMode = PrinterMode::Online; // becomes DownloadMode when the printer
                                                    // answers only that way afterwards
    bool cpmi = false;              // the transfer goes through the printer-class channel
    int userAreaErased = 0;         // set when the printer's user area had to be erased
    std::optional<int> detectedUsbType{}; // the USB type of the printer after its restart
    UsbBackend* usb = nullptr;      // where the printer is looked for; null: the environment's
    PrinterClassChannel* channel = nullptr; // null: the process's channel
};

// 0 when the printer took the image and answers again, else the ResultCode of the failure.
// Sends step texts, log lines and empty progress events, never a result.
ResultCode RunOnlineModeDownload(OnlineModeDownload& download);

// The serial settings a configuration table gives the printer, applied to the job's: pairs
// of key and value from the table's start (0x11 speed, 0x12 data bits, 0x13 stop bits,
// 0x14 parity). Data bits are returned, the rest is written into the job.
int applyTableLineSettings(std::span<const uint8_t> table, FlashJob& job);

} // namespace kyv
