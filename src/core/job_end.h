#pragma once
// What a run changed that outlives it. A worker works on its own copy of the job: when
// the printer came back on another line, at another speed, or had its user area erased,
// the run returns that with its end, and the dialog writes it into the catalogue row and
// the shared values only after the worker thread has been joined.

#include "core/catalogue.h"
#include "core/process_values.h"

#include <optional>
#include <string>

namespace kyv {

struct JobEnd {
    // The line the run ended on.
    std::string interfaceName;
    int interfaceKind = 0;
    int baudRate = 0;
    std::string parity;
    int stopBits = 0;
    // What the run found of the printer.
    int userAreaErased = 0;
    std::optional<int> detectedUsbType; // set when the run identified a USB device
};

// The line fields of the job as the run left them; nothing found of the printer.
JobEnd jobEndOf(const FlashJob& job);

// Writes the end of a run back into the row's job fields and the shared values.
void applyJobEnd(const JobEnd& end, FlashJob& job, ProcessValues& values);

} // namespace kyv
