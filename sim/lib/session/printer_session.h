#pragma once
// One simulated printer as a host meets it, whatever carries the bytes: the printer model,
// its restarts (deaf until the restart time is over, then up in its new mode and line
// settings), the rule that a host at other line settings is not understood, the pauses
// before replies, and the transcript of everything. A transport (pty, USB bus, socket)
// runs one serving thread that polls its own descriptors together with stopFd(), bounded
// by pollTimeoutMs(), and feeds what the host wrote to receive(); the session answers
// through the transport's HostLink, one whole reply at a time, which the transport puts
// into its own framing.
//
// Serving thread:                         Owner (test, program):
//   session.finishRestartIfDue();           session.beginServing("on /dev/pts/3");
//   poll({stopFd(), own fds},               ... start the serving thread ...
//        pollTimeoutMs());                  session.requestStop(); join the thread;
//   session.receive(bytes, &line, link);    session.endServing(); // transcript, flash dump
//
// Every other member is safe to call from any thread while the session serves.

#include "sim/lib/printer/printer_model.h"
#include "sim/lib/printer_options.h"
#include "sim/lib/printer_state.h"
#include "sim/lib/session/host_link.h"
#include "sim/lib/session/stop_signal.h"
#include "sim/lib/transcript.h"

#include <mutex>
#include <optional>
#include <span>
#include <string>
#include <vector>

namespace kyv::sim {

// Silence of the host in the middle of a data transfer after which the printer gives the
// transfer up (a host writes a sector's data without a pause).
inline constexpr ProtocolMs kDataSilence{10000};

class PrinterSession {
public:
    explicit PrinterSession(PrinterOptions options);
    PrinterSession(const PrinterSession&) = delete;
    PrinterSession& operator=(const PrinterSession&) = delete;

    // False when the options describe no printer; errorText() says why.
    bool valid() const { return model_.valid(); }
    const std::string& errorText() const { return error_; }
    const PrinterOptions& options() const { return options_; }

    // Owner: readies the stop signal and notes in the transcript which printer now serves
    // where ("on /dev/pts/3"); from here the transcript and flash dump are due at
    // endServing(). False with errorText() when the stop signal cannot be made.
    bool beginServing(const std::string& where);
    // Owner: ends every wait of the serving thread; receive() then returns false.
    void requestStop() { stop_.raise(); }
    // Owner, after the serving thread has ended: writes the transcript and flash dump named
    // in the options, once per beginServing(). False when one could not be written.
    bool endServing();

    // Serving thread: bytes the host wrote. `line` is the host's line settings where the
    // transport has them (a serial line), nullptr where it has none. The answer goes out
    // through `link`, pauses included. False when serving must end: the line was dropped,
    // a reply could not go out, or a stop was requested.
    bool receive(std::span<const uint8_t> bytes, const HostLine* line, HostLink& link);
    // Serving thread: one whole message (a datagram), answered through `link`.
    bool receiveMessage(std::span<const uint8_t> bytes, HostLink& link);
    // Serving thread: a command the transport's own layer parsed (the J5 HID commands), with
    // the printer's answer before faults (empty: none); answered as receive() answers.
    bool answerParsed(PrinterCommand command, Bytes reply, HostLink& link);
    // The command's next arrival is refused by a NAK fault: it must then have no effect.
    bool refusesNext(PrinterCommand command) const;
    // Serving thread: ends a restart whose time is over. Call before every poll.
    void finishRestartIfDue();
    // Serving thread: the poll() time-out that ends a restart in time; -1 when none runs.
    int pollTimeoutMs() const { return restartEnd_ ? restartEnd_->remainingPollMs() : -1; }
    int stopFd() const { return stop_.fd(); }
    // Serving thread: the transport has handed on one piece the host wrote.
    void tookHostWrite()
    {
        if (options_.afterHostWrite)
            options_.afterHostWrite();
        // A printer held by the hook was not listening: its silence starts now.
        lastHostBytes_ = now();
    }
    // A transport's own event ("line lost"), in the transcript.
    void note(std::string text) { transcript_.event(std::move(text)); }

    const Transcript& transcript() const { return transcript_; }
    Transcript& transcript() { return transcript_; }

    Bytes flash() const;
    // Bytes of sector number `sector`; empty when the printer has none.
    Bytes sectorBytes(int sector) const;
    // True when the file's bytes lie in flash from the offset (or the sector's start) on;
    // `why` tells the first difference otherwise.
    bool flashHoldsFile(const std::string& path, uint64_t flashOffset, std::string* why = nullptr) const;
    bool sectorsHoldFile(const std::string& path, int firstSector, std::string* why = nullptr) const;
    bool dumpFlash(const std::string& path) const;
    // An image taken over the J5 HID stream, of kind 'B', 'M' or 'S', into its sectors.
    bool storeImage(char kind, std::span<const uint8_t> image);
    PrinterState state() const;
    std::string modelNumber() const;
    void addFault(const Fault& fault);
    // Runs f on the printer model under the session's lock (settings a transport adds).
    template <class F>
    decltype(auto) withModel(F&& f)
    {
        std::lock_guard lock(mutex_);
        return f(model_);
    }

private:
    bool perform(const std::vector<PrinterAction>& actions, HostLink& link);
    bool send(const Bytes& reply, HostLink& link);
    bool pause(ProtocolMs time);
    void finishRestart();

    PrinterOptions options_;
    mutable std::mutex mutex_; // guards the model
    PrinterModel model_;
    Transcript transcript_;
    StopSignal stop_;
    std::string error_;
    bool filesDue_ = false;
    // Serving thread only.
    std::optional<Deadline> restartEnd_;
    std::optional<SteadyTime> lastHostBytes_; // when the host's last bytes were taken
    SteadyTime restartBegan_{};
};

// "115200 bps, 1 stop bit"
std::string describeLine(int baud, int stopBits);

} // namespace kyv::sim
