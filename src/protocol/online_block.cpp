#include "protocol/online_block.h"

#include <algorithm>
#include <string>

namespace kyv {
namespace {

constexpr uint8_t kNak = 0x15;

constexpr OnlineBlockType kTypes[] = {
    {1, 0x00, 5}, {2, 0x01, 30}, {3, 0x02, 10}, {4, 0x03, 30}, {5, 0x04, 5}, {6, 0x05, 0}, {9, 0x06, 30},
};
constexpr uint8_t kCarriageReturn = 0x0D;

} // namespace

int versionDigitValue(uint8_t c) { return c >= 0x3C ? c - 55 : c - 48; }

std::optional<int> printerVersionNumber(std::string_view text)
{
    if (text.size() < 11)
        return std::nullopt;
    int number = 0;
    for (size_t i = 6; i < 11; ++i)
        number = number * 10 + versionDigitValue(static_cast<uint8_t>(text[i]));
    return number;
}

std::optional<int> printerVersionInReply(std::span<const uint8_t> reply)
{
    std::string text;
    for (size_t i = 1; i < reply.size(); ++i) {
        if (reply[i] == kCarriageReturn)
            return printerVersionNumber(text);
        if (reply[i] >= 0x20)
            text += static_cast<char>(reply[i]);
    }
    return std::nullopt;
}

ResultCode onlineNakResult(uint8_t errorCode)
{
    switch (errorCode) {
    case 1: return rc::IllegalParameter;
    case 2: return rc::FileSizeMismatch;
    case 3: return rc::WrongFirmwareFile;
    case 4: return rc::FlashWriteFailed;
    case 5: return rc::CrcMismatch;
    default: return rc::DownloadFailed;
    }
}

std::optional<OnlineBlockType> onlineBlockType(int downloadTypeCode)
{
    for (const OnlineBlockType& type : kTypes)
        if (type.downloadTypeCode == downloadTypeCode)
            return type;
    return std::nullopt;
}

OnlineBlockHeader onlineBlockHeader(uint8_t typeCode, uint32_t imageLength)
{
    return {0x1B,
            0x5B,
            0x7C,
            typeCode,
            static_cast<uint8_t>(imageLength),
            static_cast<uint8_t>(imageLength >> 8),
            static_cast<uint8_t>(imageLength >> 16),
            static_cast<uint8_t>(imageLength >> 24)};
}

std::optional<int> onlineImageVersion(std::span<const uint8_t> image)
{
    static constexpr uint8_t kMarker[] = {0x34, 0x39, 0x37, 0x2D}; // "497-"
    const auto match = std::search(image.begin(), image.end(), std::begin(kMarker), std::end(kMarker));
    const size_t start = static_cast<size_t>(match - image.begin());
    if (match == image.end() || image.size() - start < 6 + 5)
        return std::nullopt;
    int version = 0;
    for (size_t i = 0; i < 5; ++i)
        version = version * 10 + versionDigitValue(image[start + 6 + i]);
    return version;
}

ResultCode OnlineBlockReply::failure() const
{
    uint8_t code = 0;
    if (bytes[2] == kNak)
        code = bytes[3];
    else if (bytes[0] == kNak)
        code = bytes[1];
    else
        return rc::DownloadFailed;
    return onlineNakResult(code);
}

} // namespace kyv
