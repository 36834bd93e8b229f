#include "launcher/lib/argument_pass.h"

#include <gtest/gtest.h>

namespace kyv::launcher {
namespace {

using Args = std::vector<std::string>;

TEST(ArgumentPass, TimeLimitIsReadInDecimalHexAndOctalWithinItsRange)
{
    struct Case {
        const char* argument;
        int limit;
        int outOfRange;
    };
    for (Case c : {Case{"ERRORTIMEOUT=60", 800, 1}, Case{"ERRORTIMEOUT=3600", 3600, 0},
                   Case{"/errortimeout=0x100", 256, 0}, Case{"ErrorTimeOut=0X100", 256, 0},
                   Case{"ERRORTIMEOUT=0400", 256, 0}, Case{"ERRORTIMEOUT=120", 120, 0},
                   Case{"ERRORTIMEOUT=119", 800, 1}, Case{"ERRORTIMEOUT=3601", 800, 1},
                   Case{"ERRORTIMEOUT=300abc", 800, 1}, Case{"ERRORTIMEOUT=", 800, 1},
                   Case{"ERRORTIMEOUT=-300", 800, 1}, Case{"ERRORTIMEOUT=99999999999999999999", 800, 1}}) {
        ArgumentPass pass = passArguments({"R241", "M", "USB", "image.mfw", c.argument});
        EXPECT_EQ(pass.effectiveRunTimeLimit(), c.limit) << c.argument;
        EXPECT_EQ(pass.outOfRangeTimeLimits, c.outOfRange) << c.argument;
        EXPECT_EQ(pass.forwarded, (Args{"R241", "M", "USB", "image.mfw"})) << c.argument;
    }
    // Without "=" there is no value: the default applies and nothing is printed.
    ArgumentPass bare = passArguments({"R241", "M", "USB", "image.mfw", "ERRORTIMEOUT"});
    EXPECT_FALSE(bare.runTimeLimit);
    EXPECT_EQ(bare.effectiveRunTimeLimit(), 800);
    EXPECT_EQ(bare.outOfRangeTimeLimits, 0);
}

TEST(ArgumentPass, LauncherOptionsNeverReachKyvFlashAndCaseIsKept)
{
    ArgumentPass pass = passArguments(
        {"r241", "/m", "com3", "115200", "none", "1", "Image.MFW", "noprint", "/RetStat", "ERRORTIMEOUT=200"});
    EXPECT_EQ(pass.forwarded, (Args{"r241", "/m", "com3", "115200", "none", "1", "Image.MFW", "noprint"}));
    EXPECT_TRUE(pass.returnStatus);
    EXPECT_EQ(pass.effectiveRunTimeLimit(), 200);

    ArgumentPass quiet = passArguments({"R241", "M", "USB", "image.mfw", "NORETSTAT"});
    EXPECT_EQ(quiet.forwarded, (Args{"R241", "M", "USB", "image.mfw"}));
    EXPECT_FALSE(quiet.returnStatus);
}

TEST(ArgumentPass, CpmiDropsTheSerialLineSettingsThatFollowIt)
{
    EXPECT_EQ(passArguments({"R453", "C", "CPMI", "115200", "NONE", "1", "table.cfg"}).forwarded,
              (Args{"R453", "C", "CPMI", "table.cfg"}));
    EXPECT_EQ(passArguments({"R453", "C", "/cpmi", "/9600", "/even", "/2", "table.cfg", "RETSTAT"}).forwarded,
              (Args{"R453", "C", "/cpmi", "table.cfg"}));
    // Only what looks like a line setting at its place is dropped.
    EXPECT_EQ(passArguments({"R453", "C", "CPMI", "table.cfg", "NOPRINT"}).forwarded,
              (Args{"R453", "C", "CPMI", "table.cfg", "NOPRINT"}));
}

TEST(ArgumentPass, BareNumberAmongTheLastTwoIsDroppedButNeverASerialLineSetting)
{
    // The stop bits of a COM interface are second to last here and must reach KyvFlash.
    EXPECT_EQ(passArguments({"R241", "M", "COM3", "115200", "NONE", "1", "image.mfw"}).forwarded,
              (Args{"R241", "M", "COM3", "115200", "NONE", "1", "image.mfw"}));
    EXPECT_EQ(passArguments({"R241", "M", "USB", "image.mfw", "RETSTAT", "900"}).forwarded,
              (Args{"R241", "M", "USB", "image.mfw"}));
    // Only the first of the last two is looked at.
    EXPECT_EQ(passArguments({"R241", "M", "USB", "image.mfw", "900"}).forwarded,
              (Args{"R241", "M", "USB", "image.mfw", "900"}));
    // Stop bits dropped after CPMI still count as the first of the last two.
    EXPECT_EQ(passArguments({"R453", "C", "CPMI", "115200", "NONE", "2", "2024"}).forwarded,
              (Args{"R453", "C", "CPMI", "2024"}));
    // An ERRORTIMEOUT before it ends the rule.
    EXPECT_EQ(passArguments({"R241", "M", "USB", "image.mfw", "ERRORTIMEOUT=200", "900"}).forwarded,
              (Args{"R241", "M", "USB", "image.mfw", "900"}));
}

} // namespace
} // namespace kyv::launcher
