#include "download/model_number_check.h"

#include <gtest/gtest.h>

namespace kyv {
namespace {

bool fits(const char* family, const char* selected, const char* printer)
{
    return !modelNumberMismatch(family, selected, printer);
}

TEST(ModelNumberCheck, SubModelDigitsListedInTheCatalogueNameAreAccepted)
{
    const char* r451 = "R451-2XX8/3XX8/4XX8/6XX8";
    EXPECT_TRUE(fits(r451, r451, "R451-6018"));
    EXPECT_TRUE(fits(r451, r451, "r451-2xx8")); // case does not matter
    EXPECT_FALSE(fits(r451, r451, "R451-5018"));  // 5 is not a listed sub-model
    EXPECT_FALSE(fits(r451, r451, "R451-2017"));  // character 8 differs
    EXPECT_FALSE(fits(r451, r451, "R452-2018"));

    const char* r241 = "R241-2XX8/3XX8/4XX8";
    EXPECT_TRUE(fits(r241, r241, "R241-4998"));
    EXPECT_FALSE(fits(r241, r241, "R241-6998"));
    EXPECT_TRUE(fits("R242-2XX6/3XX6", "R242-2XX6/3XX6", "R242-3016"));
    EXPECT_FALSE(fits("R242-2XX6/3XX6", "R242-2XX6/3XX6", "R242-4016"));

    const char* r452 = "R452-1X73/2X73"; // characters 7 and 8 both count
    EXPECT_TRUE(fits(r452, r452, "R452-2173"));
    EXPECT_FALSE(fits(r452, r452, "R452-3173"));
    EXPECT_FALSE(fits(r452, r452, "R452-1163"));
    EXPECT_FALSE(fits(r452, r452, "R452-1174"));
}

TEST(ModelNumberCheck, FamiliesWithFixedSubModelDigits)
{
    EXPECT_TRUE(fits("R241", "R241", "R241-3000"));
    EXPECT_FALSE(fits("R241", "R241", "R241-5000"));
    EXPECT_FALSE(fits("R241", "R241", "R24")); // a short answer never fits
    EXPECT_TRUE(fits("R451", "R451", "R451-6"));
    EXPECT_FALSE(fits("R451", "R451", "R451-5"));
    EXPECT_TRUE(fits("R242", "R242", "R242-2"));
    EXPECT_FALSE(fits("R242", "R242", "R242-4"));
    EXPECT_TRUE(fits("R452", "R452", "R452-anything"));
    EXPECT_FALSE(fits("R452", "R452", "R453-1"));
}

TEST(ModelNumberCheck, WholeModelNumberFamilies)
{
    EXPECT_TRUE(fits("R241-3044-7004", "R241-3044-7004", "R241-3044-7004"));
    EXPECT_FALSE(fits("R241-3044-7004", "R241-3044-7004", "R241-9354-7004"));
    EXPECT_TRUE(fits("Q58X-E616", "Q581-E616", "Q585-E616")); // the X digit is free
    EXPECT_FALSE(fits("Q58X-E616", "Q581-E616", "Q585-E617"));
    EXPECT_TRUE(fits("Q58X-E619", "Q58X-E619", "Q583-E619"));
    EXPECT_TRUE(fits("Q874-E611", "Q874-E611", "Q874-E611"));
    EXPECT_FALSE(fits("Q874-E611", "Q874-E611", "Q874-E612"));
    // Characters 7 to 9: the selected name ends at 8, so the printer's must end there too.
    EXPECT_TRUE(fits("R241-Y270", "R241-Y270", "R241-Y270"));
    EXPECT_FALSE(fits("R241-Y270", "R241-Y270", "R241-Y2701"));
}

TEST(ModelNumberCheck, Q62FamilyNamesJ736ByItsDigits)
{
    EXPECT_TRUE(fits("Q62X-J73X", "J736", "Q621-J736"));
    EXPECT_FALSE(fits("Q62X-J73X", "J736", "Q631-J736"));
    EXPECT_TRUE(fits("Q62X-J73X", "Q621-J738", "Q62Z-J738"));
    EXPECT_FALSE(fits("Q62X-J73X", "Q621-J738", "Q621-J736"));
}

TEST(ModelNumberCheck, FiscalModelQ306IsAccepted)
{
    EXPECT_TRUE(fits("Q58X-E617/Q306", "Q58X-E617/Q306", "Q583-E6"));
    EXPECT_TRUE(fits("Q58X-E617/Q306", "Q58X-E617/Q306", "Q306-0001"));
    EXPECT_FALSE(fits("Q58X-E617/Q306", "Q58X-E617/Q306", "Q583-E7"));
    EXPECT_TRUE(fits("Q58X-E617/Q306 (FISCAL)", "Q58X-E617/Q306 (FISCAL)", "Q306"));
    EXPECT_TRUE(fits("Q58X-E617/Q306 (FISCAL)", "Q58X-E617/Q306 (FISCAL)", "Q58X-E617"));
    EXPECT_FALSE(fits("Q58X-E617/Q306 (FISCAL)", "Q58X-E617/Q306 (FISCAL)", "Q58X-E618"));
}

TEST(ModelNumberCheck, R242TwoByteFamilyAcceptsEitherSubModelPairOrTheLongForm)
{
    const char* name = "R242-57X6/56X6/1456";
    EXPECT_TRUE(fits(name, name, "R242-5706"));
    EXPECT_TRUE(fits(name, name, "R242-5616"));
    EXPECT_TRUE(fits(name, name, "R242-1456"));
    EXPECT_FALSE(fits(name, name, "R242-5806"));
    EXPECT_FALSE(fits(name, name, "R242-5705")); // character 8
}

TEST(ModelNumberCheck, FamiliesWithoutARuleNeverMismatch)
{
    EXPECT_TRUE(fits("R453", "R453", "anything"));
    EXPECT_TRUE(fits("KSX4-1ST/2ST", "KSX4-1ST/2ST", ""));
}

} // namespace
} // namespace kyv
