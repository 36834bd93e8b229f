#pragma once
// What an unattended run keeps of its job for the job report: the job as it was started
// and what the worker said along the way. The dialog fills it; nothing reads it while a
// worker runs.

#include <cstdint>
#include <string>

namespace kyv {

struct JobTrace {
    bool started = false;       // Flash Device ran (the image check may still have refused)
    std::string model;          // the row's displayName
    std::string downloadType;   // the download-type entry
    std::string interfaceName;  // the interface entry, "COM3", "IBM USB", "LAN", ...
    int interfaceKind = 0;      // its kind, as InterfaceKind numbers it
    uint32_t ipAddress = 0;     // LAN and WIFI
    int altCrc = 0;             // the model's CRC kind
    std::string filePath;       // the image's full path
    std::string logPath;        // the session log file; empty while the log is not saved
    std::string lastStep;       // the last step text of the progress events
    std::string completionText; // the success message's text (the printer's CRC line)
};

} // namespace kyv
