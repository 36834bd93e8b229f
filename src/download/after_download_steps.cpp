#include "download/local_download_run.h"

#include "download/download_pause.h"
#include "download/model_family.h"
#include "download/printf_text.h"
#include "download/serial_reopen.h"

#include <array>

namespace kyv {

namespace {

// MVRA printers get parameter 52 set to 3 after a download.
constexpr std::array<uint8_t, 5> kMvraParameter{0x1F, 0x11, 0x52, 0x03, 0xFF};

} // namespace

// After its reset the printer may come back under another identity (a USB device, or
// behind a USB-serial adapter); without a USB device in reach it is on its serial line.
ResultCode LocalDownloadRun::redetectPrinter()
{
    // A CPMI printer is found again by its product id when the line is reconnected.
    if (!job_.portDetection || cpmiPath_)
        return rc::Success;
    report_.log("Auto detect True....");
    if (r453OrR243() && printerMode_ == PrinterMode::DownloadMode) {
        report_.log("Check interface after IPL mode....");
        if (cmd_.findEdgeportPorts()) {
            report_.log(printfText("Edgeport mode. %s", cmd_.edgeportPorts.c_str()));
        } else {
            report_.log("Communication is 0....");
            printerMode_ = PrinterMode::Online;
        }
    }
    if (!pause(2000))
        return kStoppedResult;
    cmd_.close();
    cmd_.usb().pidFilter = pidList_;
    // A USB report device comes back on its own port; the reconnect finds it there.
    if (onUsbReportKind())
        return rc::Success;
    // Without a USB report device the printer stays on its line.
    report_.log("communicationMode = 0....");
    job_.interfaceKind = kSerialPort;
    openSerialLine(cmd_, job_); // the reconnect that follows opens it again
    return rc::Success;
}

ResultCode LocalDownloadRun::reconnect()
{
    constexpr int kUsbSearches = 30; // 1000 ms apart: the printer's restart after its reset
    if (cpmiPath_)
        return refindCpmiPrinter();
    if (job_.interfaceKind == kUsbReportDevice) {
        if (cmd_.refindReportDevice(kUsbReportDevice, kUsbSearches))
            return rc::Success;
        report_.log("Enter FAIL 1....");
        return stopRequested() ? kStoppedResult : rc::NoAcknowledge;
    }
    if (job_.interfaceKind == kIbmUsb) {
        if (!pauseBeforeReopen())
            return kStoppedResult;
        cmd_.refindReportDevice(kIbmUsb, kUsbSearches); // a printer not found fails the clear
        report_.log(printfText("Set commport handle commport is %s", job_.interfaceName.c_str()));
        return clearIbmUsbDownloadArea();
    }
    cmd_.close();
    if (!pauseBeforeReopen())
        return kStoppedResult;
    openSerialLine(cmd_, job_);
    report_.log(printfText("Set commport handle commport is %s", job_.interfaceName.c_str()));
    return rc::Success;
}

// After its reset the printer leaves the bus and comes back, perhaps with another product
// id: it is looked for once a second while it restarts.
ResultCode LocalDownloadRun::refindCpmiPrinter()
{
    constexpr int kSearches = 30;
    cmd_.close();
    for (int search = 1; search <= kSearches; ++search) {
        if (const std::optional<CpmiDevice> found = cmd_.findCpmiPrinter()) {
            if (found->productClass == CpmiClass::Ipl) {
                report_.log("Ipl PID....");
                printerMode_ = PrinterMode::DownloadMode;
            } else if (found->productClass == CpmiClass::PrinterClass) {
                report_.log("Printer class PID....");
                printerMode_ = PrinterMode::Online;
            } else if (found->productClass == CpmiClass::Normal) {
                report_.log("NHPI....");
                printerMode_ = PrinterMode::Online;
            } else {
                break; // IBM USB mode is no CPMI device
            }
            return cmd_.attachPrinterClass(found->productClass != CpmiClass::PrinterClass) == 0
                       ? rc::Success
                       : rc::CannotOpenDevice;
        }
        if (search < kSearches && !pause(1000))
            return kStoppedResult;
    }
    return stopRequested() ? kStoppedResult : rc::CpmiNotFound;
}

bool LocalDownloadRun::pauseBeforeReopen()
{
    if (row_.longWait || row_.altCrc || row_.displayName == "Q874-E611")
        return pause(r453OrR243() ? 1000 : 4000);
    return true;
}

ResultCode LocalDownloadRun::clearIbmUsbDownloadArea()
{
    report_.step("Clearing download area of the printer..(Step 16)", job_.progressRange);
    if (printerMode_ == PrinterMode::Online && !cmd_.clearDownloadArea())
        return stopRequested() ? kStoppedResult : rc::ClearDownloadAreaFailed;
    return rc::Success;
}

ResultCode LocalDownloadRun::applyMvraSetting()
{
    if (row_.displayName != "R452-1X73/2X73(MVRA)")
        return rc::Success;
    cmd_.sendRaw(kMvraParameter);
    return cmd_.sendAndWaitRestart(cmd::kReset) ? rc::Success : rc::CannotReset;
}

ResultCode LocalDownloadRun::printConfiguration()
{
    if (printerMode_ != PrinterMode::Online)
        return rc::Success;
    if (!pause(1000))
        return kStoppedResult;
    cmd_.usb().pidFilter = pidList_;
    if (!job_.printAfter)
        return rc::Success;
    if (cpmiPath_) {
        // Over the printer-class channel; a printer that does not take it is not a failure.
        if (r453OrR243())
            report_.log("Print config HID....");
        return !cmd_.printConfiguration(job_.usbClassPrtr) || pause(2000) ? rc::Success : kStoppedResult;
    }
    report_.log("Print config com....");
    if (!cmd_.printConfiguration(0)) {
        report_.log("Enter FAIL 2....");
        return rc::NoAcknowledge;
    }
    return pause(2000) ? rc::Success : kStoppedResult;
}

ResultCode LocalDownloadRun::changeEepromSettings()
{
    if (row_.displayName != "R241-3044-7004")
        return rc::Success;
    report_.step("Change EEPROM Setting ...");
    if (!cmd_.configureLandscape(&events_) || !cmd_.disableMicr(&events_) || !cmd_.disableFlip(&events_))
        return rc::CannotReset;
    return rc::Success;
}

} // namespace kyv
