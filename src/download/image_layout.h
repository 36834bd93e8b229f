#pragma once
// Which bytes of an image file go to which flash sectors.
//
// A printer's flash sectors are numbered from 1 in flash order, so sector s has the size
// sectorMap.sectorNumberSize(s). The image is cut into consecutive pieces, one per sector of the
// list, from `dataOffset` on; the last piece may be short and is padded with erased bytes.

#include "core/catalogue.h"
#include "core/result_code.h"

#include <cstdint>
#include <span>
#include <string>
#include <vector>

namespace kyv {

struct SectorPiece {
    int sector = 0;         // flash sector number
    uint32_t size = 0;      // the sector's size in bytes
    uint64_t fileOffset = 0; // where its bytes start in the image file
};

struct ImageLayout {
    uint64_t fileLength = 0;
    uint64_t dataOffset = 0; // bytes at the start of the file that are not sent
    uint64_t dataLength = 0; // bytes to send
    int imfSectorCount = 0;  // V: sectors of the boot part of an IMF image (header offset 10)
    std::vector<SectorPiece> pieces;
    std::vector<std::string> logLines; // "FileLength = ..." and one "Sector No = ..." per sector
};

struct ImageLayoutRequest {
    const ModelInfo* row = nullptr; // family, sector map, main sector, altCrc, file path
    int startSector = 0;
    bool bootImage = false;
    bool ibmUsb = false; // the printer is driven over IBM USB
    // The sectors in flash order from the file's first byte, without the families' headers,
    // boot blocks and jumps (a printer on WiFi takes the image as it stands).
    bool asItStands = false;
};

// Builds the sector list for the image bytes. Returns 0, or InvalidImage (1020) when the
// image holds nothing to send, would run past the end of the model's flash or past sector
// 255, or would write a sector twice: such an image would leave the flash half-written.
ResultCode layOutImage(const ImageLayoutRequest& request, std::span<const uint8_t> image,
                       ImageLayout& layout);
// The same from the file's length and its first bytes (at least kImageLayoutHeaderBytes of
// them when the file has that many), so that an image is judged before it is read.
ResultCode layOutImage(const ImageLayoutRequest& request, uint64_t fileLength, std::span<const uint8_t> header,
                       ImageLayout& layout);
// How many bytes from the start of a file the layout looks at.
inline constexpr size_t kImageLayoutHeaderBytes = 22;

// The families whose images (and R243 images over IBM USB) start with a 22-byte header
// that is not sent, and whose IMF sectors are renumbered after the boot part.
bool hasImfHeader(const std::string& family, bool ibmUsb);
// Boot images of most families carry the printer's 32 KB boot block first, which is never
// rewritten.
bool skipsBootBlock(const std::string& family, int altCrc);

} // namespace kyv
