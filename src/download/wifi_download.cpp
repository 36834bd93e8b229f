#include "download/wifi_download.h"

#include "core/ipv4_text.h"
#include "core/job_events.h"
#include "download/download_pause.h"
#include "download/image_layout.h"
#include "download/model_family.h"
#include "download/model_number_check.h"
#include "download/no_receiver.h"
#include "download/printer_locator.h"
#include "download/printf_text.h"
#include "download/step_reporter.h"
#include "protocol/crc.h"
#include "protocol/lan/lan_command_bytes.h"
#include "protocol/lan/lan_commands.h"
#include "protocol/printer_notices.h"
#include "transport/dcb_comm.h"
#include "transport/net/lan_link.h"

#include <algorithm>
#include <cerrno>
#include <filesystem>
#include <fstream>
#include <new>
#include <vector>

namespace kyv {
namespace {

using Bytes = std::vector<uint8_t>;

const Bytes kRecovery{0x00, 0x00, 0x00, 0x00, 0x1D, 0x03, 0x02};
const Bytes kPrintDiagnostics{0x1F, 0x74};

constexpr int kSectorRetries = 10;
constexpr int kOnlineReopenMs = 2000;
constexpr int kDownloadModeRestartMs = 30000;
constexpr int kResetRestartMs = 45000;
// A long wait shows how much of it is left this often, so the progress window says what
// the download is waiting for.
constexpr int kWaitShownEveryMs = 10000;

class WifiRun {
public:
    WifiRun(WorkerJob& job, JobEvents& events)
        : row_(job.row), job_(job.row.job), events_(events), report_(events), commands_(port_, &events)
    {
    }

    void run()
    {
        events_.progressStart(10);
        ResultCode code = steps();
        if (stopRequested())
            code = kStoppedResult;
        if (code == rc::Success) {
            events_.progressClose();
            port_.close();
            events_.success("");
        } else {
            events_.result(code);
            if (port_.lan().socket() != nullptr && !port_.CloseLan())
                report_.log(printfText("Close Socked Failed. LastError() = %x", lastError()));
            events_.progressClose();
            port_.close();
        }
        events_.jobEnd();
    }

private:
    ResultCode steps();
    ResultCode checkLine();
    ResultCode checkModel();
    ResultCode switchToDownloadMode();
    ResultCode findAgain();
    ResultCode transfer();
    ResultCode sendSector(const SectorPiece& piece, int number, int count, std::ifstream& file);
    ResultCode checkImageCrc();
    ResultCode resetAndFind();
    ResultCode clearArea();

    bool openLan() { return port_.OpenLan(job_.ipAddress) == 1; }
    // Closes the connection held; a close that fails is only logged, the download goes on.
    void closeLan()
    {
        if (port_.lan().socket() != nullptr && !port_.CloseLan())
            report_.log(printfText("Close Socket LastError() = %x", lastError()));
    }
    // The error of the connection held, or of the last system call.
    int lastError()
    {
        CNetSocket* socket = port_.lan().socket();
        return socket != nullptr ? socket->lastError() : errno;
    }
    // A protocol wait that shows itself in the progress window while it lasts.
    bool waitShown(int ms, const char* what)
    {
        for (int left = ms; left > 0; left -= kWaitShownEveryMs) {
            ProgressEvent event;
            event.stepText = printfText("%s (%d s)", what, (left + 999) / 1000);
            event.mode = 2; // the bar stays where the steps put it
            events_.progress(event);
            if (!pause(std::min(left, kWaitShownEveryMs)))
                return false;
        }
        return true;
    }

