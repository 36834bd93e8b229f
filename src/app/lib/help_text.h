#pragma once
// What KyvFlash --help and --version print.

#include <string>

namespace kyv {

std::string kyvFlashHelpText();
std::string kyvFlashVersionText(); // "KyvFlash 10.69\n"

} // namespace kyv
