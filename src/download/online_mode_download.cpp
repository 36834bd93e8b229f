#include "download/online_mode_download.h"

#include "download/download_pause.h"
#include "download/printf_text.h"
#include "download/serial_reopen.h"
#include "protocol/local/channel_commands.h"
#include "protocol/online_block.h"
#include "transport/usb/printer_class_channel.h"
#include "transport/usb/report_device_search.h"

#include <array>
#include <memory>

namespace kyv {
namespace {

constexpr int kUsbTypeCpmiForm = 8;
constexpr int kUsbTypeNhpiForm = 7;
constexpr int kUsbTypePrtrForm = 9;
constexpr int kMainFirmwareCode = 2;
constexpr int kIplFirmwareCode = 1;
constexpr int kTableCode = 5;
constexpr int kConfigurationTableCode = 6;
// How often the printer is asked whether it is ready, 1000 ms apart, before the download
// goes on without its answer: a printer that answers something else forever must not hold
// an unattended run.
constexpr int kReadyAttempts = 120;

class OnlineModeRun {
public:
    explicit OnlineModeRun(OnlineModeDownload& d)
        : d_(d), channel_(d.channel ? *d.channel : printerClassChannel()), portPipe_(d.cmd), channelPipe_(channel_)
    {
    }
    ResultCode run();

private:
    void ticks(int count)
    {
        for (int i = 0; i < count; ++i)
            d_.report.tick();
    }
    bool r453() const { return d_.row.family == "R453"; }
    ResultCode openChannel(bool reportMode);
    bool channelReady(bool reportMode);
    void waitUntilReadyForReset(ChannelCommands& commands, bool reportMode);
    void findNewLineSpeed();
    void takeTableLineSettings();
    ResultCode waitForPrinter();
    bool askRunPortReady(int& failures);

