#pragma once
// Flashes cut off from outside, through the real programs: KyvFlashCom starts KyvFlash
// against a simulated printer in this process; at a chosen point of the flash the launcher
// gets SIGTERM, or its fail-safe time limit runs out. Each cut must end the launcher with
// its stop status in bounded time, leave no KyvFlash behind, free the line or device at
// once and write nothing outside the job's sectors. Then an ordinary run against the same
// printer, in whatever state the cut left it, must flash it completely.

#include "faults/cut_gate.h"
#include "faults/fault_run.h"
#include "sim/lib/printer_state.h"
#include "sim/lib/transcript.h"

#include <functional>
#include <map>
#include <string>
#include <vector>

namespace kyv::test {

// What the printer has heard so far, read from its transcript piece by piece.
struct Heard {
    std::map<std::string, int> arrivals; // command name to arrivals so far
    int restartsIntoDownload = 0;
    int restartsIntoOnline = 0;
    int sectorsBegun = 0; // sectors whose data has begun to arrive
    size_t entriesRead = 0;

    // `dataBegunNote` starts the note that tells a sector's data is coming in.
    void take(const std::vector<sim::TranscriptEntry>& fresh, const std::string& dataBegunNote);
    int count(const std::string& command) const;
};

struct CutPoint {
    const char* name;
    std::function<bool(const Heard&, const sim::PrinterState&)> reached;
};
// Every point a signal cuts at, for an image of `sectors` sectors: the switch to download
// mode, the first sector's data, its CRC, the last sector's data, the image CRC, the reset.
std::vector<CutPoint> signalCutPoints(int sectors);
// The points the fail-safe limit cuts at: where the host keeps waiting on a slow printer.
std::vector<CutPoint> timeLimitCutPoints(int sectors);

// One path's printer and job, as run through the launcher.
class CutRig {
public:
    virtual ~CutRig() = default;
    // A fresh printer, calling the hook after each piece the host wrote.
    virtual void startPrinter(std::function<void()> afterHostWrite) = 0;
    virtual void stopPrinter() = 0;
    // The launcher's job arguments (with RETSTAT) and environment, and where it starts.
    virtual std::vector<std::string> jobArguments() const = 0;
    virtual std::map<std::string, std::string> environment() const = 0;
    virtual std::string workDir() const = 0;

    virtual std::vector<sim::TranscriptEntry> transcript(size_t from) const = 0;
    virtual sim::PrinterState state() const = 0;
    virtual std::string dataBegunNote() const = 0;
    // The flash outside the sectors the job writes.
    virtual sim::Bytes flashOutsideJob() const = 0;
    virtual bool flashHoldsImage(std::string* why) const = 0;
    // The printer's line or device can be taken again at once by another program.
    virtual bool portFree(std::string* why) = 0;
    // How a printer keeps the host waiting until the fail-safe limit runs out.
    virtual CutGate::Mode timeLimitMode() const = 0;
};

enum class CutBy { Signal, TimeLimit };

// Runs one cut and its recovery run per point against a fresh printer each, and prints the
// tally under "cut-offs <path> <signal|time limit>".
void runCutOffs(CutRig& rig, CutGate& gate, const std::vector<CutPoint>& points, CutBy by, const std::string& path);

} // namespace kyv::test
