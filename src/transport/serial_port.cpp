#include "transport/serial_port.h"

#include "transport/fd_io.h"

#include <sys/ioctl.h>
#include <termios.h>
#include <unistd.h>

#include <cerrno>
#include <utility>

namespace kyv {
namespace {

// How often the output queue is looked at while it drains before a speed change.
constexpr ProtocolMs kDrainPoll{5};
// Time allowed on top of the queued bytes' own time on the line.
constexpr ProtocolMs kDrainMargin{500};
// Bits a byte takes on the line at most: start, 8 data, parity, 2 stop.
constexpr long long kBitsPerByte = 12;
// Slowest speed assumed when the line's own is not one of ours.
constexpr long long kSlowestBaud = 50;

// Sets tio and reads it back: tcsetattr reports success when any one of the changes took,
// so only the read-back shows whether the line really runs as asked. Returns 0, the errno
// of the failure, or EIO when the line kept other settings.
int applySettings(int fd, const termios& tio)
{
    int rc;
    do {
        rc = ::tcsetattr(fd, TCSANOW, &tio);
    } while (rc != 0 && errno == EINTR);
    if (rc != 0)
        return errno;
    termios got{};
    if (::tcgetattr(fd, &got) != 0)
        return errno;
    return lineTookSettings(tio, got) ? 0 : EIO;
}

// Waits until the bytes already written have left the line, so that a speed change does
// not garble them. Bounded by the time those bytes take at the current speed; after that
// (or on a stop request) the change goes ahead as it would without the wait.
void drainOutput(int fd, const termios& current)
{
    int queued = 0;
    if (::ioctl(fd, TIOCOUTQ, &queued) != 0 || queued <= 0)
        return; // nothing waiting, or a device without an output queue
    const int baudNow = lineSettingsOf(current).baudRate;
    const long long baud = baudNow > 0 ? baudNow : kSlowestBaud;
    const Deadline deadline(ProtocolMs(queued * kBitsPerByte * 1000 / baud) + kDrainMargin);
    while (!deadline.expired() && sleepFor(kDrainPoll))
        if (::ioctl(fd, TIOCOUTQ, &queued) != 0 || queued <= 0)
            return;
}

} // namespace

int SerialPort::open(const std::string& devicePath)
{
    close();
    UniqueFd owned;
    if (int error = openLocked(devicePath, owned))
        return error;
    // The lock stops programs that lock too; TIOCEXCL also stops those that do not
    // (except root). A device that is no terminal has no such flag.
    if (::ioctl(owned.get(), TIOCEXCL) != 0 && errno != ENOTTY && errno != EINVAL)
        return errno;
    fd_ = std::move(owned);
    // A line that cannot be put into binary mode would translate or swallow the printer's
    // bytes: such a line is not opened at all (close() also clears TIOCEXCL).
    termios tio{};
    int error = ::tcgetattr(fd_.get(), &tio) == 0 ? 0 : errno;
    if (error == 0) {
        makeBinary(tio);
        error = applySettings(fd_.get(), tio);
    }
    if (error != 0)
        close();
    return error;
}

bool SerialPort::configure(const LineSettings& settings)
{
    if (!isOpen())
        return false;
    termios current{};
    if (::tcgetattr(fd_.get(), &current) != 0)
        return false;
    termios tio = current;
    if (!applyLineSettings(tio, settings))
        return false;
    if (::cfgetospeed(&tio) != ::cfgetospeed(&current))
        drainOutput(fd_.get(), current);
    if (applySettings(fd_.get(), tio) != 0)
        return false;
    // DTR and RTS on. A pseudo-terminal has no modem lines (ENOTTY): nothing to raise.
    int lines = TIOCM_DTR | TIOCM_RTS;
    ::ioctl(fd_.get(), TIOCMBIS, &lines);
    return true;
}

bool SerialPort::currentSettings(LineSettings& settings) const
{
    termios tio{};
    if (!isOpen() || ::tcgetattr(fd_.get(), &tio) != 0)
        return false;
    settings = lineSettingsOf(tio);
    return true;
}

Transfer SerialPort::read(uint8_t* buffer, size_t length, ProtocolMs firstByteWait)
{
    if (!isOpen())
        return {};
    return readWithin(fd_.get(), buffer, length, Deadline(firstByteWait));
}

Transfer SerialPort::write(const uint8_t* buffer, size_t length, ProtocolMs limit)
{
    if (!isOpen())
        return {};
    return writeWithin(fd_.get(), buffer, length, Deadline(limit));
}

void SerialPort::purgeInput()
{
    if (isOpen())
        ::tcflush(fd_.get(), TCIFLUSH);
}

void SerialPort::close()
{
    if (!isOpen())
        return;
    // TIOCEXCL outlives the close on a pseudo-terminal: clear it so the line can be
    // opened again; the lock goes with the descriptor.
    ::ioctl(fd_.get(), TIOCNXCL);
    fd_.reset();
}

} // namespace kyv
