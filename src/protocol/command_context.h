#pragma once
// What every command path of a CFlashCmd shares: the model the waits depend on, the CRC
// computed while a sector goes out, and where notices go.

#include "core/job_events.h"
#include "protocol/crc.h"

#include <string>
#include <string_view>

namespace kyv {

struct CommandContext {
    std::string modelName; // catalogue display name of the selected model
    std::string family;    // its family name
    CrcAccumulator crc;
    JobEvents* events = nullptr;

    // True when the model's display name or family is exactly name.
    bool isModel(std::string_view name) const { return modelName == name || family == name; }
    bool isR453OrR243() const { return isModel("R453") || isModel("R243"); }
};

} // namespace kyv
