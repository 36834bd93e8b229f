#pragma once
// Everything that makes one simulated network printer: the printer itself (as on a serial
// line), where it is on the network, its services, and the network's faults.

#include "sim/lib/printer_options.h"

#include <array>
#include <cstdint>
#include <optional>
#include <string>
#include <vector>

namespace kyv::sim {

using MacAddress = std::array<uint8_t, 6>;

struct LanOptions {
    PrinterOptions printer;            // its network face is filled in from the fields below
    uint32_t address = 0;              // host order
    std::optional<uint32_t> movedAddress; // where it comes back after its first restart
    bool wifi = false;                 // the WiFi interface; otherwise Ethernet (LAN)
    std::optional<MacAddress> mac;     // default: 00:11:62 and the low three bytes of the address
    std::optional<MacAddress> macAfterRestart; // comes back from its first restart with this MAC
    uint32_t mask = 0xFFFFFF00;
    // 0: any free port, chosen at start and kept when the printer moves.
    uint16_t rawPort = 9100;
    uint16_t statusPort = 3000;
    uint16_t searchPort = 3001;
    uint16_t ftpPort = 21;
    bool serveFtp = true;              // false: no FTP server (its images come over the raw port)
    std::string ftpUser = "anonymous";
    std::optional<std::string> ftpPassword; // default by model; empty: any password
    // A second printer on the same network that answers every broadcast search first.
    std::optional<MacAddress> decoyMac;
    std::optional<uint32_t> decoyAddress; // default: the address with its lowest bit flipped
    // Faults of the network interface.
    bool refuseTcp = false;      // nothing listens on the raw port
    bool silentTcp = false;      // the raw port takes connections and never reads them
    bool silentUdp = false;      // datagrams are heard, never answered
    bool silentStatusPort = false; // only the status port never answers (an older network card)
    bool refuseFtpLogin = false; // the FTP server refuses every login
};

// The printer's MAC address at the start.
MacAddress startMac(const LanOptions& options);
// "00:11:62:00:00:05"
std::string macText(const MacAddress& mac);
// "127.0.0.5"
std::string addressText(uint32_t address);
// The password the printer's FTP server expects by default for a model.
std::string defaultFtpPassword(const std::string& model);
// Fills the printer's network face (MAC, mask, the reply to the area commands).
void completeNetworkFace(LanOptions& options);

} // namespace kyv::sim
