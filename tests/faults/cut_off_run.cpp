#include "faults/cut_off_run.h"

#include "core/exit_status.h"
#include "launcher/launcher_process.h"

#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include <csignal>
#include <memory>

namespace kyv::test {
namespace {

using launcher::test::LauncherProcess;
using launcher::test::LauncherResult;
using launcher::test::processGone;
using ::testing::HasSubstr;

// A fail-safe limit of 3 s at the launcher's time scale of 0.01: long enough for every path
// to get to its last sector, far shorter than the slowed printer keeps the host there.
constexpr int kTimeLimitSeconds = 300;
constexpr auto kTimeLimitReal = std::chrono::milliseconds(3000);
// A stopped launcher ends well within this: its grace for KyvFlash, then the kill.
constexpr auto kStopBound = std::chrono::seconds(3);
// Far longer than any flash of these images takes to reach its last sector.
constexpr auto kReachBound = std::chrono::seconds(20);
constexpr auto kLauncherGuard = std::chrono::seconds(60);
// Longer than the printer waits for the rest of a cut-off transfer.
constexpr ProtocolMs kBeforeRecovery{20000};

bool startsWith(const std::string& text, const std::string& prefix) { return text.rfind(prefix, 0) == 0; }

std::string describe(const sim::PrinterState& state)
{
    return std::string(state.mode == sim::PrinterMode::Download ? "download" : "online") + " mode" +
           (state.restarting ? ", restarting" : "") + ", " + std::to_string(state.sectorWrites) + " sectors written";
}

} // namespace

void Heard::take(const std::vector<sim::TranscriptEntry>& fresh, const std::string& dataBegunNote)
{
    entriesRead += fresh.size();
    for (const CommandSeen& command : commandsSeen(fresh))
        arrivals[command.name] = std::max(arrivals[command.name], command.count);
    for (const sim::TranscriptEntry& entry : fresh) {
        if (entry.direction != sim::Direction::Event)
            continue;
        restartsIntoDownload += entry.note == "restarting into download mode";
        restartsIntoOnline += entry.note == "restarting into online mode";
        sectorsBegun += startsWith(entry.note, dataBegunNote);
    }
}

int Heard::count(const std::string& command) const
{
    auto found = arrivals.find(command);
    return found == arrivals.end() ? 0 : found->second;
}

std::vector<CutPoint> signalCutPoints(int sectors)
{
    auto dataOf = [](int sector) {
        return [sector](const Heard& heard, const sim::PrinterState& state) {
            return heard.sectorsBegun >= sector && state.sectorWrites == sector - 1;
        };
    };
    return {
        {"the switch to download mode", [](const Heard& h, const sim::PrinterState&) { return h.restartsIntoDownload > 0; }},
        {"the first sector's data", dataOf(1)},
        {"the first sector's CRC", [](const Heard& h, const sim::PrinterState&) { return h.count("sector-crc") >= 1; }},
        {"the last sector's data", dataOf(sectors)},
        {"the image CRC", [](const Heard& h, const sim::PrinterState&) { return h.count("main-crc") >= 1; }},
        {"the reset at the end", [](const Heard& h, const sim::PrinterState&) { return h.restartsIntoOnline > 0; }},
    };
}

std::vector<CutPoint> timeLimitCutPoints(int sectors)
{
    std::vector<CutPoint> all = signalCutPoints(sectors);
    return {all[1], all[3]};
}

void runCutOffs(CutRig& rig, CutGate& gate, const std::vector<CutPoint>& points, CutBy by, const std::string& path)
{
    const CutGate::Mode mode = by == CutBy::Signal ? CutGate::Mode::Hold : rig.timeLimitMode();
    MatrixTally tally;
    for (const CutPoint& point : points) {
        SCOPED_TRACE(path + ": cut at " + point.name + (by == CutBy::Signal ? " by SIGTERM" : " by the time limit"));
        ++tally.runs;
        rig.startPrinter([&gate] { gate.afterHostWrite(); });
        const sim::Bytes outsideBefore = rig.flashOutsideJob();
        auto heard = std::make_shared<Heard>();
        gate.arm(
            [&rig, &point, heard] {
                heard->take(rig.transcript(heard->entriesRead), rig.dataBegunNote());
                return point.reached(*heard, rig.state());
            },
            mode);

        std::vector<std::string> args = rig.jobArguments();
        if (by == CutBy::TimeLimit)
            args.push_back("ERRORTIMEOUT=" + std::to_string(kTimeLimitSeconds));
        const auto started = std::chrono::steady_clock::now();
        LauncherProcess launcher(args, rig.environment(), rig.workDir());
        const bool reached = gate.waitReached(kReachBound);
        EXPECT_TRUE(reached) << "the flash never got to " << point.name;
        // The launcher's child, caught while the printer holds it at the point.
        const std::vector<pid_t> flashers = childrenOf(launcher.pid());
        EXPECT_EQ(flashers.size(), 1u) << "KyvFlash is not (or not alone) below the launcher";
        const auto stopAt = std::chrono::steady_clock::now();
        if (reached && by == CutBy::Signal)
            ::kill(launcher.pid(), SIGTERM);
        const LauncherResult result = launcher.finish(kLauncherGuard);
        const auto ended = std::chrono::steady_clock::now();
        const sim::PrinterState atCut = rig.state();
        gate.release();

        bool passed = reached;
        if (by == CutBy::Signal) {
            EXPECT_EQ(result.exitStatus, 128 + SIGTERM) << result.output;
            EXPECT_LT(ended - stopAt, kStopBound) << "the launcher took that long to stop";
            passed = passed && result.exitStatus == 128 + SIGTERM && ended - stopAt < kStopBound;
        } else {
            EXPECT_EQ(result.exitStatus, kExitStatusStoppedAtTimeLimit) << result.output;
            EXPECT_THAT(result.output, HasSubstr("Fail-safe Exit Attempt : from KyvFlash.EXE after " + std::to_string(kTimeLimitSeconds) + " seconds"));
            EXPECT_LT(ended - started, kTimeLimitReal + kStopBound) << "the launcher took that long to stop";
            passed = passed && result.exitStatus == kExitStatusStoppedAtTimeLimit &&
                     ended - started < kTimeLimitReal + kStopBound;
        }
        for (pid_t flasher : flashers) {
            const bool gone = processGone(flasher);
            EXPECT_TRUE(gone) << "KyvFlash " << flasher << " outlived the launcher";
            passed = passed && gone;
        }
        std::string why;
        const bool free = rig.portFree(&why);
        EXPECT_TRUE(free) << "after the cut: " << why << "\n" << result.output;
        const bool outsideKept = rig.flashOutsideJob() == outsideBefore;
        EXPECT_TRUE(outsideKept) << "the cut run wrote outside the job's sectors";
        passed = passed && free && outsideKept;

        // The same printer, left as the cut left it and a moment alone (a script's next
        // attempt): an ordinary run flashes it completely.
        ++tally.recoveries;
        sleepFor(kBeforeRecovery);
        const LauncherResult again = LauncherProcess(rig.jobArguments(), rig.environment(), rig.workDir())
                                         .finish(kLauncherGuard);
        EXPECT_EQ(again.exitStatus, 0) << "the recovery run, the printer left in " << describe(atCut) << ":\n"
                                       << again.output;
        const bool holds = rig.flashHoldsImage(&why);
        EXPECT_TRUE(holds) << why;
        const bool outsideStill = rig.flashOutsideJob() == outsideBefore;
        EXPECT_TRUE(outsideStill) << "the recovery run wrote outside the job's sectors";
        const bool freeAgain = rig.portFree(&why);
        EXPECT_TRUE(freeAgain) << "after the recovery run: " << why;
        if (again.exitStatus == 0 && holds && outsideStill && freeAgain)
            ++tally.recovered;
        if (passed)
            ++tally.passed;
        rig.stopPrinter();
    }
    printTally("cut-offs " + path + (by == CutBy::Signal ? " sigterm" : " time limit"), tally);
}

} // namespace kyv::test
