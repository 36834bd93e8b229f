#include "faults/fault_run.h"

#include <gtest/gtest.h>

#include <dirent.h>
#include <unistd.h>

#include <condition_variable>
#include <cstdio>
#include <cstdlib>
#include <fstream>
#include <mutex>
#include <thread>

namespace kyv::test {

const std::vector<FaultKindUse>& faultKinds()
{
    static const std::vector<FaultKindUse> kinds{
        {"nak", false},   {"no-reply", false}, {"wrong-crc", false}, {"short", false},
        {"garbage", false}, {"delay", false},  {"drop", true},       {"vanish", true},
    };
    return kinds;
}

const FaultKindUse& faultKindNamed(const std::string& name)
{
    for (const FaultKindUse& kind : faultKinds())
        if (name == kind.name)
            return kind;
    std::fprintf(stderr, "no fault kind %s\n", name.c_str());
    std::abort();
}

std::vector<const char*> faultKindNames()
{
    std::vector<const char*> names;
    for (const FaultKindUse& kind : faultKinds())
        names.push_back(kind.name);
    return names;
}

std::string faultTestName(const char* kind)
{
    std::string name = kind;
    for (char& c : name)
        if (c == '-')
            c = '_';
    return name;
}

const Expectation* expectationFor(const std::vector<Expectation>& table, const std::string& command,
                                  const std::string& kind)
{
    for (const Expectation& row : table)
        if (command == row.command && (kind == row.kind || std::string(row.kind) == "*"))
            return &row;
    return nullptr;
}

bool probing()
{
    const char* value = std::getenv("KYV_FAULT_PROBE");
    return value != nullptr && *value == '1';
}

sim::Fault faultFor(const FaultKindUse& kind, const std::string& command, int count)
{
    const std::string name = kind.name;
    // Longer than any read time-out of any path (the longest is the online block's 150 s).
    const std::string text = name == "delay" ? "delay:" + command + ":" + std::to_string(count) + ":400000"
                             : kind.cutOff  ? name + ":" + command + ":" + std::to_string(count)
                                            : name + ":" + command + ":every";
    std::string why;
    std::optional<sim::Fault> fault = sim::parseFault(text, &why);
    if (!fault) {
        std::fprintf(stderr, "bad fault %s: %s\n", text.c_str(), why.c_str());
        std::abort();
    }
    return *fault;
}

std::vector<CommandSeen> commandsSeen(const std::vector<sim::TranscriptEntry>& transcript)
{
    std::vector<CommandSeen> seen;
    for (const sim::TranscriptEntry& entry : transcript) {
        if (entry.direction != sim::Direction::Event)
            continue;
        // "select (2)": a command's name, a blank and its arrival count in brackets.
        const std::string& note = entry.note;
        size_t open = note.rfind(" (");
        if (open == std::string::npos || note.empty() || note.back() != ')' || note.find(' ') != open)
            continue;
        const std::string number = note.substr(open + 2, note.size() - open - 3);
        if (number.empty() || number.find_first_not_of("0123456789") != std::string::npos)
            continue;
        const std::string name = note.substr(0, open);
        const int count = std::stoi(number);
        bool known = false;
        for (CommandSeen& command : seen)
            if (command.name == name) {
                command.count = std::max(command.count, count);
                known = true;
            }
        if (!known)
            seen.push_back({name, count});
    }
    return seen;
}

sim::Bytes flashOutside(const std::function<sim::Bytes(int)>& sectorBytes, int first, int count)
{
    sim::Bytes outside;
    for (int sector = 1;; ++sector) {
        sim::Bytes bytes = sectorBytes(sector);
        if (bytes.empty())
            return outside;
        if (sector < first || sector >= first + count)
            outside.insert(outside.end(), bytes.begin(), bytes.end());
    }
}

namespace {

int countDescriptors()
{
    int count = 0;
    if (DIR* dir = ::opendir("/proc/self/fd")) {
        while (const dirent* entry = ::readdir(dir))
            if (entry->d_name[0] != '.')
                ++count;
        ::closedir(dir);
        --count; // the directory's own descriptor
    }
    return count;
}

} // namespace

std::vector<pid_t> childrenOf(pid_t parent)
{
    const std::string parentText = std::to_string(parent);
    std::vector<pid_t> children;
    if (DIR* dir = ::opendir("/proc")) {
        while (const dirent* entry = ::readdir(dir)) {
            const std::string pid = entry->d_name;
            if (pid.find_first_not_of("0123456789") != std::string::npos)
                continue;
            std::ifstream stat("/proc/" + pid + "/stat");
            std::string text;
            std::getline(stat, text);
            // pid (comm) state ppid ...: the command name may hold blanks, so go from its ')'.
            size_t close = text.rfind(')');
            if (close == std::string::npos)
                continue;
            char state = 0;
            long ppid = 0;
            if (std::sscanf(text.c_str() + close + 1, " %c %ld", &state, &ppid) == 2 &&
                std::to_string(ppid) == parentText)
                children.push_back(static_cast<pid_t>(std::stol(pid)));
        }
        ::closedir(dir);
    }
    return children;
}

ProcessResources processResources()
{
    return {countDescriptors(), static_cast<int>(childrenOf(::getpid()).size())};
}

bool resourcesBackTo(const ProcessResources& before, ProcessResources* after)
{
    for (int attempt = 0; attempt < 50; ++attempt) {
        *after = processResources();
        if (after->descriptors <= before.descriptors && after->children <= before.children)
            return true;
        std::this_thread::sleep_for(std::chrono::milliseconds(20));
    }
    return false;
}

bool runBounded(const std::function<void()>& worker, std::chrono::milliseconds limit)
{
    std::mutex mutex;
    std::condition_variable changed;
    bool done = false;
    std::thread thread([&] {
        worker();
        std::lock_guard lock(mutex);
        done = true;
        changed.notify_all();
    });
    std::unique_lock lock(mutex);
    const bool inTime = changed.wait_for(lock, limit, [&] { return done; });
    if (!inTime) {
        // A hung run: ask it to stop; a worker that does not even then would hang the
        // whole test program, so it ends here with a clear word instead.
        requestStop();
        if (!changed.wait_for(lock, std::chrono::seconds(30), [&] { return done; })) {
            std::fprintf(stderr, "a worker hung and did not stop when asked\n");
            std::_Exit(3);
        }
    }
    lock.unlock();
    thread.join();
    clearStopRequest();
    return inTime;
}

void printTally(const std::string& path, const MatrixTally& tally)
{
    std::printf("fault matrix %s: %d runs, %d passed; %d recovery runs, %d flashed the printer completely\n",
                path.c_str(), tally.runs, tally.passed, tally.recoveries, tally.recovered);
}

bool expectImageInFlash(const PathRig& rig)
{
    std::string why;
    const bool holds = rig.flashHoldsImage(&why);
    EXPECT_TRUE(holds) << why;
    return holds;
}

bool expectRecoveryJob(PathRig& rig)
{
    const ResultCode again = rig.flash();
    EXPECT_EQ(again, 0) << "the recovery job";
    const bool holds = expectImageInFlash(rig);
    return again == 0 && holds;
}

bool expectReleased(const ProcessResources& before)
{
    ProcessResources after;
    const bool released = resourcesBackTo(before, &after);
    EXPECT_TRUE(released) << "descriptors " << before.descriptors << " -> " << after.descriptors << ", children "
                          << before.children << " -> " << after.children;
    return released;
}

void runFaultMatrix(PathRig& rig, const std::vector<Expectation>& table, const FaultKindUse& kind,
                    const std::string& path)
{
    rig.startPrinter({});
    ASSERT_EQ(rig.flash(), 0) << "the clean job";
    const std::vector<CommandSeen> commands = commandsSeen(rig.transcript());
    rig.stopPrinter();
    ASSERT_FALSE(commands.empty());
    MatrixTally tally;
    for (const CommandSeen& command : commands) {
        const Expectation* expected = expectationFor(table, command.name, kind.name);
        static const Expectation probe{"", "", -3, "probe"};
        if (expected == nullptr && probing())
            expected = &probe;
        ASSERT_NE(expected, nullptr) << "no row for " << command.name << " / " << kind.name;
        if (expected->code == kNotApplicable && !probing())
            continue;
        SCOPED_TRACE(path + ": " + command.name + " / " + kind.name + " (" + expected->reason + ")");
        ++tally.runs;
        // The simulated printer lives in this process: its own descriptors are counted from
        // before it starts to after it stopped, so what is left is the job's.
        const ProcessResources before = processResources();
        rig.startPrinter({faultFor(kind, command.name, command.count)});
        const sim::Bytes outsideBefore = rig.flashOutsideJob();
        const ResultCode code = rig.flash();
        const bool outsideKept = rig.flashOutsideJob() == outsideBefore;
        if (probing())
            std::printf("PROBE %s %s %s -> %d (table %d)\n", path.c_str(), command.name.c_str(), kind.name, code,
                        expected->code);
        else
            EXPECT_EQ(code, expected->code);
        EXPECT_NE(code, -2) << "the run outlived its limit";
        EXPECT_TRUE(outsideKept) << "flash written outside the job's sectors";
        bool passed = code == expected->code && outsideKept;
        if (code == 0) // a fault the job rides out must still leave the whole image in flash
            passed = expectImageInFlash(rig) && passed;
        if (!kind.cutOff) {
            const bool opens = rig.opensAgain();
            EXPECT_TRUE(opens);
            passed = passed && opens;
        } else {
            // The printer comes back as the cut left it (download mode, half-written
            // sectors): an ordinary job must flash it completely.
            ++tally.recoveries;
            rig.bringBack();
            const bool opens = rig.opensAgain();
            EXPECT_TRUE(opens);
            if (expectRecoveryJob(rig) && opens)
                ++tally.recovered;
        }
        rig.stopPrinter();
        if (expectReleased(before) && passed)
            ++tally.passed;
    }
    printTally(path + " " + kind.name, tally);
}

} // namespace kyv::test
