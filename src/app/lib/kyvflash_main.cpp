#include "app/lib/kyvflash_main.h"

#include <cstdio>

namespace kyv {
int kyvFlashMain(int, char**)
{
    std::puts("KyvFlash: this build has no dialog yet.");
    return 0;
}
} // namespace kyv
