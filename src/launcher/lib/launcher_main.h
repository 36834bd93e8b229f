#pragma once

namespace kyv::launcher {
// The whole of KyvFlashCom's main(): returns the process exit status.
int launcherMain(int argc, char** argv);
}
