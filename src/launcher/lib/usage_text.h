#pragma once
// The banner and the usage text, piece by piece with the colour each piece is shown in.

#include "launcher/lib/console.h"

#include <span>
#include <string_view>

namespace kyv::launcher {

struct TextPiece {
    ConsoleColour colour;
    std::string_view text;
};

// The name of the dialog program as the launcher's messages call it.
inline constexpr std::string_view kChildDisplayName = "KyvFlash.EXE";

std::span<const TextPiece> usageText();

// Prints the usage text in its colours and switches back to normal text.
void printUsage(Console& console);
// Prints the seven-line banner in light green and switches to normal text.
void printBanner(Console& console);

} // namespace kyv::launcher
