#include "core/session_log.h"

#include <gtest/gtest.h>

#include <ctime>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <sstream>
#include <thread>
#include <vector>

namespace kyv {
namespace {

namespace fs = std::filesystem;

class SessionLogFile : public ::testing::Test {
protected:
    void SetUp() override
    {
        dir_ = fs::temp_directory_path() /
               ("kyv_session_log_" + std::to_string(::getpid()) + "_" +
                ::testing::UnitTest::GetInstance()->current_test_info()->name());
        fs::remove_all(dir_);
        fs::create_directories(dir_);
    }
    void TearDown() override { fs::remove_all(dir_); }

    fs::path logPath() const { return dir_ / "BREVANT_LOG.txt"; }
    std::string fileText() const
    {
        std::ifstream in(logPath(), std::ios::binary);
        return {std::istreambuf_iterator<char>(in), {}};
    }
    void writeFileOfSize(std::uintmax_t size) const
    {
        std::ofstream out(logPath(), std::ios::binary);
        out << std::string(size, 'x');
    }

    fs::path dir_;
};

TEST_F(SessionLogFile, StartsWithTheOpeningLineAndWritesEachPieceOnce)
{
    SessionLog log(dir_.string());
    EXPECT_EQ(log.sessionText(), "Brevant Log : \r\n");
    log.appendLine("Opening port ...", "[P] ");
    log.writeLog("");
    log.clearPending();
    log.writeLog("Download successfully completed!");
    log.setPending("\r\n");
    EXPECT_EQ(fileText(), "Brevant Log : \r\n[P] Opening port ...\r\nDownload successfully completed!");
    EXPECT_EQ(log.sessionText(), "Brevant Log : \r\n[P] Opening port ...\r\nDownload successfully completed!");
    EXPECT_EQ(log.pendingText(), "\r\n");
}

TEST_F(SessionLogFile, AFileOf2048KbIsAppendedTo)
{
    writeFileOfSize(2048 * 1024);
    SessionLog log(dir_.string());
    log.clearAll();
    log.writeLog("tail");
    EXPECT_EQ(fs::file_size(logPath()), 2048u * 1024 + 4);
}

TEST_F(SessionLogFile, AFileOf2049KbIsStartedAnewWithThePendingText)
{
    writeFileOfSize(2049 * 1024);
    SessionLog log(dir_.string());
    log.clearAll();
    log.writeLog("fresh");
    EXPECT_EQ(fileText(), "fresh");
}

TEST_F(SessionLogFile, RunsSharingTheFolderKeepEveryLineWholeAcrossTheRestart)
{
    // Four runs side by side, one already past the size at which the file starts anew.
    writeFileOfSize(2049 * 1024 - 100);
    constexpr int kRuns = 4;
    constexpr int kLines = 400;
    std::vector<std::thread> runs;
    for (int run = 0; run < kRuns; ++run) {
        runs.emplace_back([&, run] {
            SessionLog log(dir_.string());
            log.clearAll();
            for (int i = 0; i < kLines; ++i) {
                log.appendLine(std::string(200, static_cast<char>('a' + run)) + " " + std::to_string(i), "");
                log.writeLog("");
                log.clearPending();
            }
        });
    }
    for (std::thread& t : runs)
        t.join();
    // Every line that is in the file is whole: one run's letter, then its number.
    std::istringstream lines(fileText());
    std::string line;
    int whole = 0;
    while (std::getline(lines, line)) {
        if (line.find_first_not_of('x') == std::string::npos)
            continue; // what is left of the old file, before a restart
        ASSERT_GE(line.size(), 203u) << line.substr(0, 40);
        EXPECT_EQ(line.find_first_not_of(line[0]), 200u) << line.substr(0, 40);
        EXPECT_EQ(line.back(), '\r');
        ++whole;
    }
    // The first line took the file past its limit, the next one started it anew, and
    // nothing written after that is lost.
    EXPECT_EQ(whole, kRuns * kLines - 1);
}

TEST_F(SessionLogFile, SaveLogOffWritesNothingAndLeavesTheBuffersAlone)
{
    SessionLog log(dir_.string());
    log.setSaveLog(false);
    log.writeLog("Cannot erase a sector!");
    EXPECT_FALSE(fs::exists(logPath()));
    EXPECT_EQ(log.sessionText(), "Brevant Log : \r\n");
}

TEST_F(SessionLogFile, AnUnwritableFileKeepsTheTextInTheLogBox)
{
    SessionLog log((dir_ / "missing-dir").string());
    log.writeLog("result");
    EXPECT_EQ(log.sessionText(), "Brevant Log : \r\nresult");
}

TEST(SessionLogText, EachUtf16CodeUnitBecomesItsLowByte)
{
    EXPECT_EQ(lowBytesOfUtf16("abc\r\n"), "abc\r\n");
    EXPECT_EQ(lowBytesOfUtf16("\xC3\xA9"), "\xE9");             // é, Latin-1
    EXPECT_EQ(lowBytesOfUtf16("\xC5\x82"), "\x42");             // ł U+0142
    EXPECT_EQ(lowBytesOfUtf16("\xE2\x82\xAC"), "\xAC");         // € U+20AC
    EXPECT_EQ(lowBytesOfUtf16("\xF0\x9F\x98\x80"), std::string("\x3D\x00", 2)); // U+1F600: D83D DE00
    EXPECT_EQ(lowBytesOfUtf16("a\xFF" "b\xC3"), "a\xFF" "b\xC3"); // stray bytes are kept
    EXPECT_EQ(lowBytesOfUtf16("\xE0\x80\x80"), "\xE0\x80\x80");   // overlong form is not decoded
}

TEST(SessionLogText, TimePrefixCarriesTheFullYearAndMilliseconds)
{
    std::tm local{};
    local.tm_year = 2026 - 1900;
    local.tm_mon = 2;
    local.tm_mday = 4;
    local.tm_hour = 5;
    local.tm_min = 6;
    local.tm_sec = 7;
    local.tm_isdst = -1;
    auto when = std::chrono::system_clock::from_time_t(std::mktime(&local)) + std::chrono::milliseconds(9);
    EXPECT_EQ(logTimePrefix(when), "[ 04 / 03 / 2026 - 05 : 06 : 07 : 009 ] ");
}

} // namespace
} // namespace kyv
