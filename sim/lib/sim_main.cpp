#include "sim/lib/sim_main.h"

#include <cstdio>

namespace kyv::sim {
int simMain(int, char**)
{
    std::puts("printer-sim: not built yet.");
    return 1;
}
} // namespace kyv::sim
