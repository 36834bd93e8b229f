#include "launcher/lib/launcher_main.h"

#include <cstdio>

namespace kyv::launcher {
int launcherMain(int, char**)
{
    std::puts("KyvFlashCom: not built yet.");
    return 1;
}
} // namespace kyv::launcher
