#pragma once
// What every run of the fault matrix shares: the fault kinds, the table of the code each
// fault must end with, the commands a clean run sent (read from the printer's transcript),
// a bounded run of a worker on its own thread, and the process's descriptors and children
// before and after.

#include "core/clock.h"
#include "core/result_code.h"
#include "sim/lib/printer_options.h"
#include "sim/lib/transcript.h"

#include <sys/types.h>

#include <chrono>
#include <functional>
#include <string>
#include <vector>

namespace kyv::test {

// One injected fault kind, by the simulator's name, with the fault it becomes for a command
// seen `count` times in the clean run. Faults a retry could ride out hit every arrival;
// the cut-offs (drop, vanish) hit the last arrival, so the run is cut as late as it can be.
struct FaultKindUse {
    const char* name;
    bool cutOff; // the printer is gone afterwards: a recovery run must follow
};
const std::vector<FaultKindUse>& faultKinds();
const FaultKindUse& faultKindNamed(const std::string& name);
std::vector<const char*> faultKindNames();
// "no-reply" as a test name: "no_reply".
std::string faultTestName(const char* kind);
sim::Fault faultFor(const FaultKindUse& kind, const std::string& command, int count);

// The code a (command, fault kind) on one path must end with, and why.
struct Expectation {
    const char* command;
    const char* kind;
    ResultCode code;
    const char* reason;
};

// Marks a fault kind that means nothing for a command (a command the printer never
// answers cannot answer late or short).
inline constexpr ResultCode kNotApplicable = -1;
// The first row for the command and kind; a row's kind "*" stands for every kind.
const Expectation* expectationFor(const std::vector<Expectation>& table, const std::string& command,
                                  const std::string& kind);
// Set KYV_FAULT_PROBE=1 to have every (command, kind) run and its code printed, table or not.
bool probing();

// The commands a run sent, in the order the printer first heard them, each with how often
// (from the transcript's notes "select (2)").
struct CommandSeen {
    std::string name;
    int count = 0;
};
std::vector<CommandSeen> commandsSeen(const std::vector<sim::TranscriptEntry>& transcript);

// The flash of every sector but `count` from `first` on, sector by sector until the
// printer has no more.
sim::Bytes flashOutside(const std::function<sim::Bytes(int)>& sectorBytes, int first, int count);

// Open descriptors and live child processes of this process.
struct ProcessResources {
    int descriptors = 0;
    int children = 0;
};
ProcessResources processResources();
// The live child processes of a process (zombies included).
std::vector<pid_t> childrenOf(pid_t parent);
// Waits a little for descriptors and children to settle back to `before` (a closing socket,
// a reaped child); true when they did.
bool resourcesBackTo(const ProcessResources& before, ProcessResources* after);

// Runs the worker on a thread of its own; false when it had not ended within `limit` (the
// run is then asked to stop and the process ends if the worker never returns).
bool runBounded(const std::function<void()>& worker, std::chrono::milliseconds limit);

// Tallies of a matrix test, printed at its end for the README's count.
struct MatrixTally {
    int runs = 0;
    int passed = 0;
    int recoveries = 0;
    int recovered = 0;
};
void printTally(const std::string& path, const MatrixTally& tally);

// One path's printer and job, as the matrix drives them.
class PathRig {
public:
    virtual ~PathRig() = default;
    // A fresh printer that commits these faults.
    virtual void startPrinter(std::vector<sim::Fault> faults) = 0;
    virtual void stopPrinter() = 0;
    // One ordinary job against the printer: its code, -1 for no single outcome, -2 for a run
    // that outlived its limit.
    virtual ResultCode flash() = 0;
    virtual std::vector<sim::TranscriptEntry> transcript() const = 0;
    // The flash outside the sectors the job writes.
    virtual sim::Bytes flashOutsideJob() const = 0;
    virtual bool flashHoldsImage(std::string* why) const = 0;
    // The printer's line, device or port can be taken again at once.
    virtual bool opensAgain() = 0;
    // After a cut-off: the line is plugged in again (or the printer powered on where it
    // left the bus) with its mode and flash as they were, and no faults any more.
    virtual void bringBack() = 0;
};

// The checks after a job, each as a test expectation; true when it held.
// The whole image is in the printer's flash.
bool expectImageInFlash(const PathRig& rig);
// An ordinary job against the printer as it is flashes it completely.
bool expectRecoveryJob(PathRig& rig);
// Descriptors and children are back to what they were `before` the printer started.
bool expectReleased(const ProcessResources& before);

// Runs the matrix of one path for one fault kind: a clean job first, whose transcript names
// the commands; then one job per command with the fault on it, each checked against the
// table; after each cut-off, the recovery job against the same printer.
void runFaultMatrix(PathRig& rig, const std::vector<Expectation>& table, const FaultKindUse& kind,
                    const std::string& path);

} // namespace kyv::test
