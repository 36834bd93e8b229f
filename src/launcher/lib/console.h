#pragma once
// The launcher's console: text in the colours of its messages, and the time-stamped
// message line every status line goes through.
//
// Colours are ANSI sequences, written only when the stream is a terminal and NO_COLOR is
// unset or empty, so scripts that capture the output get plain text.

#include <cstdio>
#include <string_view>

namespace kyv::launcher {

enum class ConsoleColour {
    LightGreen, // banner
    White,      // normal text: the terminal's own colour
    LightCyan,  // usage text
    LightRed,   // errors
    Yellow,     // the outcome
};

class Console {
public:
    // Decides once whether to colour: stream is a terminal and NO_COLOR is not set.
    explicit Console(std::FILE* stream);
    Console(std::FILE* stream, bool colours) : stream_(stream), colours_(colours) {}

    void setColour(ConsoleColour colour);
    // Writes the text and flushes, so it keeps its place among the child's output.
    void print(std::string_view text);
    void print(ConsoleColour colour, std::string_view text);
    // "\n<MM/DD/YY> <HH:MM:SS> KyvFlashCom: <message>", the message cut to 259 characters.
    void messageLine(std::string_view message);
    void messageLine(ConsoleColour colour, std::string_view message);

private:
    std::FILE* stream_;
    bool colours_;
};

inline constexpr std::size_t kMaxMessageLength = 259;

} // namespace kyv::launcher
