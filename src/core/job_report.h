#pragma once
// The job report: one JSON object that an unattended run leaves at the path named by
// KYVFLASH_REPORT, so that a script learns more than an exit status: which printer and
// image, the printer's CRC, the result in words, how long it took and, for a failure,
// the step it failed in. The file is replaced atomically: a reader sees the whole
// report or none.

#include "core/result_code.h"

#include <chrono>
#include <cstdint>
#include <optional>
#include <string>

namespace kyv {

inline constexpr const char* kReportVariable = "KYVFLASH_REPORT";

struct JobReport {
    std::string model;        // the model's name as the command line gave it
    std::string downloadType; // "MAIN FIRMWARE"; empty when the model does not offer the letter
    std::string interfaceName; // "COM3", "IBM USB", "LAN", ...
    std::string device;       // the Linux device a COM or LPT name stands for; empty for others
    std::string address;      // the printer's IP address (LAN, WIFI); empty for others
    int port = 0;             // the printer's raw TCP port (LAN, WIFI); 0 for others
    std::string imagePath;
    std::optional<std::uintmax_t> imageSize; // nullopt when the file cannot be read
    std::optional<uint16_t> imageCrc;        // the model's CRC over the whole file
    std::string imageCrcKind;                // "CRC-16/ARC" or "direct CRC 0x1021"
    std::string printerCrcText;              // the completion line with the printer's CRC
    ResultCode resultCode = 0;
    std::string resultText;
    int exitStatus = 0;
    std::chrono::system_clock::time_point start;
    std::chrono::system_clock::time_point end;
    std::string logPath;  // the session log file; empty when the log was not saved
    std::string lastStep; // the last step the job reported; kept for a failure only
};

// The report as JSON text (one object, ending in a line feed).
std::string jobReportJson(const JobReport& report);

// Writes the report to the path (temporary file in the same folder, renamed over it).
// Returns false with the reason when it cannot.
bool writeJobReport(const std::string& path, const JobReport& report, std::string& why);

} // namespace kyv
