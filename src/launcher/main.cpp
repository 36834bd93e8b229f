#include "launcher/lib/launcher_main.h"

int main(int argc, char** argv) { return kyv::launcher::launcherMain(argc, argv); }
