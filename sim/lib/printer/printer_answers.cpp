// What the printer answers to each command that is not a data transfer, and what each
// does to its state.

#include "sim/lib/printer/baud_codes.h"
#include "sim/lib/printer/printer_model.h"
#include "sim/lib/printer/printer_replies.h"

#include <algorithm>
#include <optional>
#include <utility>

namespace kyv::sim {
namespace {

constexpr size_t kNetworkModelRecord = 15;

} // namespace

Bytes nakReply(PrinterCommand command)
{
    switch (command) {
    case PrinterCommand::SectorCrc:
    case PrinterCommand::MainCrc:
    case PrinterCommand::IplCrc:
    case PrinterCommand::LanIplCrc:
    case PrinterCommand::J5Crc: return {kNak, 0x00, 0x00};
    case PrinterCommand::OnlineBlock: return {kNak, kWriteFailed};
    default: return {kNak};
    }
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
    case PrinterCommand::LanIplCrc:
    case PrinterCommand::FennIpl:
    case PrinterCommand::FennMode: return answerFlashCommand(command, bytes);
    default: return answerSettingsCommand(command, bytes);
    }
}

// Commands of the boot loader: answered in download mode only.
PrinterModel::Answer PrinterModel::answerFlashCommand(PrinterCommand command, std::span<const uint8_t> bytes)
{
    const FlashLayout& layout = *type_->flash;
    if (command == PrinterCommand::FennIpl || command == PrinterCommand::FennMode) {
        state_.fennMode = true;
        return {};
    }
    if (!inDownloadMode())
        return {};
    switch (command) {
    // The network interface answers in two bytes, as its host reads them: ACK and 00.
    case PrinterCommand::IplQuery: return options_.network.on ? Answer{{kAck, 0x00}} : Answer{{kAck}};
    case PrinterCommand::Erase: {
        uint8_t sector = bytes[2];
        if (!layout.hasSector(sector))
            return {{kNak}};
        eraseRange(layout.sectorStart(sector), layout.sectorStart(sector + 1));
        ++state_.eraseCount;
        return {{kAck}};
    }
    case PrinterCommand::Select: {
        uint8_t sector = bytes[2];
        if (!layout.hasSector(sector))
            return {{kNak}};
        state_.selectedSector = sector;
        sectorCrcValid_ = false;
        if (downloadArea_)
            if (std::optional<UploadedImage> image = downloadArea_())
                return writeUploadedImage(sector, *image, transcript_);
        return {{kAck}};
    }
    case PrinterCommand::SectorCrc: {
        if (!sectorCrcValid_)
            return {nakReply(command)};
        uint16_t crc = state_.lastSectorCrc;
        return {{kAck, static_cast<uint8_t>(crc & 0xFF), static_cast<uint8_t>(crc >> 8)}};
    }
    case PrinterCommand::MainCrc:
    case PrinterCommand::IplCrc:
    case PrinterCommand::LanIplCrc: {
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
        if (options_.switchAtReset) {
            downloadArmed_ = true;
            return {{kAck}};
        }
        return {{}, true, PrinterMode::Download};
    case PrinterCommand::Reset:
        if (std::exchange(downloadArmed_, false))
            return {{}, true, PrinterMode::Download};
        return {{}, true, PrinterMode::Online};
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
    case PrinterCommand::ClearDownloadArea: return {{kAck}};
    case PrinterCommand::ClearDownloadArea2: return {{options_.network.clearAreaReply}};
    case PrinterCommand::EraseUserArea: state_.userAreaErased = true; return {{options_.network.clearAreaReply}};
    case PrinterCommand::MacQuery:
    case PrinterCommand::MaskQuery: return {networkReply(command)};
    case PrinterCommand::PrintForm:
        if (online)
            ++state_.configurationPrints;
        return {};
    case PrinterCommand::ModelNumber: {
        if (!online)
            return {};
        Bytes reply{'\''};
        reply.insert(reply.end(), modelNumber_.begin(), modelNumber_.end());
        reply.push_back('\r');
        // The network interface sends a whole 15-byte record, filled with FF.
        if (options_.network.on && reply.size() < kNetworkModelRecord)
            reply.resize(kNetworkModelRecord, 0xFF);
        return {reply};
    }
    case PrinterCommand::ModeQuery: return online ? Answer{{'0', '\r'}} : Answer{};
    case PrinterCommand::VersionItem: return online ? Answer{versionReply(bytes[3])} : Answer{};
    case PrinterCommand::FlashState: return {{static_cast<uint8_t>(state_.fiscalState)}};
    case PrinterCommand::PrintConfiguration:
    case PrinterCommand::IbmPrintConfiguration:
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

Bytes PrinterModel::networkReply(PrinterCommand command) const
{
    // F0 and the MAC text, or F2 and the mask as text in 15 characters padded with spaces.
    std::string text = options_.network.macText;
    if (command == PrinterCommand::MaskQuery) {
        text = options_.network.maskText.substr(0, 15);
        text.resize(15, ' ');
    }
    Bytes reply(1 + text.size());
    reply[0] = command == PrinterCommand::MacQuery ? 0xF0 : 0xF2;
    std::copy(text.begin(), text.end(), reply.begin() + 1);
    return reply;
}

// The file put into the download area goes into flash from the selected sector on: the
// sectors it covers are erased and programmed, and it counts for the image CRC.
PrinterModel::Answer PrinterModel::writeUploadedImage(int sector, const UploadedImage& image, Transcript* transcript)
{
    const FlashLayout& layout = *type_->flash;
    uint64_t start = layout.sectorStart(sector);
    if (image.bytes.empty() || image.bytes.size() > layout.totalBytes() - start) {
        if (transcript != nullptr)
            transcript->event("uploaded " + image.name + " (" + std::to_string(image.bytes.size()) +
                              " bytes) does not fit from sector " + std::to_string(sector));
        return {{kNak}};
    }
    uint64_t end = start + image.bytes.size();
    eraseRange(start, layout.sectorStart(layout.sectorHolding(end - 1) + 1));
    program(start, image.bytes);
    noteImageWritten(start, end);
    ++state_.sectorWrites;
    if (transcript != nullptr)
        transcript->event("uploaded " + image.name + " (" + std::to_string(image.bytes.size()) +
                          " bytes) written from sector " + std::to_string(sector));
    return {{kAck}};
}

Bytes PrinterModel::versionReply(uint8_t item) const
{
    auto fiveCharacters = [](const std::string& text) {
        std::string five = text.substr(0, 5);
        five.resize(5, ' ');
        return five;
    };
    // The version numbers of the online download: the header byte, eleven characters
    // ending in the five digits of the version, then CR.
    if (item == 0x33 || item == 0x2B) {
        std::string text = "\x5F" "000000" + fiveCharacters(item == 0x33 ? options_.mainVersion : options_.bootVersion) + "\r";
        return Bytes(text.begin(), text.end());
    }
    if (item == 0xE4) {
        // The font memory: 0x16 for 8 MB, 0x14 for 4 MB.
        Bytes reply(10, 0x00);
        reply[0] = 0x5F;
        reply[1] = options_.fontMemoryMegabytes == 8 ? 0x16 : 0x14;
        return reply;
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

} // namespace kyv::sim
