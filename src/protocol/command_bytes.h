#pragma once
// The local printer command set as data: the bytes of each command and the pure decoding
// of the replies. Nothing here does I/O; the command paths send these and decode with
// these, so every way of reaching the printer speaks the same bytes.

#include <array>
#include <cstddef>
#include <cstdint>
#include <optional>
#include <span>
#include <string>
#include <string_view>
#include <vector>

namespace kyv::cmd {

using Bytes = std::vector<uint8_t>;

inline constexpr uint8_t kAck = 0x06;
inline constexpr uint8_t kNak = 0x15;
inline constexpr uint8_t kCr = 0x0D;

// Commands the download procedures hand to the byte-string commands.
inline constexpr std::array<uint8_t, 3> kEnterDownloadMode{0x1B, 0x5B, 0x7D}; // ESC [ }
inline constexpr std::array<uint8_t, 2> kIplCommand{0x1D, 0x01};              // also before a reset
inline constexpr std::array<uint8_t, 2> kReset{0x1D, 0xFF};
inline constexpr std::array<uint8_t, 3> kRealTimeStatus{0x10, 0x04, 0x01};    // DLE EOT 1
inline constexpr std::array<uint8_t, 2> kRecalculateMainCrc{0x1D, 0x0F};
inline constexpr std::array<uint8_t, 2> kRecalculateIplCrc{0x1D, 0x07};

// Fixed commands of the command set.
inline constexpr std::array<uint8_t, 2> kSelectSectorPrefix{0x1D, 0x02};
inline constexpr std::array<uint8_t, 2> kEraseSectorPrefix{0x1D, 0x10};
inline constexpr std::array<uint8_t, 2> kQuerySectorCrc{0x1D, 0x06};
inline constexpr std::array<uint8_t, 2> kSectorDataPrefix{0x1D, 0x11};
inline constexpr std::array<uint8_t, 2> kRestart{0x1D, 0x80};
inline constexpr std::array<uint8_t, 3> kReleaseBusy{0x1D, 0x03, 0x02};
inline constexpr std::array<uint8_t, 4> kPrintConfiguration{0x1F, 0x74, 0x00, 0x01};
inline constexpr std::array<uint8_t, 3> kQueryBaudRate{0x1F, 0x12, 0x11};
inline constexpr std::array<uint8_t, 4> kEnterSettingsMode{0x1F, 0x7A, 0x74, 0x01};
inline constexpr std::array<uint8_t, 4> kLeaveSettingsMode{0x1F, 0x7A, 0x74, 0x00};
inline constexpr std::array<uint8_t, 3> kReadBaudSwitch{0x1B, 0x6A, 0x02};
inline constexpr std::array<uint8_t, 5> kEraseUserArea{0x1D, 0x22, 0x55, 0xFF, 0xFF};
inline constexpr std::array<uint8_t, 3> kClearDownloadArea1{0x1D, 0x40, 0x31};
inline constexpr std::array<uint8_t, 3> kClearDownloadArea2{0x1D, 0x40, 0x32};
inline constexpr std::array<uint8_t, 4> kQueryModelNumber{0x1D, 0x49, 0x40, 0x27};
inline constexpr std::array<uint8_t, 3> kQueryFlashState{0x1D, 0x30, 0x07};
inline constexpr std::array<uint8_t, 3> kReadSwitchBlock{0x1B, 0x6A, 0x7A};
inline constexpr std::array<uint8_t, 5> kDisableMicr{0x1F, 0x11, 0x34, 0x01, 0xFF};
inline constexpr std::array<uint8_t, 5> kDisableFlip{0x1F, 0x11, 0x35, 0x01, 0xFF};

// IBM USB: commands travel in 13-byte frames, ESC * P 01 01 (or, for the firmware-swap
// commands, ESC * Q 01 01), the command, zeros; ESC I then asks for the printer's answer.
inline constexpr size_t kIbmUsbFrameLength = 13;
inline constexpr uint8_t kIbmUsbPage = 0x50; // P
inline constexpr uint8_t kIbmUsbSwapPage = 0x51; // Q
inline constexpr std::array<uint8_t, 2> kIbmUsbStatusRequest{0x1B, 0x49}; // ESC I
inline constexpr std::array<uint8_t, 2> kIbmUsbPrintConfiguration{0x1B, 0x78}; // ESC x
inline constexpr std::array<uint8_t, 3> kIbmUsbClearDownloadArea1{0x1B, 0x23, 0x01};
inline constexpr std::array<uint8_t, 3> kIbmUsbClearDownloadArea2{0x1B, 0x23, 0x02};
inline constexpr std::array<uint8_t, 3> kIbmUsbCrcAfterSwap{0x10, 0x07, 0x00};
inline constexpr std::array<uint8_t, 4> kIbmUsbQueryMemoryBanks{0x10, 0x0A, 0x10, 0x80};
inline constexpr std::array<uint8_t, 3> kIbmUsbPrepareSwap{0x10, 0x0A, 0x01};
inline constexpr std::array<uint8_t, 3> kIbmUsbSwapFirmware{0x10, 0x0A, 0x02};
// The mode query: the printer-mode item C3 in a frame, with ESC I in the same write.
inline constexpr std::array<uint8_t, 15> kIbmUsbModeQuery{0x1B, 0x2A, 0x50, 0x01, 0x01, 0x1D, 0x49, 0x40,
                                                          0xC3, 0x00, 0x00, 0x00, 0x00, 0x1B, 0x49};
using IbmUsbFrame = std::array<uint8_t, kIbmUsbFrameLength>;
// The command (at most 8 bytes) in its frame; page P unless the swap page Q is asked for.
IbmUsbFrame ibmUsbFrame(std::span<const uint8_t> command, uint8_t page = kIbmUsbPage);

// 1D 49 40 n: one item of the printer's information block.
Bytes infoQuery(uint8_t item);
// 1F 11 11 code FF with the code of the baud rate (115200 and unknown rates give 0).
Bytes changeBaudCommand(int baud);
uint8_t baudCode(int baud);
// Baud rate from the printer's switch byte: bit 3 set means 9600, else by the low nibble.
int decodeBaud(uint8_t switchByte);
// 1B 73 a b 7A: the switch block with the landscape bit (bit 0 of b) set.
Bytes landscapeSwitchCommand(uint8_t r0, uint8_t r1);

// Sector data header and how many blocks follow it.
struct SectorLayout {
    std::array<uint8_t, 6> header; // 1D 11 00 00 size-low size-high
    size_t blockCount;             // 1, 2 or 4
};
// Single block: the size field is the block length. Otherwise the sector size (0x10000 is
// sent as 0) with 2 blocks for a 0x8000 sector and 4 for every other size.
SectorLayout sectorLayout(uint32_t sectorSize, uint32_t blockLength, bool singleBlock);

// Model number from a reply to 1D 49 40 27: an apostrophe among the first 6 bytes, then
// the characters up to CR (or the end of the reply). Empty optional when there is none.
std::optional<std::string> parseModelNumber(std::span<const uint8_t> reply);

// The items of the version report in the order they are asked, with their labels.
struct VersionItem {
    uint8_t item;
    const char* label; // printf form with one %s
};
// Boot version, main version, boot CRC, main CRC, and the table version when withTable.
std::vector<VersionItem> versionItems(bool withTable);
// The text of one item from its five reply characters; a NUL ends it early, so padding
// never reaches the report or the log.
std::string versionItemText(std::span<const uint8_t> characters);
// Joins the item texts (in versionItems order) in the order boot version, boot CRC, main
// version, main CRC[, table version].
std::string joinVersionReport(const std::vector<std::string>& texts);

} // namespace kyv::cmd
