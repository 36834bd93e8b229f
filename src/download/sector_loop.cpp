#include "download/standard_download_steps.h"

#include "download/download_pause.h"
#include "download/printf_text.h"
#include "protocol/flash_cmd.h"

#include <algorithm>
#include <array>
#include <vector>

namespace kyv {

namespace {

// Whether sector k (counted from 1) of the list is erased before it is written.
bool erasesSector(const StandardDownload& job, const ImageLayout& layout, size_t k, int sector)
{
    if (job.skipErase)
        return false;
    // A boot-initial image of this family (from sector 24) goes in without any erase.
    if (job.row.family == "R241-2XX8/3XX8/4XX8" && layout.pieces.front().sector == 24)
        return false;
    if (job.bootFirmware)
        return k == 2; // of a boot image only the second sector is erased
    // R241 sectors 37 to 40 are written without an erase.
    return !(job.row.family == "R241" && sector >= 37 && sector <= 40);
}

// The bytes of one sector cut into the blocks the sector data command sends. A sector the
// image does not fill is completed with erased bytes in a buffer of its own.
class SectorBlocksOf {
public:
    SectorBlocksOf(std::span<const uint8_t> image, const SectorPiece& piece)
    {
        const uint64_t available = image.size() > piece.fileOffset ? image.size() - piece.fileOffset : 0;
        std::span<const uint8_t> bytes;
        if (available >= piece.size) {
            bytes = image.subspan(piece.fileOffset, piece.size);
        } else {
            padded_.assign(piece.size, 0xFF);
            std::copy_n(image.begin() + static_cast<std::ptrdiff_t>(piece.fileOffset), available, padded_.begin());
            bytes = padded_;
        }
        count_ = piece.size == 0x8000 ? 2 : 4;
        length_ = piece.size / static_cast<uint32_t>(count_);
        for (size_t i = 0; i < count_; ++i)
            blocks_[i] = bytes.subspan(i * length_, length_);
    }

    uint32_t blockLength() const { return length_; }
    SectorBlocks blocks() const { return SectorBlocks(blocks_.data(), count_); }

private:
    std::vector<uint8_t> padded_;
    std::array<std::span<const uint8_t>, 4> blocks_{};
    size_t count_ = 0;
    uint32_t length_ = 0;
};

// After the first sector of a boot image the printer restarts into the new boot program
// without acknowledging it; it is found again with the download-mode query.
ResultCode waitForNewBootProgram(StandardDownload& job)
{
    if (!pause(9000))
        return kStoppedResult;
    job.report.step("Reseting printer, please wait..(Step 8).");
    job.cmd.setReadTimeout(1000);
    job.report.step("Checking communication line status..(Step 9).");
    if (ResultCode code = pollDownloadMode(job, false))
        return code;
    job.cmd.setReadTimeout(60000);
    return rc::Success;
}

// The bar moves with the bytes sent: the image's blocks share the range the image check
// set aside for them (four per 64 KB), after the steps before the sector loop.
class BlockProgress {
public:
    BlockProgress(StepReporter& report, const ImageLayout& layout, int range)
        : report_(report), total_(std::max<uint64_t>(1, sizeOfAll(layout))), span_(std::max(1, range - 15))
    {
    }

    void sent(uint64_t bytes)
    {
        done_ += bytes;
        ProgressEvent event;
        event.position = kFirstPosition + static_cast<int>(done_ * static_cast<uint64_t>(span_) / total_);
        report_.events().progress(event);
    }

private:
    static constexpr int kFirstPosition = 8; // the steps before the first sector
    static uint64_t sizeOfAll(const ImageLayout& layout)
    {
        uint64_t sum = 0;
        for (const SectorPiece& piece : layout.pieces)
            sum += piece.size;
        return sum;
    }

    StepReporter& report_;
    uint64_t total_;
    int span_;
    uint64_t done_ = 0;
};

ResultCode downloadSector(StandardDownload& job, const ImageLayout& layout, size_t k, BlockProgress& progress)
{
    const SectorPiece& piece = layout.pieces[k - 1];
    const int count = static_cast<int>(layout.pieces.size());
    const int counter = static_cast<int>(k);

    job.report.log(printfText("\r\nNow at sector %d", counter));
    job.report.tick();

    if (erasesSector(job, layout, k, piece.sector)) {
        job.report.step(printfText("Erasing flash sector %d of %d...", counter, count));
        // For an R242-2XX6/3XX6 boot image the erase is announced but not sent.
        const bool printerErases = job.bootFirmware && job.row.family == "R242-2XX6/3XX6";
        if (!printerErases && !job.cmd.eraseSector(piece.sector))
            return rc::CannotErase;
    }

    job.report.step(printfText("Selecting flash sector %d of %d...", counter, count));
    if (!job.cmd.selectSector(piece.sector))
        return rc::CannotSelect;

    job.report.step(printfText("Downloading data to flash sector %d of %d...", counter, count));
    SectorBlocksOf data(job.image, piece);
    const uint32_t blockLength = data.blockLength();
    if (!job.cmd.sendSectorData(piece.size, blockLength, 0, data.blocks(),
                                [&](size_t, size_t) { progress.sent(blockLength); }))
        return rc::BlockTimeout;

    if (job.bootFirmware && k == 1)
        return waitForNewBootProgram(job);

    job.report.step(printfText("Acknowledge Printer for flash sector %d of %d...", counter, count));
    job.report.tick();
    uint16_t printerCrc = 0;
    if (!job.cmd.querySectorCrc(job.cmd.longWait, printerCrc))
        return rc::NoAcknowledge;
    const uint16_t computed = job.cmd.computedCrc();
    job.report.log(printfText("Printer CRC is %x , Computer CRC is %x\n ", printerCrc, computed));
    if (printerCrc != computed)
        return rc::CrcDifferent;
    return rc::Success;
}

} // namespace

ResultCode downloadSectors(StandardDownload& job, const ImageLayout& layout)
{
    BlockProgress progress(job.report, layout, job.row.job.progressRange);
    for (size_t k = 1; k <= layout.pieces.size(); ++k) {
        if (stopRequested())
            return kStoppedResult;
        if (ResultCode code = downloadSector(job, layout, k, progress))
            return stopRequested() ? kStoppedResult : code;
    }
    return rc::Success;
}

} // namespace kyv