    OnlineModeDownload& d_;
    PrinterClassChannel& channel_;
    PortPipe portPipe_;
    ChannelDevicePipe channelPipe_;
};

ResultCode OnlineModeRun::run()
{
    d_.report.step("Online Mode Download..(Step 4)");
    if (!pause(500))
        return kStoppedResult;
    ticks(3);
    // Behind a USB report device the replies start with two report bytes.
    const bool reportMode = d_.job.interfaceKind != kSerialPort && d_.job.usbClassPrtr == 0;

    const std::optional<OnlineBlockType> type = onlineBlockType(d_.job.downloadTypeCode);
    if (!type)
        return rc::DownloadFailed;
    const int code = d_.job.downloadTypeCode;
    const bool firmware = code == kMainFirmwareCode || code == kIplFirmwareCode;
    const std::optional<int> imageVersion = r453() && firmware ? onlineImageVersion(d_.image) : std::nullopt;
    const OnlineBlockHeader header = onlineBlockHeader(type->typeCode, static_cast<uint32_t>(d_.image.size()));
    d_.report.step("Downloading on progress..(Step 5)");
    ticks(type->ticks + 1);

    if (d_.cpmi)
        if (ResultCode failure = openChannel(reportMode))
            return failure;
    ChannelCommands commands(d_.cpmi ? static_cast<ChannelPipe&>(channelPipe_) : portPipe_,
                             d_.cpmi ? reportMode : false);

    if (r453() && firmware) {
        const std::optional<int> printerVersion = commands.queryInfoNumber(code == kMainFirmwareCode ? 2 : 1);
        // An image without a version marker is taken as compatible: the user's area is
        // never erased on a guess.
        if (printerVersion && *printerVersion >= kUserAreaCompatibleVersion && imageVersion &&
            *imageVersion < kUserAreaCompatibleVersion) {
            if (!commands.eraseUserArea())
                return rc::DownloadFailed;
            d_.userAreaErased = 1;
            d_.report.step("Erasing Flash User Defined...");
            d_.report.step("Downloading on progress..(Step 5)");
        }
    }

    OnlineBlockReply reply;
    if (!commands.sendOnlineBlock(header, d_.image, reply))
        return stopRequested() ? kStoppedResult : rc::DownloadFailed;

    if (code == kConfigurationTableCode)
        waitUntilReadyForReset(commands, reportMode);
    if (stopRequested())
        return kStoppedResult;
    d_.report.step("Resetting the Printer..(Step 6)");
    if (!commands.resetPrinter())
        return stopRequested() ? kStoppedResult : rc::CannotReset;
    if (d_.cpmi) {
        channel_.close();
    } else if (code == kTableCode) {
        if (!pause(5000))
            return kStoppedResult;
        findNewLineSpeed();
    } else if (code == kConfigurationTableCode && d_.job.interfaceKind == kSerialPort) {
        takeTableLineSettings();
    }
    if (ResultCode stopped = waitForPrinter())
        return stopped;

    ticks(type->ticks + 1);
    if (!reply.accepted())
        return reply.failure();
    d_.report.log(printfText("Printer CRC is %04x", reply.printerCrc()));
    return rc::Success;
}

ResultCode OnlineModeRun::openChannel(bool reportMode)
{
    const UsbMatch& usb = d_.cmd.usb();
    if (reportMode) {
        if (!channel_.findReportDevice(usb.pidFilter, usb.usageSelector))
            return stopRequested() ? kStoppedResult : rc::CannotScanDevice;
        return channel_.attach(true, usb.pidFilter) ? rc::Success : rc::CannotOpenDevice;
    }
    return channel_.attach(false, usb.pidFilter) ? rc::Success : rc::CannotOpenDevice;
}

// A configuration table takes effect at the reset, once the printer has stored it.
void OnlineModeRun::waitUntilReadyForReset(ChannelCommands& commands, bool reportMode)
{
    for (int attempt = 0; attempt < kReadyAttempts && !stopRequested(); ++attempt) {
        bool writeFailed = false;
        bool readFailed = false;
        if (d_.cpmi) {
            // Each attempt finds the device again: the printer may have re-enumerated.
            if (openChannel(reportMode) == rc::Success && commands.askReady(writeFailed, readFailed))
                return;
        } else if (commands.askReady(writeFailed, readFailed)) {
            return;
        }
        if (!pause(1000))
            return;
    }
}

void OnlineModeRun::findNewLineSpeed()
{
    static constexpr std::array<int, 5> kRates{19200, 115200, 9600, 57600, 38400};
    static constexpr std::array<uint8_t, 2> kBaudProbe{0x1D, 0x05};
    CFlashCmd& cmd = d_.cmd;
    cmd.close();
    int i = 1;
    for (; i <= static_cast<int>(kRates.size()); ++i) {
        bool answered = false;
        if (cmd.open(kSerialPort, d_.job.interfaceName) &&
            cmd.configure(d_.job.interfaceName, kRates[i - 1], d_.job.parity, 8, d_.job.stopBits)) {
            for (int attempt = 0; attempt < 3 && !answered; ++attempt) {
                cmd.setReadTimeout(1000);
                if (!cmd.write(kBaudProbe))
                    d_.report.log("Sending 1D 05 Failed...");
                uint8_t byte = 0;
                if (cmd.read(&byte, 1) && cmd.bytesRead() == 1) {
                    d_.report.log(printfText("i value is %i", i));
                    answered = true;
                } else {
                    d_.report.log("Received from 1D 05 command...");
                }
            }
        }
        if (answered) {
            d_.job.baudRate = kRates[i - 1]; // the next job talks at the printer's new speed
            break;
        }
        cmd.close();
    }
    d_.report.log(printfText("i value is %i", i));
}

void OnlineModeRun::takeTableLineSettings()
{
    const int dataBits = applyTableLineSettings(d_.image, d_.job);
    d_.cmd.close();
    if (!(d_.cmd.open(kSerialPort, d_.job.interfaceName) &&
          d_.cmd.configure(d_.job.interfaceName, d_.job.baudRate, d_.job.parity, dataBits, d_.job.stopBits)))
        d_.report.log("Cannot reopen " + d_.job.interfaceName + " with the printer's new settings.");
}

// The ready query on the run's own line, under a 50 ms time-out; failures counts a failed
// write and a failed read.
bool OnlineModeRun::askRunPortReady(int& failures)
{
    d_.cmd.setReadTimeout(50);
    ChannelCommands commands(portPipe_, false);
    bool writeFailed = false;
    bool readFailed = false;
    const bool ready = commands.askReady(writeFailed, readFailed);
    failures += (writeFailed ? 1 : 0) + (readFailed ? 1 : 0);
    if (ready)
        d_.report.log("Received Model number....");
    return ready;
}

ResultCode OnlineModeRun::waitForPrinter()
{
    d_.report.log("Checking mode....");
    int failures = 0;
    for (int pass = 1;; ++pass) {
        if (stopRequested())
            return kStoppedResult;
        {
            CFlashCmd fresh;
            if (d_.usb)
                fresh.setUsbBackend(d_.usb);
            fresh.usb().pidFilter = d_.cmd.usb().pidFilter;
            if (fresh.selectReportDevice(kUsbReportDevice, d_.cmd.usb().usageSelector)) {
                const int usbType = usbDeviceClass(fresh.usb().vendorId, fresh.usb().productId);
                d_.detectedUsbType = usbType;
                d_.report.log(printfText("iUSB_Type is %i", usbType));
                if (usbType == kUsbTypeCpmiForm) {
                    d_.printerMode = PrinterMode::DownloadMode;
                    return rc::Success;
                }
                if (usbType == kUsbTypeNhpiForm || usbType == kUsbTypePrtrForm)
                    return rc::Success;
                d_.report.log("ION Mode....");
                if (askRunPortReady(failures))
                    return rc::Success;
                if (failures >= 16) {
                    d_.report.log("CountLoop is max...");
                    d_.printerMode = PrinterMode::DownloadMode;
                    return rc::Success;
                }
            } else {
                d_.report.log("No Open HID....");
                if (askRunPortReady(failures))
                    return rc::Success;
                if (failures >= 2) {
                    d_.printerMode = PrinterMode::DownloadMode;
                    return rc::Success;
                }
            }
        }
        // A printer that answers, but never with its model number, ends the wait too.
        if (pass >= kReadyAttempts) {
            d_.report.log("CountLoop is max...");
            d_.printerMode = PrinterMode::DownloadMode;
            return rc::Success;
        }
        if (!pause(1000))
            return kStoppedResult;
    }
}

} // namespace

int applyTableLineSettings(std::span<const uint8_t> table, FlashJob& job)
{
    static constexpr std::array<int, 5> kRates{115200, 57600, 38400, 19200, 9600};
    int dataBits = 8;
    for (size_t i = 0; i + 1 < table.size(); i += 2) {
        const uint8_t value = table[i + 1];
        switch (table[i]) {
        case 0x11:
            if (value < kRates.size())
                job.baudRate = kRates[value];
            break;
        case 0x12:
            if (value <= 1)
                dataBits = value == 0 ? 8 : 7;
            break;
        case 0x13:
            if (value <= 1)
                job.stopBits = value == 0 ? 1 : 2;
            break;
        case 0x14:
            if (value <= 2)
                job.parity = value == 0 ? "NONE" : value == 1 ? "EVEN" : "ODD";
            break;
        default: break;
        }
    }
    return dataBits;
}

ResultCode RunOnlineModeDownload(OnlineModeDownload& download) { return OnlineModeRun(download).run(); }

} // namespace kyv
