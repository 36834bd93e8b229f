#include "sim/lib/pty_printer.h"

#include "sim/lib/flash_file_check.h"
#include "sim/lib/printer_model.h"
#include "sim/lib/pty_line.h"

#include <atomic>
#include <cerrno>
#include <cstring>
#include <filesystem>
#include <mutex>
#include <optional>
#include <poll.h>
#include <sys/eventfd.h>
#include <system_error>
#include <thread>
#include <unistd.h>

namespace kyv::sim {

struct PtyPrinter::Impl {
    explicit Impl(PrinterOptions opts) : options(std::move(opts)), model(options) {}

    PrinterOptions options;
    mutable std::mutex mutex; // guards the model
    PrinterModel model;
    Transcript transcript;
    PtyLine line;
    UniqueFd wake; // eventfd: stop() writes it, the serving thread ends
    std::thread thread;
    std::atomic<bool> serving{false};
    bool filesDue = false; // the transcript and flash dump are written once, at the first stop
    std::string slavePath, linkPath, portPath, error;
    std::optional<Deadline> restartEnd;
    SteadyTime restartBegan{};

    void serve();
    bool handleInput(const Bytes& chunk);
    bool perform(const std::vector<PrinterAction>& actions);
    bool pause(ProtocolMs time);
    bool send(const Bytes& bytes);
    void finishRestart();
};

namespace {

std::string describeLine(int baud, int stopBits)
{
    return std::to_string(baud) + " bps, " + std::to_string(stopBits) + (stopBits == 1 ? " stop bit" : " stop bits");
}

} // namespace

void PtyPrinter::Impl::serve()
{
    Bytes buffer(65536);
    while (true) {
        if (restartEnd && restartEnd->expired())
            finishRestart();
        pollfd fds[2] = {{wake.get(), POLLIN, 0}, {line.masterFd(), POLLIN, 0}};
        int timeout = restartEnd ? restartEnd->remainingPollMs() : -1;
        int ready = ::poll(fds, 2, timeout);
        if (ready < 0 && errno == EINTR)
            continue;
        if (ready < 0 || fds[0].revents != 0)
            break;
        if (fds[1].revents & POLLIN) {
            ssize_t n = ::read(line.masterFd(), buffer.data(), buffer.size());
            if (n > 0) {
                if (!handleInput(Bytes(buffer.begin(), buffer.begin() + n)))
                    break;
                continue;
            }
            if (n < 0 && (errno == EAGAIN || errno == EINTR))
                continue;
        }
        if (fds[1].revents & (POLLHUP | POLLERR | POLLNVAL | POLLIN)) {
            // Cannot happen while the printer holds the slave open; never spin on it.
            transcript.event("line lost");
            break;
        }
    }
    serving = false;
}

void PtyPrinter::Impl::finishRestart()
{
    restartEnd.reset();
    std::lock_guard lock(mutex);
    model.completeRestart();
    model.addOwnWaitTime(now() - restartBegan);
    const PrinterState& state = model.state();
    transcript.event(std::string(state.mode == PrinterMode::Download ? "ready in download mode" : "ready in online mode") +
                     " at " + describeLine(state.baud, state.stopBits));
}

bool PtyPrinter::Impl::handleInput(const Bytes& chunk)
{
    transcript.add(Direction::ToPrinter, chunk);
    HostLine host = line.hostLine();
    std::vector<PrinterAction> actions;
    {
        std::lock_guard lock(mutex);
        const PrinterState& state = model.state();
        if (!state.restarting && (host.baud != state.baud || host.stopBits != state.stopBits)) {
            // A printer at another speed sees only framing errors.
            transcript.event("ignored: host at " + describeLine(host.baud, host.stopBits) + ", printer at " +
                             describeLine(state.baud, state.stopBits));
            if (options.onMismatch == MismatchAnswer::Nothing)
                return true;
            actions.push_back({PrinterAction::Kind::Send, garbledBytes(chunk.size()), ProtocolMs{0}});
        } else {
            actions = model.receive(chunk, &transcript);
        }
    }
    return perform(actions);
}

bool PtyPrinter::Impl::perform(const std::vector<PrinterAction>& actions)
{
    for (const PrinterAction& action : actions) {
        switch (action.kind) {
        case PrinterAction::Kind::Send:
            if (!send(action.bytes))
                return false;
            break;
        case PrinterAction::Kind::Pause:
            if (!pause(action.time))
                return false;
            break;
        case PrinterAction::Kind::Restart:
            restartBegan = now();
            restartEnd.emplace(action.time);
            if (action.time.count() <= 0)
                finishRestart();
            break;
        case PrinterAction::Kind::DropLine:
            line.close();
            transcript.event("line closed");
            return false;
        }
    }
    return true;
}

bool PtyPrinter::Impl::pause(ProtocolMs time)
{
    SteadyTime began = now();
    Deadline deadline(time);
    bool stopped = false;
    while (!deadline.expired()) {
        pollfd probe{wake.get(), POLLIN, 0};
        if (::poll(&probe, 1, deadline.remainingPollMs()) > 0) {
            stopped = true;
            break;
        }
    }
    std::lock_guard lock(mutex);
    model.addOwnWaitTime(now() - began);
    return !stopped;
}

bool PtyPrinter::Impl::send(const Bytes& bytes)
{
    // Recorded before the write, so whoever has read the reply finds it in the transcript.
    transcript.add(Direction::ToHost, bytes);
    size_t done = 0;
    while (done < bytes.size()) {
        ssize_t n = ::write(line.masterFd(), bytes.data() + done, bytes.size() - done);
        if (n > 0) {
            done += static_cast<size_t>(n);
            continue;
        }
        if (n < 0 && errno == EINTR)
            continue;
        if (n < 0 && errno != EAGAIN)
            break;
        // The host is not reading and the line is full: wait for room or for stop.
        pollfd fds[2] = {{wake.get(), POLLIN, 0}, {line.masterFd(), POLLOUT, 0}};
        if (::poll(fds, 2, -1) < 0 && errno != EINTR)
            break;
        if (fds[0].revents != 0)
            break;
    }
    if (done < bytes.size())
        transcript.event("only " + std::to_string(done) + " of " + std::to_string(bytes.size()) + " bytes went out");
    return done == bytes.size();
}

PtyPrinter::PtyPrinter(PrinterOptions options) : impl_(std::make_unique<Impl>(std::move(options))) {}

PtyPrinter::~PtyPrinter() { stop(); }

bool PtyPrinter::start(const std::string& linkPath)
{
    Impl& d = *impl_;
    if (d.thread.joinable()) {
        d.error = "the printer is already serving";
        return false;
    }
    if (!d.model.valid()) {
        d.error = d.model.errorText();
        return false;
    }
    PrinterState state = this->state();
    if (!d.line.open(state.baud, state.stopBits)) {
        d.error = d.line.errorText();
        return false;
    }
    d.slavePath = d.line.slavePath();
    d.portPath = d.slavePath;
    d.wake.reset(::eventfd(0, EFD_CLOEXEC | EFD_NONBLOCK));
    if (!d.wake.valid()) {
        d.error = std::string("cannot make an event descriptor: ") + std::strerror(errno);
        d.line.close();
        return false;
    }
    if (!linkPath.empty()) {
        namespace fs = std::filesystem;
        std::error_code error;
        fs::path link(linkPath);
        if (link.has_parent_path())
            fs::create_directories(link.parent_path(), error);
        if (fs::is_symlink(fs::symlink_status(link, error)))
            fs::remove(link, error);
        else if (fs::exists(fs::symlink_status(link, error))) {
            d.error = linkPath + " exists and is not a symbolic link: left alone";
            d.line.close();
            return false;
        }
        fs::create_symlink(d.slavePath, link, error);
        if (error) {
            d.error = "cannot link " + linkPath + " to " + d.slavePath + ": " + error.message();
            d.line.close();
            return false;
        }
        d.linkPath = linkPath;
        d.portPath = linkPath;
    }
    d.transcript.event("printer " + d.model.modelInfo().displayName + " (" + d.model.modelNumber() + ") on " +
                       d.slavePath + ", " + (state.mode == PrinterMode::Download ? "download" : "online") +
                       " mode at " + describeLine(state.baud, state.stopBits));
    d.filesDue = true;
    try {
        d.serving = true;
        d.thread = std::thread([&d] { d.serve(); });
    } catch (const std::system_error& error) {
        d.serving = false;
        d.error = std::string("cannot start the printer's thread: ") + error.what();
        stop();
        return false;
    }
    return true;
}

bool PtyPrinter::stop()
{
    Impl& d = *impl_;
    if (d.thread.joinable()) {
        uint64_t one = 1;
        if (::write(d.wake.get(), &one, sizeof one) < 0) {
            // An eventfd write fails only when the counter would overflow: it is set already.
        }
        d.thread.join();
    }
    d.line.close();
    d.wake.reset();
    if (!d.linkPath.empty()) {
        std::error_code error;
        if (std::filesystem::is_symlink(std::filesystem::symlink_status(d.linkPath, error)) &&
            std::filesystem::read_symlink(d.linkPath, error) == d.slavePath)
            std::filesystem::remove(d.linkPath, error);
        d.linkPath.clear();
    }
    if (!d.filesDue)
        return true;
    d.filesDue = false;
    bool written = true;
    if (!d.options.transcriptPath.empty() && !d.transcript.writeTo(d.options.transcriptPath)) {
        d.error = "cannot write the transcript to " + d.options.transcriptPath;
        written = false;
    }
    if (!d.options.flashDumpPath.empty() && d.model.valid() && !dumpFlash(d.options.flashDumpPath)) {
        d.error = "cannot write the flash dump to " + d.options.flashDumpPath;
        written = false;
    }
    return written;
}

bool PtyPrinter::running() const { return impl_->serving; }
const std::string& PtyPrinter::errorText() const { return impl_->error; }
const std::string& PtyPrinter::slavePath() const { return impl_->slavePath; }
const std::string& PtyPrinter::linkPath() const { return impl_->linkPath; }
const std::string& PtyPrinter::portPath() const { return impl_->portPath; }

std::vector<TranscriptEntry> PtyPrinter::transcript() const { return impl_->transcript.entries(); }
Bytes PtyPrinter::bytesFromHost() const { return impl_->transcript.bytes(Direction::ToPrinter); }
Bytes PtyPrinter::bytesToHost() const { return impl_->transcript.bytes(Direction::ToHost); }
void PtyPrinter::clearTranscript() { impl_->transcript.clear(); }
bool PtyPrinter::writeTranscript(const std::string& path) const { return impl_->transcript.writeTo(path); }

Bytes PtyPrinter::flash() const
{
    std::lock_guard lock(impl_->mutex);
    return impl_->model.valid() ? impl_->model.flash() : Bytes{};
}

Bytes PtyPrinter::sectorBytes(int sector) const
{
    std::lock_guard lock(impl_->mutex);
    return impl_->model.valid() ? impl_->model.sectorBytes(sector) : Bytes{};
}

bool PtyPrinter::flashHoldsFile(const std::string& path, uint64_t flashOffset, std::string* why) const
{
    std::lock_guard lock(impl_->mutex);
    return sim::flashHoldsFile(impl_->model.valid() ? impl_->model.flash() : Bytes{}, path, flashOffset, why);
}

bool PtyPrinter::sectorsHoldFile(const std::string& path, int firstSector, std::string* why) const
{
    std::lock_guard lock(impl_->mutex);
    if (!impl_->model.valid() || !impl_->model.modelInfo().sectorMap->hasSectorNumber(firstSector)) {
        if (why != nullptr)
            *why = "no sector " + std::to_string(firstSector) + " in this printer";
        return false;
    }
    uint64_t offset = impl_->model.modelInfo().sectorMap->sectorNumberOffset(firstSector);
    return sim::flashHoldsFile(impl_->model.flash(), path, offset, why);
}

bool PtyPrinter::dumpFlash(const std::string& path) const
{
    std::lock_guard lock(impl_->mutex);
    return impl_->model.valid() && writeBytesToFile(impl_->model.flash(), path);
}

PrinterState PtyPrinter::state() const
{
    std::lock_guard lock(impl_->mutex);
    return impl_->model.state();
}

std::string PtyPrinter::modelNumber() const
{
    std::lock_guard lock(impl_->mutex);
    return impl_->model.modelNumber();
}

void PtyPrinter::addFault(const Fault& fault)
{
    std::lock_guard lock(impl_->mutex);
    impl_->model.addFault(fault);
}

} // namespace kyv::sim
