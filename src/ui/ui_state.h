#pragma once
// Which controls of the main dialog are enabled in each phase of a job. While a worker
// runs nothing that could change the job fields is enabled: that is the only guard on them.

#include <optional>

namespace kyv {

enum class UiState {
    Done = 0,           // a result or success box was shown
    Initial = 1,        // start, Reselect Model
    ModelChosen = 2,    // Select Model
    Busy = 3,           // a job starts
    ProgressClosed = 4, // the worker closed the progress dialog
};

struct ControlEnabling {
    bool fileControls = false;   // file box, Browse, Flash Device
    bool model = false;          // model list
    bool selectAndExit = false;  // Select/Reselect Model, Exit
    std::optional<bool> makeFwFolder; // nullopt: left as it is
    bool jobSettings = false;    // download type, interface, baud, parity, stop bits
    bool ip = false;             // IP address
    bool reapplyInterfaceRules = false; // the per-interface rules run afterwards
};

// r453OrR243: the selected model is R453 or R243 (the only ones with "Make FW Folder").
// In command-line mode every control is off, whatever the state.
ControlEnabling enablingFor(UiState state, bool r453OrR243, bool commandLineMode);

} // namespace kyv
