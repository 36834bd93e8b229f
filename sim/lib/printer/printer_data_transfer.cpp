// The data transfers: sector data in download mode and the whole-image block of online
// mode, written into flash as the bytes arrive.

#include "sim/lib/printer/baud_codes.h"
#include "sim/lib/printer/printer_model.h"
#include "sim/lib/printer/printer_replies.h"

#include <algorithm>

namespace kyv::sim {
namespace {

constexpr size_t kConfigTableRoom = 65536;
// Letter at byte 1 of an image of each online-block type (0 IPL ... 6 SDBCS).
constexpr char kTypeLetters[] = {'B', 'M', 'S', 'D', 'C', 'P', 'D'};

} // namespace

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

void PrinterModel::startSectorData(std::span<const uint8_t> header)
{
    const FlashLayout& layout = *type_->flash;
    // Bytes 2 and 3 of the header are 00 00; the size is little-endian in 4 and 5, 0 meaning 64 KB.
    uint32_t size = header[4] | (header[5] << 8);
    if (size == 0)
        size = 0x10000;
    dataKind_ = DataKind::Sector;
    dataRemaining_ = size;
    // Data larger than the selected sector is taken off the line but never programmed: it
    // would otherwise spill into, or be cut short in, a sector the host did not mean.
    int sector = state_.selectedSector;
    dataAccepted_ = inDownloadMode() && layout.hasSector(sector) && size <= layout.sectorSize(sector);
    if (dataAccepted_) {
        dataStart_ = layout.sectorStart(sector);
        dataEnd_ = dataStart_ + size;
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
    uint64_t size = dataEnd_ - dataStart_;
    // The printer reads the sector back to compute its CRC, so a missed erase shows.
    state_.lastSectorCrc = crcOf(dataStart_, dataStart_ + size);
    sectorCrcValid_ = true;
    ++state_.sectorWrites;
    noteImageWritten(dataStart_, dataStart_ + size);
    // A new first sector of the boot program: the printer restarts into it, still in
    // download mode, and the download goes on.
    if (type_->bootSector != 0 && state_.selectedSector == type_->bootSector) {
        bootRestart_ = true;
        return {{kAck}, true, PrinterMode::Download};
    }
    return {{kAck}};
}

void PrinterModel::startOnlineBlock(std::span<const uint8_t> header)
{
    const FlashLayout& layout = *type_->flash;
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
    blockCrc_.reset();
    dataStart_ = dataEnd_ = dataOffset_ = 0;
    if (!dataAccepted_)
        return;

    const int sectors[] = {type_->bootSector, type_->mainSector, type_->sbcsSector, type_->dbcsSector,
                           type_->tableSector, -1, type_->sdbcsSector};
    if (blockType_ >= std::size(sectors) || sectors[blockType_] == 0) {
        blockError_ = kIllegalParameter;
        return;
    }
    if (blockType_ == 5) // configuration table: settings, not flash
        return;
    uint64_t start = layout.sectorStart(sectors[blockType_]);
    if (length == 0 || length > layout.totalBytes() - start) {
        blockError_ = kSizeMismatch;
        return;
    }
    // The printer erases the sectors the image will fill, then programs them as data comes.
    int last = layout.sectorHolding(start + length - 1);
    eraseRange(start, layout.sectorStart(last + 1));
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
    uint16_t crc = blockCrc_.value();
    return {{kAck, static_cast<uint8_t>(crc & 0xFF), static_cast<uint8_t>(crc >> 8)}};
}

bool PrinterModel::storeImage(int sector, std::span<const uint8_t> image)
{
    const FlashLayout& layout = *type_->flash;
    const uint64_t start = layout.sectorStart(sector);
    if (image.empty() || start >= layout.totalBytes() || image.size() > layout.totalBytes() - start)
        return false;
    eraseRange(start, layout.sectorStart(layout.sectorHolding(start + image.size() - 1) + 1));
    program(start, image);
    ++state_.sectorWrites;
    return true;
}

void PrinterModel::noteImageWritten(uint64_t begin, uint64_t end)
{
    if (!imageStarted_) {
        imageStarted_ = true;
        imageStart_ = begin;
        imageEnd_ = begin;
    }
    imageStart_ = std::min(imageStart_, begin);
    imageEnd_ = std::max(imageEnd_, end);
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
    return flashCrcOf(type_->crc, std::span<const uint8_t>(flash_.data() + begin, end - begin));
}

} // namespace kyv::sim
