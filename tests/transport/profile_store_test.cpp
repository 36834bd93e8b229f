#include "core/profile_store.h"
#include "support/scratch_dir.h"

#include <gtest/gtest.h>
#include <sys/wait.h>
#include <unistd.h>

#include <fstream>
#include <sstream>

namespace kyv {
namespace {

std::string readFile(const std::filesystem::path& file)
{
    std::ifstream in(file, std::ios::binary);
    std::stringstream text;
    text << in.rdbuf();
    return text.str();
}

class ProfileStoreTest : public ::testing::Test {
protected:
    test::ScratchDir dir;
    std::filesystem::path file = dir.path() / "KyvFlash" / "KyvFlash.ini";
    ProfileStore store{file};
};

TEST(ProfileStoreLocation, FollowsXdgConfigHomeElseHome)
{
    test::ScratchDir dir;
    std::string oldXdg = getenv("XDG_CONFIG_HOME") ? getenv("XDG_CONFIG_HOME") : "";
    setenv("XDG_CONFIG_HOME", dir.path().c_str(), 1);
    EXPECT_EQ(ProfileStore::defaultPath(), dir.path() / "KyvFlash" / "KyvFlash.ini");
    ASSERT_TRUE(ProfileStore::forUser().setInt("Network", "ReadTimeout", 7000));
    EXPECT_TRUE(std::filesystem::exists(dir.path() / "KyvFlash" / "KyvFlash.ini"));

    setenv("XDG_CONFIG_HOME", "relative/path", 1); // not absolute: ignored
    std::string home = getenv("HOME") ? getenv("HOME") : "";
    EXPECT_EQ(ProfileStore::defaultPath(), std::filesystem::path(home) / ".config" / "KyvFlash" / "KyvFlash.ini");
    if (oldXdg.empty())
        unsetenv("XDG_CONFIG_HOME");
    else
        setenv("XDG_CONFIG_HOME", oldXdg.c_str(), 1);
}

TEST_F(ProfileStoreTest, MissingFileOrValueGivesTheDefault)
{
    EXPECT_EQ(store.getInt("Network", "ReadTimeout", 5000), 5000);
    EXPECT_EQ(store.getText("Ports", "COM3", "none"), "none");
    EXPECT_TRUE(store.entries("Ports").empty());
}

TEST_F(ProfileStoreTest, ValuesRoundTripAndKeepTheRestOfTheFile)
{
    std::filesystem::create_directories(file.parent_path());
    std::ofstream(file) << "; written by hand\n[Network]\nReadTimeout=3000\n\n[Other]\nKeep=me\n";

    ASSERT_TRUE(store.setInt("network", "readtimeout", 9000)); // names ignore case
    ASSERT_TRUE(store.setInt("Network", "WriteTimeout", -1));
    ASSERT_TRUE(store.setText("Ports", "COM3", "/dev/ttyUSB0"));
    ASSERT_TRUE(store.setText("Ports", "LPT1", "/dev/usb/lp0"));

    EXPECT_EQ(store.getInt("Network", "ReadTimeout", 0), 9000);
    EXPECT_EQ(store.getInt("Network", "WriteTimeout", 0), -1);
    EXPECT_EQ(store.getText("Other", "Keep", ""), "me");
    EXPECT_EQ(store.getText("PORTS", "com3", ""), "/dev/ttyUSB0");
    auto ports = store.entries("Ports");
    ASSERT_EQ(ports.size(), 2u);
    EXPECT_EQ(ports[1].first, "LPT1");
    EXPECT_EQ(readFile(file), "; written by hand\n[Network]\nReadTimeout=9000\nWriteTimeout=-1\n\n"
                              "[Other]\nKeep=me\n\n[Ports]\nCOM3=/dev/ttyUSB0\nLPT1=/dev/usb/lp0\n");
}

TEST_F(ProfileStoreTest, UnreadableNumbersAndUnsafeTextsAreRefused)
{
    std::filesystem::create_directories(file.parent_path());
    std::ofstream(file) << "[Network]\nReadTimeout=12abc\nWriteTimeout=99999999999\n";
    EXPECT_EQ(store.getInt("Network", "ReadTimeout", 42), 42);
    EXPECT_EQ(store.getInt("Network", "WriteTimeout", 42), 42);
    // A line break would turn one value into two entries.
    EXPECT_FALSE(store.setText("Ports", "COM3", "/dev/ttyUSB0\nCOM4=/dev/sda"));
    EXPECT_FALSE(store.setText("Ports", "COM=3", "/dev/ttyUSB0"));
    EXPECT_EQ(store.getText("Ports", "COM4", ""), "");
}

// A crash between writing the new file and renaming it leaves the old file whole.
TEST_F(ProfileStoreTest, CrashBeforeRenameKeepsTheOldFile)
{
    ASSERT_TRUE(store.setInt("Network", "ReadTimeout", 1111));
    const std::string before = readFile(file);

    pid_t child = fork();
    ASSERT_GE(child, 0);
    if (child == 0) {
        std::string content = before + "[Network]\nReadTimeout=2222\n";
        writeFileAtomically(file, content, [] { _exit(0); });
        _exit(1);
    }
    int status = 0;
    ASSERT_EQ(waitpid(child, &status, 0), child);
    ASSERT_TRUE(WIFEXITED(status));
    ASSERT_EQ(WEXITSTATUS(status), 0) << "the crash point was not reached";

    EXPECT_EQ(readFile(file), before);
    EXPECT_EQ(store.getInt("Network", "ReadTimeout", 0), 1111);
    // The store keeps working after the crash.
    ASSERT_TRUE(store.setInt("Network", "ReadTimeout", 3333));
    EXPECT_EQ(store.getInt("Network", "ReadTimeout", 0), 3333);
}

TEST_F(ProfileStoreTest, CrashOnTheFirstWriteLeavesNoFile)
{
    std::filesystem::create_directories(file.parent_path());
    pid_t child = fork();
    ASSERT_GE(child, 0);
    if (child == 0) {
        writeFileAtomically(file, "[Network]\nReadTimeout=2222\n", [] { _exit(0); });
        _exit(1);
    }
    int status = 0;
    ASSERT_EQ(waitpid(child, &status, 0), child);
    EXPECT_FALSE(std::filesystem::exists(file));
    EXPECT_EQ(store.getInt("Network", "ReadTimeout", 5000), 5000);
}

TEST(ProfileStoreFailure, WriteThatCannotHappenReportsFailure)
{
    test::ScratchDir dir;
    std::ofstream(dir.path() / "plain-file") << "not a directory";
    ProfileStore store(dir.path() / "plain-file" / "KyvFlash.ini");
    EXPECT_FALSE(store.setInt("Network", "ReadTimeout", 2));
    EXPECT_EQ(store.getInt("Network", "ReadTimeout", 7), 7);
    EXPECT_EQ(std::filesystem::file_size(dir.path() / "plain-file"), 15u);
}

} // namespace
} // namespace kyv
