#pragma once
// Reopening the printer's serial line, which every mode switch, reset and speed change of
// the printer needs, and the test for ports of the Edgeport USB-serial adapters.

#include "core/catalogue.h"

#include <string>

namespace kyv {

class CFlashCmd;

// Closes the line, opens the job's COM name again and applies the job's line settings.
bool reopenSerialLine(CFlashCmd& cmd, const FlashJob& job);
// Opens the job's COM name (a line already open is kept) with the job's line settings.
bool openSerialLine(CFlashCmd& cmd, const FlashJob& job);

// True when name is one of the Edgeport adapter's ports.
bool isEdgeportPort(CFlashCmd& cmd, const std::string& name);

} // namespace kyv
