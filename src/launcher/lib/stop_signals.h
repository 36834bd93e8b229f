#pragma once
// Signals that ask the launcher to stop (Ctrl-C, SIGTERM from a script's time-out, a
// closed terminal). The launcher then stops KyvFlash as at its time limit and exits with
// 128 + the signal number, so nothing is left running behind it.

namespace kyv::launcher {

// Installs the handlers (without SA_RESTART, so a wait in progress returns at once) and
// restores the default SIGCHLD disposition, which the launcher needs to reap KyvFlash.
void installStopSignalHandlers();

// The signal that asked the launcher to stop, or 0.
int stopSignalReceived();

} // namespace kyv::launcher
