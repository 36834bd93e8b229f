#pragma once
// What kind of drive holds a folder and which file system it carries, from the mount table,
// sysfs and udev's device database. A USB stick that a printer reads must be FAT: the
// printers cannot read NTFS, so a removable NTFS drive is refused before anything is
// written to it.

#include <filesystem>
#include <string>

namespace kyv {

enum class DriveKind { Unknown, Removable, Fixed, Network, RamDisk };

struct DriveFacts {
    DriveKind kind = DriveKind::Unknown;
    // The volume's file system in lower case ("vfat", "exfat", "ntfs"; NTFS under any of
    // its Linux drivers reads "ntfs"); empty when it cannot be told.
    std::string fileSystem;
};

// Looks at the system through systemRoot, so that tests can give it a made-up
// proc/self/mountinfo, sys/ and run/udev/ instead of real mounts.
class DriveInspector {
public:
    explicit DriveInspector(std::filesystem::path systemRoot = "/") : root_(std::move(systemRoot)) {}
    // The drive holding folder; Unknown when the folder does not exist or its mount or
    // block device cannot be found.
    DriveFacts inspect(const std::filesystem::path& folder) const;

private:
    std::filesystem::path under(const std::filesystem::path& systemPath) const;
    std::string fuseBlockFileSystem(const std::filesystem::path& deviceDir, const std::string& source) const;

    std::filesystem::path root_;
};

enum class DriveVerdict {
    GoOn,
    Undetermined, // "The drive type cannot be determined..."
    NotFat,       // removable and NTFS
};

// Only a removable drive has its file system checked; every other kind goes on.
DriveVerdict judgeTargetDrive(const DriveFacts& facts);

} // namespace kyv
