#include "sim/lib/session/printer_session.h"

#include "sim/lib/flash_file_check.h"

namespace kyv::sim {
namespace {

const char* modeName(PrinterMode mode) { return mode == PrinterMode::Download ? "download" : "online"; }

} // namespace

std::string describeLine(int baud, int stopBits)
{
    return std::to_string(baud) + " bps, " + std::to_string(stopBits) + (stopBits == 1 ? " stop bit" : " stop bits");
}

PrinterSession::PrinterSession(PrinterOptions options) : options_(std::move(options)), model_(options_)
{
    if (!model_.valid())
        error_ = model_.errorText();
}

bool PrinterSession::beginServing(const std::string& where)
{
    if (!valid())
        return false;
    if (!stop_.open()) {
        error_ = stop_.errorText();
        return false;
    }
    PrinterState current = state();
    transcript_.event("printer " + std::string(model_.printerType().name) + " (" + modelNumber() + ") " + where +
                      ", " + modeName(current.mode) + " mode at " + describeLine(current.baud, current.stopBits));
    filesDue_ = true;
    return true;
}

bool PrinterSession::endServing()
{
    stop_.close();
    restartEnd_.reset();
    if (!filesDue_)
        return true;
    filesDue_ = false;
    bool written = true;
    if (!options_.transcriptPath.empty() && !transcript_.writeTo(options_.transcriptPath)) {
        error_ = "cannot write the transcript to " + options_.transcriptPath;
        written = false;
    }
    if (!options_.flashDumpPath.empty() && valid() && !dumpFlash(options_.flashDumpPath)) {
        error_ = "cannot write the flash dump to " + options_.flashDumpPath;
        written = false;
    }
    if (!options_.expectedImagePath.empty()) {
        std::string why;
        if (!sectorsHoldFile(options_.expectedImagePath, options_.expectedImageSector, &why)) {
            error_ = "the flash does not hold " + options_.expectedImagePath + " from sector " +
                     std::to_string(options_.expectedImageSector) + ": " + why;
            written = false;
        }
    }
    return written;
}

bool PrinterSession::receive(std::span<const uint8_t> bytes, const HostLine* line, HostLink& link)
{
    transcript_.add(Direction::ToPrinter, Bytes(bytes.begin(), bytes.end()));
    std::vector<PrinterAction> actions;
    {
        std::lock_guard lock(mutex_);
        const PrinterState& current = model_.state();
        if (line != nullptr && !current.restarting && (line->baud != current.baud || line->stopBits != current.stopBits)) {
            // A printer at another speed sees only framing errors.
            transcript_.event("ignored: host at " + describeLine(line->baud, line->stopBits) + ", printer at " +
                              describeLine(current.baud, current.stopBits));
            if (options_.onMismatch == MismatchAnswer::Nothing)
                return true;
            actions.push_back({PrinterAction::Kind::Send, garbledBytes(bytes.size()), ProtocolMs{0}});
        } else {
            if (model_.receivingData() && lastHostBytes_ && now() - *lastHostBytes_ > scaled(kDataSilence))
                model_.abandonData(&transcript_);
            actions = model_.receive(bytes, &transcript_);
        }
    }
    lastHostBytes_ = now();
    return perform(actions, link);
}

bool PrinterSession::receiveMessage(std::span<const uint8_t> bytes, HostLink& link)
{
    transcript_.add(Direction::ToPrinter, Bytes(bytes.begin(), bytes.end()));
    std::vector<PrinterAction> actions;
    {
        std::lock_guard lock(mutex_);
        actions = model_.receiveMessage(bytes, &transcript_);
    }
    return perform(actions, link);
}

bool PrinterSession::answerParsed(PrinterCommand command, Bytes reply, HostLink& link)
{
    std::vector<PrinterAction> actions;
    {
        std::lock_guard lock(mutex_);
        actions = model_.answerParsed(command, std::move(reply), &transcript_);
    }
    lastHostBytes_ = now();
    return perform(actions, link);
}

bool PrinterSession::refusesNext(PrinterCommand command) const
{
    std::lock_guard lock(mutex_);
    return model_.refusesNext(command);
}

bool PrinterSession::perform(const std::vector<PrinterAction>& actions, HostLink& link)
{
    for (const PrinterAction& action : actions) {
        switch (action.kind) {
        case PrinterAction::Kind::Send:
            if (!send(action.bytes, link))
                return false;
            break;
        case PrinterAction::Kind::Pause:
            if (!pause(action.time))
                return false;
            break;
        case PrinterAction::Kind::Restart:
            restartBegan_ = now();
            restartEnd_.emplace(action.time);
            if (action.time.count() <= 0)
                finishRestart();
            break;
        case PrinterAction::Kind::DropLine:
            link.dropLine();
            transcript_.event("line closed");
            return false;
        }
    }
    return true;
}

bool PrinterSession::send(const Bytes& reply, HostLink& link)
{
    // Recorded before it goes out, so whoever has read the reply finds it in the transcript.
    transcript_.add(Direction::ToHost, reply);
    return link.sendReply(reply);
}

bool PrinterSession::pause(ProtocolMs time)
{
    SteadyTime began = now();
    bool waited = stop_.waitFor(time);
    std::lock_guard lock(mutex_);
    model_.addOwnWaitTime(now() - began);
    return waited;
}

void PrinterSession::finishRestartIfDue()
{
    if (restartEnd_ && restartEnd_->expired())
        finishRestart();
}

void PrinterSession::finishRestart()
{
    restartEnd_.reset();
    std::lock_guard lock(mutex_);
    model_.completeRestart();
    model_.addOwnWaitTime(now() - restartBegan_);
    const PrinterState& current = model_.state();
    transcript_.event(std::string("ready in ") + modeName(current.mode) + " mode at " +
                      describeLine(current.baud, current.stopBits));
}

Bytes PrinterSession::flash() const
{
    std::lock_guard lock(mutex_);
    return model_.valid() ? model_.flash() : Bytes{};
}

Bytes PrinterSession::sectorBytes(int sector) const
{
    std::lock_guard lock(mutex_);
    return model_.valid() ? model_.sectorBytes(sector) : Bytes{};
}

bool PrinterSession::flashHoldsFile(const std::string& path, uint64_t flashOffset, std::string* why) const
{
    std::lock_guard lock(mutex_);
    return sim::flashHoldsFile(model_.valid() ? model_.flash() : Bytes{}, path, flashOffset, why);
}

bool PrinterSession::sectorsHoldFile(const std::string& path, int firstSector, std::string* why) const
{
    std::lock_guard lock(mutex_);
    if (!model_.valid() || !model_.printerType().flash->hasSector(firstSector)) {
        if (why != nullptr)
            *why = "no sector " + std::to_string(firstSector) + " in this printer";
        return false;
    }
    uint64_t offset = model_.printerType().flash->sectorStart(firstSector);
    return sim::flashHoldsFile(model_.flash(), path, offset, why);
}

bool PrinterSession::dumpFlash(const std::string& path) const
{
    std::lock_guard lock(mutex_);
    return model_.valid() && writeBytesToFile(model_.flash(), path);
}

PrinterState PrinterSession::state() const
{
    std::lock_guard lock(mutex_);
    return model_.state();
}

std::string PrinterSession::modelNumber() const
{
    std::lock_guard lock(mutex_);
    return model_.modelNumber();
}

void PrinterSession::addFault(const Fault& fault)
{
    std::lock_guard lock(mutex_);
    model_.addFault(fault);
}

bool PrinterSession::storeImage(char kind, std::span<const uint8_t> image)
{
    std::lock_guard lock(mutex_);
    const PrinterType& type = model_.printerType();
    const int sector = kind == 'M' ? type.mainSector : kind == 'S' ? type.sbcsSector : type.bootSector;
    return model_.storeImage(sector, image);
}

} // namespace kyv::sim
