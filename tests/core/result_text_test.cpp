#include "core/result_text.h"

#include <gtest/gtest.h>

namespace kyv {
namespace {

TEST(ResultText, KnownCodesHaveTheDialogWording)
{
    EXPECT_EQ(resultText(0), "Download successfully completed!");
    EXPECT_EQ(resultText(rc::CannotOpenFile), "Unable to open file!");
    EXPECT_EQ(resultText(rc::TypeFileMismatch), "Mismatch between download type and file selected!");
    EXPECT_EQ(resultText(1030), "Unable to get printer model number!\n Please Check Connection!");
    EXPECT_EQ(resultText(1040), "Can not reconnect through VORUSB interface!");
    EXPECT_EQ(resultText(1053), "User Cancelled the download . Port Mismatch");
    EXPECT_EQ(resultText(1061), "Main Firmware version not supported to flash this DFN file");
    EXPECT_EQ(resultText(rc::SelectedModelNotCorrect), "The Selected Printer Model is not correct");
    EXPECT_EQ(resultText(1402), "IBM USB Swap Memory Command Rejected");
    EXPECT_EQ(resultText(1511), "Unable to open device!");
}

TEST(ResultText, EveryDownloadErrorHasATextAndCommandLineCodesHaveNone)
{
    for (int code = 1001; code <= 1061; ++code)
        EXPECT_FALSE(resultText(code).empty()) << code;
    for (int code = 1200; code <= 1212; ++code)
        EXPECT_EQ(resultText(code).empty(), code != 1211) << code;
    for (int code : {-1, 1, 259, 1000, 1062, 1300, 1303, 1403, 1500, 1502, 1512})
        EXPECT_EQ(resultText(code), "") << code;
}

TEST(ResultText, SuccessWordingDependsOnTheErasedUserArea)
{
    EXPECT_EQ(successText(false), "Download successfully completed!\r\n");
    EXPECT_EQ(successText(true), "Download successfully completed!\r\nUser-area erased due to compatibility.");
}

} // namespace
} // namespace kyv
