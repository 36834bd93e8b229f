// Prints the model part of the bash completion: every model name and the download-type
// letters and interfaces each one takes, found by asking the command-line parser itself,
// so the completion offers exactly what KyvFlash accepts.
#include "core/catalogue.h"
#include "core/command_line.h"
#include "core/model_selection.h"
#include "core/process_values.h"

#include <cstdio>
#include <string>
#include <vector>

namespace {

const char* const kLetters[] = {"M", "I", "L", "B", "F", "A", "S", "RS", "SS", "SB", "DB", "SDB", "T", "C"};

// The command-line word of an interface entry ("IBM USB" is written IBMUSB).
std::string commandWord(std::string entry)
{
    if (entry == "IBM USB")
        return "IBMUSB";
    if (entry.rfind("COM", 0) == 0)
        return "COM";
    return entry;
}

std::string quoted(const std::string& text) { return "'" + text + "'"; }

} // namespace

int main()
{
    using namespace kyv;
    ModelCatalogue catalogue;
    std::printf("# Generated at build time from KyvFlash's model catalogue.\n");
    std::printf("_kyvflash_models=(");
    for (int i = 0; i < ModelCatalogue::size(); ++i)
        std::printf("%s%s", i ? " " : "", quoted(catalogue.row(i).displayName).c_str());
    std::printf(")\ndeclare -gA _kyvflash_types=()\ndeclare -gA _kyvflash_interfaces=()\n");
    for (int i = 0; i < ModelCatalogue::size(); ++i) {
        const ModelInfo& row = catalogue.row(i);
        std::string letters;
        for (const char* letter : kLetters) {
            ModelCatalogue fresh;
            ProcessValues values;
            ParsedArguments parsed;
            // USB takes no settings, so the parser reaches the letter's check and stops at
            // the file, which does not exist.
            const ResultCode code = parseCommandLine({row.displayName, letter, "USB", "/nonexistent/image"}, fresh,
                                                     parsed, values);
            if (code != rc::BadDownloadTypeArgument && code != rc::BadModelArgument)
                letters += std::string(letters.empty() ? "" : " ") + letter;
        }
        // What the model's list offers in either USB form of R453 and R243, and USB (the
        // report device), which every job may name.
        std::vector<std::string> entries = interfaceList(row, 0).entries;
        for (const std::string& entry : interfaceList(row, kUsbTypeCpmiForm).entries)
            entries.push_back(entry);
        entries.emplace_back("USB");
        std::vector<std::string> words;
        for (const std::string& entry : entries) {
            const std::string word = commandWord(entry);
            bool known = false;
            for (const std::string& w : words)
                known = known || w == word;
            if (!known)
                words.push_back(word);
        }
        std::string interfaces;
        for (const std::string& word : words)
            interfaces += (interfaces.empty() ? "" : " ") + word;
        std::printf("_kyvflash_types[%s]=%s\n", quoted(row.displayName).c_str(), quoted(letters).c_str());
        std::printf("_kyvflash_interfaces[%s]=%s\n", quoted(row.displayName).c_str(), quoted(interfaces).c_str());
    }
    return 0;
}
