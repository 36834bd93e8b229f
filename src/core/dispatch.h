#pragma once
// What "Flash Device" decides before a worker starts: which worker runs the job, what
// the log header says, and the job fields written into the selected catalogue row.

#include "core/catalogue.h"
#include "core/version.h"

#include <array>
#include <string>
#include <string_view>

namespace kyv {

class JobEvents;

// The five worker procedures a job can run on; the download layer gives the procedure
// for each (download/workers.h).
enum class WorkerRoute {
    LanOnline, // LAN, model R453 or R243
    Lan,       // LAN, any other model
    Wifi,
    Hid,
    Local, // COMn, CPMI, NHPI, PRTR, IBM USB, USB
};

struct WorkerChoice {
    WorkerRoute route;
    int interfaceKind; // what the job stores: 1001 for LAN, 1002 for WIFI, else the dialog's kind
};

// The worker for an interface text and model combo text, tested in this order: LAN on
// R453/R243, LAN, WIFI, HID, anything else. dialogKind is the dialog's interface kind.
WorkerChoice chooseWorker(std::string_view interfaceText, std::string_view modelText, int dialogKind);

// PRETTY_NAME of an os-release file, unquoted; empty when the file or key is missing.
std::string operatingSystemName(const std::string& osReleasePath = "/etc/os-release");

// The header appended to the session log before a job starts (no time stamps).
std::string logHeader(std::string_view family, std::string_view interfaceText, std::string_view fileText,
                      std::string_view osName);

// What the dialog's controls say when a job starts.
struct JobSettings {
    int interfaceKind = 0;
    std::string interfaceText;
    std::string baudText;
    std::string parityText;
    std::string stopBitsText;
    uint32_t ipAddress = 0;
    std::string filePath; // full path of the image
    std::string workDir;
    std::string downloadTypeText;
    int commandLineMode = 0;
    std::array<int, 2> imageInfo{};
    bool portDetection = true;
};

// Writes the job fields of the row from the settings. In command-line mode the USB class
// follows the interface text ("NHPI" 0, "PRTR" 1); in dialog use it was set when the
// interface was chosen. interfaceKind is the dialog's kind; chooseWorker may replace it.
void fillJobFields(FlashJob& job, const JobSettings& settings, JobEvents* notify);

} // namespace kyv
