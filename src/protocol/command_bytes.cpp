#include "protocol/command_bytes.h"

#include <algorithm>

namespace kyv::cmd {

IbmUsbFrame ibmUsbFrame(std::span<const uint8_t> command, uint8_t page)
{
    IbmUsbFrame frame{0x1B, 0x2A, page, 0x01, 0x01};
    std::copy_n(command.begin(), std::min(command.size(), frame.size() - 5), frame.begin() + 5);
    return frame;
}

Bytes infoQuery(uint8_t item) { return {0x1D, 0x49, 0x40, item}; }

uint8_t baudCode(int baud)
{
    switch (baud) {
    case 1200: return 7;
    case 2400: return 6;
    case 4800: return 5;
    case 9600: return 4;
    case 19200: return 3;
    case 38400: return 2;
    case 57600: return 1;
    default: return 0; // 115200
    }
}

Bytes changeBaudCommand(int baud) { return {0x1F, 0x11, 0x11, baudCode(baud), 0xFF}; }

int decodeBaud(uint8_t switchByte)
{
    if (switchByte & 0x08)
        return 9600;
    switch (switchByte & 0x0F) {
    case 0: return 115200;
    case 1: return 57600;
    case 2: return 38400;
    case 3: return 19200;
    case 4: return 9600;
    case 5: return 4800;
    case 6: return 2400;
    case 7: return 1200;
    default: return 9600;
    }
}

Bytes landscapeSwitchCommand(uint8_t r0, uint8_t r1)
{
    return {0x1B, 0x73, r0, static_cast<uint8_t>(r1 | 0x01), 0x7A};
}

SectorLayout sectorLayout(uint32_t sectorSize, uint32_t blockLength, bool singleBlock)
{
    uint32_t sizeField;
    size_t blocks;
    if (singleBlock) {
        sizeField = blockLength;
        blocks = 1;
    } else {
        sizeField = sectorSize == 0x10000 ? 0 : sectorSize;
        blocks = sectorSize == 0x8000 ? 2 : 4;
    }
    return {{0x1D, 0x11, 0x00, 0x00, static_cast<uint8_t>(sizeField & 0xFF),
             static_cast<uint8_t>((sizeField >> 8) & 0xFF)},
            blocks};
}

std::optional<std::string> parseModelNumber(std::span<const uint8_t> reply)
{
    constexpr size_t kApostropheWithin = 6;
    size_t limit = std::min(reply.size(), kApostropheWithin);
    for (size_t i = 0; i < limit; ++i) {
        if (reply[i] != '\'')
            continue;
        std::string number;
        for (size_t j = i + 1; j < reply.size() && reply[j] != kCr; ++j)
            number.push_back(static_cast<char>(reply[j]));
        return number;
    }
    return std::nullopt;
}

std::vector<VersionItem> versionItems(bool withTable)
{
    std::vector<VersionItem> items{
        {0x97, "IPL VERSION  \t: %s"},
        {0x2F, "MAIN VERSION  \t: %s"},
        {0xA3, "IPL CRC \t\t: %s"},
        {0x37, "MAIN CRC  \t: %s"},
    };
    if (withTable)
        items.push_back({0x9B, "TABLE VERSION  \t: %s"});
    return items;
}

std::string versionItemText(std::span<const uint8_t> characters)
{
    auto end = std::find(characters.begin(), characters.end(), uint8_t{0});
    return std::string(characters.begin(), end);
}

std::string joinVersionReport(const std::vector<std::string>& texts)
{
    std::vector<VersionItem> items = versionItems(texts.size() > 4);
    std::vector<std::string> lines;
    for (size_t i = 0; i < items.size(); ++i) {
        const std::string& text = i < texts.size() ? texts[i] : std::string();
        std::string line = items[i].label;
        line.replace(line.find("%s"), 2, text);
        lines.push_back(line);
    }
    // Asked as boot version, main version, boot CRC, main CRC; shown with each program's
    // version next to its CRC.
    std::string report = "\r\n" + lines[0] + " \r\n" + lines[2] + " \r\n" + lines[1] + " \r\n" + lines[3] + " \r\n";
    if (lines.size() > 4)
        report += lines[4] + "\r\n";
    return report;
}

} // namespace kyv::cmd
