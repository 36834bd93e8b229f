#pragma once
// What an IBM USB printer makes of the printer bytes of its output reports: commands in
// 13-byte frames (1B 2A 50 01 01 or 1B 2A 51 01 01, the command, zeros), the status request
// ESC I (1B 49) that puts the answer to the last command into its status block, and bytes
// sent without a frame, taken as they are.

#include "sim/lib/transcript.h"

#include <span>
#include <vector>

namespace kyv::sim {

struct IbmPiece {
    bool statusRequest = false; // else a command for the printer
    bool swapPage = false;      // framed with ESC * Q: a firmware-bank command
    Bytes bytes;
};

std::vector<IbmPiece> splitIbmFrames(std::span<const uint8_t> data);

// The answer the status block carries for a command: the printer's reply, except that a
// version item is its five characters and a CR.
Bytes ibmAnswer(std::span<const uint8_t> command, const Bytes& reply);

} // namespace kyv::sim
