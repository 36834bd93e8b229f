#include "download/lan_download.h"

#include "core/job_events.h"
#include "core/profile_store.h"
#include "download/download_pause.h"
#include "download/lan_job_exchange.h"
#include "download/lan_upload_plan.h"
#include "download/model_number_check.h"
#include "download/no_receiver.h"
#include "download/printf_text.h"
#include "download/step_reporter.h"
#include "protocol/crc.h"
#include "protocol/image_file_crc.h"
#include "protocol/lan/lan_job_messages.h"
#include "protocol/printer_notices.h"
#include "transport/dcb_comm.h"
#include "transport/net/ftp_upload.h"
#include "transport/net/lan_link.h"

#include <array>
#include <cerrno>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <vector>

namespace kyv {
namespace {

using Bytes = std::vector<uint8_t>;
using namespace lan;

constexpr int kMacSearches = 4;
constexpr uint32_t kDefaultRead = LanJobExchange::kDefaultRead;

class LanRun {
public:
    LanRun(WorkerJob& job, JobEvents& events)
        : row_(job.row), job_(job.row.job), events_(events), report_(events), link_(port_, job_)
    {
    }

    void run()
    {
        events_.progressStart(10);
        ResultCode code = steps();
        if (stopRequested())
            code = kStoppedResult;
        removePartFiles();
        if (code == rc::Success) {
            events_.progressClose();
            port_.CloseLan();
            events_.success(completion_);
        } else {
            events_.result(code);
            events_.progressClose();
            port_.CloseLan();
        }
        events_.jobEnd();
    }

private:
    ResultCode steps();
    ResultCode checkLine();
    ResultCode checkModel();
    ResultCode findAgain();
    ResultCode upload(const LanUploadPlan& plan);
    ResultCode checkCrc(const LanUploadPlan& plan);
    ResultCode resetAndFind();
    ResultCode clearArea();

    LanSent exchange(const Bytes& bytes, Bytes& reply, uint32_t readDefault = kDefaultRead, bool expectsReply = true)
    {
        return link_.exchange(bytes, reply, readDefault, expectsReply);
    }
    NetSettings settings() { return link_.settings(); }
    bool writePart(const LanImagePart& part);
    void removePartFiles();

