#pragma once
// The commands a printer understands on its serial line, by name. Faults are attached to
// a command by these names, and the transcript notes which command a byte sequence was.

#include <cstddef>
#include <optional>
#include <string_view>

namespace kyv::sim {

enum class PrinterCommand {
    Any,             // matches every command (faults only)
    Status,          // 10 04 01          real-time status, 1 byte (bit 3 set = not ready)
    IplQuery,        // 1D 01             ACK in download mode, silence online
    DownloadMode,    // 1B 5B 7D          restart into download mode
    Erase,           // 1D 10 n           erase sector n, ACK
    Select,          // 1D 02 n           select sector n, ACK
    SectorData,      // 1D 11 00 00 lo hi + data (size 0 = 0x10000), ACK after the data
    SectorCrc,       // 1D 06             ACK, CRC low, CRC high of the last sector data
    MainCrc,         // 1D 0F             ACK, CRC low, CRC high of the image written
    IplCrc,          // 1D 07             as MainCrc
    Reset,           // 1D FF             restart into online mode, new line settings apply
    Restart,         // 1D 80             ACK, then restart into online mode
    Recover,         // 1D 03 02          clears the not-ready state
    BaudQuery,       // 1F 12 11          1 byte baud code
    SetParameter,    // 1F 11 p v FF      p = 11 is the baud code, taking effect at the next reset
    SettingsMode,    // 1F 7A 74 01 / 00  enter / leave settings mode
    BaudQuerySettings, // 1B 6A 02        1 byte baud code, in settings mode
    ReadSwitches,    // 1B 6A 7A          2 switch bytes, in settings mode
    WriteSwitches,   // 1B 73 a b 7A      store the switch bytes
    ClearDownloadArea, // 1D 22 55 FF FF  ACK
    EraseUserArea,   // 1D 40 31          ACK
    ClearDownloadArea2, // 1D 40 32       ACK
    ModelNumber,     // 1D 49 40 27       ' model number CR
    ModeQuery,       // 1D 49 40 C3       the printer-mode item: "0" CR while online, nothing in download mode
    VersionItem,     // 1D 49 40 n        n = 97, 2F, A3, 37, 9B: 10 bytes, text in bytes 1..5;
                     //                   n = 33, 2B: main / boot version number, 11 characters and CR
    FlashState,      // 1D 30 07          1 byte, the fiscal state
    PrintConfiguration, // 1F 74 00 01    prints the configuration page, no reply
    UsuQuery,        // 1F 12 5F          1 byte, 1 = USU on
    UsuSet,          // 1D 1F v           v = 0 off, 1 on, no reply
    OnlineBlock,     // 1B 5B 7C t len(4) + data: whole image in online mode; ACK crc lo hi or NAK code
    BaudProbe,       // 1D 05             1 byte
    FennIpl,         // 1D 16             IPL command of the direct-CRC printers, no reply
    FennMode,        // 1D 30 10 + 13 bytes, no reply
    FiscalDownload,  // 1F 14 02          fiscal printers: allow the download, no reply
    J5Image,         // J5 HID: the image after 1D 13, ACK once it is all in
    J5Crc,           // J5 HID: 1D 12 k    ACK, CRC low, CRC high of the image after its header
    J5Identify,      // J5 HID: 1D 30 07 00  ACK, 01 (a printer is there)
    J5Version,       // J5 HID: 1D 30 09 k   15 bytes, the date stamp and firmware version
    J5ModeQuery,     // J5 HID: 1D F0        ACK online, NAK in download mode
    J5Header,        // J5 HID: 1D 13 k len(4, high first)  the image follows, no reply
    J5Abort,         // J5 HID: 1D 82        drops a transfer, no reply
    J5Refresh,       // J5 HID: 1D 30 10 00 + 12 bytes, the J5_REFRESH preparation, no reply
    J5PrintConfiguration, // J5 HID: 1D 64 01 00  prints the configuration page, no reply
    // Commands of a printer's network interface (raw TCP port and UDP datagrams).
    MacQuery,        // 1D 49 40 F0       F0 and the MAC address as 17 characters, in any mode
    MaskQuery,       // 1D 49 40 F2       F2 and the subnet mask as dotted text, space-padded, in any mode
    LanIplCrc,       // 1D 08             as IplCrc, for the network interface's own boot program
    PrintForm,       // 1F 74             prints the diagnostics form, no reply
    // Commands a printer takes over IBM USB without a frame.
    IbmClearDownloadArea,   // 1B 23 01 / 02  no reply
    IbmPrintConfiguration,  // 1B 78          prints the configuration page, no reply
    // Keep last: the number of commands.
    Count,
};
inline constexpr size_t kPrinterCommandCount = static_cast<size_t>(PrinterCommand::Count);

// Name used on the command line and in transcripts ("select", "sector-crc", ...).
std::string_view commandName(PrinterCommand command);
std::optional<PrinterCommand> commandFromName(std::string_view name);

} // namespace kyv::sim
