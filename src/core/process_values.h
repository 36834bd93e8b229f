#pragma once
// The few values the whole program shares, owned by the application and handed to the
// dialog and the command-line parser. Only the dialog thread writes them: a worker gets a
// copy of what it needs with its job and hands back what it found with its end.

#include <string>

namespace kyv {

struct ProcessValues {
    int commandLineMode = 0; // 1 when started with arguments; set once by the parser
    std::string pidList;     // USB product ids of the selected family, lower-case hex
    int detectedUsbType = 0; // kind of USB device last found (port detection or a run)
    int userAreaErased = 0;  // the last run had to erase the printer's user area
};

} // namespace kyv
