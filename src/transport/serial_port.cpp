#include "transport/serial_port.h"

#include "transport/fd_io.h"

#include <sys/ioctl.h>
#include <termios.h>
#include <unistd.h>

#include <cctype>
#include <cerrno>
#include <utility>

namespace kyv {
namespace {

struct SpeedEntry {
    int baud;
    speed_t speed;
};

constexpr SpeedEntry kSpeeds[] = {
    {50, B50},       {75, B75},         {110, B110},       {134, B134},         {150, B150},
    {200, B200},     {300, B300},       {600, B600},       {1200, B1200},       {1800, B1800},
    {2400, B2400},   {4800, B4800},     {9600, B9600},     {19200, B19200},     {38400, B38400},
    {57600, B57600}, {115200, B115200}, {230400, B230400}, {460800, B460800},   {500000, B500000},
    {576000, B576000}, {921600, B921600}, {1000000, B1000000},
};

bool speedFor(int baud, speed_t& speed)
{
    for (const auto& entry : kSpeeds)
        if (entry.baud == baud) {
            speed = entry.speed;
            return true;
        }
    return false;
}

int baudFor(speed_t speed)
{
    for (const auto& entry : kSpeeds)
        if (entry.speed == speed)
            return entry.baud;
    return 0;
}

// Binary mode: no line editing, echo, signals or character translation, and no hang-up
// on close (the printer must not see its line drop between two opens). VMIN 1 makes an
// empty non-blocking read report EAGAIN, so end of file really means the line is gone.
void makeBinary(termios& tio)
{
    tio.c_iflag &= ~static_cast<tcflag_t>(IGNBRK | BRKINT | PARMRK | ISTRIP | INLCR | IGNCR | ICRNL |
                                          IXON | IXOFF | IXANY);
    tio.c_oflag &= ~static_cast<tcflag_t>(OPOST);
    tio.c_lflag &= ~static_cast<tcflag_t>(ECHO | ECHONL | ICANON | ISIG | IEXTEN);
    tio.c_cflag &= ~static_cast<tcflag_t>(HUPCL | CRTSCTS);
    tio.c_cflag |= CLOCAL | CREAD;
    tio.c_cc[VMIN] = 1;
    tio.c_cc[VTIME] = 0;
}

bool applySettings(int fd, const termios& tio)
{
    int rc;
    do {
        rc = ::tcsetattr(fd, TCSANOW, &tio);
    } while (rc != 0 && errno == EINTR);
    return rc == 0;
}

bool dataBitsFlag(int dataBits, tcflag_t& flag)
{
    switch (dataBits) {
    case 5: flag = CS5; return true;
    case 6: flag = CS6; return true;
    case 7: flag = CS7; return true;
    case 8: flag = CS8; return true;
    default: return false;
    }
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
    if (::tcgetattr(fd_.get(), &tio) != 0)
        return false;
    speed_t speed;
    tcflag_t size;
    if (!speedFor(settings.baudRate, speed) || !dataBitsFlag(settings.dataBits, size))
        return false;

    makeBinary(tio);
    tio.c_cflag &= ~static_cast<tcflag_t>(CSIZE | PARENB | PARODD | CMSPAR);
    tio.c_cflag |= size;
    tio.c_iflag &= ~static_cast<tcflag_t>(INPCK | IGNPAR);
    switch (std::toupper(static_cast<unsigned char>(settings.parity))) {
    case 'E': tio.c_cflag |= PARENB; break;
    case 'O': tio.c_cflag |= PARENB | PARODD; break;
    case 'M': tio.c_cflag |= PARENB | PARODD | CMSPAR; break;
    case 'S': tio.c_cflag |= PARENB | CMSPAR; break;
    default: break;
    }
    if (tio.c_cflag & PARENB)
        tio.c_iflag |= INPCK;
    if (settings.stopBits == 1)
        tio.c_cflag &= ~static_cast<tcflag_t>(CSTOPB);
    else if (settings.stopBits == 2)
        tio.c_cflag |= CSTOPB;
    if (::cfsetispeed(&tio, speed) != 0 || ::cfsetospeed(&tio, speed) != 0)
        return false;
    if (!applySettings(fd_.get(), tio))
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
    settings.baudRate = baudFor(::cfgetospeed(&tio));
    switch (tio.c_cflag & CSIZE) {
    case CS5: settings.dataBits = 5; break;
    case CS6: settings.dataBits = 6; break;
    case CS7: settings.dataBits = 7; break;
    default: settings.dataBits = 8; break;
    }
    if (!(tio.c_cflag & PARENB))
        settings.parity = 'N';
    else if (tio.c_cflag & CMSPAR)
        settings.parity = (tio.c_cflag & PARODD) ? 'M' : 'S';
    else
        settings.parity = (tio.c_cflag & PARODD) ? 'O' : 'E';
    settings.stopBits = (tio.c_cflag & CSTOPB) ? 2 : 1;
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
