#include "download/lan_online_download.h"

#include "core/job_events.h"
#include "download/download_pause.h"
#include "download/lan_job_exchange.h"
#include "download/no_receiver.h"
#include "download/printf_text.h"
#include "download/step_reporter.h"
#include "protocol/lan/lan_job_messages.h"
#include "protocol/online_block.h"
#include "transport/dcb_comm.h"
#include "transport/net/net_socket.h"

#include <algorithm>
#include <fstream>
#include <iterator>
#include <vector>

namespace kyv {
namespace {

using Bytes = std::vector<uint8_t>;
using namespace lan;

constexpr size_t kPieceBytes = 10000;
constexpr uint32_t kShortRead = 1000;
constexpr uint32_t kLastPieceRead = 60000;
constexpr uint8_t kSettingWasOn = 0x01;
constexpr int kMainFirmwareCode = 2;
constexpr int kIplFirmwareCode = 1;
// Ready polls that may fail after the reset before the printer is taken to have come
// back in its boot program.
constexpr int kReadyPollFailures = 2;

class LanOnlineRun {
public:
    LanOnlineRun(WorkerJob& job, JobEvents& events)
        : row_(job.row), job_(job.row.job), events_(events), report_(events), link_(port_, job_)
    {
    }

    JobEnd run()
    {
        events_.progressStart(job_.progressRange);
        ResultCode code = steps();
        if (stopRequested())
            code = kStoppedResult;
        if (code == rc::Success) {
            events_.progressClose();
            port_.CloseLan();
            events_.success("");
        } else {
            events_.result(code);
            restoreSetting();
            events_.progressClose();
            port_.CloseLan();
        }
        events_.jobEnd();
        JobEnd end = jobEndOf(job_);
        end.userAreaErased = userAreaErased_;
        return end;
    }

private:
    ResultCode steps();
    ResultCode checkLine();
    ResultCode switchSettingOff();
    ResultCode eraseUserAreaIfOlder(std::optional<int> imageVersion);
    ResultCode transfer(const OnlineBlockHeader& header, Bytes& reply);
    ResultCode resetAndWait();
    ResultCode verdict(const Bytes& reply);
    void ticks(int count)
    {
        for (int i = 0; i < count; ++i)
            report_.tick();
    }
    // The setting goes back on whatever happened after it was switched off.
    ResultCode restoreSetting()
    {
        if (!settingOff_)
            return rc::Success;
        settingOff_ = false;
        return link_.send(kSettingOn, kShortRead) == LanSent::Done ? rc::Success : rc::DownloadFailed;
    }

