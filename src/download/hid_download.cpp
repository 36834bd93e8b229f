#include "download/hid_download.h"

#include "core/job_events.h"
#include "download/download_pause.h"
#include "download/no_receiver.h"
#include "download/step_reporter.h"
#include "protocol/hid_image_buffer.h"
#include "protocol/printer_notices.h"
#include "transport/usb/j5_device.h"
#include "transport/usb/usb_backend.h"

#include <algorithm>
#include <array>
#include <optional>

namespace kyv {
namespace {

constexpr uint8_t kAck = 0x06;
constexpr int kOpenAttempts = 10;
constexpr int kReturnAttempts = 20;
constexpr int kOpenPause = 5000;
constexpr size_t kBlockBytes = HidImageBuffer::kPacketBytes;
constexpr int kBlocksPerPause = 64;
constexpr char kOldVersionText[] = "Old version is selected to download";

// The codes of an image kind: in the version query, and in the download and CRC commands.
struct KindCodes {
    uint8_t version;
    uint8_t download;
};

std::optional<KindCodes> codesFor(char typeLetter)
{
    switch (typeLetter) {
    case 'B': return KindCodes{0, 1};
    case 'M': return KindCodes{1, 2};
    case 'S': return KindCodes{3, 3};
    default: return std::nullopt;
    }
}

// Compares fields of equal length, most significant first; true when image < printer.
bool lower(std::span<const uint8_t> image, std::span<const uint8_t> printer)
{
    return std::lexicographical_compare(image.begin(), image.end(), printer.begin(), printer.end());
}

} // namespace

bool j5ImageIsOlder(std::span<const uint8_t> header, const std::array<uint8_t, 64>& reply)
{
    if (header.size() < 16)
        return false; // no header to compare
    const std::array<uint8_t, 6> stampImage{header[7], header[8], header[5], header[6], header[3], header[4]};
    const std::array<uint8_t, 6> stampPrinter{reply[8], reply[9], reply[6], reply[7], reply[4], reply[5]};
    const std::array<uint8_t, 4> versionImage{header[9], header[10], header[12], header[13]};
    const std::array<uint8_t, 4> versionPrinter{reply[10], reply[11], reply[13], reply[14]};
    return lower(stampImage, stampPrinter) || lower(versionImage, versionPrinter);
}

namespace {

class HidRun {
public:
    HidRun(WorkerJob& job, JobEvents& events, UsbBackend& usb)
        : job_(job), events_(events), report_(events), device_(usb)
    {
    }

    void run()
    {
        events_.progressStart(job_.row.job.progressRange);
        const ResultCode code = steps();
        end(code);
    }

private:
    ResultCode steps();
    ResultCode openPrinter();
    ResultCode checkVersion(const KindCodes& codes);
    ResultCode switchToDownloadMode(bool& alreadyInDownloadMode);
    ResultCode sendImage(const KindCodes& codes);
    ResultCode waitForReturn();
    void end(ResultCode code);
    bool commandLine() const { return job_.row.job.commandLineMode != 0; }

