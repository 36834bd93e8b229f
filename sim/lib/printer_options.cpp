#include "sim/lib/printer_options.h"

#include "sim/lib/printer/printer_types.h"

#include <charconv>

namespace kyv::sim {
namespace {

std::vector<std::string_view> splitColons(std::string_view text)
{
    std::vector<std::string_view> parts;
    size_t start = 0;
    while (true) {
        size_t colon = text.find(':', start);
        parts.push_back(text.substr(start, colon == std::string_view::npos ? colon : colon - start));
        if (colon == std::string_view::npos)
            return parts;
        start = colon + 1;
    }
}

bool parseCount(std::string_view text, long long& value)
{
    if (text.empty())
        return false;
    auto [end, error] = std::from_chars(text.data(), text.data() + text.size(), value);
    return error == std::errc() && end == text.data() + text.size() && value >= 0;
}

std::optional<FaultKind> kindFromName(std::string_view name)
{
    if (name == "nak")
        return FaultKind::Nak;
    if (name == "no-reply")
        return FaultKind::NoReply;
    if (name == "wrong-crc")
        return FaultKind::WrongCrc;
    if (name == "short")
        return FaultKind::ShortReply;
    if (name == "garbage")
        return FaultKind::Garbage;
    if (name == "delay")
        return FaultKind::Delay;
    if (name == "drop")
        return FaultKind::DropLine;
    if (name == "vanish")
        return FaultKind::Vanish;
    return std::nullopt;
}

std::optional<Fault> fail(std::string* why, std::string text)
{
    if (why != nullptr)
        *why = std::move(text);
    return std::nullopt;
}

} // namespace

std::optional<Fault> parseFault(std::string_view text, std::string* why)
{
    std::vector<std::string_view> parts = splitColons(text);
    Fault fault;
    long long number = 0;
    if (parts[0] == "drop-after") {
        if (parts.size() != 2 || !parseCount(parts[1], number) || number == 0)
            return fail(why, "drop-after needs a byte count above 0, as in drop-after:1000");
        fault.kind = FaultKind::DropLine;
        fault.afterBytes = static_cast<size_t>(number);
        return fault;
    }
    std::optional<FaultKind> kind = kindFromName(parts[0]);
    if (!kind)
        return fail(why, "unknown fault kind '" + std::string(parts[0]) +
                             "' (nak, no-reply, wrong-crc, short, garbage, delay, drop, vanish, drop-after)");
    fault.kind = *kind;
    if (parts.size() < 2 || parts.size() > 4)
        return fail(why, "a fault is KIND:COMMAND[:OCCURRENCE[:MS]]");
    std::optional<PrinterCommand> command = commandFromName(parts[1]);
    if (!command)
        return fail(why, "unknown command '" + std::string(parts[1]) + "'");
    fault.command = *command;
    if (parts.size() >= 3) {
        if (parts[2] == "every")
            fault.occurrence = 0;
        else if (parseCount(parts[2], number) && number <= 1000000)
            fault.occurrence = static_cast<int>(number);
        else
            return fail(why, "the occurrence is a number (1 = first time) or 'every'");
    }
    if (parts.size() == 4) {
        if (fault.kind != FaultKind::Delay)
            return fail(why, "only a delay fault takes a time");
        if (!parseCount(parts[3], number) || number > 3600000)
            return fail(why, "the delay is a number of milliseconds up to 3600000");
        fault.delay = ProtocolMs(number);
    } else if (fault.kind == FaultKind::Delay) {
        return fail(why, "a delay fault needs a time, as in delay:sector-crc:1:5000");
    }
    return fault;
}

std::string defaultModelNumber(std::string_view displayName)
{
    const PrinterType* type = findPrinterType(displayName);
    return type != nullptr ? std::string(type->modelNumber) : std::string();
}

int defaultBaud(std::string_view displayName)
{
    const PrinterType* type = findPrinterType(displayName);
    return type != nullptr ? type->baud : 115200;
}

} // namespace kyv::sim
