#pragma once
// The one clock every protocol wait and time-out goes through.
//
// Durations are given in protocol time (what the printer's protocol prescribes).
// KYVFLASH_TIME_SCALE multiplies them all, so tests and the demo run a flash whose
// protocol waits add up to minutes in seconds, without touching the protocol timings.
// A stop request (launcher time limit, SIGTERM, Exit) wakes every sleeper at once.

#include <chrono>

namespace kyv {

using ProtocolMs = std::chrono::milliseconds;
using RealNs = std::chrono::nanoseconds;
using SteadyTime = std::chrono::steady_clock::time_point;

// Factor applied to every protocol duration; read once from KYVFLASH_TIME_SCALE
// (a positive decimal, default 1). Invalid values fall back to 1.
double timeScale();
// Overrides the factor for the rest of the process (tests, the simulator's --time-scale).
void setTimeScale(double factor);

// Real duration of a protocol duration under the current scale.
RealNs scaled(ProtocolMs protocolTime);

// Sleeps for the scaled duration. Returns false when a stop was requested before or
// during the sleep (the sleep ends early then), true otherwise.
bool sleepFor(ProtocolMs protocolTime);

// Asks every current and future sleepFor() to return early; workers see it through
// stopRequested() and end their job. Safe to call from a signal-handling thread.
void requestStop();
bool stopRequested();
// Clears a stop request (tests that run several jobs in one process).
void clearStopRequest();

SteadyTime now();

// An overall deadline measured on the monotonic clock, set in protocol time.
class Deadline {
public:
    explicit Deadline(ProtocolMs protocolTime);
    bool expired() const;
    // Real time left, never negative.
    RealNs remaining() const;
    // Real time left in whole milliseconds for poll(), rounded up so a
    // non-expired deadline never yields 0 (which would turn a wait into a busy loop).
    int remainingPollMs() const;

private:
    SteadyTime end_;
};

} // namespace kyv