    WorkerJob& job_;
    JobEvents& events_;
    StepReporter report_;
    J5Device device_;
};

ResultCode HidRun::openPrinter()
{
    for (int attempt = 0; attempt < kOpenAttempts; ++attempt) {
        if (!pause(kOpenPause))
            return kStoppedResult;
        switch (device_.open(job_.pidList)) {
        case J5Device::Opened::Yes: return rc::Success;
        case J5Device::Opened::NoCapabilities: return rc::InterfaceBusy;
        case J5Device::Opened::NotFound: break;
        }
    }
    return rc::NoAcknowledge;
}

ResultCode HidRun::steps()
{
    report_.step("Checking communication line status..(Step 1)");
    if (job_.row.job.interfaceKind != kHid)
        return rc::NoAcknowledge;
    report_.step("Checking communication line status... (Step 1)");
    if (ResultCode code = openPrinter())
        return code;

    static constexpr std::array<uint8_t, 4> kIdentify{0x1D, 0x30, 0x07, 0x00};
    if (!device_.write(kIdentify))
        return rc::NoAcknowledge;
    if (!pause(500))
        return kStoppedResult;
    J5Device::Reply reply;
    if (!device_.readReply(reply))
        return rc::InterfaceBusy;
    if (reply[1] == 0)
        return rc::HidIdentifyFailed;

    report_.step("Checking Printer Model Number ... (Step 2)");
    if (job_.image.data.empty())
        return rc::CannotOpenFile; // the image could not be read again: nothing to send
    if (job_.image.length < 16 || job_.image.data.size() < 16)
        return rc::WrongFirmwareFile; // too short to carry the header the printer checks
    const std::optional<KindCodes> codes = codesFor(job_.image.typeLetter);
    if (!codes)
        return rc::WrongFirmwareFile;
    if (ResultCode code = checkVersion(*codes))
        return code;

    bool alreadyInDownloadMode = false;
    if (ResultCode code = switchToDownloadMode(alreadyInDownloadMode))
        return code;
    if (job_.row.displayName == "J5_REFRESH") {
        static constexpr std::array<uint8_t, 16> kPrepare{0x1D, 0x30, 0x10, 0x00, 0x38, 0x31, 0x32, 0x2D,
                                                          0x36, 0x30, 0x39, 0x33, 0x31, 0x37, 0x32, 0x43};
        if (!device_.write(kPrepare))
            return rc::InterfaceBusy;
    }
    if (ResultCode code = sendImage(*codes))
        return code;

    if (!pause(2000))
        return kStoppedResult;
    report_.step("Resetting Printer , Please Wait ... (Step 6)");
    static constexpr std::array<uint8_t, 2> kReset{0x1D, 0x80};
    if (!device_.write(kReset))
        return rc::CannotReset;
    if (!pause(3000))
        return kStoppedResult;
    device_.readReply(reply, ProtocolMs(0));
    report_.step("Checking communication line status  ... (Step 7)");
    if (alreadyInDownloadMode)
        return rc::Success;
    return waitForReturn();
}

ResultCode HidRun::checkVersion(const KindCodes& codes)
{
    const std::array<uint8_t, 4> query{0x1D, 0x30, 0x09, codes.version};
    J5Device::Reply reply;
    if (!device_.write(query) || !device_.readReply(reply))
        return rc::Success; // the printer tells no version: nothing to compare
    if (!j5ImageIsOlder(std::span<const uint8_t>(job_.image.data).first(16), reply))
        return rc::Success;
    report_.log(kOldVersionText);
    // Nobody is there to allow a downgrade in an unattended run; in the dialog the
    // technician decides.
    if (commandLine() || !events_.askYesNo(kOldVersionText, kApplicationName))
        return rc::WrongFirmwareFile;
    return rc::Success;
}

ResultCode HidRun::switchToDownloadMode(bool& alreadyInDownloadMode)
{
    static constexpr std::array<uint8_t, 2> kModeQuery{0x1D, 0xF0};
    J5Device::Reply reply;
    if (!device_.write(kModeQuery))
        return rc::InterfaceBusy;
    if (!device_.readReply(reply))
        return rc::InterfaceBusy;
    alreadyInDownloadMode = reply[0] != kAck;
    if (!pause(500))
        return kStoppedResult;
    report_.step("Switching Printer to Download mode ... (Step 3)");
    if (alreadyInDownloadMode)
        return rc::Success;
    static constexpr std::array<uint8_t, 3> kEnterDownload{0x1B, 0x5B, 0x7D};
    if (!device_.write(kEnterDownload))
        return rc::InterfaceBusy;
    device_.readReply(reply, ProtocolMs(0));
    device_.close();
    for (int attempt = 0; attempt < kOpenAttempts; ++attempt) {
        if (!pause(kOpenPause))
            return kStoppedResult;
        if (device_.open(job_.pidList) != J5Device::Opened::Yes)
            continue;
        if (!device_.write(kModeQuery))
            return rc::InterfaceBusy;
        if (device_.readReply(reply) && reply[0] != kAck)
            return rc::Success;
    }
    return rc::NoAcknowledge;
}

ResultCode HidRun::sendImage(const KindCodes& codes)
{
    const HidImageBuffer& image = job_.image;
    report_.step("Downloading data to Flash Memory ... (Step 4)");
    const std::array<uint8_t, 7> header{0x1D, 0x13, codes.download, image.lengthBytes[0], image.lengthBytes[1],
                                        image.lengthBytes[2], image.lengthBytes[3]};
    if (!device_.write(header))
        return rc::InterfaceBusy;
    const std::span<const uint8_t> data(image.data.data(), std::min<size_t>(image.length, image.data.size()));
    int blocks = 0;
    for (size_t at = 0; at < data.size(); at += kBlockBytes) {
        if (stopRequested())
            return kStoppedResult;
        if (!device_.write(data.subspan(at, std::min(kBlockBytes, data.size() - at))))
            return rc::InterfaceBusy; // a block that does not go out ends the run with a result
        if (++blocks % kBlocksPerPause == 0 && !pause(10))
            return kStoppedResult;
        report_.tick();
    }
    if (!pause(4000))
        return kStoppedResult;
    J5Device::Reply reply;
    if (!device_.readReply(reply) || reply[0] != kAck) {
        static constexpr std::array<uint8_t, 2> kAbort{0x1D, 0x82};
        device_.write(kAbort);
        device_.close();
        return rc::HidTransferNotAcknowledged;
    }
    report_.step("Checking CRC of downloaded file ... (Step 5)");
    const std::array<uint8_t, 3> crcQuery{0x1D, 0x12, codes.download};
    if (!device_.write(crcQuery))
        return rc::InterfaceBusy;
    if (!pause(2000))
        return kStoppedResult;
    if (!device_.readReply(reply))
        return rc::InterfaceBusy;
    if (reply[1] != image.data[14] || reply[2] != image.data[15])
        return rc::CrcDifferent;
    return rc::Success;
}

ResultCode HidRun::waitForReturn()
{
    device_.close();
    for (int attempt = 0; attempt < kReturnAttempts; ++attempt) {
        if (!pause(kOpenPause))
            return kStoppedResult;
        if (device_.open(job_.pidList) != J5Device::Opened::Yes)
            continue;
        if (!job_.row.job.printAfter)
            return rc::Success;
        if (!pause(5000))
            return kStoppedResult;
        static constexpr std::array<uint8_t, 4> kPrintConfiguration{0x1D, 0x64, 0x01, 0x00};
        return device_.write(kPrintConfiguration) ? rc::Success : rc::CannotReset;
    }
    return rc::InterfaceBusy;
}

void HidRun::end(ResultCode code)
{
    if (stopRequested())
        code = kStoppedResult;
    if (code != rc::Success && !commandLine()) {
        // The dialog hears of the end first, then of the result.
        events_.jobEnd();
        pause(1000);
    }
    events_.result(code);
    device_.close();
    events_.progressClose();
    events_.jobEnd();
}

} // namespace

JobEnd RunHidDownload(WorkerJob job) { return RunHidDownload(std::move(job), usbBackend()); }

JobEnd RunHidDownload(WorkerJob job, UsbBackend& usb)
{
    NoReceiver nobody;
    JobEvents& events = job.row.job.notifyWindow ? *job.row.job.notifyWindow : nobody;
    if (job.hidImage && job.image.data.empty()) {
        if (ResultCode code = loadHidImage(job.image, job.row.job.filePath, job.hidTypeLetter)) {
            events.progressStart(job.row.job.progressRange);
            events.result(code);
            events.progressClose();
            events.jobEnd();
            return jobEndOf(job.row.job);
        }
    }
    HidRun(job, events, usb).run();
    return jobEndOf(job.row.job);
}

} // namespace kyv