    ModelInfo& row_;
    FlashJob& job_;
    JobEvents& events_;
    StepReporter report_;
    CDCBComm port_;
    LanCommands commands_;
    bool iplMode_ = false;
    std::string mac_;
    uint32_t mask_ = 0;
    bool macChanged_ = false;
};

ResultCode WifiRun::steps()
{
    if (ResultCode code = checkLine())
        return code;
    if (!iplMode_) {
        if (job_.checkModel == 1)
            if (ResultCode code = checkModel())
                return code;
        if (ResultCode code = switchToDownloadMode())
            return code;
    } else {
        closeLan(); // the search below opens its own connection
    }
    if (ResultCode code = findAgain())
        return code;

    report_.step("Checking communication line status..(Step 4)");
    // A printer that came back with another MAC is another printer: it is never written.
    if (macChanged_ || !commands_.queryIplMode())
        return rc::CannotSwitchToDownload;
    report_.log(printfText("Assigned IP Address - %s", formatIpv4(job_.ipAddress).c_str()));

    const ResultCode sent = transfer();
    if (sent == rc::DownloadFailed) {
        report_.step("Reset Printer..(Step 7)");
        return commands_.reset() ? rc::DownloadFailed : rc::CannotReset;
    }
    if (sent != rc::Success)
        return sent;
    if (ResultCode code = checkImageCrc())
        return code;
    if (ResultCode code = resetAndFind())
        return code;
    if (ResultCode code = clearArea())
        return code;

    closeLan();
    report_.step("Download Completed..(Step 9)");
    return pause(1000) ? rc::Success : kStoppedResult;
}

ResultCode WifiRun::checkLine()
{
    report_.step("Checking communication line status..(Step 1)");
    report_.log(printfText("IP Address From Utility - %s", formatIpv4(job_.ipAddress).c_str()));
    if (!openLan()) {
        report_.log(printfText("Open Socket Failed. LastError() = %x", errno));
        return rc::SocketOpenFailed;
    }
    if (commands_.queryIplMode()) {
        report_.log("Printer in IPL Mode");
        iplMode_ = true;
    } else {
        report_.log("Printer in Online Mode");
        closeLan();
        if (!pause(kOnlineReopenMs))
            return kStoppedResult;
        if (!openLan())
            return rc::SocketOpenFailed;
    }
    report_.step("Getting MAC Address...");
    if (!commands_.queryMac(mac_)) {
        report_.log(printfText("MAC Address Failed. - LastError() = %x", lastError()));
        return rc::NoMacAddress;
    }
    report_.log(printfText("MAC Address - %s", mac_.c_str()));
    if (!commands_.querySubnetMask(mask_))
        return rc::NoSubnetMask;
    report_.log(printfText("Subnet Mask - %x", mask_));
    return rc::Success;
}

ResultCode WifiRun::checkModel()
{
    report_.step("Getting Printer Version...");
    std::string versions;
    if (!commands_.queryVersions(isR453OrR243(row_.family), versions))
        return rc::NoFirmwareVersion;
    report_.log(versions);
    report_.step("Checking printer model number..(Step 2)");
    std::string model;
    if (!commands_.queryModel(model))
        return rc::NoModelNumber;
    const bool ruled = row_.displayName == "R451-2XX8/3XX8/4XX8/6XX8" || row_.displayName == "R452-1X73/2X73";
    const bool mismatch = ruled && modelNumberMismatch(row_.family, row_.displayName, model);
    report_.log(printfText("Printer Model Number - %s", model.c_str()));
    if (!mismatch)
        return rc::Success;
    if (job_.commandLineMode)
        return rc::SelectedModelNotCorrect;
    const std::string question =
        printfText("Current printer model is %s , but the selected model is %s!\nYou want continue download!",
                   model.c_str(), row_.family.c_str());
    return events_.askYesNo(question, kApplicationName) ? rc::Success : rc::SelectedModelNotCorrect;
}

ResultCode WifiRun::switchToDownloadMode()
{
    report_.step("Switching printer to download mode..(Step 3)");
    if (!commands_.enterDownloadMode())
        return rc::CannotSwitchToDownload;
    closeLan();
    return waitShown(kDownloadModeRestartMs, "Waiting for the printer to restart in download mode...")
               ? rc::Success
               : kStoppedResult;
}

ResultCode WifiRun::findAgain()
{
    if (!LocatePrinter(port_, report_, job_, mac_, mask_) && !openLan())
        return rc::SocketOpenFailed;
    if (stopRequested())
        return kStoppedResult;
    report_.step("Getting MAC Address in IPL ...");
    std::string now;
    if (!commands_.queryMac(now)) {
        report_.log(printfText("MAC Address Failed. - LastError() = %x", lastError()));
        return rc::NoMacAddress;
    }
    report_.log(printfText("Verify MAC Address - %s %s", now.c_str(), mac_.c_str()));
    if (now != mac_) {
        macChanged_ = true;
        closeLan();
    }
    return rc::Success;
}

ResultCode WifiRun::transfer()
{
    std::error_code error;
    const uintmax_t length = std::filesystem::file_size(job_.filePath, error);
    std::ifstream file(job_.filePath, std::ios::binary);
    if (error || !file)
        return rc::NoMemoryForBuffer; // nothing can be read for the sectors
    ImageLayoutRequest request{.row = &row_, .startSector = job_.startSector, .asItStands = true};
    ImageLayout layout;
    if (ResultCode code = layOutImage(request, length, {}, layout))
        return code; // the image does not fit the model's flash from its start sector
    uint64_t left = length;
    for (size_t i = 0; i < layout.pieces.size(); ++i) {
        const SectorPiece& piece = layout.pieces[i];
        report_.log(printfText("Sector No = %02i Physical Sector No = %i Size = %i File length = %07i ", int(i + 1),
                               piece.sector, int(piece.size), int(left)));
        left -= std::min<uint64_t>(left, piece.size);
    }
    const int count = static_cast<int>(layout.pieces.size());
    for (int i = 0; i < count; ++i)
        if (ResultCode code = sendSector(layout.pieces[static_cast<size_t>(i)], i + 1, count, file))
            return code;
    return rc::Success;
}

// One sector, erased and written again while the printer does not acknowledge it or
// reports another CRC, at most ten times more.
ResultCode WifiRun::sendSector(const SectorPiece& piece, int number, int count, std::ifstream& file)
{
    for (int retries = 0;; ++retries) {
        if (stopRequested())
            return kStoppedResult;
        if (port_.lan().socket() != nullptr) {
            const int error = lastError();
            if (port_.CloseLan())
                report_.log(printfText("Socket Closed. - LastError() = %x", error));
            else
                report_.log(printfText("Close Socket Failed - LastError() = %x", lastError()));
        }
        if (!openLan()) {
            report_.log(printfText("Open Socket Failed - LastError() = %x", errno));
            return rc::SocketOpenFailed;
        }
        if (retries > kSectorRetries)
            return rc::DownloadFailed;

        // Whole 64 KB blocks, erased bytes past the end of the file.
        const size_t blocks = std::max<size_t>(1, (piece.size + lan::kDataBlock - 1) / lan::kDataBlock);
        Bytes data;
        try {
            data.assign(blocks * lan::kDataBlock, 0xFF);
        } catch (const std::bad_alloc&) {
            return rc::NoMemoryForBuffer;
        }
        file.clear();
        file.seekg(static_cast<std::streamoff>(piece.fileOffset));
        file.read(reinterpret_cast<char*>(data.data()), static_cast<std::streamsize>(piece.size));
        if (file.gcount() <= 0)
            return rc::NoMemoryForBuffer;

        report_.step(printfText("Erase Sector %d of %d", number, count));
        int outcome = commands_.eraseSector(piece.sector);
        if (outcome == kLanNotSent)
            return rc::CannotErase;
        if (outcome == kLanNoReply)
            continue;
        report_.step(printfText("Select Sector %d of %d", number, count));
        outcome = commands_.selectSector(piece.sector);
        if (outcome == kLanNotSent)
            return rc::CannotSelect;
        if (outcome == kLanNoReply)
            continue;
        report_.step(printfText("Download Data to Sector %d of %d", number, count));
        outcome = commands_.downloadData(data);
        if (outcome == kLanNotSent)
            return rc::BlockTimeout;
        if (outcome == kLanNoReply)
            continue;
        CrcAccumulator accumulator(row_.altCrc);
        accumulator.feed(std::span<const uint8_t>(data).first(lan::kDataBlock));
        report_.step(printfText("Acknowledge Printer for flash sector %d of %d...", number, count));
        uint16_t printerCrc = 0;
        outcome = commands_.sectorCrc(printerCrc);
        if (outcome == kLanNotSent)
            return rc::NoAcknowledge;
        if (outcome == kLanNoReply)
            continue;
        report_.log(printfText("Sector Level CRC. Printer CRC = %i , Computer CRC = %i", int(printerCrc),
                               int(accumulator.reported())));
        if (printerCrc == accumulator.reported())
            return rc::Success;
    }
}

ResultCode WifiRun::checkImageCrc()
{
    if (!lan::imageCrcApplies(job_.filePath))
        return rc::Success;
    report_.step("Calculate the CRC..(Step 6)");
    CrcAccumulator accumulator(row_.altCrc);
    return commands_.imageCrc(job_.filePath, accumulator) == rc::CrcIncorrect ? rc::CrcIncorrect : rc::Success;
}

ResultCode WifiRun::resetAndFind()
{
    report_.step("Reset Printer..(Step 7)");
    if (!commands_.reset())
        return rc::CannotReset;
    closeLan();
    if (!waitShown(kResetRestartMs, "Waiting for the printer to restart..."))
        return kStoppedResult;
    if (!LocatePrinter(port_, report_, job_, mac_, mask_) && !openLan())
        return rc::SocketOpenFailed;
    report_.log(printfText("IP Address - %s", formatIpv4(job_.ipAddress).c_str()));
    if (port_.WriteLan(kRecovery.data(), kRecovery.size()) <= 0)
        return rc::CannotReset;
    return rc::Success;
}

ResultCode WifiRun::clearArea()
{
    report_.step("Clearing download area of the printer..(Step 8)");
    if (iplMode_)
        return rc::Success;
    if (commands_.clearDownloadArea() == kLanNotSent)
        return rc::CannotReset;
    report_.step("Printing Diagnostics Form...");
    if (job_.printAfter == 1 && port_.WriteLan(kPrintDiagnostics.data(), kPrintDiagnostics.size()) <= 0)
        return rc::BlockTimeout;
    return rc::Success;
}

} // namespace

JobEnd RunWifiDownload(WorkerJob job)
{
    NoReceiver nobody;
    JobEvents& events = job.row.job.notifyWindow ? *job.row.job.notifyWindow : nobody;
    WifiRun(job, events).run();
    return jobEndOf(job.row.job);
}

} // namespace kyv
