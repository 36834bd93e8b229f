#include "download/local_download_run.h"

#include "core/download_type.h"
#include "download/download_pause.h"
#include "download/printf_text.h"
#include "download/serial_reopen.h"

namespace kyv {

namespace {

constexpr int kTransferBaud = 115200;
// The speed R241-3044-7004 printers are left at after a download, whatever they had.
constexpr int kR241_3044_7004Baud = 57600;

} // namespace

bool LocalDownloadRun::speedStepsApply()
{
    return onSerialLine() && printerMode_ != PrinterMode::DownloadMode && !cpmiPath_ && !row_.longWait &&
           !isEdgeportPort(cmd_, job_.interfaceName);
}

ResultCode LocalDownloadRun::changeLineSpeed(int baud, ModeQueryTimeout timeout, ResultCode reopenFailed,
                                             ResultCode silentPrinter,
                                             ResultCode stillInDownloadMode)
{
    if (ResultCode code = cmd_.changeBaudRate(baud); code >= 1)
        return stopRequested() ? kStoppedResult : code;
    job_.baudRate = baud;
    if (!reopenSerialLine(cmd_, job_))
        return reopenFailed;
    const ResultCode asked =
        timeout == ModeQueryTimeout::Command ? queryPrinterMode(silentPrinter) : askPrinterMode(silentPrinter);
    if (ResultCode code = asked)
        return code;
    return printerMode_ == PrinterMode::DownloadMode ? stillInDownloadMode : rc::Success;
}

ResultCode LocalDownloadRun::raiseLineSpeed()
{
    if (!speedStepsApply()) {
        report_.tick();
        report_.tick();
        return rc::Success;
    }
    report_.step("Check actual printer baud rate..(Step 3)");
    const int baud = r453OrR243() ? cmd_.queryBaudRate() : cmd_.queryBaudRateExtended();
    // No answer (0) is as much a failure as the printer's refusal (1): without the printer's
    // own speed it could not be given back at the end.
    if (baud <= 1)
        return stopRequested() ? kStoppedResult : rc::NoBaudRate;
    startingBaud_ = baud;
    if (baud >= kTransferBaud)
        return rc::Success;
    report_.step("Changing printer baud rate to 115200 bps..(Step 4)");
    return changeLineSpeed(kTransferBaud, ModeQueryTimeout::Command, rc::InterfaceBusy, rc::NoAcknowledge, rc::Success);
}

ResultCode LocalDownloadRun::restoreLineSpeed()
{
    if (!onSerialLine() || printerMode_ != PrinterMode::Online || startingBaud_ == kTransferBaud || cpmiPath_ || row_.longWait ||
        isEdgeportPort(cmd_, job_.interfaceName))
        return rc::Success;
    // A configuration table gave the printer its line settings at its restart: going back to
    // the old speed would undo what the technician just flashed.
    if (job_.downloadTypeCode == downloadTypeCode(dt::kConfigurationTable))
        return rc::Success;
    report_.log("change baudrate to default....");
    int target = startingBaud_;
    if (row_.displayName == "R241-3044-7004") {
        target = kR241_3044_7004Baud;
        report_.step("Change Baud Rate to 57600 ...");
    }
    if (target == 0)
        return rc::Success; // the printer's own speed was never asked
    return changeLineSpeed(target, ModeQueryTimeout::LeftByConfigure, rc::InterfaceBusy, rc::BlockTimeout, rc::DownloadFailed);
}

void LocalDownloadRun::restoreSpeedAfterFailure()
{
    if (!r453OrR243() || printerMode_ != PrinterMode::Online || !onSerialLine() || startingBaud_ == 0 ||
        startingBaud_ == kTransferBaud || cpmiPath_ || row_.longWait ||
        job_.downloadTypeCode == downloadTypeCode(dt::kConfigurationTable) || isEdgeportPort(cmd_, job_.interfaceName))
        return;
    report_.step("Changing printer baud rate...");
    // The job has its result already; a failure here is only logged.
    if (ResultCode code = changeLineSpeed(startingBaud_, ModeQueryTimeout::LeftByConfigure, rc::InterfaceBusy, rc::BlockTimeout, rc::DownloadFailed))
        report_.log(printfText("Printer speed not restored (%d)", code));
}

} // namespace kyv
