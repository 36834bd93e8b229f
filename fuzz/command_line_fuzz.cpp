// Feeds arbitrary command lines to the two programs' argument parsers: the first byte
// chooses KyvFlash's parser of an unattended run (with the selection of the parsed texts
// in the dialog's lists) or KyvFlashCom's pass of its arguments; the rest is the
// arguments, separated by NUL bytes.

#include "core/catalogue.h"
#include "core/command_line.h"
#include "fuzz_input.h"
#include "launcher/lib/argument_pass.h"

#include <filesystem>

namespace {

std::vector<std::string> argumentsOf(std::span<const uint8_t> bytes)
{
    std::vector<std::string> args;
    if (bytes.empty())
        return args;
    std::string current;
    for (uint8_t b : bytes) {
        if (b == 0) {
            args.push_back(current);
            current.clear();
        } else {
            current += static_cast<char>(b);
        }
    }
    args.push_back(current);
    return args;
}

void parseKyvFlash(const std::vector<std::string>& args)
{
    kyv::ModelCatalogue catalogue;
    kyv::ParsedArguments parsed;
    kyv::ProcessValues values;
    if (kyv::parseCommandLine(args, catalogue, parsed, values) != kyv::rc::Success)
        return;
    const std::vector<std::string> ports{"COM1", "COM2", "COM10", "USB", "LAN", "WIFI", "CPMI", "IBMUSB", "HID"};
    kyv::selectByPrefix(ports, parsed.interfaceText, 0);
    const std::vector<std::string> rates{"9600", "19200", "38400", "57600", "115200"};
    kyv::selectByPrefix(rates, parsed.baudText, 0);
}

void passKyvFlashCom(const std::vector<std::string>& args)
{
    const kyv::launcher::ArgumentPass pass = kyv::launcher::passArguments(args);
    if (pass.forwarded.size() > args.size())
        __builtin_trap();
    const int limit = pass.effectiveRunTimeLimit();
    if (limit < kyv::launcher::kMinRunTimeLimit || limit > kyv::launcher::kMaxRunTimeLimit)
        __builtin_trap();
    for (const std::string& arg : args)
        kyv::launcher::parseTimeLimitNumber(arg);
}

} // namespace

extern "C" int LLVMFuzzerInitialize(int*, char***)
{
    // The file argument is looked up from the current directory: there, an image exists.
    std::filesystem::current_path(kyv::fuzz::scratchDirectory());
    kyv::fuzz::writeScratchFile("fw.mfw", std::span<const uint8_t>());
    return 0;
}

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    kyv::fuzz::Input in(data, size);
    const uint8_t program = in.byte();
    const std::vector<std::string> args = argumentsOf(in.rest());
    if (program & 1)
        passKyvFlashCom(args);
    else
        parseKyvFlash(args);
    return 0;
}
