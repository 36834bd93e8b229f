#pragma once
// What an unattended run selects in the dialog before it flashes: the parsed arguments
// applied to the lists that model selection builds, the way the dialog's own start-up does
// it. The dialog shows these selections; KyvFlash --dry-run prints the job they make.

#include "core/command_line.h"
#include "core/model_selection.h"

#include <cstdint>
#include <string>
#include <vector>

namespace kyv {

// Entries of the dialog's serial-setting lists, in list order.
const std::vector<std::string>& baudEntries();
const std::vector<std::string>& parityEntries();
const std::vector<std::string>& stopBitEntries();

struct UnattendedSelection {
    ModelSelection model;          // the lists; interfaces as the run leaves them
    int downloadTypeIndex = -1;    // into model.downloadTypes; -1 when the type is not offered
    std::string downloadTypeText;  // the selected entry; empty when none
    std::string interfaceText;     // the selected interface entry; empty when none
    int interfaceKind = 0;         // kind of the selected interface entry
    std::string baudText;
    std::string parityText;
    std::string stopBitsText;
    uint32_t ipAddress = 0;
    std::string fileText;
    std::string filePath; // start-up directory + "/" + file text; an absolute file text as is
};

// Runs model selection on the parsed model (rebuilding values.pidList), selects the type,
// the interface and its settings as the arguments say (each text selects the first entry
// that begins with it, ignoring case; no such entry keeps what model selection chose), and
// makes the full file path.
UnattendedSelection selectForUnattendedRun(const ParsedArguments& parsed, const ModelInfo& row,
                                           const std::string& workDir, ProcessValues& values);

// Start-up directory joined with a file argument; an absolute argument stays as it is.
std::string pathInWorkDir(const std::string& workDir, const std::string& fileText);

} // namespace kyv
