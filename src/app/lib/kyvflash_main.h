#pragma once

namespace kyv {
// The whole of KyvFlash's main(): returns the process exit status.
int kyvFlashMain(int argc, char** argv);
}
