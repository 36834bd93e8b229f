#include "core/download_type.h"

#include <array>

namespace kyv {
namespace {

using namespace dt;

constexpr std::array<DownloadType, 17> kTypes{{
    {kIplFirmware, 1, "I", "IPL Program Files (*.ipl)|*.ipl|", "BOOT Firmware Files (*.ipl; *.bin)|*.ipl; *.bin|",
     &ModelInfo::iplSector},
    {kMainFirmware, 2, "M", "Main Firmware Files (*.mfw)|*.mfw|", "Main Firmware Files (*.mfw; *.bin)|*.mfw; *.bin|",
     &ModelInfo::mainSector},
    {kSbcsFont, 3, "SB", "SBCS Font Files (*.sfn)|*.sfn|", "SBCS Font Files (*.sfn; *.bin)|*.sfn; *.bin|",
     &ModelInfo::sbcsSector},
    {kDbcsFont, 4, "DB", "DBCS FONT Files (*.dfn)|*.dfn|", "", &ModelInfo::dbcsSector},
    {kTable, 5, "T", "Table Files (*.tbl)|*.tbl|", "", &ModelInfo::tableSector},
    {kConfigurationTable, 6, "C", "Configuration Table Files (*.cfg)|*.cfg|", "", nullptr},
    {kSdbcsFont, 9, "SDB", "SDBCS FONT Files (*.dfn)|*.dfn|", "", &ModelInfo::sdbcsSector},
    {kAnkFont, 0, "A", "ANK Font Files (*.sfn)|*.sfn|", "", &ModelInfo::ankSector},
    {kIplLanFirmware, 0, "L", "IPL Program Files (*.LAN)|*.LAN|", "", &ModelInfo::iplLanSector},
    {kBootInitial, 0, "B", "Default Initial/Boot (*.bot)|*.bot|", "", &ModelInfo::bootInitialSector},
    {kSlip2Byte, 0, "SS", "SLIP 2 BYTE Files (*.dfn)|*.dfn|", "", &ModelInfo::slip2ByteSector},
    {kReceipt2Byte, 0, "RS", "RECEIPT 2 BYTE Files (*.dfn)|*.dfn|", "", &ModelInfo::receipt2ByteSector},
    {kAsianFontSector, 0, "S", "Asian Font Files (*.dfn)|*.dfn|", "", &ModelInfo::asianFontSector},
    {kSlipAsianFont, 0, "SS", "SLIP ASIAN   Font Files (*.dfn)|*.dfn|", "", &ModelInfo::slipAsianSector},
    {kReceiptAsianFont, 0, "RS", "RECEIPT ASIAN Font Files (*.dfn)|*.dfn|", "", &ModelInfo::receiptAsianSector},
    {kCp932Font, 0, "", "CP932 FONT Files (*.dfn)|*.dfn|", "", &ModelInfo::cp932Sector},
    {kImfFile, 0, "F", "IMF Files (*.imf)|*.imf|", "", &ModelInfo::iplSector},
}};

} // namespace

std::span<const DownloadType> downloadTypes() { return kTypes; }

const DownloadType* findDownloadType(std::string_view text)
{
    for (const DownloadType& type : kTypes)
        if (type.text == text)
            return &type;
    return nullptr;
}

int downloadTypeCode(std::string_view text)
{
    const DownloadType* type = findDownloadType(text);
    return type != nullptr ? type->code : 0;
}

std::string_view browseFilter(std::string_view text, bool j5Family)
{
    const DownloadType* type = findDownloadType(text);
    if (type == nullptr)
        return {};
    return j5Family && !type->j5Filter.empty() ? type->j5Filter : type->filter;
}

int startSectorOf(const ModelInfo& row, const DownloadType& type)
{
    return type.startSectorField != nullptr ? row.*type.startSectorField : row.job.startSector;
}

} // namespace kyv
