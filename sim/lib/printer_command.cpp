#include "sim/lib/printer_command.h"

#include <array>
#include <utility>

namespace kyv::sim {
namespace {

constexpr std::array<std::pair<PrinterCommand, std::string_view>, kPrinterCommandCount> kNames{{
    {PrinterCommand::Any, "any"},
    {PrinterCommand::Status, "status"},
    {PrinterCommand::IplQuery, "ipl-query"},
    {PrinterCommand::DownloadMode, "download-mode"},
    {PrinterCommand::Erase, "erase"},
    {PrinterCommand::Select, "select"},
    {PrinterCommand::SectorData, "sector-data"},
    {PrinterCommand::SectorCrc, "sector-crc"},
    {PrinterCommand::MainCrc, "main-crc"},
    {PrinterCommand::IplCrc, "ipl-crc"},
    {PrinterCommand::Reset, "reset"},
    {PrinterCommand::Restart, "restart"},
    {PrinterCommand::Recover, "recover"},
    {PrinterCommand::BaudQuery, "baud-query"},
    {PrinterCommand::SetParameter, "set-parameter"},
    {PrinterCommand::SettingsMode, "settings-mode"},
    {PrinterCommand::BaudQuerySettings, "baud-query-settings"},
    {PrinterCommand::ReadSwitches, "read-switches"},
    {PrinterCommand::WriteSwitches, "write-switches"},
    {PrinterCommand::ClearDownloadArea, "clear-download-area"},
    {PrinterCommand::EraseUserArea, "erase-user-area"},
    {PrinterCommand::ClearDownloadArea2, "clear-download-area-2"},
    {PrinterCommand::ModelNumber, "model-number"},
    {PrinterCommand::ModeQuery, "mode-query"},
    {PrinterCommand::VersionItem, "version"},
    {PrinterCommand::FlashState, "flash-state"},
    {PrinterCommand::PrintConfiguration, "print-configuration"},
    {PrinterCommand::UsuQuery, "usu-query"},
    {PrinterCommand::UsuSet, "usu-set"},
    {PrinterCommand::OnlineBlock, "online-block"},
    {PrinterCommand::BaudProbe, "baud-probe"},
    {PrinterCommand::FennIpl, "fenn-ipl"},
    {PrinterCommand::FennMode, "fenn-mode"},
    {PrinterCommand::FiscalDownload, "fiscal-download"},
    {PrinterCommand::J5Image, "j5-image"},
    {PrinterCommand::J5Crc, "j5-crc"},
    {PrinterCommand::J5Identify, "j5-identify"},
    {PrinterCommand::J5Version, "j5-version"},
    {PrinterCommand::J5ModeQuery, "j5-mode-query"},
    {PrinterCommand::J5Header, "j5-header"},
    {PrinterCommand::J5Abort, "j5-abort"},
    {PrinterCommand::J5Refresh, "j5-refresh"},
    {PrinterCommand::J5PrintConfiguration, "j5-print-configuration"},
    {PrinterCommand::MacQuery, "mac-query"},
    {PrinterCommand::MaskQuery, "mask-query"},
    {PrinterCommand::LanIplCrc, "lan-ipl-crc"},
    {PrinterCommand::PrintForm, "print-form"},
    {PrinterCommand::IbmClearDownloadArea, "ibm-clear-download-area"},
    {PrinterCommand::IbmPrintConfiguration, "ibm-print-configuration"},
}};
// Every command has its name, in the order of the enumeration.
constexpr bool namesComplete()
{
    for (size_t i = 0; i < kNames.size(); ++i)
        if (static_cast<size_t>(kNames[i].first) != i || kNames[i].second.empty())
            return false;
    return true;
}
static_assert(namesComplete(), "a printer command without its name");


} // namespace

std::string_view commandName(PrinterCommand command)
{
    for (const auto& [value, name] : kNames)
        if (value == command)
            return name;
    return "?";
}

std::optional<PrinterCommand> commandFromName(std::string_view name)
{
    for (const auto& [value, text] : kNames)
        if (text == name)
            return value;
    return std::nullopt;
}

} // namespace kyv::sim
