#include "transport/serial_port.h"

#include "transport/fd_io.h"

#include <sys/ioctl.h>
#include <termios.h>
#include <unistd.h>

#include <cerrno>
#include <utility>

namespace kyv {
namespace {

bool applySettings(int fd, const termios& tio)
{
    int rc;
    do {
        rc = ::tcsetattr(fd, TCSANOW, &tio);
    } while (rc != 0 && errno == EINTR);
    return rc == 0;
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
    termios tio{};
    if (::tcgetattr(owned.get(), &tio) == 0) {
        makeBinary(tio);
        applySettings(owned.get(), tio);
    }
    fd_ = std::move(owned);
    return 0;
}

bool SerialPort::configure(const LineSettings& settings)
{
    if (!isOpen())
        return false;
    termios tio{};
    if (::tcgetattr(fd_.get(), &tio) != 0 || !applyLineSettings(tio, settings) || !applySettings(fd_.get(), tio))
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
