#include "core/exit_status.h"

#include <gtest/gtest.h>

#include <cstdlib>
#include <string>
#include <unistd.h>

namespace kyv {
namespace {

TEST(ExitStatus, MapsEveryRangeAndNeverTurnsAFailureIntoZero)
{
    EXPECT_EQ(exitStatusFor(0), 0);
    EXPECT_EQ(exitStatusFor(1001), 101);
    EXPECT_EQ(exitStatusFor(1061), 161);
    EXPECT_EQ(exitStatusFor(1200), 200);
    EXPECT_EQ(exitStatusFor(1212), 212);
    EXPECT_EQ(exitStatusFor(1501), 221);
    EXPECT_EQ(exitStatusFor(1511), 231);
    EXPECT_EQ(exitStatusFor(1401), 241);
    EXPECT_EQ(exitStatusFor(1402), 242);
    EXPECT_EQ(exitStatusFor(1300), 250);
    EXPECT_EQ(exitStatusFor(1303), 253);
    for (int code : {-1, 1, 259, 1000, 1062, 1199, 1213, 1400, 1500, 1512, 70000})
        EXPECT_EQ(exitStatusFor(code), 255) << code;
    for (int code = 1; code < 2000; ++code) {
        EXPECT_NE(exitStatusFor(code), 0) << code;
        EXPECT_LE(exitStatusFor(code), 255) << code;
    }
}

TEST(ResultFd, WritesTheExactCodeToTheNamedDescriptor)
{
    int fds[2];
    ASSERT_EQ(pipe(fds), 0);
    setenv(kResultFdVariable, std::to_string(fds[1]).c_str(), 1);
    EXPECT_TRUE(reportResultToFd(1507));
    close(fds[1]);
    char buffer[32] = {};
    ssize_t n = read(fds[0], buffer, sizeof buffer - 1);
    close(fds[0]);
    ASSERT_GT(n, 0);
    EXPECT_EQ(std::string(buffer, static_cast<size_t>(n)), "1507\n");
    EXPECT_EQ(parseReportedResult(buffer), 1507);

    setenv(kResultFdVariable, "not-a-number", 1);
    EXPECT_FALSE(reportResultToFd(0));
    unsetenv(kResultFdVariable);
    EXPECT_FALSE(reportResultToFd(0));
}

TEST(ResultFd, ParsingRefusesWhatIsNotACode)
{
    EXPECT_EQ(parseReportedResult("0\n"), 0);
    EXPECT_EQ(parseReportedResult(""), std::nullopt);
    EXPECT_EQ(parseReportedResult("12x\n"), std::nullopt);
}

} // namespace
} // namespace kyv
