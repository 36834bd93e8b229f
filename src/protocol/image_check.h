#pragma once
// The check every image file passes before a download starts: it exists and can be read,
// its header letter suits the download type, and for the J5 it is a J5 image of the kind
// chosen. On the way it stores the job's progress total and image bytes.

#include "core/catalogue.h"
#include "core/result_code.h"

#include <array>
#include <cstdint>
#include <string>
#include <string_view>

namespace kyv {

// The first 16 bytes of an image file.
struct ImageHeader {
    static constexpr size_t kSize = 16;
    std::array<uint8_t, kSize> bytes{};

    uint8_t signature() const { return bytes[0]; } // compared with the model's imageSignature
    char typeLetter() const { return static_cast<char>(bytes[1]); }
};

// The letter an image of a download type carries in header byte 1: 'M' main firmware,
// 'B' IPL, 'S' SBCS, 'D' DBCS and SDBCS, 'C' table, 'P' configuration table; 0 for
// types without one.
char imageTypeLetter(std::string_view downloadType);

// Progress steps of a download of a file this long: 4 per whole 64 KB unit, plus 15.
int progressTotalFor(uint64_t fileLength);

struct ImageCheck {
    ResultCode code = rc::Success; // every refusal is the job's result
    // J5 family: the image is sent from memory, with this type letter. The worker loads it
    // (loadHidImage) on its own thread, so a large image never stalls the dialog.
    bool hidImage = false;
    char hidTypeLetter = 0;

    bool passed() const { return code == rc::Success; }
};

// Checks the image for a download on the row. downloadType is the download-type combo
// text; selectedTypeIndex its position in the combo (the J5 check takes 0 main firmware,
// 1 boot, 2 SBCS font from it). Stores progressRange and imageInfo (header bytes 14 and 15)
// in row.job and, for a J5-family image, names its letter for the worker's load.
//   1007 the file is missing, not a regular file or cannot be read;
//   1020 the file is shorter than its 16-byte header;
//   1029 the header letter does not suit the download type (or a J5 image's first byte
//        is neither 'K' nor 'D');
//   1038 a J5 image of another kind or extension than the selected type.
ImageCheck validateImageForDownload(ModelInfo& row, std::string_view downloadType, int selectedTypeIndex,
                                    const std::string& filePath);

} // namespace kyv
