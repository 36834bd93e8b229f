#include "sim/lib/pty_printer.h"

#include "sim/lib/pty/pty_line.h"
#include "sim/lib/session/printer_session.h"

#include <atomic>
#include <cerrno>
#include <filesystem>
#include <poll.h>
#include <system_error>
#include <thread>
#include <unistd.h>

namespace kyv::sim {

// Carries one printer session over a pseudo-terminal: reads what the host wrote, tells the
// session the line settings the host has set, and writes the session's replies back.
struct PtyPrinter::Impl final : HostLink {
    explicit Impl(PrinterOptions options) : session(std::move(options)) {}

    PrinterSession session;
    PtyLine line;
    std::thread thread;
    std::atomic<bool> serving{false};
    std::string slavePath, linkPath, portPath, error;

    void serve();
    void removeLink();
    bool sendReply(const Bytes& reply) override;
    void dropLine() override
    {
        // A printer that answered and then went (vanished) is heard first: the line goes
        // when the host sends again. Without a reply in flight it goes at once.
        if (repliedThisRound)
            dropWhenHostSends = true;
        else
            line.close();
    }
    void closeWhenHostSends();
    bool dropWhenHostSends = false;
    bool repliedThisRound = false; // a reply went out for the bytes being handled
};

void PtyPrinter::Impl::serve()
{
    Bytes buffer(65536);
    while (true) {
        session.finishRestartIfDue();
        pollfd fds[2] = {{session.stopFd(), POLLIN, 0}, {line.masterFd(), POLLIN, 0}};
        int ready = ::poll(fds, 2, session.pollTimeoutMs());
        if (ready < 0 && errno == EINTR)
            continue;
        if (ready < 0 || fds[0].revents != 0)
            break;
        if (fds[1].revents & POLLIN) {
            ssize_t n = ::read(line.masterFd(), buffer.data(), buffer.size());
            if (n > 0) {
                HostLine host = line.hostLine();
                repliedThisRound = false;
                if (!session.receive(std::span<const uint8_t>(buffer.data(), static_cast<size_t>(n)), &host, *this)) {
                    closeWhenHostSends();
                    break;
                }
                session.tookHostWrite();
                continue;
            }
            if (n < 0 && (errno == EAGAIN || errno == EINTR))
                continue;
        }
        if (fds[1].revents & (POLLHUP | POLLERR | POLLNVAL | POLLIN)) {
            // Cannot happen while the printer holds the slave open; never spin on it.
            session.note("line lost");
            break;
        }
    }
    serving = false;
}

void PtyPrinter::Impl::closeWhenHostSends()
{
    if (!dropWhenHostSends)
        return;
    dropWhenHostSends = false;
    pollfd fds[2] = {{session.stopFd(), POLLIN, 0}, {line.masterFd(), POLLIN, 0}};
    while (::poll(fds, 2, -1) < 0 && errno == EINTR) {
    }
    line.close();
}

bool PtyPrinter::Impl::sendReply(const Bytes& bytes)
{
    repliedThisRound = repliedThisRound || !bytes.empty();
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
        pollfd fds[2] = {{session.stopFd(), POLLIN, 0}, {line.masterFd(), POLLOUT, 0}};
        if (::poll(fds, 2, -1) < 0 && errno != EINTR)
            break;
        if (fds[0].revents != 0)
            break;
    }
    if (done < bytes.size())
        session.note("only " + std::to_string(done) + " of " + std::to_string(bytes.size()) + " bytes went out");
    return done == bytes.size();
}

void PtyPrinter::Impl::removeLink()
{
    if (linkPath.empty())
        return;
    std::error_code error;
    if (std::filesystem::is_symlink(std::filesystem::symlink_status(linkPath, error)) &&
        std::filesystem::read_symlink(linkPath, error) == slavePath)
        std::filesystem::remove(linkPath, error);
    linkPath.clear();
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
    if (!d.session.valid()) {
        d.error = d.session.errorText();
        return false;
    }
    PrinterState state = this->state();
    if (!d.line.open(state.baud, state.stopBits)) {
        d.error = d.line.errorText();
        return false;
    }
    d.slavePath = d.line.slavePath();
    d.portPath = d.slavePath;
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
    if (!d.session.beginServing("on " + d.slavePath)) {
        d.error = d.session.errorText();
        d.line.close();
        d.removeLink();
        return false;
    }
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
        d.session.requestStop();
        d.thread.join();
    }
    d.line.close();
    d.removeLink();
    if (d.session.endServing())
        return true;
    d.error = d.session.errorText();
    return false;
}

bool PtyPrinter::running() const { return impl_->serving; }
const std::string& PtyPrinter::errorText() const { return impl_->error; }
const std::string& PtyPrinter::slavePath() const { return impl_->slavePath; }
const std::string& PtyPrinter::linkPath() const { return impl_->linkPath; }
const std::string& PtyPrinter::portPath() const { return impl_->portPath; }

std::vector<TranscriptEntry> PtyPrinter::transcript(size_t from) const
{
    return impl_->session.transcript().entries(from);
}
Bytes PtyPrinter::bytesFromHost() const { return impl_->session.transcript().bytes(Direction::ToPrinter); }
Bytes PtyPrinter::bytesToHost() const { return impl_->session.transcript().bytes(Direction::ToHost); }
void PtyPrinter::clearTranscript() { impl_->session.transcript().clear(); }
bool PtyPrinter::writeTranscript(const std::string& path) const { return impl_->session.transcript().writeTo(path); }

Bytes PtyPrinter::flash() const { return impl_->session.flash(); }
Bytes PtyPrinter::sectorBytes(int sector) const { return impl_->session.sectorBytes(sector); }

bool PtyPrinter::flashHoldsFile(const std::string& path, uint64_t flashOffset, std::string* why) const
{
    return impl_->session.flashHoldsFile(path, flashOffset, why);
}

bool PtyPrinter::sectorsHoldFile(const std::string& path, int firstSector, std::string* why) const
{
    return impl_->session.sectorsHoldFile(path, firstSector, why);
}

bool PtyPrinter::dumpFlash(const std::string& path) const { return impl_->session.dumpFlash(path); }
PrinterState PtyPrinter::state() const { return impl_->session.state(); }
std::string PtyPrinter::modelNumber() const { return impl_->session.modelNumber(); }
void PtyPrinter::addFault(const Fault& fault) { impl_->session.addFault(fault); }
void PtyPrinter::clearFaults()
{
    impl_->session.withModel([](PrinterModel& model) { model.clearFaults(); });
}
void PtyPrinter::replugLine()
{
    impl_->session.withModel([](PrinterModel& model) { model.reconnectLine(); });
}

} // namespace kyv::sim
