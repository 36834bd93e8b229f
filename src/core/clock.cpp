#include "core/clock.h"

#include "core/time_scale_text.h"

#include <atomic>
#include <cerrno>
#include <cmath>
#include <condition_variable>
#include <cstdlib>
#include <mutex>

namespace kyv {
namespace {

std::atomic<double>& scaleCell()
{
    static std::atomic<double> cell{timeScaleFromEnvironment()};
    return cell;
}

struct StopSignal {
    std::mutex mutex;
    std::condition_variable wake;
    std::atomic<bool> requested{false};
};

StopSignal& stopSignal()
{
    static StopSignal signal;
    return signal;
}

} // namespace

double timeScale() { return scaleCell().load(); }

void setTimeScale(double factor)
{
    if (std::isfinite(factor) && factor > 0.0)
        scaleCell().store(factor);
}

RealNs scaled(ProtocolMs protocolTime)
{
    if (protocolTime.count() <= 0)
        return RealNs{0};
    double ns = static_cast<double>(protocolTime.count()) * 1e6 * timeScale();
    return RealNs{static_cast<RealNs::rep>(std::llround(ns))};
}

bool sleepFor(ProtocolMs protocolTime)
{
    StopSignal& stop = stopSignal();
    std::unique_lock lock(stop.mutex);
    auto until = now() + scaled(protocolTime);
    return !stop.wake.wait_until(lock, until, [&] { return stop.requested.load(); });
}

void requestStop()
{
    StopSignal& stop = stopSignal();
    {
        std::lock_guard lock(stop.mutex);
        stop.requested = true;
    }
    stop.wake.notify_all();
}

bool stopRequested() { return stopSignal().requested.load(); }

void clearStopRequest()
{
    std::lock_guard lock(stopSignal().mutex);
    stopSignal().requested = false;
}

SteadyTime now() { return std::chrono::steady_clock::now(); }

Deadline::Deadline(ProtocolMs protocolTime) : end_(now() + scaled(protocolTime)) {}

bool Deadline::expired() const { return now() >= end_; }

RealNs Deadline::remaining() const
{
    auto left = end_ - now();
    return left.count() > 0 ? std::chrono::duration_cast<RealNs>(left) : RealNs{0};
}

int Deadline::remainingPollMs() const
{
    auto left = remaining();
    if (left.count() == 0)
        return 0;
    auto ms = std::chrono::ceil<std::chrono::milliseconds>(left).count();
    return ms > 0x7fffffff ? 0x7fffffff : static_cast<int>(ms);
}

} // namespace kyv
