#include "protocol/image_check.h"

#include "core/download_type.h"
#include "core/model_selection.h"
#include "protocol/image_file_reader.h"

#include <climits>
#include <initializer_list>

namespace kyv {
namespace {

using namespace dt;

// Families whose main and IPL images are not checked for their letter.
bool lettersUnchecked(const ModelInfo& row)
{
    for (std::string_view family : {"R451", "R241", "Q58X-E619", "Q58X-E616", "Q62X-J73X"})
        if (row.family == family)
            return true;
    return false;
}

// ".MFW" from "dir/fw.v2.mfw": the file name's last dot and up to three characters after
// it, upper-cased; empty without a dot.
std::string extensionOf(const std::string& path)
{
    const size_t slash = path.rfind('/');
    const size_t dot = path.rfind('.');
    if (dot == std::string::npos || (slash != std::string::npos && dot < slash))
        return {};
    std::string ext = path.substr(dot, 4);
    for (char& c : ext)
        if (c >= 'a' && c <= 'z')
            c = static_cast<char>(c - 'a' + 'A');
    return ext;
}

// The J5 takes main firmware, boot and SBCS images, each with its own extension or ".BIN";
// the selector is the position of the chosen type in the J5's download-type list.
bool j5KindMatches(int selector, char letter, const std::string& ext)
{
    struct Kind {
        char letter;
        const char* ext;
    };
    constexpr Kind kinds[] = {{'M', ".MFW"}, {'B', ".IPL"}, {'S', ".SFN"}};
    if (selector < 0 || selector > 2)
        return false;
    const Kind& kind = kinds[selector];
    return letter == kind.letter && (ext == kind.ext || ext == ".BIN");
}

} // namespace

char imageTypeLetter(std::string_view downloadType)
{
    if (downloadType == kMainFirmware)
        return 'M';
    if (downloadType == kIplFirmware)
        return 'B';
    if (downloadType == kSbcsFont)
        return 'S';
    if (downloadType == kDbcsFont || downloadType == kSdbcsFont)
        return 'D';
    if (downloadType == kTable)
        return 'C';
    if (downloadType == kConfigurationTable)
        return 'P';
    return 0;
}

int progressTotalFor(uint64_t fileLength)
{
    const uint64_t total = fileLength / 65536 * 4 + 15;
    return total > INT_MAX ? INT_MAX : static_cast<int>(total);
}

ImageCheck validateImageForDownload(ModelInfo& row, std::string_view downloadType, int selectedTypeIndex,
                                    const std::string& filePath)
{
    const ImageCheck mismatch{rc::TypeFileMismatch};

    ImageFileReader file;
    if (!file.open(filePath))
        return {rc::CannotOpenFile};
    ImageHeader header;
    const long long got = file.read(header.bytes.data(), header.bytes.size());
    if (got < 0)
        return {rc::CannotOpenFile};
    // Every image starts with its 16-byte header; anything shorter is no image at all.
    if (got < static_cast<long long>(ImageHeader::kSize))
        return {rc::InvalidImage};

    row.job.progressRange = progressTotalFor(file.length());
    row.job.imageInfo = {header.bytes[14], header.bytes[15]};

    const char letter = header.typeLetter();
    if (!lettersUnchecked(row)) {
        if ((downloadType == kMainFirmware && letter != 'M') || (downloadType == kIplFirmware && letter != 'B'))
            return mismatch;
    }

    if (row.displayName == "J5") {
        const uint8_t first = header.signature();
        if (first != 'K' && first != 'D')
            return {rc::TypeFileMismatch};
        if (!j5KindMatches(selectedTypeIndex, letter, extensionOf(filePath)))
            return {rc::NoUsbPrinter};
    }
    if (isR453OrR243(row)) {
        const char wanted = imageTypeLetter(downloadType);
        if (wanted != 0 && letter != wanted)
            return mismatch;
    }
    // The HID download sends the image from memory: every J5-family job loads its own, so
    // a J5_REFRESH job never sends the image of an earlier job.
    ImageCheck passed;
    passed.hidImage = isJ5Family(row);
    passed.hidTypeLetter = passed.hidImage ? letter : 0;
    return passed;
}

} // namespace kyv
