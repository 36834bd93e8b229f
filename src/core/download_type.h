#pragma once
// The kinds of image a printer accepts, known by the text of the download-type combo box:
// their numeric code, command-line letter, Browse filter and the catalogue field that
// holds their start sector.

#include "core/catalogue.h"

#include <span>
#include <string_view>

namespace kyv {

namespace dt {
inline constexpr std::string_view kIplFirmware = "IPL FIRMWARE";
inline constexpr std::string_view kMainFirmware = "MAIN FIRMWARE";
inline constexpr std::string_view kSbcsFont = "SBCS FONT";
inline constexpr std::string_view kDbcsFont = "DBCS FONT";
inline constexpr std::string_view kTable = "TABLE";
inline constexpr std::string_view kConfigurationTable = "Printer Configuration Table";
inline constexpr std::string_view kSdbcsFont = "SDBCS FONT";
inline constexpr std::string_view kAnkFont = "ANK FONT";
inline constexpr std::string_view kIplLanFirmware = "IPL LAN FIRMWARE";
inline constexpr std::string_view kBootInitial = "BOOT INITIAL";
inline constexpr std::string_view kSlip2Byte = "SLIP 2 BYTE";
inline constexpr std::string_view kReceipt2Byte = "RECEIPT 2 BYTE";
inline constexpr std::string_view kAsianFontSector = "ASIAN FONT SECTOR";
inline constexpr std::string_view kSlipAsianFont = "SLIP ASIAN FONT";
inline constexpr std::string_view kReceiptAsianFont = "RECEIPT ASIAN FONT";
inline constexpr std::string_view kCp932Font = "CP932 FONT";
inline constexpr std::string_view kImfFile = "IMF FILE";
} // namespace dt

struct DownloadType {
    std::string_view text;   // combo-box text, compared case-sensitively
    int code;                // what goes into downloadTypeCode; 0 for types without a code
    std::string_view letter; // command-line letter; empty when the command line has none
    std::string_view filter; // Browse filter
    std::string_view j5Filter; // Browse filter for the J5 family; empty when the same
    // Catalogue field holding the start sector; nullptr = the job's startSector stays as it is.
    int ModelInfo::*startSectorField;
};

// All 17 types. "SLIP 2 BYTE" and "RECEIPT 2 BYTE" share the letters "SS" and "RS" with the
// Asian fonts; the command line takes them only when the model has no Asian font there.
std::span<const DownloadType> downloadTypes();

// The type with exactly this text; nullptr for any other text.
const DownloadType* findDownloadType(std::string_view text);

// The code recorded in downloadTypeCode: the code of the type with exactly this text, else 0.
int downloadTypeCode(std::string_view text);

// The Browse filter for a type text; empty for an unknown text (the dialog then warns
// "Please select a correct download type!").
std::string_view browseFilter(std::string_view text, bool j5Family);

// The row's start sector for a type (0 = not offered). For "Printer Configuration Table",
// which has no sector of its own, the row's current startSector.
int startSectorOf(const ModelInfo& row, const DownloadType& type);

} // namespace kyv
