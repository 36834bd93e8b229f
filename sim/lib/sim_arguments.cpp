#include "sim/lib/sim_arguments.h"

#include <charconv>
#include <cmath>
#include <cstdlib>
#include <functional>
#include <map>
#include <string_view>

namespace kyv::sim {
namespace {

bool parseInt(const std::string& text, long long low, long long high, long long& value)
{
    auto [end, error] = std::from_chars(text.data(), text.data() + text.size(), value);
    return !text.empty() && error == std::errc() && end == text.data() + text.size() && value >= low &&
           value <= high;
}

// The fault option's command names, from the printer's own table, wrapped at 90 columns.
std::string commandList()
{
    const std::string indent(24, ' ');
    std::string text = indent + "Commands:";
    size_t lineLength = text.size();
    auto add = [&](std::string_view name) {
        if (lineLength + 1 + name.size() > 90) {
            text += "\n" + indent;
            lineLength = indent.size();
        } else {
            text += ' ';
            ++lineLength;
        }
        text += name;
        lineLength += name.size();
    };
    for (size_t i = 1; i < kPrinterCommandCount; ++i) // "any" goes last
        add(commandName(static_cast<PrinterCommand>(i)));
    add(commandName(PrinterCommand::Any));
    return text + "\n";
}

} // namespace

std::string simUsage()
{
    return R"(Usage: printer-sim serial [options]
       printer-sim lan --address A --model NAME [options]   (printer-sim lan --help)
       printer-sim --list-models
       printer-sim --help

Plays a point-of-sale printer on a pseudo-terminal, the way it answers a flash tool on
its serial port. Prints the pseudo-terminal's path on the first line of standard output,
then serves until SIGINT or SIGTERM, and exits 0 after writing the transcript and the
flash dump when asked for.

Options:
  --model NAME          catalogue model to play (default R241; see --list-models)
  --link PATH           make PATH a symbolic link to the pseudo-terminal (its directory
                        is created; an existing symbolic link is replaced)
  --model-number TEXT   model number the printer reports (default: one that passes the
                        model check of the model), at most 16 characters
  --baud N              the printer's line speed: 1200 2400 4800 9600 19200 38400 57600
                        115200 (default 19200 for R453 and R243, 115200 for the others)
  --parity NONE|EVEN|ODD  the printer's parity (a pseudo-terminal cannot carry parity,
                        so it is not compared with the host's)
  --stop-bits 1|2       the printer's stop bits (default 1)
  --download-mode       start in download (boot loader) mode instead of online mode
  --restart-ms N        silence after a reset or the switch to download mode (default 3000)
  --reply-delay-ms N    pause before every reply (default 0)
  --mismatch nothing|garbage
                        what the host hears while its speed or stop bits differ from the
                        printer's (default nothing)
  --unerased-write and|overwrite
                        programming a sector that was not erased: AND like NOR flash
                        (default) or plain overwrite
  --boot-version TEXT, --main-version TEXT, --boot-crc TEXT, --main-crc TEXT,
  --table-version TEXT  texts of the version report (5 characters each)
  --switches HEX        the two switch bytes read with 1B 6A 7A, e.g. 1200 (default)
  --usu-on              USU starts switched on
  --fiscal-state N      byte answered to the flash state query 1D 30 07 (default 0)
  --font-memory 4|8     megabytes of font memory told by 1D 49 40 E4 (default 8)
  --not-ready           the status query reports "not ready" until 1D 03 02
  --fault FAULT         inject a fault (repeatable):
                          KIND:COMMAND[:OCCURRENCE[:MS]]
                            KIND: nak no-reply wrong-crc short garbage delay drop
                                  vanish (the command takes effect and is answered,
                                  then the printer is gone for good)
                            OCCURRENCE: 1 = first arrival (default), N, or every
                            MS: for delay, how long the reply is held back
                          drop-after:N   the line drops once N bytes came from the host
)" + commandList() + R"(  --transcript FILE     write every byte of both directions, time-stamped, on exit
  --flash-dump FILE     write the whole flash memory on exit
  --expect FILE:SECTOR  on exit, check that the flash holds FILE from SECTOR on; exit 1
                        (saying where they differ) when it does not
  --time-scale F        multiply every protocol time by F (as KYVFLASH_TIME_SCALE)

Example:
  printer-sim serial --model R241 --link /tmp/kyv/COM3 --baud 19200 --fault nak:select:3
)";
}

