#pragma once
// Does the model number the printer reports fit the model the technician selected?
// Each family knows which characters of its model numbers tell its sub-models apart.

#include <string>

namespace kyv {

// True when the printer's model number does not fit the selected model. `family` picks
// the rule; `selected` is the selected model's catalogue name. Families without a rule
// never mismatch. Characters are compared without regard to case.
bool modelNumberMismatch(const std::string& family, const std::string& selected, const std::string& printer);

} // namespace kyv
