#pragma once
// Everything that makes one simulated printer: the printer type it plays, what it
// reports about itself, its line settings, its start mode and timings, and the faults
// it is told to commit.

#include "core/clock.h"
#include "sim/lib/printer_command.h"

#include <cstddef>
#include <cstdint>
#include <functional>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace kyv::sim {

enum class FaultKind {
    Nak,        // NAK instead of ACK; the command has no effect
    NoReply,    // the command takes effect, nothing is answered
    WrongCrc,   // the CRC in the reply is off (sector CRC, image CRC, online block)
    ShortReply, // the reply loses its last byte
    Garbage,    // the reply is replaced by as many garbage bytes
    Delay,      // the reply is held back by `delay`
    DropLine,   // the line drops (pty closed) instead of the reply, or after `afterBytes`
    Vanish,     // the command takes effect and is answered, then the printer is gone for good:
                // the line drops; on USB it leaves the bus (after a restart: never comes back)
};

struct Fault {
    FaultKind kind = FaultKind::NoReply;
    PrinterCommand command = PrinterCommand::Any;
    int occurrence = 1;     // which arrival of the command (1 = first); 0 = every arrival
    ProtocolMs delay{0};    // Delay only
    size_t afterBytes = 0;  // DropLine with command Any: drop once this many bytes came in
};

// Parses "KIND:COMMAND[:OCCURRENCE[:MS]]" or "drop-after:N", e.g. "nak:select:3",
// "delay:sector-crc:1:5000", "wrong-crc:sector-crc:every", "drop:sector-data:2".
// Kinds: nak, no-reply, wrong-crc, short, garbage, delay, drop, vanish. Fills why on failure.
std::optional<Fault> parseFault(std::string_view text, std::string* why = nullptr);

enum class MismatchAnswer {
    Nothing, // like a real printer at another speed: the host hears nothing
    Garbage, // the host hears garbled bytes, as many as it sent
};

enum class UnerasedWrite {
    AndLikeNor, // programming can only clear bits: new = old AND data (real NOR flash)
    Overwrite,  // the printer erases as it programs: new = data
};

// What a printer on the network adds: it hears the bytes of its raw TCP port and its
// datagrams, and its network interface answers for the MAC address and the mask.
struct NetworkFace {
    bool on = false;
    std::string macText;           // 17 characters, as 00:11:62:00:00:05
    std::string maskText;          // dotted, as 255.255.255.0
    uint8_t clearAreaReply = 0x06; // answer to 1D 40 31 and 1D 40 32: 0D on the Ethernet interface
};

struct PrinterOptions {
    std::string model = "R241";   // name of a printer type (see printerTypes())
    std::string modelNumber;      // empty: a number that passes the model check of `model`
    std::string bootVersion = "14000";
    std::string mainVersion = "15000";
    std::string bootCrc = "1A2B";
    std::string mainCrc = "3C4D";
    std::string tableVersion = "00100";

    int baud = 0;                 // 0: the model's serial default (19200 for R453/R243, else 115200)
    std::string parity = "NONE";  // kept for completeness: a pty does not carry parity
    int stopBits = 1;
    bool startInDownloadMode = false;
    // The download-mode switch is acknowledged and takes effect at the next reset (the
    // printer on its USB report device), instead of restarting the printer at once.
    bool switchAtReset = false;
    ProtocolMs restartTime{3000}; // silence after a reset or the download-mode switch
    ProtocolMs replyDelay{0};     // before every reply
    MismatchAnswer onMismatch = MismatchAnswer::Nothing;

    UnerasedWrite unerasedWrite = UnerasedWrite::AndLikeNor;
    uint8_t initialFlashByte = 0xFF;     // flash content at power-on
    uint8_t switchByte0 = 0x12;          // switch block read with 1B 6A 7A
    uint8_t switchByte1 = 0x00;          // bit 0 = landscape
    bool usuOn = false;
    int fiscalState = 0;                 // answered to 1D 30 07
    int fontMemoryMegabytes = 8;         // told by 1D 49 40 E4: 8 (0x16) or 4 (0x14)
    bool notReady = false;               // status answers "not ready" until 1D 03 02

    NetworkFace network;                 // off: a printer on a serial line or USB

    std::vector<Fault> faults;
    // Called on the serving thread each time the printer has taken in what the host wrote
    // (one read from the line, one USB output report). A test holds the printer at a moment
    // of its choosing by not returning until it is done: the host then meets a printer that
    // takes nothing more.
    std::function<void()> afterHostWrite;
    std::string transcriptPath;          // written by stop() when set
    std::string flashDumpPath;           // written by stop() when set
    // Checked by stop() when set: the flash must hold this file from that sector on.
    std::string expectedImagePath;
    int expectedImageSector = 0;
};

// The model number a printer of this type reports by default; empty for a name no type has.
std::string defaultModelNumber(std::string_view displayName);
// The line speed a printer of this type starts at (115200 for a name no type has).
int defaultBaud(std::string_view displayName);

} // namespace kyv::sim
