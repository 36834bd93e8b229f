#include "download/local_download_run.h"

#include "download/download_pause.h"
#include "protocol/local/channel_commands.h"
#include "transport/usb/printer_class_channel.h"

namespace kyv {

// A KSX4 takes a DBCS font of more than 2 MB only with firmware new enough and 8 MB of
// font memory: it is asked before anything of the font is sent.
ResultCode LocalDownloadRun::checkDfnCapacity()
{
    constexpr size_t kLargeFont = 2000001;
    constexpr int kDbcsFontCode = 4;
    if (row_.displayName != "KSX4-1ST/2ST" || job_.downloadTypeCode != kDbcsFontCode || image_.size() < kLargeFont)
        return rc::Success;
    int answer = 0;
    if (printerMode_ == PrinterMode::Online && job_.interfaceKind == kUsbReportDevice) {
        // Over USB the question goes through the printer-class channel, in report mode.
        PrinterClassChannel& channel = printerClassChannel();
        const UsbMatch& usb = cmd_.usb();
        if (!channel.findReportDevice(usb.pidFilter, usb.usageSelector))
            return stopRequested() ? kStoppedResult : rc::CannotScanDevice;
        if (!channel.attach(true, usb.pidFilter))
            return rc::CannotOpenDevice;
        ChannelDevicePipe pipe(channel);
        answer = ChannelCommands(pipe, true).checkDfnSupport();
        channel.close();
    } else {
        PortPipe pipe(cmd_);
        answer = ChannelCommands(pipe, false).checkDfnSupport();
    }
    switch (answer) {
    case 8: return rc::Success;
    case 1: return rc::MainFirmwareTooOldForDfn;
    case 4: return rc::DfnNotFor4MB;
    default: return rc::BlockTimeout;
    }
}

} // namespace kyv
