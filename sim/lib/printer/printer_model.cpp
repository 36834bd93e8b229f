#include "sim/lib/printer/printer_model.h"

#include "sim/lib/printer/baud_codes.h"
#include "sim/lib/printer/command_parser.h"
#include "sim/lib/printer/printer_replies.h"

#include <algorithm>
#include <utility>

namespace kyv::sim {
namespace {

constexpr size_t kCommandCount = kPrinterCommandCount;
constexpr size_t kModelNumberRoom = 16; // the host reads 18 bytes: apostrophe, number, CR

std::string upper(std::string text)
{
    for (char& c : text)
        if (c >= 'a' && c <= 'z')
            c = static_cast<char>(c - 'a' + 'A');
    return text;
}

bool carriesCrc(PrinterCommand command)
{
    return command == PrinterCommand::SectorCrc || command == PrinterCommand::MainCrc ||
           command == PrinterCommand::IplCrc || command == PrinterCommand::LanIplCrc ||
           command == PrinterCommand::OnlineBlock || command == PrinterCommand::J5Crc;
}

} // namespace

Bytes garbledBytes(size_t count)
{
    Bytes bytes(count);
    for (size_t i = 0; i < count; ++i)
        bytes[i] = static_cast<uint8_t>(0x80 | ((i * 0x3B + 0x11) & 0x7F));
    return bytes;
}

PrinterModel::PrinterModel(const PrinterOptions& options) : options_(options)
{
    arrivals_.assign(kCommandCount, 0);
    const PrinterType* type = findPrinterType(options.model);
    if (type == nullptr) {
        error_ = "unknown model '" + options.model + "'";
        return;
    }
    modelNumber_ = options.modelNumber.empty() ? std::string(type->modelNumber) : options.modelNumber;
    if (modelNumber_.size() > kModelNumberRoom || modelNumber_.find('\r') != std::string::npos) {
        error_ = "the model number must be at most 16 characters without a carriage return";
        return;
    }
    state_.baud = options.baud != 0 ? options.baud : type->baud;
    if (!codeOfBaud(state_.baud)) {
        error_ = "the printer cannot run at " + std::to_string(state_.baud) +
                 " bps (1200, 2400, 4800, 9600, 19200, 38400, 57600 or 115200)";
        return;
    }
    if (options.stopBits != 1 && options.stopBits != 2) {
        error_ = "stop bits must be 1 or 2";
        return;
    }
    state_.parity = upper(options.parity);
    if (state_.parity != "NONE" && state_.parity != "EVEN" && state_.parity != "ODD") {
        error_ = "parity must be NONE, EVEN or ODD";
        return;
    }
    state_.stopBits = options.stopBits;
    state_.mode = options.startInDownloadMode ? PrinterMode::Download : PrinterMode::Online;
    state_.switchByte0 = options.switchByte0;
    state_.switchByte1 = options.switchByte1;
    state_.usuOn = options.usuOn;
    state_.fiscalState = options.fiscalState;
    state_.notReady = options.notReady;
    faults_ = options.faults;
    flash_.assign(type->flash->totalBytes(), options.initialFlashByte);
    blockCrc_ = FlashCrc(type->crc);
    type_ = type;
}

Bytes PrinterModel::sectorBytes(int sector) const
{
    const FlashLayout& layout = *type_->flash;
    if (!layout.hasSector(sector))
        return {};
    auto begin = flash_.begin() + static_cast<std::ptrdiff_t>(layout.sectorStart(sector));
    return Bytes(begin, begin + layout.sectorSize(sector));
}

std::vector<PrinterAction> PrinterModel::receive(std::span<const uint8_t> bytes, Transcript* transcript)
{
    std::vector<PrinterAction> out;
    if (!valid() || state_.lineDropped)
        return out;

    // A line that drops after so many bytes takes only those.
    bool dropNow = false;
    for (const Fault& fault : faults_) {
        if (fault.kind != FaultKind::DropLine || fault.afterBytes == 0 || state_.bytesReceived >= fault.afterBytes)
            continue;
        uint64_t room = fault.afterBytes - state_.bytesReceived;
        if (bytes.size() >= room) {
            bytes = bytes.first(room);
            dropNow = true;
        }
    }
    state_.bytesReceived += bytes.size();

    if (state_.restarting) {
        if (transcript != nullptr && !bytes.empty())
            transcript->event("ignored " + std::to_string(bytes.size()) + " bytes: restarting");
    } else {
        pending_.insert(pending_.end(), bytes.begin(), bytes.end());
        size_t pos = 0;
        size_t unknownRun = 0;
        auto reportUnknown = [&] {
            if (unknownRun > 0 && transcript != nullptr)
                transcript->event("ignored " + std::to_string(unknownRun) + " bytes: no command");
            unknownRun = 0;
        };
        std::span<const uint8_t> all(pending_);
        while (pos < pending_.size() && !state_.restarting && !state_.lineDropped) {
            if (dataKind_ != DataKind::None) {
                pos += takeData(all.subspan(pos), out, transcript);
                continue;
            }
            ParsedCommand parsed = parseCommand(all.subspan(pos), options_.network.on);
            if (parsed.outcome == ParsedCommand::Outcome::NeedMore)
                break;
            if (parsed.outcome == ParsedCommand::Outcome::Unknown) {
                ++unknownRun;
                ++pos;
                continue;
            }
            reportUnknown();
            runCommand(parsed.command, all.subspan(pos, parsed.length), out, transcript);
            pos += parsed.length;
        }
        reportUnknown();
        if (state_.restarting && pos < pending_.size() && transcript != nullptr)
            transcript->event("ignored " + std::to_string(pending_.size() - pos) + " bytes: restarting");
        if (state_.restarting || state_.lineDropped)
            pending_.clear();
        else
            pending_.erase(pending_.begin(), pending_.begin() + static_cast<std::ptrdiff_t>(pos));
    }

    if (dropNow && !state_.lineDropped) {
        if (transcript != nullptr)
            transcript->event("fault: line dropped after " + std::to_string(state_.bytesReceived) + " bytes");
        state_.lineDropped = true;
        out.push_back({PrinterAction::Kind::DropLine, {}, ProtocolMs{0}});
    }
    return out;
}

std::vector<PrinterAction> PrinterModel::receiveMessage(std::span<const uint8_t> bytes, Transcript* transcript)
{
    if (!valid() || state_.lineDropped)
        return {};
    if (dataKind_ != DataKind::None) {
        if (transcript != nullptr)
            transcript->event("ignored a datagram: data is coming on the raw port");
        return {};
    }
    Bytes stream = std::exchange(pending_, {});
    std::vector<PrinterAction> out = receive(bytes, transcript);
    // What the message left unfinished ends with it.
    if (dataKind_ != DataKind::None && transcript != nullptr)
        transcript->event("ignored the data of a datagram");
    dataKind_ = DataKind::None;
    pending_ = state_.restarting ? Bytes{} : std::move(stream);
    return out;
}

void PrinterModel::reconnectLine()
{
    // A restart cut off with the line has long finished when the line is back.
    completeRestart();
    state_.lineDropped = false;
    pending_.clear();
    dataKind_ = DataKind::None;
}

void PrinterModel::abandonData(Transcript* transcript)
{
    if (dataKind_ == DataKind::None)
        return;
    if (transcript != nullptr)
        transcript->event("data abandoned: the host fell silent with " + std::to_string(dataRemaining_) +
                          " bytes to come");
    dataKind_ = DataKind::None;
    dataRemaining_ = 0;
    sectorCrcValid_ = false;
    pending_.clear();
}

const Fault* PrinterModel::faultFor(PrinterCommand command, int occurrence) const
{
    for (const Fault& fault : faults_) {
        if (fault.kind == FaultKind::DropLine && fault.afterBytes > 0)
            continue;
        if (fault.command != PrinterCommand::Any && fault.command != command)
            continue;
        if (fault.occurrence == 0 || fault.occurrence == occurrence)
            return &fault;
    }
    return nullptr;
}

void PrinterModel::runCommand(PrinterCommand command, std::span<const uint8_t> bytes,
                              std::vector<PrinterAction>& out, Transcript* transcript)
{
    int occurrence = ++arrivals_[static_cast<size_t>(command)];
    transcript_ = transcript;
    if (transcript != nullptr)
        transcript->event(std::string(commandName(command)) + " (" + std::to_string(occurrence) + ")");
    const Fault* fault = faultFor(command, occurrence);
    bool refused = fault != nullptr && fault->kind == FaultKind::Nak;

    if (command == PrinterCommand::SectorData || command == PrinterCommand::OnlineBlock) {
        dataOccurrence_ = occurrence;
        dataRefused_ = refused;
        if (command == PrinterCommand::SectorData)
            startSectorData(bytes);
        else
            startOnlineBlock(bytes);
        if (dataRemaining_ == 0) { // an empty online block
            dataKind_ = DataKind::None;
            finish(command, occurrence, finishOnlineBlock(), out, transcript);
        }
        return;
    }
    Answer reply = refused ? Answer{nakReply(command)} : answer(command, bytes);
    finish(command, occurrence, std::move(reply), out, transcript);
}

std::vector<PrinterAction> PrinterModel::answerParsed(PrinterCommand command, Bytes reply, Transcript* transcript)
{
    std::vector<PrinterAction> out;
    if (!valid() || state_.lineDropped || state_.restarting)
        return out;
    const int occurrence = ++arrivals_[static_cast<size_t>(command)];
    if (transcript != nullptr)
        transcript->event(std::string(commandName(command)) + " (" + std::to_string(occurrence) + ")");
    finish(command, occurrence, Answer{std::move(reply)}, out, transcript);
    return out;
}

bool PrinterModel::refusesNext(PrinterCommand command) const
{
    const Fault* fault = faultFor(command, arrivals_[static_cast<size_t>(command)] + 1);
    return fault != nullptr && fault->kind == FaultKind::Nak;
}

void PrinterModel::finish(PrinterCommand command, int occurrence, Answer reply, std::vector<PrinterAction>& out,
                          Transcript* transcript)
{
    bool vanish = false;
    if (const Fault* fault = faultFor(command, occurrence)) {
        switch (fault->kind) {
        case FaultKind::Nak:
            reply.bytes = nakReply(command);
            reply.restart = false;
            break;
        case FaultKind::NoReply: reply.bytes.clear(); break;
        case FaultKind::WrongCrc:
            if (carriesCrc(command) && reply.bytes.size() >= 3 && reply.bytes[0] == kAck) {
                reply.bytes[1] ^= 0x5A;
                reply.bytes[2] ^= 0xA5;
            }
            break;
        case FaultKind::ShortReply:
            if (!reply.bytes.empty())
                reply.bytes.pop_back();
            break;
        case FaultKind::Garbage: reply.bytes = garbledBytes(reply.bytes.size()); break;
        case FaultKind::Delay: out.push_back({PrinterAction::Kind::Pause, {}, fault->delay}); break;
        case FaultKind::DropLine:
            if (transcript != nullptr)
                transcript->event("fault: line dropped");
            state_.lineDropped = true;
            out.push_back({PrinterAction::Kind::DropLine, {}, ProtocolMs{0}});
            return;
        case FaultKind::Vanish: vanish = true; break;
        }
        if (transcript != nullptr)
            transcript->event("fault applied to " + std::string(commandName(command)));
    }
    if (!reply.bytes.empty()) {
        if (options_.replyDelay.count() > 0)
            out.push_back({PrinterAction::Kind::Pause, {}, options_.replyDelay});
        out.push_back({PrinterAction::Kind::Send, std::move(reply.bytes), ProtocolMs{0}});
    }
    if (reply.restart)
        beginRestart(reply.modeAfterRestart, out, transcript);
    if (vanish) {
        // The command did what it does; then the printer is gone and stays gone.
        if (transcript != nullptr)
            transcript->event("fault: printer gone for good");
        state_.lineDropped = true;
        out.push_back({PrinterAction::Kind::DropLine, {}, ProtocolMs{0}});
    }
}

void PrinterModel::beginRestart(PrinterMode mode, std::vector<PrinterAction>& out, Transcript* transcript)
{
    state_.restarting = true;
    ++state_.resetCount;
    modeAfterRestart_ = mode;
    if (transcript != nullptr)
        transcript->event(mode == PrinterMode::Download ? "restarting into download mode"
                                                        : "restarting into online mode");
    out.push_back({PrinterAction::Kind::Restart, {}, options_.restartTime});
}

void PrinterModel::completeRestart()
{
    if (!state_.restarting)
        return;
    state_.restarting = false;
    state_.mode = modeAfterRestart_;
    if (state_.pendingBaud != 0) {
        state_.baud = state_.pendingBaud;
        state_.pendingBaud = 0;
    }
    if (pendingStopBits_ != 0) {
        state_.stopBits = pendingStopBits_;
        pendingStopBits_ = 0;
    }
    if (!pendingParity_.empty()) {
        state_.parity = pendingParity_;
        pendingParity_.clear();
    }
    state_.settingsMode = false;
    state_.selectedSector = -1;
    state_.notReady = false;
    sectorCrcValid_ = false;
    dataKind_ = DataKind::None;
    pending_.clear();
    if (state_.mode == PrinterMode::Download && !bootRestart_)
        imageStarted_ = false;
    bootRestart_ = false;
}

} // namespace kyv::sim
