#pragma once

#include <string>
#include <vector>

namespace kyv::sim {
// printer-sim lan: returns the process exit status (0, 1 could not serve or write its
// files, 2 bad command line).
int lanMain(const std::vector<std::string>& args);
}
