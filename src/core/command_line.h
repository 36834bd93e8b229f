#pragma once
// The command line of an unattended run:
//   model  type-letter  interface  [ip | baud parity stop-bits]  file  [option]  [option]
// Every argument may carry one leading "/" and is compared upper-cased. An argument that
// begins with "ERRORTIMEOUT" after the interface settings ends the parse (the launcher's).

#include "core/catalogue.h"
#include "core/process_values.h"
#include "core/result_code.h"

#include <string>
#include <string_view>
#include <vector>

namespace kyv {

// What the parser learnt, for the unattended run to select in the dialog's lists.
// All texts are upper-cased without their leading "/", except fileText, which keeps the
// case it was given in (file names on Linux are case-sensitive).
struct ParsedArguments {
    int modelIndex = 0;
    int interfaceKind = 0;
    std::string modelText;
    std::string downloadTypeText; // the combo text of the chosen type, e.g. "MAIN FIRMWARE"
    std::string interfaceText;    // e.g. "COM3", "LAN", "PRTR"
    std::string baudText;
    std::string parityText;
    std::string stopBitsText;
    std::string ipText;
    std::string fileText; // relative to the start-up directory unless absolute; may be empty
    std::string usbClassWord; // "CPMI", "NHPI" or "PRTR" when the interface began with one
};

// Parses the arguments (program name excluded) into parsed and the chosen catalogue row:
// sets values.commandLineMode, the row's startSector for the type letter, and its
// checkModel / printAfter options. Returns 0 when there are no arguments or they are
// valid, else a code 1200..1212. The file argument is looked up relative to the current
// directory.
ResultCode parseCommandLine(const std::vector<std::string>& args, ModelCatalogue& catalogue,
                            ParsedArguments& parsed, ProcessValues& values);

// Upper-cased copy of an argument without its one optional leading "/". Only ASCII letters
// change, so UTF-8 text passes through intact.
std::string normalizedArgument(std::string_view arg);

// Selection rule of an unattended run: the first entry that begins with the text,
// ignoring case; when none does, the current selection stays (COM99 leaves COM1).
int selectByPrefix(const std::vector<std::string>& entries, std::string_view text, int current);

} // namespace kyv
