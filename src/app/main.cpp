#include "app/lib/kyvflash_main.h"

int main(int argc, char** argv) { return kyv::kyvFlashMain(argc, argv); }
