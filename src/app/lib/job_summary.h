#pragma once
// The job of a dry run as "name: value" lines, one per job field, for people and scripts.

#include "core/catalogue.h"

#include <string>
#include <string_view>

namespace kyv {

std::string jobSummary(const ModelInfo& row, std::string_view downloadType);

} // namespace kyv