ArgumentsOutcome parseSimArguments(const std::vector<std::string>& args, SimArguments& out, std::string& error)
{
    if (args.empty()) {
        error = "missing the command: printer-sim serial [options] (see --help)";
        return ArgumentsOutcome::Error;
    }
    if (args[0] == "--help" || args[0] == "-h")
        return ArgumentsOutcome::Help;
    if (args[0] == "--list-models")
        return ArgumentsOutcome::ListModels;
    if (args[0] != "serial") {
        error = "unknown command '" + args[0] + "': only 'serial' and 'lan' are served (see --help)";
        return ArgumentsOutcome::Error;
    }
    PrinterOptions& p = out.printer;
    const std::map<std::string_view, std::string*> texts = {
        {"--model", &p.model},           {"--link", &out.linkPath},           {"--model-number", &p.modelNumber},
        {"--parity", &p.parity},         {"--boot-version", &p.bootVersion}, {"--main-version", &p.mainVersion},
        {"--boot-crc", &p.bootCrc},      {"--main-crc", &p.mainCrc},         {"--table-version", &p.tableVersion},
        {"--transcript", &p.transcriptPath}, {"--flash-dump", &p.flashDumpPath},
    };
    const std::map<std::string_view, bool*> flags = {
        {"--download-mode", &p.startInDownloadMode}, {"--usu-on", &p.usuOn}, {"--not-ready", &p.notReady}};
    struct Number {
        long long low, high;
        std::function<void(long long)> store;
        const char* expected;
    };
    const std::map<std::string_view, Number> numbers = {
        {"--baud", {1, 4000000, [&](long long v) { p.baud = static_cast<int>(v); }, "a speed such as 19200"}},
        {"--stop-bits", {1, 2, [&](long long v) { p.stopBits = static_cast<int>(v); }, "1 or 2"}},
        {"--restart-ms", {0, 3600000, [&](long long v) { p.restartTime = ProtocolMs(v); }, "milliseconds up to 3600000"}},
        {"--reply-delay-ms", {0, 3600000, [&](long long v) { p.replyDelay = ProtocolMs(v); }, "milliseconds up to 3600000"}},
        {"--fiscal-state", {0, 255, [&](long long v) { p.fiscalState = static_cast<int>(v); }, "a byte value from 0 to 255"}},
        {"--font-memory", {4, 8, [&](long long v) { p.fontMemoryMegabytes = v >= 8 ? 8 : 4; }, "4 or 8 (megabytes)"}},
    };

    for (size_t i = 1; i < args.size(); ++i) {
        std::string name = args[i];
        std::string value;
        bool hasValue = false;
        if (size_t equals = name.find('='); name.rfind("--", 0) == 0 && equals != std::string::npos) {
            value = name.substr(equals + 1);
            name = name.substr(0, equals);
            hasValue = true;
        }
        auto fail = [&](std::string text) {
            error = std::move(text);
            return ArgumentsOutcome::Error;
        };
        if (name == "--help" || name == "-h")
            return ArgumentsOutcome::Help;
        if (auto flag = flags.find(name); flag != flags.end()) {
            if (hasValue)
                return fail(name + " takes no value");
            *flag->second = true;
            continue;
        }
        if (!hasValue) {
            if (i + 1 >= args.size())
                return fail(texts.count(name) || numbers.count(name) ? name + " needs a value"
                                                                     : "unknown option '" + name + "' (see --help)");
            value = args[++i];
        }
        long long number = 0;
        if (auto text = texts.find(name); text != texts.end()) {
            *text->second = value;
        } else if (auto range = numbers.find(name); range != numbers.end()) {
            if (!parseInt(value, range->second.low, range->second.high, number))
                return fail(name + " needs " + range->second.expected);
            range->second.store(number);
        } else if (name == "--mismatch") {
            if (value != "nothing" && value != "garbage")
                return fail("--mismatch is nothing or garbage");
            p.onMismatch = value == "garbage" ? MismatchAnswer::Garbage : MismatchAnswer::Nothing;
        } else if (name == "--unerased-write") {
            if (value != "and" && value != "overwrite")
                return fail("--unerased-write is and or overwrite");
            p.unerasedWrite = value == "and" ? UnerasedWrite::AndLikeNor : UnerasedWrite::Overwrite;
        } else if (name == "--switches") {
            unsigned bits = 0;
            auto [end, failure] = std::from_chars(value.data(), value.data() + value.size(), bits, 16);
            if (value.size() != 4 || failure != std::errc() || end != value.data() + value.size())
                return fail("--switches takes four hexadecimal digits, such as 1200");
            p.switchByte0 = static_cast<uint8_t>(bits >> 8);
            p.switchByte1 = static_cast<uint8_t>(bits & 0xFF);
        } else if (name == "--expect") {
            const size_t colon = value.rfind(':');
            if (colon == std::string::npos || colon == 0 || !parseInt(value.substr(colon + 1), 1, 255, number))
                return fail("--expect takes FILE:SECTOR, such as firmware.mfw:6");
            p.expectedImagePath = value.substr(0, colon);
            p.expectedImageSector = static_cast<int>(number);
        } else if (name == "--fault") {
            std::string why;
            std::optional<Fault> fault = parseFault(value, &why);
            if (!fault)
                return fail("--fault " + value + ": " + why);
            p.faults.push_back(*fault);
        } else if (name == "--time-scale") {
            char* end = nullptr;
            double scale = std::strtod(value.c_str(), &end);
            if (value.empty() || *end != '\0' || !std::isfinite(scale) || scale <= 0)
                return fail("--time-scale needs a positive number such as 0.01");
            out.timeScale = scale;
        } else {
            return fail("unknown option '" + args[i] + "' (see --help)");
        }
    }
    return ArgumentsOutcome::Run;
}

} // namespace kyv::sim