    ModelInfo& row_;
    FlashJob& job_;
    JobEvents& events_;
    StepReporter report_;
    CDCBComm port_;
    LanJobExchange link_;
    Bytes image_;
    std::optional<LanUploadPlan> plan_;
    bool iplMode_ = false;
    std::array<uint8_t, 6> mac_{};
    std::vector<std::filesystem::path> partFiles_;
    std::string completion_;
};

ResultCode LanRun::steps()
{
    if (ResultCode code = checkLine())
        return code;
    if (!iplMode_) {
        if (job_.checkModel != 0)
            if (ResultCode code = checkModel())
                return code;
        report_.step("Switching printer to download mode..(Step 3)");
        Bytes reply;
        switch (exchange(kDownloadMode, reply, kDefaultRead, false)) {
        case LanSent::NotOpened: return rc::NoAcknowledge;
        case LanSent::NoReply: return rc::CannotSwitchToDownload;
        case LanSent::Done: break;
        }
        if (!pause(15000))
            return kStoppedResult;
    }
    if (ResultCode code = findAgain())
        return code;

    report_.step("Checking communication line status..(Step 4)");
    Bytes reply;
    switch (exchange(kIplModeQuery, reply)) {
    case LanSent::NotOpened: return rc::NoAcknowledge;
    case LanSent::NoReply: return rc::CannotSwitchToDownload;
    case LanSent::Done: break;
    }

    if (ResultCode code = upload(*plan_))
        return code;
    if (ResultCode code = checkCrc(*plan_))
        return code;
    if (ResultCode code = resetAndFind())
        return code;
    if (ResultCode code = clearArea())
        return code;

    report_.step("Download Completed..(Step 9)");
    return pause(1000) ? rc::Success : kStoppedResult;
}

ResultCode LanRun::checkLine()
{
    report_.step("Checking communication line status..(Step 1)");
    std::ifstream in(job_.filePath, std::ios::binary);
    if (!in)
        return rc::CannotOpenFile;
    image_.assign(std::istreambuf_iterator<char>(in), {});
    const bool firmware = job_.downloadTypeCode == 1 || job_.downloadTypeCode == 2;
    if (row_.imageSignature != 0 && firmware &&
        (image_.empty() || image_.front() != static_cast<uint8_t>(row_.imageSignature)))
        return rc::WrongFirmwareFile;
    // Both refusals come before the printer is touched: it stays in online mode.
    plan_ = lanUploadPlan(row_);
    if (!plan_)
        return rc::WrongFirmwareFile; // no file name the printer would take for this sector
    if (plan_->partCount == 2 && image_.size() > plan_->parts[0].size + plan_->parts[1].size)
        return rc::InvalidImage; // the two parts would leave the image's end unwritten

    if (ResultCode code = link_.checkLineStatus(iplMode_))
        return code;

    if (port_.FindPrinterByMac(job_.ipAddress, mac_.data(), 0) != kMacFound)
        return rc::NoPrinterIp;
    job_.ipAddress = port_.lan().foundAddress();
    return rc::Success;
}

ResultCode LanRun::checkModel()
{
    report_.step("Checking printer model number..(Step 2)");
    Bytes reply;
    switch (exchange(kModelQuery, reply)) {
    case LanSent::NotOpened: return rc::NoAcknowledge;
    case LanSent::NoReply: return rc::NoModelNumber;
    case LanSent::Done: break;
    }
    std::string model;
    for (size_t i = 1; i < reply.size() && reply[i] != '\r' && reply[i] != 0xFF; ++i)
        model += static_cast<char>(reply[i]);
    const bool ruled = row_.displayName == "R451-2XX8/3XX8/4XX8/6XX8" || row_.displayName == "R452-1X73/2X73";
    if (!ruled || !modelNumberMismatch(row_.family, row_.displayName, model))
        return rc::Success;
    if (job_.commandLineMode)
        return rc::SelectedModelNotCorrect;
    const std::string question =
        printfText("Current printer model is %s , but the selected model is %s!\nYou want continue download!",
                   model.c_str(), row_.displayName.c_str());
    return events_.askYesNo(question, kApplicationName) ? rc::Success : rc::SelectedModelNotCorrect;
}

// Directed, broadcast, directed, broadcast: the printer may have restarted at another address.
ResultCode LanRun::findAgain()
{
    report_.step("Getting IP Address..");
    int outcome = kMacNoReply;
    for (int search = 0; search < kMacSearches; ++search) {
        if (stopRequested())
            return kStoppedResult;
        outcome = port_.FindPrinterByMac(job_.ipAddress, mac_.data(), search % 2);
        if (outcome == kMacFound) {
            job_.ipAddress = port_.lan().foundAddress();
            break;
        }
    }
    switch (outcome) {
    case 1: report_.step("Socket Connection Failed."); break;
    case 2: report_.step("Session Connection Failed."); break;
    case 3: report_.step("Receive Session Timeout."); break;
    case 4: report_.step("Receive Data Failed."); break;
    default: report_.step(printfText("\nWSALastErrot() = %d", errno)); break;
    }
    return outcome == kMacFound ? rc::Success : rc::NoPrinterIp;
}

bool LanRun::writePart(const LanImagePart& part)
{
    const std::filesystem::path path = std::filesystem::path(job_.workDir) / part.localName;
    partFiles_.push_back(path);
    std::ofstream out(path, std::ios::binary | std::ios::trunc);
    if (part.offset < image_.size()) {
        const size_t size = std::min(part.size, image_.size() - part.offset);
        out.write(reinterpret_cast<const char*>(image_.data() + part.offset), static_cast<std::streamsize>(size));
    }
    return static_cast<bool>(out.flush());
}

void LanRun::removePartFiles()
{
    std::error_code ignored;
    for (const auto& path : partFiles_)
        std::filesystem::remove(path, ignored);
    partFiles_.clear();
}

ResultCode LanRun::upload(const LanUploadPlan& plan)
{
    const FtpSignIn signIn = ftpSignInFor(row_.displayName);
    const uint32_t a = job_.ipAddress;
    const std::string server = printfText("%i.%i.%i.%i", int(a >> 24), int((a >> 16) & 0xFF), int((a >> 8) & 0xFF),
                                          int(a & 0xFF));
    const ProfileStore store = ProfileStore::forUser();
    for (int p = 0; p < plan.partCount; ++p) {
        report_.step("Upload the file to FTP Server..(Step 5)");
        const LanImagePart& part = plan.parts[p];
        if (!part.localName.empty() && !writePart(part))
            return rc::UploadFailed;
        const std::string local =
            part.localName.empty() ? job_.filePath : (std::filesystem::path(job_.workDir) / part.localName).string();
        if (!port_.OpenLanEx(job_.ipAddress, settings().rawPort, 0, 40000, 1))
            return rc::NoAcknowledge;
        const int uploaded =
            FtpUpload(signIn.clientName, signIn.user, signIn.password, local, part.remoteName, server, store);
        if (uploaded != kFtpUploaded) {
            port_.CloseLan();
            return uploaded == kFtpNoSession ? rc::CannotOpenFtp
                   : uploaded == kFtpNoConnection ? rc::CannotConnectFtp
                                                  : rc::UploadFailed;
        }
        const Bytes select{0x1D, 0x02, lanPartSector(plan, job_.startSector, p)};
        Bytes reply;
        if (!port_.TransactLan(kNetExchange, select.data(), select.size(), reply) || reply.empty())
            return rc::UploadFailed;
        if (reply[0] == kNak)
            return rc::SelectAckFailed;
    }
    return rc::Success;
}

ResultCode LanRun::checkCrc(const LanUploadPlan& plan)
{
    if (plan.crcLabel.empty())
        return rc::Success;
    report_.step("Calculate the CRC..(Step 6)");
    CrcAccumulator accumulator(row_.altCrc);
    const std::optional<uint16_t> fileCrc = imageFileCrc(accumulator, job_.filePath);
    Bytes reply;
    const LanSent sent = exchange(Bytes{0x1D, plan.crcCode}, reply, 60000);
    if (sent == LanSent::NotOpened)
        return rc::NoAcknowledge;
    if (sent != LanSent::Done || reply.size() < 3 || reply[0] != kAck || !fileCrc)
        return rc::CannotRecalculateCrc;
    completion_ = printfText("%s%02X%02X", plan.crcLabel.c_str(), int(reply[2]), int(reply[1]));
    const uint16_t printerCrc = static_cast<uint16_t>(reply[2] * 256 + reply[1]);
    return printerCrc == *fileCrc ? rc::Success : rc::CrcIncorrect;
}

ResultCode LanRun::resetAndFind()
{
    report_.step("Reset Printer..(Step 7)");
    Bytes reply;
    switch (exchange(kReset, reply, 1000, false)) {
    case LanSent::NotOpened: return rc::NoAcknowledge;
    case LanSent::NoReply: return rc::CannotReset;
    case LanSent::Done: break;
    }
    if (!pause(10000))
        return kStoppedResult;
    if (ResultCode code = findAgain())
        return code;
    if (!iplMode_ && link_.statusExchange(kRecovery, reply, false) != LanSent::Done)
        return rc::NoAcknowledge;
    return rc::Success;
}

ResultCode LanRun::clearArea()
{
    report_.step("Clearing download area of the printer..(Step 8)");
    if (iplMode_)
        return rc::Success;
    for (const Bytes* command : {&kClearArea, &kClearAreaSecondForm}) {
        Bytes reply;
        switch (exchange(*command, reply)) {
        case LanSent::NotOpened: return rc::NoAcknowledge;
        case LanSent::NoReply: return rc::BlockTimeout;
        case LanSent::Done: break;
        }
        if (reply[0] != kAreaCleared)
            return rc::ClearDownloadAreaFailed;
    }
    if (job_.printAfter == 1) {
        Bytes reply;
        if (exchange(kPrintDiagnostics, reply, kDefaultRead, false) != LanSent::Done)
            return rc::BlockTimeout;
        if (!pause(2000))
            return kStoppedResult;
    }
    return rc::Success;
}

} // namespace

JobEnd RunLanDownload(WorkerJob job)
{
    NoReceiver nobody;
    JobEvents& events = job.row.job.notifyWindow ? *job.row.job.notifyWindow : nobody;
    LanRun(job, events).run();
    return jobEndOf(job.row.job);
}

} // namespace kyv
