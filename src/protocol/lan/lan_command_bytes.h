#pragma once
// The bytes of the flash commands a network printer takes on its raw TCP port, and the
// exchanges they make: what goes out, the printer's time before its reply, and the reply
// read back (expected length, extra receive rounds). Pure data, no I/O.

#include "core/clock.h"

#include <array>
#include <cstdint>
#include <span>
#include <string>
#include <vector>

namespace kyv::lan {

using namespace std::chrono_literals;

struct LanExchange {
    std::vector<uint8_t> bytes;
    ProtocolMs wait{0};
    size_t expected = 0; // 0: nothing is read
    int extraRounds = 0;
};

inline constexpr uint8_t kAck = 0x06;
inline constexpr size_t kDataBlock = 65536;

// Version items and the label of each in the version report.
struct VersionItem {
    uint8_t item;
    const char* label;
};
inline constexpr std::array<VersionItem, 5> kVersionItems{{
    {0x97, "IPL VERSION  \t: %s"},
    {0xA3, "IPL CRC \t\t: %s"},
    {0x2F, "MAIN VERSION  \t: %s"},
    {0x37, "MAIN CRC  \t: %s"},
    {0x9B, "TABLE VERSION  \t: %s"}, // R453 and R243 only
}};

inline LanExchange queryIplMode() { return {{0x1D, 0x01}, 500ms, 2, 1}; }
inline LanExchange queryMac() { return {{0x1D, 0x49, 0x40, 0xF0}, 0ms, 18, 3}; }
inline LanExchange querySubnetMask() { return {{0x1D, 0x49, 0x40, 0xF2}, 100ms, 16, 2}; }
inline LanExchange queryVersionItem(uint8_t item) { return {{0x1D, 0x49, 0x40, item}, 100ms, 6, 3}; }
inline LanExchange queryModel() { return {{0x1D, 0x49, 0x40, 0x27}, 0ms, 15, 3}; }
inline LanExchange enterDownloadMode() { return {{0x1B, 0x5B, 0x7D}, 0ms, 0, 0}; }
inline LanExchange eraseSector(uint8_t s) { return {{0x1D, 0x10, s}, 0ms, 1, 3}; }
inline LanExchange selectSector(uint8_t s) { return {{0x1D, 0x02, s}, 0ms, 1, 3}; }
inline LanExchange downloadDataHeader() { return {{0x1D, 0x11, 0x00, 0x00, 0x00, 0x00}, 0ms, 0, 0}; }
// Read after the last block of a sector: the printer writes it to flash first.
inline LanExchange downloadDataAck() { return {{}, 15000ms, 1, 3}; }
inline LanExchange sectorCrc() { return {{0x1D, 0x06}, 4000ms, 3, 3}; }
inline LanExchange reset() { return {{0x1D, 0xFF}, 0ms, 0, 0}; }
inline LanExchange clearDownloadArea() { return {{0x1D, 0x40, 0x31}, 0ms, 1, 3}; }
inline LanExchange clearDownloadAreaSecondForm() { return {{0x1D, 0x40, 0x32}, 0ms, 1, 3}; }
// True when the printer keeps a CRC of the image the file holds: a boot program (".ipl")
// or main firmware (".mfw") named after the first character of the name.
bool imageCrcApplies(const std::string& fileName);
// By the image file's name: a boot program (".ipl") or main firmware (".mfw") after the
// first character of the name; anything else gets the boot command without a wait.
LanExchange imageCrc(const std::string& fileName);

// The subnet search for a printer that restarted at another address: four zero bytes and
// the MAC query to the search port, then four zero bytes and the status request to the
// status port. A printer answers with F0 and its MAC address as 17 characters.
inline std::vector<uint8_t> subnetMacSearch() { return {0x00, 0x00, 0x00, 0x00, 0x1D, 0x49, 0x40, 0xF0}; }
inline std::vector<uint8_t> subnetStatusSearch() { return {0x00, 0x00, 0x00, 0x00, 0x10, 0x04, 0x01}; }
inline constexpr uint8_t kMacReply = 0xF0;
inline constexpr size_t kMacTextLength = 17;

// The broadcast address of the printer's subnet, by whole bytes of the mask (host order):
// each zero byte of the mask sets that byte and those below it to FF, and a zero first
// byte gives the limited broadcast 255.255.255.255. A mask without a zero byte does not
// end on a byte boundary; its subnet's broadcast is address | ~mask then.
uint32_t subnetBroadcast(uint32_t address, uint32_t mask);

} // namespace kyv::lan
