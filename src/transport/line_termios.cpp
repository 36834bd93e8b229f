#include "transport/line_termios.h"

#include <cctype>

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

bool applyLineSettings(termios& tio, const LineSettings& settings)
{
    speed_t speed;
    tcflag_t size;
    if (!speedFor(settings.baudRate, speed) || !dataBitsFlag(settings.dataBits, size))
        return false;
    termios result = tio;
    makeBinary(result);
    result.c_cflag &= ~static_cast<tcflag_t>(CSIZE | PARENB | PARODD | CMSPAR);
    result.c_cflag |= size;
    result.c_iflag &= ~static_cast<tcflag_t>(INPCK | IGNPAR);
    switch (std::toupper(static_cast<unsigned char>(settings.parity))) {
    case 'E': result.c_cflag |= PARENB; break;
    case 'O': result.c_cflag |= PARENB | PARODD; break;
    case 'M': result.c_cflag |= PARENB | PARODD | CMSPAR; break;
    case 'S': result.c_cflag |= PARENB | CMSPAR; break;
    default: break;
    }
    if (result.c_cflag & PARENB)
        result.c_iflag |= INPCK; // parity errors are checked where parity is sent
    if (settings.stopBits == 1)
        result.c_cflag &= ~static_cast<tcflag_t>(CSTOPB);
    else if (settings.stopBits == 2)
        result.c_cflag |= CSTOPB;
    if (::cfsetispeed(&result, speed) != 0 || ::cfsetospeed(&result, speed) != 0)
        return false;
    tio = result;
    return true;
}

bool lineTookSettings(const termios& wanted, const termios& got)
{
    constexpr tcflag_t kInput = IGNBRK | BRKINT | PARMRK | ISTRIP | INLCR | IGNCR | ICRNL | IXON | IXOFF | IXANY;
    constexpr tcflag_t kOutput = OPOST;
    constexpr tcflag_t kLocal = ECHO | ECHONL | ICANON | ISIG | IEXTEN;
    constexpr tcflag_t kControl = CSTOPB | CLOCAL | CREAD | HUPCL | CRTSCTS;
    constexpr tcflag_t kParity = PARENB | PARODD | CMSPAR;
    const auto same = [](tcflag_t a, tcflag_t b, tcflag_t mask) { return (a & mask) == (b & mask); };
    if (::cfgetispeed(&wanted) != ::cfgetispeed(&got) || ::cfgetospeed(&wanted) != ::cfgetospeed(&got))
        return false;
    if (!same(wanted.c_iflag, got.c_iflag, kInput) || !same(wanted.c_oflag, got.c_oflag, kOutput) ||
        !same(wanted.c_lflag, got.c_lflag, kLocal) || !same(wanted.c_cflag, got.c_cflag, kControl))
        return false;
    if ((got.c_cflag & PARENB) && !same(wanted.c_cflag, got.c_cflag, kParity))
        return false;
    const tcflag_t size = got.c_cflag & CSIZE;
    if (size != (wanted.c_cflag & CSIZE) && size != CS8)
        return false;
    return wanted.c_cc[VMIN] == got.c_cc[VMIN] && wanted.c_cc[VTIME] == got.c_cc[VTIME];
}

LineSettings lineSettingsOf(const termios& tio)
{
    LineSettings settings;
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
    return settings;
}

} // namespace kyv
