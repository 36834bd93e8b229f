#pragma once
// What choosing a printer model sets up ("Select Model" in the dialog, the model argument
// of an unattended run): the download types it offers, the serial defaults, the
// interfaces it can be reached over and which one starts selected, the USB product ids
// of its family, and whether "Make FW Folder" is available. Also what choosing a
// download type and dispatching a job record in the row.

#include "core/catalogue.h"
#include "core/process_values.h"

#include <string>
#include <string_view>
#include <vector>

namespace kyv {

// detectedUsbType of a printer that port detection found in its CPMI form.
inline constexpr int kUsbTypeCpmiForm = 8;

bool isJ5Family(const ModelInfo& row);
// R453 and R243: LAN online mode, NHPI/PRTR, configuration tables, "Make FW Folder".
bool isR453OrR243(const ModelInfo& row);

// The download-type combo entries for the row, in combo order.
std::vector<std::string> downloadTypeList(const ModelInfo& row, int detectedUsbType);

struct SerialDefaults {
    std::string baud;
    std::string parity;
    std::string stopBits;
};
// "19200", "NONE", "1" for R453 and R243; "115200", "NONE", "1" for every other family.
SerialDefaults serialDefaults(const ModelInfo& row);

struct InterfaceList {
    std::vector<std::string> entries;
    int selected = -1; // index into entries; -1 when the family offers nothing
};
// The interface combo entries for the row's family and the entry left selected:
// "COM1" when COM ports are offered, else "IBM USB", else the last USB class entry;
// "HID" for the J5 family.
InterfaceList interfaceList(const ModelInfo& row, int detectedUsbType);

// Interface kind of an interface combo text: "USB" 2, "LAN" and "WIFI" 3, "CPMI", "NHPI"
// and "PRTR" 4, "IBM USB" 5, "HID" 6, anything else (COMn) 0.
int interfaceKindOf(std::string_view interfaceText);

// USB product ids of a family as one lower-case hex text without separators
// ("31631831731f" for R241); empty for families without USB ids.
std::string pidListFor(std::string_view family);

// "Make FW Folder" is enabled only for R453 and R243.
bool makeFwFolderEnabled(const ModelInfo& row);

struct ModelSelection {
    std::vector<std::string> downloadTypes;
    SerialDefaults serial;
    InterfaceList interfaces;
    int interfaceKind = 0; // kind of the selected interface entry
    bool j5Family = false;
    bool makeFwFolder = false;
};
// The whole model-selection step for a row; rebuilds values.pidList on the way.
ModelSelection selectModel(const ModelInfo& row, ProcessValues& values);

// What choosing a download type does to the interface list: on R243 an "IMF FILE" goes
// over IBM USB only, so the list becomes that one entry, selected. Returns true when it
// changed the list.
bool applyDownloadTypeToInterfaces(const ModelInfo& row, std::string_view typeText, InterfaceList& interfaces);

// Choosing a download type copies its start sector into the job; "Printer Configuration
// Table" leaves startSector as it was. Returns false (and changes nothing) for an unknown text.
bool chooseDownloadType(ModelInfo& row, std::string_view typeText);

// At dispatch: the chosen type's code (or 0) goes into downloadTypeCode.
void recordDownloadTypeCode(FlashJob& job, std::string_view typeText);

} // namespace kyv
