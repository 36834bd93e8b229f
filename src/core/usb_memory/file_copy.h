#pragma once
// Copies one firmware file into a folder byte for byte. The copy is written under a
// temporary name, flushed to the drive and only then given its own name, so that a copy
// that fails half-way (stick pulled, drive full) never leaves a truncated firmware file
// that a printer would take for a whole one.

#include <filesystem>
#include <string>

namespace kyv {

// 0 on success, else the errno of the step that failed; nothing is left under name or
// the temporary name then.
int copyFileInto(const std::filesystem::path& source, const std::filesystem::path& folder, const std::string& name);

} // namespace kyv