    ModelInfo& row_;
    FlashJob& job_;
    JobEvents& events_;
    StepReporter report_;
    CDCBComm port_;
    LanJobExchange link_;
    Bytes image_;
    bool iplMode_ = false;
    bool settingOff_ = false;
    int userAreaErased_ = 0;
};

ResultCode LanOnlineRun::steps()
{
    if (ResultCode code = checkLine())
        return code;
    // A printer in its boot program cannot take an online-mode block: nothing is sent, and
    // the run must not end as if the image had been written.
    if (iplMode_)
        return rc::PrinterNotOnline;

    report_.step("Online Mode Download..(Step 4)");
    if (!pause(500))
        return kStoppedResult;
    const std::optional<OnlineBlockType> type = onlineBlockType(job_.downloadTypeCode);
    const OnlineBlockHeader header = onlineBlockHeader(type->typeCode, static_cast<uint32_t>(image_.size()));
    const int code = job_.downloadTypeCode;
    const bool firmware = code == kMainFirmwareCode || code == kIplFirmwareCode;
    const std::optional<int> imageVersion = firmware ? onlineImageVersion(image_) : std::nullopt;

    report_.step("Downloading on progress..(Step 5)");
    if (ResultCode failure = switchSettingOff())
        return failure;
    if (firmware)
        if (ResultCode failure = eraseUserAreaIfOlder(imageVersion))
            return failure;
    Bytes reply;
    if (ResultCode failure = transfer(header, reply))
        return failure;
    if (ResultCode failure = restoreSetting())
        return failure;

    if (ResultCode failure = resetAndWait())
        return failure;
    ticks(type->ticks + 1);
    if (ResultCode failure = verdict(reply))
        return failure;

    if (!iplMode_) {
        if (link_.send(kRecovery) != LanSent::Done)
            return rc::NoAcknowledge;
        if (job_.printAfter == 1) {
            if (link_.send(kPrintDiagnostics) != LanSent::Done)
                return rc::BlockTimeout;
            if (!pause(2000))
                return kStoppedResult;
        }
    }
    report_.step("Download Completed..(Step 9)", job_.progressRange);
    return pause(1000) ? rc::Success : kStoppedResult;
}

ResultCode LanOnlineRun::checkLine()
{
    report_.step("Checking communication line status..(Step 1)");
    std::ifstream in(job_.filePath, std::ios::binary);
    if (!in)
        return rc::CannotOpenFile;
    image_.assign(std::istreambuf_iterator<char>(in), {});
    const bool firmware = job_.downloadTypeCode == kIplFirmwareCode || job_.downloadTypeCode == kMainFirmwareCode;
    if (row_.imageSignature != 0 && firmware &&
        (image_.empty() || image_.front() != static_cast<uint8_t>(row_.imageSignature)))
        return rc::WrongFirmwareFile;
    // Refused before the printer is touched: a kind the block cannot carry, or no image.
    if (!onlineBlockType(job_.downloadTypeCode))
        return rc::DownloadFailed;
    if (image_.empty())
        return rc::InvalidImage;

    // These printers answer the status request on the raw port.
    link_.askStatusOnRawPort();
    if (ResultCode code = link_.checkLineStatus(iplMode_))
        return code;
    if (!iplMode_ && job_.checkModel == 1) {
        report_.step("Checking printer model number..(Step 2)");
        Bytes reply;
        switch (link_.exchange(kModelQuery, reply)) {
        case LanSent::NotOpened: return rc::NoAcknowledge;
        case LanSent::NoReply: return rc::NoModelNumber;
        case LanSent::Done: break;
        }
    }
    return rc::Success;
}

ResultCode LanOnlineRun::switchSettingOff()
{
    Bytes reply;
    if (link_.exchange(kSettingQuery, reply, kShortRead) == LanSent::Done && reply[0] == kSettingWasOn) {
        if (link_.send(kSettingOff, kShortRead) != LanSent::Done)
            return rc::DownloadFailed;
        settingOff_ = true;
    }
    return rc::Success;
}

ResultCode LanOnlineRun::eraseUserAreaIfOlder(std::optional<int> imageVersion)
{
    Bytes reply;
    const Bytes& query = job_.downloadTypeCode == kMainFirmwareCode ? kMainVersionQuery : kBootVersionQuery;
    if (link_.exchange(query, reply, kShortRead) != LanSent::Done)
        return rc::DownloadFailed;
    const std::optional<int> printerVersion = printerVersionInReply(reply);
    // An image without a version marker, or a report without a number, is taken as
    // compatible: the user's area is never erased on a guess.
    if (!printerVersion || !imageVersion || *printerVersion < kUserAreaCompatibleVersion ||
        *imageVersion >= kUserAreaCompatibleVersion)
        return rc::Success;
    if (link_.send(kEraseUserArea, kShortRead) != LanSent::Done)
        return rc::DownloadFailed;
    userAreaErased_ = 1;
    report_.step("Erasing Flash User Defined...");
    report_.step("Downloading on progress..(Step 5)");
    return rc::Success;
}

// The header on a connection of its own, the image in 10000-byte pieces on a second one,
// and the last piece on a third that waits up to a minute for the printer's answer.
ResultCode LanOnlineRun::transfer(const OnlineBlockHeader& header, Bytes& reply)
{
    const uint16_t raw = link_.settings().rawPort;
    Bytes ignored;
    if (!port_.OpenLanEx(job_.ipAddress, raw, 0, LanJobExchange::kDefaultRead, 0) ||
        !port_.TransactLan(kNetSendOnly, header.data(), header.size(), ignored))
        return rc::DownloadFailed;
    if (!port_.OpenLanEx(job_.ipAddress, raw, 0, kShortRead, 0))
        return rc::DownloadFailed;
    const size_t lastStart = (image_.size() - 1) / kPieceBytes * kPieceBytes;
    int pieces = 0;
    for (size_t at = 0; at < lastStart; at += kPieceBytes) {
        if (stopRequested())
            return kStoppedResult;
        if (!port_.TransactLanKeep(kNetSendOnly, image_.data() + at, kPieceBytes, ignored))
            return rc::DownloadFailed;
        if (++pieces % 2 == 0)
            report_.tick();
    }
    if (!port_.OpenLanEx(job_.ipAddress, raw, 0, kLastPieceRead, 1) ||
        !port_.TransactLan(kNetExchangeReplyOptional, image_.data() + lastStart, image_.size() - lastStart, reply))
        return rc::DownloadFailed;
    port_.CloseLan();
    return rc::Success;
}

ResultCode LanOnlineRun::resetAndWait()
{
    report_.step("Resetting the Printer..(Step 6)");
    switch (link_.send(kReset, kShortRead)) {
    case LanSent::NotOpened: return rc::NoAcknowledge;
    case LanSent::NoReply: return rc::CannotReset;
    case LanSent::Done: break;
    }
    if (!pause(15000))
        return kStoppedResult;
    // A failed send on a connection that opened counts like a connection that did not:
    // a printer that takes connections and never the poll must not hold the run forever.
    for (int failures = 0;;) {
        if (link_.send(kReadyPoll, kShortRead) == LanSent::Done)
            break;
        if (++failures >= kReadyPollFailures) {
            iplMode_ = true;
            break;
        }
        if (!pause(1000))
            return kStoppedResult;
    }
    return rc::Success;
}

// The printer's answer to the block, read with its last piece.
ResultCode LanOnlineRun::verdict(const Bytes& reply)
{
    OnlineBlockReply answer;
    std::copy_n(reply.begin(), std::min(reply.size(), answer.bytes.size()), answer.bytes.begin());
    if (reply.empty())
        return rc::DownloadFailed;
    if (answer.accepted()) {
        report_.log(printfText("Printer CRC is %04x", answer.printerCrc()));
        return rc::Success;
    }
    return answer.bytes[0] == kNak && reply.size() > 1 ? onlineNakResult(answer.bytes[1]) : rc::DownloadFailed;
}

} // namespace

JobEnd RunLanOnlineDownload(WorkerJob job)
{
    NoReceiver nobody;
    JobEvents& events = job.row.job.notifyWindow ? *job.row.job.notifyWindow : nobody;
    return LanOnlineRun(job, events).run();
}

} // namespace kyv
