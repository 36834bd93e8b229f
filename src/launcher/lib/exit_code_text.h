#pragma once
// The launcher's own wording of every result code KyvFlash can end with. It differs from
// the dialog's texts in a few words and adds the command-line codes; it is a separate copy
// because KyvFlashCom links nothing of KyvFlash.

#include "core/result_code.h"

#include <string>

namespace kyv::launcher {

// The console text of a code, or "Unknown exit code = " and the code for any code the
// table does not list (1053, 1059, 1300, 1303, 1502, ...).
std::string exitCodeText(ResultCode code);

} // namespace kyv::launcher
