#pragma once
// A snapshot of what the simulated printer holds besides its flash.

#include "core/clock.h"

#include <cstdint>
#include <map>
#include <string>

namespace kyv::sim {

enum class PrinterMode { Online, Download };

struct PrinterState {
    PrinterMode mode = PrinterMode::Online;
    bool restarting = false;        // silent until its restart time is over
    int baud = 0;                   // speed of the line now
    int pendingBaud = 0;            // speed after the next reset (0: unchanged)
    int stopBits = 1;
    std::string parity = "NONE";
    int selectedSector = -1;
    std::map<uint8_t, uint8_t> parameters; // set with 1F 11 p v FF
    uint8_t switchByte0 = 0;
    uint8_t switchByte1 = 0;
    bool settingsMode = false;
    bool usuOn = false;
    int fiscalState = 0;
    bool notReady = false;
    bool fennMode = false;          // 1D 16 or 1D 30 10 seen
    bool userAreaErased = false;    // 1D 40 31 seen
    int resetCount = 0;             // resets and restarts, download-mode switches included
    int eraseCount = 0;
    int sectorWrites = 0;
    int configurationPrints = 0;
    uint16_t lastSectorCrc = 0;
    bool lineDropped = false;
    uint64_t bytesReceived = 0;     // from the host, all of them
    RealNs ownWaitTime{0};          // real time spent in reply delays and restarts
};

} // namespace kyv::sim
