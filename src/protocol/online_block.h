#pragma once
// The block in which R453 and R243 printers take a whole image while they stay in online
// mode: an 8-byte header 1B 5B 7C, a type code and the image length (low byte first), then
// the image. The printer writes it to flash itself and answers ACK with its CRC, or NAK with
// an error code.

#include "core/result_code.h"

#include <array>
#include <cstddef>
#include <cstdint>
#include <optional>
#include <span>
#include <string_view>

namespace kyv {

using OnlineBlockHeader = std::array<uint8_t, 8>;

struct OnlineBlockType {
    int downloadTypeCode = 0;
    uint8_t typeCode = 0;
    int ticks = 0; // ticks + 1 empty progress events go before the transfer and after it
};

// The type of a download-type code; none for a type the printer cannot take this way.
std::optional<OnlineBlockType> onlineBlockType(int downloadTypeCode);

OnlineBlockHeader onlineBlockHeader(uint8_t typeCode, uint32_t imageLength);

// Images older than this version need the printer's user-defined area erased first when
// the printer's own version is this or newer.
inline constexpr int kUserAreaCompatibleVersion = 14896;
// The version an image carries after its marker "497-" (five digit characters six bytes
// after the marker's start); none when the image has no complete marker.
std::optional<int> onlineImageVersion(std::span<const uint8_t> image);

// A version character's value: "<" and above count from 10 on (as hexadecimal letters do).
int versionDigitValue(uint8_t c);
// The printer's version in its version report: the number its 7th to 11th characters
// form; none when the text is shorter.
std::optional<int> printerVersionNumber(std::string_view text);
// The same from a reply read whole: a header byte, then the report up to its CR, with
// characters below 0x20 left out; none without a CR or with a short report.
std::optional<int> printerVersionInReply(std::span<const uint8_t> reply);

// The result of a NAK's error code: 1 to 5 give 1505 to 1509, anything else 1045.
ResultCode onlineNakResult(uint8_t errorCode);

// The printer's answer, up to 10 bytes; the status sits at statusPosition (2 behind two
// report bytes, 0 on a plain byte line).
struct OnlineBlockReply {
    std::array<uint8_t, 10> bytes{};
    size_t statusPosition = 0;

    bool accepted() const { return bytes[statusPosition] == 0x06; }
    uint16_t printerCrc() const
    {
        return static_cast<uint16_t>(bytes[statusPosition + 2] * 256 + bytes[statusPosition + 1]);
    }
    // The result of a refused block: the NAK's error code mapped to 1505..1509, else 1045.
    ResultCode failure() const;
};

} // namespace kyv
