#include "download/standard_download_steps.h"

#include "core/catalogue.h"
#include "download/download_pause.h"
#include "download/model_family.h"
#include "download/printf_text.h"
#include "download/serial_reopen.h"
#include "protocol/flash_cmd.h"

#include <array>

namespace kyv {

namespace {

constexpr int kDownloadModePolls = 30;
// A USB printer found again after a restart: the searches on its port, 1000 ms apart.
constexpr int kUsbSearches = 30;

// The Fenn II download mode of the altCrc printers.
constexpr std::array<uint8_t, 2> kFennIplCommand{0x1D, 0x16};
constexpr std::array<uint8_t, 16> kFennUnlock{0x1D, 0x30, 0x10, 0x00, 0x00, 0x01, 0x02, 0x03,
                                              0x04, 0x05, 0x06, 0x07, 0x08, 0x09, 0x10, 0x11};

// The printer re-enumerates on USB when it changes mode; without a USB report device in
// reach it may come back behind an Edgeport adapter, which then becomes the job's port.
void lookForPrinterAfterSwitch(StandardDownload& job)
{
    FlashJob& settings = job.row.job;
    job.cmd.close();
    job.cmd.usb().pidFilter = job.pidList;
    job.cmd.usb().forgetDevice();
    // USB report devices are not reached by this build, so the printer is looked for on
    // the serial lines.
    job.report.log("Open HID 0....");
    if (!job.cmd.findEdgeportPorts()) {
        // Found nowhere else: the printer keeps its identification, and step 7 opens its
        // line again.
        job.report.log(printfText("(Open HID 00)COM Port detected is %s", settings.interfaceName.c_str()));
        return;
    }
    settings.interfaceName = job.cmd.lastEdgeportPort;
    settings.interfaceKind = kSerialPort;
    job.report.log(printfText("(Open HID 0)COM Port detected is %s", settings.interfaceName.c_str()));
    job.report.log("Close comm....");
    // A line that does not open now is reported when step 7 opens it again.
    openSerialLine(job.cmd, settings);
}

bool onUsbReportKind(const StandardDownload& job)
{
    return job.cmd.kind() == kUsbReportDevice || job.cmd.kind() == kIbmUsb;
}

} // namespace

ResultCode switchToDownloadMode(StandardDownload& job)
{
    job.cmd.setReadTimeout(5000);
    job.report.step("Switching printer to download mode (Step 6) ...");
    if (job.printerMode != PrinterMode::Online)
        return rc::Success; // already in download mode

    const cmd::IbmUsbFrame ibmSwitch = cmd::ibmUsbFrame(cmd::kEnterDownloadMode);
    const bool ibmUsb = job.cmd.kind() == kIbmUsb;
    if (!job.cmd.switchToDownloadMode(ibmUsb ? ByteString(ibmSwitch) : ByteString(cmd::kEnterDownloadMode)))
        return stopRequested() ? kStoppedResult : rc::CannotSwitchToDownload;
    if (!pause(8000))
        return kStoppedResult;

    if (!job.portDetection) {
        job.report.log("Auto Detect 0....");
        return rc::Success;
    }
    job.report.log("Auto Detect TRUE....");
    if (job.row.family == "R243" && !pause(12000))
        return kStoppedResult;
    if (!pause(2000))
        return kStoppedResult;
    // A USB report device is found again on its own port in step 7.
    if (!onUsbReportKind(job))
        lookForPrinterAfterSwitch(job);
    return rc::Success;
}

ResultCode pollDownloadMode(StandardDownload& job, bool afterSwitch)
{
    const bool ibmUsb = job.cmd.kind() == kIbmUsb;
    const cmd::IbmUsbFrame ibmQuery = cmd::ibmUsbFrame(cmd::kIplCommand);
    for (int attempt = 1; attempt <= kDownloadModePolls; ++attempt) {
        if (afterSwitch)
            job.report.log(ibmUsb ? "Sent IPL command in IBM USB" : "Sent IPL command");
        if (job.cmd.sendWithAck(ibmUsb ? ByteString(ibmQuery) : ByteString(cmd::kIplCommand)))
            return rc::Success;
        if (afterSwitch)
            job.report.log("Sent IPL command timeout");
        if (stopRequested() || job.cmd.lineDropped())
            return stopRequested() ? kStoppedResult : rc::InterfaceBusy;
        if (afterSwitch && !ibmUsb && attempt < kDownloadModePolls && !pause(1000))
            return kStoppedResult;
    }
    return rc::InterfaceBusy;
}

ResultCode findPrinterInDownloadMode(StandardDownload& job)
{
    FlashJob& settings = job.row.job;
    if (job.printerMode == PrinterMode::Online && onUsbReportKind(job)) {
        job.report.step("Checking communication line status..(Step 7).");
        job.cmd.setReadTimeout(1000);
        // The USB report device restarts into download mode with the reset; IBM USB has
        // restarted with the switch. Either comes back under a new path on its port.
        const PortKind kind = job.cmd.kind();
        if (kind == kUsbReportDevice) {
            job.cmd.sendAndWaitRestart(cmd::kReset);
            if (!pause(6000))
                return kStoppedResult;
        } else {
            job.report.log("communicationMode != 0");
        }
        // A printer that refused the switch never left: it is taken again, and the
        // download-mode poll then tells that it is not in download mode.
        if (!job.cmd.refindReportDevice(kind, kUsbSearches, CDCBComm::IfItStays::TakeItAgain))
            return stopRequested() ? kStoppedResult : kind == kUsbReportDevice ? rc::NoAcknowledge : rc::NoPortHandle;
    } else if (job.printerMode == PrinterMode::Online) {
        job.report.step("Checking communication line status..(Step 7).");
        job.cmd.setReadTimeout(1000);
        job.report.log("communicationMode == 0");
        if (!reopenSerialLine(job.cmd, settings))
            return rc::NoPortHandle;
        job.cmd.setReadTimeout(1000); // opening the line sets its own read time-out
    }
    if (job.row.altCrc) {
        bool written = job.cmd.sendRaw(kFennIplCommand);
        if (written && isOneOf(job.row.family, {"KSX4-1ST/2ST", "Q913-E615"}))
            written = job.cmd.sendRaw(kFennUnlock);
        if (!written)
            return rc::FennModeError;
    }
    if (ResultCode code = pollDownloadMode(job, true))
        return code;
    job.cmd.setReadTimeout(60000);
    if (job.row.family == "R242-57X6/56X6/1456" && job.swapSupport == kSwapSupported) {
        job.report.log("Swap Memory Supported in the Current Firmware.");
        if (!job.cmd.sendSwapCommand(cmd::kIbmUsbPrepareSwap, ProtocolMs{100}))
            return rc::IbmUsbSwapRejected;
        job.report.log("Swap Memory Command Sent Successfully.");
    }
    return rc::Success;
}

} // namespace kyv
