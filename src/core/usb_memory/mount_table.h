#pragma once
// The mount table of this process (/proc/self/mountinfo) and the mount that holds a path.

#include <filesystem>
#include <string>
#include <string_view>
#include <vector>

namespace kyv {

struct MountEntry {
    std::string device;     // "major:minor" of the mounted file system
    std::string mountPoint; // absolute, escapes (\040 for a space, ...) undone
    std::string fsType;     // "ext4", "vfat", "fuseblk", ...
    std::string source;     // "/dev/sdb1", "server:/export", "tmpfs", ...
};

// Lines that do not have the mountinfo layout are skipped.
std::vector<MountEntry> parseMountInfo(std::string_view text);

// The mount whose mount point holds path (absolute, symbolic links resolved): the longest
// mount point that is a prefix of it; of several on the same point the last, which hides
// the others. Null when none does.
const MountEntry* mountHolding(const std::vector<MountEntry>& mounts, const std::filesystem::path& path);

} // namespace kyv
