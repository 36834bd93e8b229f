#include "sim/lib/pty/pty_line.h"

#include <cerrno>
#include <cstdlib>
#include <cstring>
#include <fcntl.h>
#include <termios.h>
#include <utility>

namespace kyv::sim {
namespace {

constexpr std::pair<speed_t, int> kSpeeds[] = {
    {B50, 50},         {B75, 75},         {B110, 110},       {B134, 134},       {B150, 150},
    {B200, 200},       {B300, 300},       {B600, 600},       {B1200, 1200},     {B1800, 1800},
    {B2400, 2400},     {B4800, 4800},     {B9600, 9600},     {B19200, 19200},   {B38400, 38400},
    {B57600, 57600},   {B115200, 115200}, {B230400, 230400}, {B460800, 460800}, {B921600, 921600},
};

speed_t speedOf(int baud)
{
    for (const auto& [speed, value] : kSpeeds)
        if (value == baud)
            return speed;
    return B0;
}

std::string failure(const char* what)
{
    return std::string(what) + ": " + std::strerror(errno);
}

} // namespace

bool PtyLine::open(int baud, int stopBits)
{
    close();
    UniqueFd master(::posix_openpt(O_RDWR | O_NOCTTY | O_CLOEXEC));
    if (!master.valid()) {
        error_ = failure("cannot open a pseudo-terminal");
        return false;
    }
    char name[128];
    if (::grantpt(master.get()) != 0 || ::unlockpt(master.get()) != 0 ||
        ::ptsname_r(master.get(), name, sizeof name) != 0) {
        error_ = failure("cannot unlock the pseudo-terminal");
        return false;
    }
    int flags = ::fcntl(master.get(), F_GETFL);
    if (flags < 0 || ::fcntl(master.get(), F_SETFL, flags | O_NONBLOCK) != 0) {
        error_ = failure("cannot make the pseudo-terminal non-blocking");
        return false;
    }
    // Raw bytes both ways at the printer's own speed, so a host that changes nothing
    // (printf > link) talks to it at once.
    termios settings{};
    if (::tcgetattr(master.get(), &settings) != 0) {
        error_ = failure("cannot read the pseudo-terminal settings");
        return false;
    }
    ::cfmakeraw(&settings);
    settings.c_cflag |= CLOCAL | CREAD;
    settings.c_cflag &= ~static_cast<tcflag_t>(HUPCL);
    if (stopBits == 2)
        settings.c_cflag |= CSTOPB;
    else
        settings.c_cflag &= ~static_cast<tcflag_t>(CSTOPB);
    if (speed_t speed = speedOf(baud); speed != B0)
        ::cfsetspeed(&settings, speed);
    if (::tcsetattr(master.get(), TCSANOW, &settings) != 0) {
        error_ = failure("cannot set the pseudo-terminal settings");
        return false;
    }
    UniqueFd slave(::open(name, O_RDWR | O_NOCTTY | O_NONBLOCK | O_CLOEXEC));
    if (!slave.valid()) {
        error_ = failure("cannot open the pseudo-terminal's slave side");
        return false;
    }
    master_ = std::move(master);
    slaveHold_ = std::move(slave);
    slavePath_ = name;
    return true;
}

void PtyLine::close()
{
    slaveHold_.reset();
    master_.reset();
}

HostLine PtyLine::hostLine() const
{
    HostLine line;
    termios settings{};
    if (!master_.valid() || ::tcgetattr(master_.get(), &settings) != 0)
        return line;
    speed_t speed = ::cfgetospeed(&settings);
    for (const auto& [value, baud] : kSpeeds)
        if (value == speed)
            line.baud = baud;
    line.stopBits = (settings.c_cflag & CSTOPB) != 0 ? 2 : 1;
    return line;
}

} // namespace kyv::sim
