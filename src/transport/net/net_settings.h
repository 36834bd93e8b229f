#pragma once
// The network time-outs and the printer's service ports, as the settings store gives them
// at every open (a missing value gives the default).

#include <cstdint>
#include <string>

namespace kyv {

class ProfileStore;

struct NetTimeouts {
    uint32_t readMs = 0;
    uint32_t writeMs = 0;
    uint32_t connectMs = 0;
};

struct NetSettings {
    uint32_t connectMs = 10000;         // Network/ConnectTimeout
    uint32_t readMs = 30000;            // Network/ReadTimeout (or the caller's default)
    uint32_t writeMs = 10000;           // Network/WriteTimeout
    uint32_t searchConnectMs = 10000;   // Brevant/LAN Connection Timeout
    uint32_t searchReadMs = 15000;      // Brevant/BroadCast Timeout
    uint16_t rawPort = 9100;            // Network/RawPort
    uint16_t statusPort = 3000;         // Network/StatusPort
    uint16_t searchPort = 3001;         // Network/SearchPort
    uint16_t ftpPort = 21;              // Network/FtpPort
    uint32_t broadcastAddress = 0xFFFFFFFF; // Network/BroadcastAddress (text), host order

    NetTimeouts timeouts() const { return {readMs, writeMs, connectMs}; }
};

// readDefault is the read time-out when Network/ReadTimeout is missing.
NetSettings readNetSettings(const ProfileStore& store, uint32_t readDefault = 30000);

} // namespace kyv
