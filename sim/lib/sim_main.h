#pragma once

namespace kyv::sim {
// The whole of printer-sim's main(): returns the process exit status.
int simMain(int argc, char** argv);
}
