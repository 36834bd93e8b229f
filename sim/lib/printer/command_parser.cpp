#include "sim/lib/printer/command_parser.h"

#include <array>
#include <algorithm>
#include <optional>

namespace kyv::sim {
namespace {

// A command form: `pattern` holds the bytes that identify it (positions marked in
// `valueMask` hold values and match any byte); `length` is the whole command.
struct Form {
    PrinterCommand command;
    std::array<uint8_t, 5> pattern;
    size_t patternLength;
    size_t length;
    uint8_t valueMask = 0; // bit i set: byte i is a value
};

constexpr Form kForms[] = {
    {PrinterCommand::Status, {0x10, 0x04, 0x01}, 3, 3},
    {PrinterCommand::DownloadMode, {0x1B, 0x5B, 0x7D}, 3, 3},
    {PrinterCommand::OnlineBlock, {0x1B, 0x5B, 0x7C}, 3, 8},
    {PrinterCommand::BaudQuerySettings, {0x1B, 0x6A, 0x02}, 3, 3},
    {PrinterCommand::ReadSwitches, {0x1B, 0x6A, 0x7A}, 3, 3},
    {PrinterCommand::WriteSwitches, {0x1B, 0x73, 0, 0, 0x7A}, 5, 5, 0x0C},
    {PrinterCommand::IplQuery, {0x1D, 0x01}, 2, 2},
    {PrinterCommand::Select, {0x1D, 0x02}, 2, 3},
    {PrinterCommand::Recover, {0x1D, 0x03, 0x02}, 3, 3},
    {PrinterCommand::BaudProbe, {0x1D, 0x05}, 2, 2},
    {PrinterCommand::SectorCrc, {0x1D, 0x06}, 2, 2},
    {PrinterCommand::IplCrc, {0x1D, 0x07}, 2, 2},
    {PrinterCommand::MainCrc, {0x1D, 0x0F}, 2, 2},
    {PrinterCommand::Erase, {0x1D, 0x10}, 2, 3},
    {PrinterCommand::SectorData, {0x1D, 0x11}, 2, 6},
    {PrinterCommand::FennIpl, {0x1D, 0x16}, 2, 2},
    {PrinterCommand::UsuSet, {0x1D, 0x1F}, 2, 3},
    {PrinterCommand::ClearDownloadArea, {0x1D, 0x22, 0x55, 0xFF, 0xFF}, 5, 5},
    {PrinterCommand::FlashState, {0x1D, 0x30, 0x07}, 3, 3},
    {PrinterCommand::FennMode, {0x1D, 0x30, 0x10}, 3, 16},
    {PrinterCommand::EraseUserArea, {0x1D, 0x40, 0x31}, 3, 3},
    {PrinterCommand::ClearDownloadArea2, {0x1D, 0x40, 0x32}, 3, 3},
    // The model number comes before the general version item it is a case of.
    {PrinterCommand::ModelNumber, {0x1D, 0x49, 0x40, 0x27}, 4, 4},
    {PrinterCommand::ModeQuery, {0x1D, 0x49, 0x40, 0xC3}, 4, 4},
    {PrinterCommand::VersionItem, {0x1D, 0x49, 0x40}, 3, 4},
    {PrinterCommand::Restart, {0x1D, 0x80}, 2, 2},
    {PrinterCommand::Reset, {0x1D, 0xFF}, 2, 2},
    {PrinterCommand::SetParameter, {0x1F, 0x11, 0, 0, 0xFF}, 5, 5, 0x0C},
    {PrinterCommand::BaudQuery, {0x1F, 0x12, 0x11}, 3, 3},
    {PrinterCommand::UsuQuery, {0x1F, 0x12, 0x5F}, 3, 3},
    {PrinterCommand::FiscalDownload, {0x1F, 0x14, 0x02}, 3, 3},
    {PrinterCommand::PrintConfiguration, {0x1F, 0x74, 0x00, 0x01}, 4, 4},
    {PrinterCommand::SettingsMode, {0x1F, 0x7A, 0x74}, 3, 4},
    {PrinterCommand::IbmClearDownloadArea, {0x1B, 0x23}, 2, 3},
    {PrinterCommand::IbmPrintConfiguration, {0x1B, 0x78}, 2, 2},
};

// What a printer's network interface takes besides: its MAC and mask queries, the CRC of
// its own boot program, and the diagnostics form, which arrives as 1F 74 alone.
constexpr Form kNetworkForms[] = {
    {PrinterCommand::MacQuery, {0x1D, 0x49, 0x40, 0xF0}, 4, 4},
    {PrinterCommand::MaskQuery, {0x1D, 0x49, 0x40, 0xF2}, 4, 4},
    {PrinterCommand::LanIplCrc, {0x1D, 0x08}, 2, 2},
    {PrinterCommand::PrintForm, {0x1F, 0x74}, 2, 2},
};

bool patternMatches(const Form& form, std::span<const uint8_t> bytes)
{
    size_t seen = std::min(form.patternLength, bytes.size());
    for (size_t i = 0; i < seen; ++i)
        if (!(form.valueMask & (1u << i)) && bytes[i] != form.pattern[i])
            return false;
    return true;
}

} // namespace

ParsedCommand parseCommand(std::span<const uint8_t> bytes, bool network)
{
    if (bytes.empty())
        return {};
    bool couldGrow = false;
    auto find = [&](std::span<const Form> forms) -> std::optional<ParsedCommand> {
        for (const Form& form : forms) {
            if (!patternMatches(form, bytes))
                continue;
            if (bytes.size() < form.length) {
                couldGrow = true;
                continue;
            }
            return ParsedCommand{ParsedCommand::Outcome::Complete, form.command, form.length};
        }
        return std::nullopt;
    };
    if (network)
        if (std::optional<ParsedCommand> parsed = find(kNetworkForms))
            return *parsed;
    if (std::optional<ParsedCommand> parsed = find(kForms))
        return *parsed;
    if (couldGrow)
        return {ParsedCommand::Outcome::NeedMore, PrinterCommand::Any, 0};
    return {ParsedCommand::Outcome::Unknown, PrinterCommand::Any, 1};
}

} // namespace kyv::sim
