#include "launcher/lib/console.h"

#include "launcher/lib/local_time_stamp.h"

#include <cstdlib>
#include <string>
#include <unistd.h>

namespace kyv::launcher {
namespace {

bool wantsColours(std::FILE* stream)
{
    const char* noColor = std::getenv("NO_COLOR");
    if (noColor != nullptr && *noColor != '\0')
        return false;
    return ::isatty(::fileno(stream)) == 1;
}

std::string_view ansiSequence(ConsoleColour colour)
{
    switch (colour) {
    case ConsoleColour::LightGreen:
        return "\x1b[92m";
    case ConsoleColour::LightCyan:
        return "\x1b[96m";
    case ConsoleColour::LightRed:
        return "\x1b[91m";
    case ConsoleColour::Yellow:
        return "\x1b[93m";
    case ConsoleColour::White:
        break;
    }
    // Normal text goes back to the terminal's own colour, which is readable on light and
    // dark backgrounds alike.
    return "\x1b[0m";
}

} // namespace

Console::Console(std::FILE* stream) : stream_(stream), colours_(wantsColours(stream)) {}

void Console::setColour(ConsoleColour colour)
{
    if (colours_)
        print(ansiSequence(colour));
}

void Console::print(std::string_view text)
{
    std::fwrite(text.data(), 1, text.size(), stream_);
    std::fflush(stream_);
}

void Console::print(ConsoleColour colour, std::string_view text)
{
    setColour(colour);
    print(text);
}

void Console::messageLine(std::string_view message)
{
    LocalTimeStamp stamp = localTimeStampNow();
    std::string line = "\n" + stamp.date + " " + stamp.time + " KyvFlashCom: ";
    line += message.substr(0, kMaxMessageLength);
    print(line);
}

void Console::messageLine(ConsoleColour colour, std::string_view message)
{
    setColour(colour);
    messageLine(message);
}

} // namespace kyv::launcher
