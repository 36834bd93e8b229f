#include "core/usb_memory/drive_check.h"

#include "core/usb_memory/mount_table.h"

#include <array>
#include <fstream>
#include <iterator>
#include <optional>

namespace kyv {
namespace {

namespace fs = std::filesystem;

std::optional<std::string> readText(const fs::path& file)
{
    std::ifstream in(file, std::ios::binary);
    if (!in)
        return std::nullopt;
    return std::string(std::istreambuf_iterator<char>(in), {});
}

std::string firstLine(const std::string& text) { return text.substr(0, text.find('\n')); }

bool isOneOf(const std::string& value, std::initializer_list<const char*> names)
{
    for (const char* name : names)
        if (value == name)
            return true;
    return false;
}

// The file system name as the check compares it: every NTFS driver reads "ntfs".
std::string normalisedFileSystem(const std::string& fsType)
{
    if (isOneOf(fsType, {"ntfs", "ntfs3", "fuse.ntfs-3g", "fuse.lowntfs-3g", "fuseblk.ntfs-3g"}))
        return "ntfs";
    return fsType;
}

} // namespace

fs::path DriveInspector::under(const fs::path& systemPath) const { return root_ / systemPath.relative_path(); }

// fuseblk is whatever user-space driver mounted the device (ntfs-3g, exfat-fuse, ...): the
// file system comes from udev's probe of the device, else from the volume's boot sector.
std::string DriveInspector::fuseBlockFileSystem(const fs::path& deviceDir, const std::string& source) const
{
    if (auto number = readText(deviceDir / "dev")) {
        if (auto udev = readText(under("/run/udev/data/b" + firstLine(*number)))) {
            const std::string key = "E:ID_FS_TYPE=";
            const size_t at = udev->find(key);
            if (at != std::string::npos)
                return normalisedFileSystem(firstLine(udev->substr(at + key.size())));
        }
    }
    std::ifstream volume(under(source), std::ios::binary);
    std::array<char, 11> bootSector{};
    if (volume.read(bootSector.data(), bootSector.size())) {
        const std::string oemName(bootSector.data() + 3, 8);
        if (oemName == "NTFS    ")
            return "ntfs";
        if (oemName == "EXFAT   ")
            return "exfat";
    }
    return {};
}

DriveFacts DriveInspector::inspect(const fs::path& folder) const
{
    std::error_code error;
    const fs::path path = fs::canonical(folder, error);
    if (error || !fs::is_directory(path, error))
        return {};
    const auto table = readText(under("/proc/self/mountinfo"));
    if (!table)
        return {};
    const std::vector<MountEntry> mounts = parseMountInfo(*table);
    const MountEntry* mount = mountHolding(mounts, path);
    if (mount == nullptr)
        return {};

    const std::string fileSystem = normalisedFileSystem(mount->fsType);
    if (isOneOf(mount->fsType, {"nfs", "nfs4", "cifs", "smb3", "smbfs", "fuse.sshfs", "9p", "virtiofs"}))
        return {DriveKind::Network, fileSystem};
    if (isOneOf(mount->fsType, {"tmpfs", "ramfs"}))
        return {DriveKind::RamDisk, fileSystem};
    if (mount->source.rfind("/dev/", 0) != 0)
        return {DriveKind::Fixed, fileSystem}; // overlay, zfs and the like: no drive of its own

    // The block device: by the source's name (a /dev/disk/by-* link resolved), else by the
    // mount's device number.
    fs::path source = mount->source;
    const fs::path resolved = fs::canonical(under(source), error);
    if (!error)
        source = resolved;
    fs::path deviceDir = under("/sys/class/block") / source.filename();
    if (!fs::exists(deviceDir, error))
        deviceDir = under("/sys/dev/block") / mount->device;
    deviceDir = fs::canonical(deviceDir, error);
    if (error)
        return {};
    // removable belongs to the whole disk; a partition's directory sits inside its disk's.
    const fs::path disk = fs::exists(deviceDir / "partition", error) ? deviceDir.parent_path() : deviceDir;
    const auto removable = readText(under("/sys/block") / disk.filename() / "removable");
    if (!removable)
        return {};
    const bool isRemovable = firstLine(*removable) == "1";
    std::string volumeFileSystem = fileSystem;
    if (mount->fsType == "fuseblk")
        volumeFileSystem = fuseBlockFileSystem(deviceDir, mount->source);
    return {isRemovable ? DriveKind::Removable : DriveKind::Fixed, volumeFileSystem};
}

DriveVerdict judgeTargetDrive(const DriveFacts& facts)
{
    if (facts.kind == DriveKind::Unknown)
        return DriveVerdict::Undetermined;
    if (facts.kind != DriveKind::Removable)
        return DriveVerdict::GoOn;
    if (facts.fileSystem.empty())
        return DriveVerdict::Undetermined; // a stick whose file system nobody can name
    return facts.fileSystem == "ntfs" ? DriveVerdict::NotFat : DriveVerdict::GoOn;
}

} // namespace kyv
