#include "sim/lib/sim_main.h"

int main(int argc, char** argv) { return kyv::sim::simMain(argc, argv); }
