// Feeds arbitrary image files to everything that reads an image before or while it is
// sent: the check of its header against the model and download type (the J5 checks of its
// first byte, kind letter and extension included), the J5's in-memory load and its
// version comparison with the printer's reply, the file CRCs, and the sector layout from
// the image and from a header with any file length.

#include "core/catalogue.h"
#include "core/download_type.h"
#include "download/hid_download.h"
#include "download/image_layout.h"
#include "fuzz_input.h"
#include "protocol/hid_image_buffer.h"
#include "protocol/image_check.h"
#include "protocol/image_file_crc.h"

#include <algorithm>
#include <array>

namespace {

// Names the check and the layout look at: the J5 takes its kind's extension or ".BIN",
// and a name with "imf" in it carries an IMF header.
constexpr const char* kNames[] = {"image.mfw", "image.ipl", "image.sfn", "image.BIN", "image.MFW",
                                  "image.imf", "image",     "fw.v2.dfn", "IMF.tbl",   "image.mfwx"};

// A layout the function returned as good must stay inside the image and the flash.
void checkLayout(const kyv::ImageLayout& layout)
{
    uint64_t covered = 0;
    for (const kyv::SectorPiece& piece : layout.pieces) {
        if (piece.sector < 0 || piece.sector > 0xFF || piece.fileOffset < layout.dataOffset ||
            piece.fileOffset >= layout.fileLength)
            __builtin_trap();
        covered += piece.size;
    }
    if (covered < layout.dataLength || layout.dataOffset + layout.dataLength != layout.fileLength)
        __builtin_trap();
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    static const kyv::ModelCatalogue catalogue;
    kyv::fuzz::Input in(data, size);
    const uint8_t modelChoice = in.byte();
    const uint8_t typeChoice = in.byte();
    const uint8_t nameChoice = in.byte();
    const uint8_t layoutChoice = in.byte();
    const int startSector = in.byte();
    const uint32_t headerFileLength = (uint32_t{in.byte()} << 16) | (uint32_t{in.byte()} << 8) | in.byte();
    std::array<uint8_t, 64> reply{};
    const std::vector<uint8_t> replyBytes = in.piece();
    std::copy_n(replyBytes.begin(), std::min(reply.size(), replyBytes.size()), reply.begin());
    const std::span<const uint8_t> image = in.rest();

    kyv::ModelInfo row = catalogue.row(modelChoice % kyv::ModelCatalogue::size());
    const auto types = kyv::downloadTypes();
    const std::string_view type = types[typeChoice % types.size()].text;
    const int selectedTypeIndex = (typeChoice >> 5) - 1; // -1 .. 6: the J5 takes 0 to 2
    const std::string path =
        kyv::fuzz::writeScratchFile(kNames[nameChoice % std::size(kNames)], image);

    const kyv::ImageCheck check = kyv::validateImageForDownload(row, type, selectedTypeIndex, path);
    if (check.passed() && check.hidImage) {
        kyv::HidImageBuffer buffer;
        if (kyv::loadHidImage(buffer, path, check.hidTypeLetter) != kyv::rc::Success ||
            buffer.length != buffer.data.size() || buffer.length != image.size())
            __builtin_trap();
        kyv::j5ImageIsOlder(std::span<const uint8_t>(buffer.data).first(std::min<size_t>(16, buffer.data.size())),
                            reply);
    }
    kyv::j5ImageIsOlder(image, reply);
    kyv::hidImageCrc(path);
    kyv::CrcAccumulator accumulator(row.altCrc);
    kyv::imageFileCrc(accumulator, path);

    if (row.sectorMap == nullptr)
        return 0;
    row.job.filePath = path;
    kyv::ImageLayoutRequest request;
    request.row = &row;
    request.startSector = startSector;
    request.bootImage = layoutChoice & 1;
    request.ibmUsb = layoutChoice & 2;
    request.asItStands = layoutChoice & 4;
    kyv::ImageLayout layout;
    if (kyv::layOutImage(request, image, layout) == kyv::rc::Success)
        checkLayout(layout);
    const auto header = image.first(std::min(image.size(), kyv::kImageLayoutHeaderBytes));
    if (kyv::layOutImage(request, headerFileLength, header, layout) == kyv::rc::Success)
        checkLayout(layout);
    return 0;
}
