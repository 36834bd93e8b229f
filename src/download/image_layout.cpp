#include "download/image_layout.h"

#include "download/model_family.h"
#include "download/printf_text.h"

#include <algorithm>
#include <cctype>
#include <set>

namespace kyv {

namespace {

constexpr uint64_t kImfHeaderBytes = kImageLayoutHeaderBytes;
constexpr uint64_t kBootBlockBytes = 32768;
constexpr int kLastAddressableSector = 0xFF; // erase and select carry the sector in one byte

bool pathNamesImf(std::string path)
{
    std::transform(path.begin(), path.end(), path.begin(),
                   [](unsigned char c) { return static_cast<char>(std::tolower(c)); });
    return path.find("imf") != std::string::npos;
}

// V, the 16-bit count at offset 10 of the IMF header (low byte first).
int imfSectorCountOf(uint64_t fileLength, std::span<const uint8_t> header)
{
    if (fileLength < kImfHeaderBytes || header.size() < 12)
        return 0;
    return header[10] | (header[11] << 8);
}

// Where the sector list continues when it reaches a family's jump point, or 0 for none.
int jumpTarget(const std::string& family, int startSector, int position, int sectorCount)
{
    // R241 receipt fonts from sector 20 fill up to sector 40, then continue at 16.
    if (family == "R241" && startSector == 20 && position == 41)
        return 16;
    // R451 and Q58X-E616 wrap round to sector 15 past the end of their flash.
    if (isOneOf(family, {"R451", "Q58X-E616"}) && position > sectorCount)
        return 15;
    return 0;
}

} // namespace

bool hasImfHeader(const std::string& family, bool ibmUsb)
{
    return isOneOf(family, {"R242-57X6/56X6/1456", "R241-9354-7004"}) || (family == "R243" && ibmUsb);
}

bool skipsBootBlock(const std::string& family, int altCrc)
{
    if (altCrc)
        return false;
    return !isOneOf(family, {"R241-9354-7004", "R242-57X6/56X6/1456", "R242", "R452", "R242-2XX6/3XX6",
                             "R451-2XX8/3XX8/4XX8/6XX8", "R453", "R243", "R452-1X73/2X73",
                             "R241-2XX8/3XX8/4XX8", "Q874-E611"});
}

ResultCode layOutImage(const ImageLayoutRequest& request, std::span<const uint8_t> image, ImageLayout& layout)
{
    return layOutImage(request, image.size(), image.first(std::min(image.size(), kImageLayoutHeaderBytes)), layout);
}

ResultCode layOutImage(const ImageLayoutRequest& request, uint64_t fileLength, std::span<const uint8_t> header,
                       ImageLayout& layout)
{
    const ModelInfo& row = *request.row;
    const SectorMap& map = *row.sectorMap;
    const int sectorCount = static_cast<int>(map.count());

    layout = ImageLayout{};
    layout.fileLength = fileLength;
    layout.logLines.push_back(printfText("FileLength = %ld\n", static_cast<long>(fileLength)));
    if (pathNamesImf(row.job.filePath))
        layout.imfSectorCount = imfSectorCountOf(fileLength, header);

    const bool renumbered = !request.asItStands && hasImfHeader(row.family, request.ibmUsb);
    if (renumbered)
        layout.dataOffset = kImfHeaderBytes;
    else if (!request.asItStands && request.bootImage && skipsBootBlock(row.family, row.altCrc))
        layout.dataOffset = kBootBlockBytes;
    if (layout.dataOffset >= fileLength)
        return rc::InvalidImage; // nothing left to flash
    layout.dataLength = fileLength - layout.dataOffset;

    const int v = layout.imfSectorCount;
    const int w = row.mainSector & 0xFFFF;
    int sector = request.startSector;
    int position = request.startSector;
    int counter = 0; // sectors listed so far
    uint64_t offset = layout.dataOffset;
    int64_t remaining = static_cast<int64_t>(layout.dataLength);
    std::set<int> listed;
    while (remaining > 0) {
        if (int target = request.asItStands ? 0 : jumpTarget(row.family, request.startSector, position, sectorCount)) {
            sector = target;
            position = target;
        }
        if (renumbered && counter > v)
            sector = w - v + counter;
        // Past the end of the flash, round to a sector already written, or beyond the
        // sectors the one-byte sector commands can name (256 would reach sector 0, the
        // boot block): the image does not fit this model.
        if (position < 1 || position > sectorCount || sector < 0 || sector > kLastAddressableSector ||
            !listed.insert(sector).second)
            return rc::InvalidImage;
        const uint32_t size = map.sectorNumberSize(position);
        layout.logLines.push_back(printfText("Sector No = %d File length = %i , pt to current sect = %i", sector,
                                             static_cast<int>(remaining), static_cast<int>(size)));
        layout.pieces.push_back({sector, size, offset});
        offset += size;
        remaining -= size;
        ++sector;
        ++position;
        ++counter;
    }
    return rc::Success;
}

} // namespace kyv
