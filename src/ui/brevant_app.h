#pragma once
// Start-up of the dialog program: parse the command line, run the main dialog (by itself
// in an unattended run, offscreen when there is no display), and leave with its result.

namespace kyv {

class CBrevantApp {
public:
    // Returns the process exit status; the exact result code also goes to
    // KYVFLASH_RESULT_FD when that is set.
    static int run(int argc, char** argv);
};

} // namespace kyv
