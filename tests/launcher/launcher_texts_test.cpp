#include "launcher/lib/busy_ticker.h"
#include "launcher/lib/exit_code_text.h"

#include <gtest/gtest.h>

namespace kyv::launcher {
namespace {

TEST(ExitCodeText, UsesTheLaunchersOwnWordingsAndNamesUnknownCodes)
{
    EXPECT_EQ(exitCodeText(0), "Download successfully completed!");
    EXPECT_EQ(exitCodeText(1040), "Can not reconnect through USB interface!");
    EXPECT_EQ(exitCodeText(1046), "Uplaod file fail!");
    EXPECT_EQ(exitCodeText(1210), "No enough arguments! Please open KyvFlash.com for more detail information");
    EXPECT_EQ(exitCodeText(1511), "Unable to open device!");
    EXPECT_EQ(exitCodeText(259), "Terminated after reach ErrorTimeOut parameter");
    for (int code : {1053, 1059, 1300, 1303, 1502, -1})
        EXPECT_EQ(exitCodeText(code), "Unknown exit code = " + std::to_string(code));
}

TEST(BusyTicker, SpeaksAtTheFirstWaitAndEveryTenthAfterIt)
{
    BusyTicker ticker;
    std::vector<std::pair<int, std::string>> lines;
    for (int call = 1; call <= 25; ++call) {
        if (auto line = ticker.tick())
            lines.emplace_back(call, *line);
    }
    ASSERT_EQ(lines.size(), 3u);
    EXPECT_EQ(lines[0], std::make_pair(1, std::string("KyvFlash.EXE - Busy. Waiting for 1 second(s)")));
    EXPECT_EQ(lines[1], std::make_pair(11, std::string("KyvFlash.EXE - Busy. Waiting for 11 second(s)")));
    EXPECT_EQ(lines[2], std::make_pair(21, std::string("KyvFlash.EXE - Busy. Waiting for 21 second(s)")));
}

} // namespace
} // namespace kyv::launcher
