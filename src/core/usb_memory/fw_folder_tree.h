#pragma once
// The firmware folder tree that R453 and R243 printers update themselves from, written
// onto a USB memory stick: a time-stamped folder, the model folder inside it and one folder
// per kind of file. For R453 the two-stage update from firmware 1.0 to 1.1 puts the special
// main firmware there and the 1.1 files into a second tree, Special_10to11. Files are only
// read and copied; a folder that already exists is never written into, except
// Special_10to11 after the technician agreed to replace it.

#include <array>
#include <ctime>
#include <filesystem>
#include <functional>
#include <string>

namespace kyv {

enum class DriveVerdict;

// The kinds of file, in the order they are written.
enum FwSlot : int { kFwIpl, kFwMain, kFwSbcs, kFwDbcs, kFwTable, kFwConfig, kFwSlotCount };
extern const std::array<const char*, kFwSlotCount> kFwSlotNames; // "IPL", "MAIN", ...

struct FwFolderChoice {
    std::string model;   // "R453" or "R243"
    bool twoStage = false; // "1.0->1.1 FW Update" (R453)
    std::array<std::string, kFwSlotCount> files; // full paths, empty when not chosen
    std::string special; // R453: the 1.0 -> 1.1 main firmware; R243: the SDBCS font
};

// The box to show when the choice cannot be written; empty when it can.
std::string incompleteChoiceText(const FwFolderChoice& choice);
// The box for a drive that is refused; empty for GoOn.
std::string driveRefusalText(DriveVerdict verdict);
// "YYYYMMDDhhmmss" of a local time.
std::string timeFolderName(const std::tm& localTime);

struct FwFolderReport {
    bool written = false; // false: the run stopped at a failure (text says which)
    std::string text;
    std::string caption;  // empty: the program's name
};

// Writes the tree into target under the folder stamp. overwriteSpecialFolder asks whether
// an existing Special_10to11 may be replaced. Every failure ends the run; what was written
// before it stays.
FwFolderReport writeFwFolder(const FwFolderChoice& choice, const std::filesystem::path& target,
                             const std::string& stamp, const std::function<bool()>& overwriteSpecialFolder);

} // namespace kyv
