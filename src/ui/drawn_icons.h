#pragma once
// The program's icons, drawn at run time so the build needs no image files.

#include <QIcon>
#include <QPixmap>

namespace kyv {

enum class DrawnIcon {
    App,        // the program: a receipt printer with a flash arrow
    Serial,     // RS232 plug
    Usb,        // USB trident
    Ethernet,   // network socket
    Wifi,       // radio waves
    Detected,   // port detection found something (green)
    NotDetected,// port detection found nothing (grey)
    LampOn,     // progress lamp lit
    LampOff,    // progress lamp off
};

QPixmap drawnPixmap(DrawnIcon icon, int size);
QIcon drawnIcon(DrawnIcon icon);

} // namespace kyv
