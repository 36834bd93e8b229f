#include "download/standard_download.h"

#include "download/download_pause.h"
#include "download/image_layout.h"
#include "download/standard_download_steps.h"
#include "protocol/flash_cmd.h"

#include <array>

namespace kyv {

namespace {

constexpr std::array<uint8_t, 3> kFiscalDownloadUnlock{0x1F, 0x14, 0x02};

ResultCode prepareImage(StandardDownload& job, ImageLayout& layout)
{
    ImageLayoutRequest request{&job.row, job.startSector, job.bootFirmware, job.row.job.interfaceKind == kIbmUsb};
    ResultCode code = layOutImage(request, job.image, layout);
    for (const std::string& line : layout.logLines)
        job.report.log(line);
    if (code)
        return code;
    // A fiscal printer whose state is not 2 is sent 1F 14 02 before the download.
    if (job.row.family == "Q58X-E617/Q306 (FISCAL)" && job.row.altCrc == 1 && job.cmd.queryFlashState() != 2)
        job.cmd.sendRaw(kFiscalDownloadUnlock);
    // This IBM USB printer may keep two firmware banks and swap them after the download.
    if (job.row.family == "R242-57X6/56X6/1456")
        job.swapSupport = job.cmd.queryMemoryBanks();
    return rc::Success;
}

} // namespace

ResultCode RunStandardDownload(StandardDownload& job)
{
    ImageLayout layout;
    if (ResultCode code = prepareImage(job, layout))
        return code;
    if (ResultCode code = switchToDownloadMode(job))
        return code;
    if (ResultCode code = findPrinterInDownloadMode(job))
        return code;
    if (ResultCode code = downloadSectors(job, layout))
        return code;
    if (ResultCode code = recalculateImageCrc(job))
        return stopRequested() ? kStoppedResult : code;
    return resetPrinter(job);
}

} // namespace kyv
