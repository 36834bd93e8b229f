#include "sim/lib/printer_model.h"

#include "sim/lib/baud_codes.h"
#include "sim/lib/command_parser.h"

#include <algorithm>
#include <cstdio>

namespace kyv::sim {
namespace {

constexpr uint8_t kAck = 0x06;
constexpr uint8_t kNak = 0x15;
constexpr size_t kCommandCount = static_cast<size_t>(PrinterCommand::FiscalDownload) + 1;
constexpr size_t kModelNumberRoom = 16; // the host reads 18 bytes: apostrophe, number, CR
constexpr size_t kConfigTableRoom = 65536;

// Online-block error codes the printer answers after a NAK.
constexpr uint8_t kIllegalParameter = 1;
constexpr uint8_t kSizeMismatch = 2;
constexpr uint8_t kWrongFile = 3;
constexpr uint8_t kWriteFailed = 4;

std::string upper(std::string text)
{
    for (char& c : text)
        if (c >= 'a' && c <= 'z')
            c = static_cast<char>(c - 'a' + 'A');
    return text;
}


// The reply a refusing printer gives in place of the command's usual reply.
Bytes nakReply(PrinterCommand command)
{
    switch (command) {
    case PrinterCommand::SectorCrc:
    case PrinterCommand::MainCrc:
    case PrinterCommand::IplCrc: return {kNak, 0x00, 0x00};
    case PrinterCommand::OnlineBlock: return {kNak, kWriteFailed};
    default: return {kNak};
    }
}

bool carriesCrc(PrinterCommand command)
{
    return command == PrinterCommand::SectorCrc || command == PrinterCommand::MainCrc ||
           command == PrinterCommand::IplCrc || command == PrinterCommand::OnlineBlock;
}

// Letter at byte 1 of an image of each online-block type (0 IPL ... 6 SDBCS).
constexpr char kTypeLetters[] = {'B', 'M', 'S', 'D', 'C', 'P', 'D'};

} // namespace

Bytes garbledBytes(size_t count)
{
    Bytes bytes(count);
    for (size_t i = 0; i < count; ++i)
        bytes[i] = static_cast<uint8_t>(0x80 | ((i * 0x3B + 0x11) & 0x7F));
    return bytes;
}

PrinterModel::PrinterModel(const PrinterOptions& options) : options_(options), blockCrc_(0)
{
    arrivals_.assign(kCommandCount, 0);
    int index = catalogue_.indexOf(options.model);
    if (index < 0) {
        error_ = "unknown model '" + options.model + "'";
        return;
    }
    const ModelInfo& info = catalogue_.row(index);
    modelNumber_ = options.modelNumber.empty() ? defaultModelNumber(info.displayName) : options.modelNumber;
    if (modelNumber_.size() > kModelNumberRoom || modelNumber_.find('\r') != std::string::npos) {
        error_ = "the model number must be at most 16 characters without a carriage return";
        return;
    }
    state_.baud = options.baud != 0 ? options.baud : defaultBaud(info.displayName);
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
    flash_.assign(info.sectorMap->totalBytes(), options.initialFlashByte);
    blockCrc_.setAltCrc(info.altCrc);
    info_ = &info;
}

Bytes PrinterModel::sectorBytes(size_t sector) const
{
    const SectorMap& map = *info_->sectorMap;
    if (sector >= map.count())
        return {};
    auto begin = flash_.begin() + static_cast<std::ptrdiff_t>(map.offsetOf(sector));
    return Bytes(begin, begin + map.sizeOf(sector));
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
            ParsedCommand parsed = parseCommand(all.subspan(pos));
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

size_t PrinterModel::takeData(std::span<const uint8_t> bytes, std::vector<PrinterAction>& out,
                              Transcript* transcript)
{
    size_t n = static_cast<size_t>(std::min<uint64_t>(dataRemaining_, bytes.size()));
    std::span<const uint8_t> data = bytes.first(n);
    if (dataKind_ == DataKind::OnlineBlock) {
        blockCrc_.feed(data);
        for (size_t i = 0; i < n && blockReceived_ + i < 2; ++i)
            blockFirstBytes_[blockReceived_ + i] = data[i];
        if (blockReceived_ < 2 && blockReceived_ + n >= 2 && blockType_ < sizeof kTypeLetters &&
            static_cast<char>(blockFirstBytes_[1]) != kTypeLetters[blockType_] && blockError_ == 0)
            blockError_ = kWrongFile;
        if (blockType_ == 5) {
            size_t room = kConfigTableRoom - std::min(configTable_.size(), kConfigTableRoom);
            configTable_.insert(configTable_.end(), data.begin(), data.begin() + std::min(room, n));
        }
        blockReceived_ += n;
    }
    if (dataAccepted_ && !dataRefused_ && blockError_ == 0 && dataOffset_ < dataEnd_) {
        size_t inRange = static_cast<size_t>(std::min<uint64_t>(n, dataEnd_ - dataOffset_));
        program(dataOffset_, data.first(inRange));
    }
    dataOffset_ += n;
    dataRemaining_ -= n;
    if (dataRemaining_ == 0) {
        DataKind kind = dataKind_;
        dataKind_ = DataKind::None;
        if (kind == DataKind::Sector)
            finish(PrinterCommand::SectorData, dataOccurrence_, finishSectorData(), out, transcript);
        else
            finish(PrinterCommand::OnlineBlock, dataOccurrence_, finishOnlineBlock(), out, transcript);
    }
    return n;
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

void PrinterModel::finish(PrinterCommand command, int occurrence, Answer reply, std::vector<PrinterAction>& out,
                          Transcript* transcript)
{
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
    if (state_.mode == PrinterMode::Download)
        imageStarted_ = false;
}

PrinterModel::Answer PrinterModel::answer(PrinterCommand command, std::span<const uint8_t> bytes)
{
    switch (command) {
    case PrinterCommand::IplQuery:
    case PrinterCommand::Erase:
    case PrinterCommand::Select:
    case PrinterCommand::SectorCrc:
    case PrinterCommand::MainCrc:
    case PrinterCommand::IplCrc:
    case PrinterCommand::FennIpl:
    case PrinterCommand::FennMode: return answerFlashCommand(command, bytes);
    default: return answerSettingsCommand(command, bytes);
    }
}

// Commands of the boot loader: answered in download mode only.
PrinterModel::Answer PrinterModel::answerFlashCommand(PrinterCommand command, std::span<const uint8_t> bytes)
{
    const SectorMap& map = *info_->sectorMap;
    if (command == PrinterCommand::FennIpl || command == PrinterCommand::FennMode) {
        state_.fennMode = true;
        return {};
    }
    if (!inDownloadMode())
        return {};
    switch (command) {
    case PrinterCommand::IplQuery: return {{kAck}};
    case PrinterCommand::Erase: {
        uint8_t sector = bytes[2];
        if (sector >= map.count())
            return {{kNak}};
        eraseRange(map.offsetOf(sector), map.offsetOf(sector + 1));
        ++state_.eraseCount;
        return {{kAck}};
    }
    case PrinterCommand::Select: {
        uint8_t sector = bytes[2];
        if (sector >= map.count())
            return {{kNak}};
        state_.selectedSector = sector;
        sectorCrcValid_ = false;
        return {{kAck}};
    }
    case PrinterCommand::SectorCrc: {
        if (!sectorCrcValid_)
            return {nakReply(command)};
        uint16_t crc = state_.lastSectorCrc;
        return {{kAck, static_cast<uint8_t>(crc & 0xFF), static_cast<uint8_t>(crc >> 8)}};
    }
    case PrinterCommand::MainCrc:
    case PrinterCommand::IplCrc: {
        // The image CRC covers the whole 64 KB units written since the switch to download
        // mode, as the host computes it over an image file.
        uint64_t length = imageStarted_ ? imageEnd_ - imageStart_ : 0;
        length -= length % 0x10000;
        uint16_t crc = crcOf(imageStart_, imageStart_ + length);
        return {{kAck, static_cast<uint8_t>(crc & 0xFF), static_cast<uint8_t>(crc >> 8)}};
    }
    default: return {};
    }
}

PrinterModel::Answer PrinterModel::answerSettingsCommand(PrinterCommand command, std::span<const uint8_t> bytes)
{
    bool online = !inDownloadMode();
    auto baudCode = [&] { return Bytes{*codeOfBaud(state_.baud)}; };
    switch (command) {
    case PrinterCommand::Status:
        if (!online)
            return {};
        return {{static_cast<uint8_t>(state_.notReady ? 0x1A : 0x12)}};
    case PrinterCommand::DownloadMode:
        if (!online)
            return {};
        return {{}, true, PrinterMode::Download};
    case PrinterCommand::Reset: return {{}, true, PrinterMode::Online};
    case PrinterCommand::Restart: return {{kAck}, true, PrinterMode::Online};
    case PrinterCommand::Recover: state_.notReady = false; return {};
    case PrinterCommand::BaudQuery: return online ? Answer{baudCode()} : Answer{};
    case PrinterCommand::BaudQuerySettings: return online && state_.settingsMode ? Answer{baudCode()} : Answer{};
    case PrinterCommand::SetParameter: {
        if (!online)
            return {};
        state_.parameters[bytes[2]] = bytes[3];
        if (bytes[2] == 0x11)
            if (std::optional<int> baud = baudOfCode(bytes[3]))
                state_.pendingBaud = *baud;
        return {};
    }
    case PrinterCommand::SettingsMode:
        if (online)
            state_.settingsMode = bytes[3] == 0x01;
        return {};
    case PrinterCommand::ReadSwitches:
        if (!online || !state_.settingsMode)
            return {};
        return {{state_.switchByte0, state_.switchByte1}};
    case PrinterCommand::WriteSwitches:
        if (online) {
            state_.switchByte0 = bytes[2];
            state_.switchByte1 = bytes[3];
        }
        return {};
    case PrinterCommand::ClearDownloadArea:
    case PrinterCommand::ClearDownloadArea2: return {{kAck}};
    case PrinterCommand::EraseUserArea: state_.userAreaErased = true; return {{kAck}};
    case PrinterCommand::ModelNumber: {
        if (!online)
            return {};
        Bytes reply{'\''};
        reply.insert(reply.end(), modelNumber_.begin(), modelNumber_.end());
        reply.push_back('\r');
        return {reply};
    }
    case PrinterCommand::VersionItem: return online ? Answer{versionReply(bytes[3])} : Answer{};
    case PrinterCommand::FlashState: return {{static_cast<uint8_t>(state_.fiscalState)}};
    case PrinterCommand::PrintConfiguration:
        if (online)
            ++state_.configurationPrints;
        return {};
    case PrinterCommand::UsuQuery: return online ? Answer{{static_cast<uint8_t>(state_.usuOn ? 1 : 0)}} : Answer{};
    case PrinterCommand::UsuSet:
        if (online && bytes[2] <= 1)
            state_.usuOn = bytes[2] == 1;
        return {};
    case PrinterCommand::BaudProbe: return online ? Answer{{kAck}} : Answer{};
    case PrinterCommand::FiscalDownload: state_.fiscalState = 2; return {};
    default: return {};
    }
}

Bytes PrinterModel::versionReply(uint8_t item) const
{
    auto fiveCharacters = [](const std::string& text) {
        std::string five = text.substr(0, 5);
        five.resize(5, ' ');
        return five;
    };
    // The version numbers of the online download: eleven characters ending in the five
    // digits of the version, then CR.
    if (item == 0x33 || item == 0x2B) {
        std::string text = "000000" + fiveCharacters(item == 0x33 ? options_.mainVersion : options_.bootVersion) + "\r";
        return Bytes(text.begin(), text.end());
    }
    const std::string* text = nullptr;
    switch (item) {
    case 0x97: text = &options_.bootVersion; break;
    case 0x2F: text = &options_.mainVersion; break;
    case 0xA3: text = &options_.bootCrc; break;
    case 0x37: text = &options_.mainCrc; break;
    case 0x9B: text = &options_.tableVersion; break;
    default: return {};
    }
    // The version report: 10 bytes, a header byte, the five characters, NUL padding.
    std::string five = fiveCharacters(*text);
    Bytes reply(10, 0x00);
    reply[0] = 0x5F;
    std::copy(five.begin(), five.end(), reply.begin() + 1);
    return reply;
}

void PrinterModel::startSectorData(std::span<const uint8_t> header)
{
    const SectorMap& map = *info_->sectorMap;
    // Bytes 2 and 3 of the header are 00 00; the size is little-endian in 4 and 5, 0 meaning 64 KB.
    uint32_t size = header[4] | (header[5] << 8);
    if (size == 0)
        size = 0x10000;
    dataKind_ = DataKind::Sector;
    dataRemaining_ = size;
    dataAccepted_ = inDownloadMode() && state_.selectedSector >= 0;
    if (dataAccepted_) {
        dataStart_ = map.offsetOf(static_cast<size_t>(state_.selectedSector));
        dataEnd_ = dataStart_ + map.sizeOf(static_cast<size_t>(state_.selectedSector));
    } else {
        dataStart_ = dataEnd_ = 0;
    }
    dataOffset_ = dataStart_;
    sectorCrcValid_ = false;
}

PrinterModel::Answer PrinterModel::finishSectorData()
{
    if (!inDownloadMode())
        return {};
    if (dataRefused_ || !dataAccepted_)
        return {{kNak}};
    uint64_t size = dataOffset_ - dataStart_;
    if (size > dataEnd_ - dataStart_)
        return {{kNak}}; // more data than the sector holds: the rest was not stored
    // The printer reads the sector back to compute its CRC, so a missed erase shows.
    state_.lastSectorCrc = crcOf(dataStart_, dataStart_ + size);
    sectorCrcValid_ = true;
    ++state_.sectorWrites;
    if (!imageStarted_) {
        imageStarted_ = true;
        imageStart_ = dataStart_;
        imageEnd_ = dataStart_;
    }
    imageStart_ = std::min(imageStart_, dataStart_);
    imageEnd_ = std::max(imageEnd_, dataStart_ + size);
    return {{kAck}};
}

void PrinterModel::startOnlineBlock(std::span<const uint8_t> header)
{
    const SectorMap& map = *info_->sectorMap;
    blockType_ = header[3];
    uint64_t length = static_cast<uint64_t>(header[4]) | (header[5] << 8) | (header[6] << 16) |
                      (static_cast<uint64_t>(header[7]) << 24);
    dataKind_ = DataKind::OnlineBlock;
    dataRemaining_ = length;
    dataAccepted_ = !inDownloadMode();
    blockError_ = 0;
    blockReceived_ = 0;
    blockFirstBytes_[0] = blockFirstBytes_[1] = 0;
    configTable_.clear();
    blockCrc_.zero();
    dataStart_ = dataEnd_ = dataOffset_ = 0;
    if (!dataAccepted_)
        return;

    const int sectors[] = {info_->iplSector, info_->mainSector, info_->sbcsSector, info_->dbcsSector,
                           info_->tableSector, -1, info_->sdbcsSector};
    if (blockType_ >= std::size(sectors) || sectors[blockType_] == 0) {
        blockError_ = kIllegalParameter;
        return;
    }
    if (blockType_ == 5) // configuration table: settings, not flash
        return;
    uint64_t start = map.offsetOf(static_cast<size_t>(sectors[blockType_]));
    if (length == 0 || length > map.totalBytes() - start) {
        blockError_ = kSizeMismatch;
        return;
    }
    // The printer erases the sectors the image will fill, then programs them as data comes.
    size_t last = map.sectorAt(start + length - 1);
    eraseRange(start, map.offsetOf(last + 1));
    dataStart_ = dataOffset_ = start;
    dataEnd_ = start + length;
}

PrinterModel::Answer PrinterModel::finishOnlineBlock()
{
    if (inDownloadMode())
        return {};
    if (dataRefused_)
        return {nakReply(PrinterCommand::OnlineBlock)};
    if (blockReceived_ < 2 && blockError_ == 0)
        blockError_ = kSizeMismatch;
    if (blockError_ != 0)
        return {{kNak, blockError_}};
    if (blockType_ == 5) {
        // Pairs of key and value from the start of the table: 11 speed, 13 stop bits, 14 parity.
        for (size_t i = 0; i + 1 < configTable_.size(); i += 2) {
            uint8_t key = configTable_[i];
            uint8_t value = configTable_[i + 1];
            if (key == 0x11 && value <= 4)
                state_.pendingBaud = *baudOfCode(value);
            else if (key == 0x13 && value <= 1)
                pendingStopBits_ = value + 1;
            else if (key == 0x14 && value <= 2)
                pendingParity_ = value == 0 ? "NONE" : value == 1 ? "EVEN" : "ODD";
        }
    } else {
        ++state_.sectorWrites;
    }
    uint16_t crc = blockCrc_.reported();
    return {{kAck, static_cast<uint8_t>(crc & 0xFF), static_cast<uint8_t>(crc >> 8)}};
}

void PrinterModel::program(uint64_t offset, std::span<const uint8_t> data)
{
    uint8_t* cell = flash_.data() + offset;
    if (options_.unerasedWrite == UnerasedWrite::Overwrite) {
        std::copy(data.begin(), data.end(), cell);
        return;
    }
    for (uint8_t byte : data)
        *cell++ &= byte;
}

void PrinterModel::eraseRange(uint64_t begin, uint64_t end)
{
    std::fill(flash_.begin() + static_cast<std::ptrdiff_t>(begin), flash_.begin() + static_cast<std::ptrdiff_t>(end),
              uint8_t{0xFF});
}

uint16_t PrinterModel::crcOf(uint64_t begin, uint64_t end) const
{
    CrcAccumulator crc(info_->altCrc);
    crc.feed(std::span<const uint8_t>(flash_.data() + begin, end - begin));
    return crc.reported();
}

} // namespace kyv::sim
