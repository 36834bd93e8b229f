#pragma once
// How line settings map onto termios: pure functions, so the mapping is tested without a
// real port (a pseudo-terminal silently drops parity).

#include <termios.h>

namespace kyv {

struct LineSettings {
    int baudRate = 9600;
    char parity = 'N'; // 'E' even, 'O' odd, 'M' mark, 'S' space, anything else none
    int dataBits = 8;
    int stopBits = 1;  // 1 or 2; any other value keeps the line's current setting
};

// Binary mode: no line editing, echo, signals or character translation, no software or
// hardware flow control, and no hang-up on close (the printer must not see its line drop
// between two opens). VMIN 1 makes an empty non-blocking read report EAGAIN, so end of
// file really means the line is gone.
void makeBinary(termios& tio);

// Binary mode plus the settings, on top of the line's current ones. False, leaving tio
// unchanged, for a speed or byte size the line does not know.
bool applyLineSettings(termios& tio, const LineSettings& settings);

// True when the line took what wanted asked for, read back as got: the same speed, stop
// bits, binary mode and modem-control flags. Parity that reads back as none and a byte size
// that reads back as 8 bits are accepted, since a pseudo-terminal forces both.
bool lineTookSettings(const termios& wanted, const termios& got);

// The settings tio stands for (baud 0 when its speed is not one of ours).
LineSettings lineSettingsOf(const termios& tio);

} // namespace kyv
