#pragma once
// The per-user settings store: an INI file of sections holding named integers (and, for a
// few sections such as Ports and Network, texts). Missing values give the caller's
// default. Every change rewrites the file atomically (temporary file in the same
// directory, flushed to disk, renamed over the old one), so a crash leaves either the old
// or the new file, never a torn one.

#include "core/atomic_file.h"

#include <filesystem>
#include <functional>
#include <string>
#include <string_view>
#include <utility>
#include <vector>

namespace kyv {

class ProfileStore {
public:
    // The store at path; nothing is read until the first look-up.
    explicit ProfileStore(std::filesystem::path file);
    // $XDG_CONFIG_HOME/KyvFlash/KyvFlash.ini, or ~/.config/KyvFlash/KyvFlash.ini when
    // XDG_CONFIG_HOME is unset or not absolute.
    static std::filesystem::path defaultPath();
    // The current user's store at defaultPath().
    static ProfileStore forUser();

    const std::filesystem::path& path() const { return path_; }

    // Section and key names compare case-insensitively, as INI users expect.
    int getInt(std::string_view section, std::string_view key, int defaultValue) const;
    std::string getText(std::string_view section, std::string_view key,
                        std::string_view defaultValue) const;
    // All entries of a section in file order, keys as written.
    std::vector<std::pair<std::string, std::string>> entries(std::string_view section) const;

    // Store one value and rewrite the file; false when it could not be written (the file
    // on disk is then unchanged). Creates the directory when needed.
    bool setInt(std::string_view section, std::string_view key, int value);
    bool setText(std::string_view section, std::string_view key, std::string_view value);

private:
    struct Section {
        std::string name;
        std::vector<std::pair<std::string, std::string>> entries;
    };
    std::vector<Section> load() const;
    bool store(std::string_view section, std::string_view key, std::string_view value);

    std::filesystem::path path_;
};

} // namespace kyv
