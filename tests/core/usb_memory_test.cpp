// The drive check of the firmware folder utility against a made-up mount table and sysfs,
// and a copy that the drive cuts off half-way.
#include "core/usb_memory/drive_check.h"
#include "core/usb_memory/file_copy.h"

#include <gtest/gtest.h>

#include <sys/resource.h>
#include <unistd.h>

#include <csignal>
#include <fstream>

namespace kyv {
namespace {

namespace fs = std::filesystem;

class DriveFactsFromTheSystem : public ::testing::Test {
protected:
    void SetUp() override
    {
        root_ = fs::temp_directory_path() / ("kyv_drive_" + std::to_string(::getpid()));
        fs::remove_all(root_);
        fs::create_directories(root_);
        root_ = fs::canonical(root_);
    }
    void TearDown() override { fs::remove_all(root_); }

    void write(const fs::path& relative, const std::string& text)
    {
        fs::create_directories((root_ / relative).parent_path());
        std::ofstream(root_ / relative) << text;
    }
    // A partition of a disk: its sysfs directory inside the disk's, reached through class/block.
    void partition(const std::string& disk, const std::string& part, const std::string& number, bool removable)
    {
        const fs::path dir = "sys/devices/usb1/" + disk + "/" + part;
        write(dir / "partition", "1\n");
        write(dir / "dev", number + "\n");
        write("sys/block/" + disk + "/removable", removable ? "1\n" : "0\n");
        fs::create_directories(root_ / "sys/class/block");
        fs::create_symlink(root_ / dir, root_ / "sys/class/block" / part);
    }
    // A mount point inside the scratch tree, listed in mountinfo.
    std::string mount(const std::string& name, const std::string& type, const std::string& source)
    {
        fs::create_directories(root_ / "media" / name / "inner");
        mountinfo_ += "40 30 0:50 / " + (root_ / "media" / name).string() + " rw,relatime shared:1 - " + type + " " +
                      source + " rw\n";
        write("proc/self/mountinfo", mountinfo_);
        return (root_ / "media" / name / "inner").string();
    }
    DriveVerdict verdict(const std::string& folder) { return judgeTargetDrive(DriveInspector(root_).inspect(folder)); }

    fs::path root_;
    std::string mountinfo_ = "22 1 0:21 / / rw - overlay overlay rw\n";
};

TEST_F(DriveFactsFromTheSystem, OnlyARemovableNtfsDriveIsRefused)
{
    partition("sdb", "sdb1", "8:17", true);
    partition("sdc", "sdc1", "8:33", true);
    partition("sdd", "sdd1", "8:49", true);
    partition("sde", "sde1", "8:65", true);
    partition("sdf", "sdf1", "8:81", true);
    partition("sda", "sda2", "8:2", false);
    write("run/udev/data/b8:49", "S:disk/by-uuid/1234\nE:ID_FS_TYPE=ntfs\nE:ID_FS_USAGE=filesystem\n");
    write("run/udev/data/b8:65", "E:ID_FS_TYPE=exfat\n");

    mount("stick\\040one", "vfat", "/dev/sdb1");
    fs::rename(root_ / "media/stick\\040one", root_ / "media/stick one"); // mountinfo escapes the space
    EXPECT_EQ(DriveInspector(root_).inspect(root_ / "media/stick one/inner").kind, DriveKind::Removable);
    EXPECT_EQ(verdict(mount("ntfs3", "ntfs3", "/dev/sdc1")), DriveVerdict::NotFat);
    EXPECT_EQ(verdict(mount("ntfs-3g", "fuseblk", "/dev/sdd1")), DriveVerdict::NotFat);
    EXPECT_EQ(verdict(mount("exfat-fuse", "fuseblk", "/dev/sde1")), DriveVerdict::GoOn);
    EXPECT_EQ(verdict(mount("fuse-unknown", "fuseblk", "/dev/sdf1")), DriveVerdict::Undetermined);
    EXPECT_EQ(verdict(mount("fixed-ntfs", "ntfs3", "/dev/sda2")), DriveVerdict::GoOn);
    EXPECT_EQ(verdict(mount("share", "nfs4", "server:/export")), DriveVerdict::GoOn);
    EXPECT_EQ(verdict(mount("ram", "tmpfs", "tmpfs")), DriveVerdict::GoOn);
    EXPECT_EQ(verdict(mount("gone-device", "vfat", "/dev/sdz1")), DriveVerdict::Undetermined);
    EXPECT_EQ(verdict((root_ / "no-such-folder").string()), DriveVerdict::Undetermined);
    EXPECT_EQ(verdict(root_.string()), DriveVerdict::GoOn); // the overlay root: no drive of its own
    fs::remove(root_ / "proc/self/mountinfo");
    EXPECT_EQ(verdict(root_.string()), DriveVerdict::Undetermined);
}

TEST(FileCopy, ACopyCutOffHalfWayLeavesNoFileBehind)
{
    const fs::path dir = fs::temp_directory_path() / ("kyv_copy_" + std::to_string(::getpid()));
    fs::remove_all(dir);
    fs::create_directories(dir / "to");
    const std::string bytes(200000, '\x5A');
    std::ofstream(dir / "main.mfw", std::ios::binary) << bytes;

    // A drive that fills up: writes past 64 KiB fail with EFBIG.
    std::signal(SIGXFSZ, SIG_IGN);
    rlimit old{};
    ASSERT_EQ(getrlimit(RLIMIT_FSIZE, &old), 0);
    rlimit small = old;
    small.rlim_cur = 65536;
    ASSERT_EQ(setrlimit(RLIMIT_FSIZE, &small), 0);
    const int error = copyFileInto(dir / "main.mfw", dir / "to", "main.mfw");
    setrlimit(RLIMIT_FSIZE, &old);
    std::signal(SIGXFSZ, SIG_DFL);
    EXPECT_EQ(error, EFBIG);
    EXPECT_TRUE(fs::is_empty(dir / "to"));

    EXPECT_EQ(copyFileInto(dir / "main.mfw", dir / "to", "main.mfw"), 0);
    std::ifstream in(dir / "to" / "main.mfw", std::ios::binary);
    EXPECT_EQ(std::string(std::istreambuf_iterator<char>(in), {}), bytes);
    fs::remove_all(dir);
}

} // namespace
} // namespace kyv
