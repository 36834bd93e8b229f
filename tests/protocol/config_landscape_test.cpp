// Stored printer settings: landscape, MICR and FLIP.
#include "protocol/flash_cmd_test_support.h"

namespace kyv::test {
namespace {

using sim::FaultKind;
using sim::PrinterCommand;

class LandscapeTest : public SimulatedPrinterTest {
protected:
    void startWithSwitches(uint8_t r0, uint8_t r1, std::vector<sim::Fault> faults = {})
    {
        sim::PrinterOptions options;
        options.model = "R241-3044-7004";
        options.switchByte0 = r0;
        options.switchByte1 = r1;
        options.faults = std::move(faults);
        startPrinter(options);
    }
    const Bytes check{0x1F, 0x7A, 0x74, 0x01, 0x1B, 0x6A, 0x7A};
};

TEST_F(LandscapeTest, AlreadyLandscapeWritesNothing)
{
    startWithSwitches(0x12, 0x01);
    ASSERT_EQ(cmd.configureLandscape(&events), 1);
    EXPECT_EQ(printer->bytesFromHost(), check);
    EXPECT_EQ(events.steps, (std::vector<std::string>{"Checking for Landscape configuration in the printer ...",
                                                      "Printer already configured for Landscape."}));
    EXPECT_EQ(printer->state().resetCount, 0);
}

TEST_F(LandscapeTest, PortraitPrinterIsSwitchedAndReset)
{
    startWithSwitches(0x12, 0x00);
    ASSERT_EQ(cmd.configureLandscape(&events), 1);
    EXPECT_EQ(printer->bytesFromHost(), concat({check, {0x1B, 0x73, 0x12, 0x01, 0x7A, 0x1D, 0xFF}}));
    EXPECT_EQ(events.steps, (std::vector<std::string>{
                                "Checking for Landscape configuration in the printer ...",
                                "Configuring Printer for Landscape ...",
                                "Printer Configuration completed successfully ... \r\n Resetting Printer"}));
    EXPECT_EQ(printer->state().switchByte1, 0x01);
    EXPECT_EQ(printer->state().resetCount, 1);
}

TEST_F(LandscapeTest, OnlyTheLandscapeBitChanges)
{
    startWithSwitches(0x12, 0xFE);
    ASSERT_EQ(cmd.configureLandscape(&events), 1);
    EXPECT_EQ(printer->bytesFromHost(), concat({check, {0x1B, 0x73, 0x12, 0xFF, 0x7A, 0x1D, 0xFF}}));
}

TEST_F(LandscapeTest, OneByteSwitchReplyCountsAsLandscape)
{
    startWithSwitches(0x12, 0x00, {{FaultKind::ShortReply, PrinterCommand::ReadSwitches, 1}});
    ASSERT_EQ(cmd.configureLandscape(&events), 1);
    EXPECT_EQ(events.steps.back(), "Printer already configured for Landscape.");
    EXPECT_EQ(printer->bytesFromHost(), check);
}

TEST_F(LandscapeTest, SilentPrinterEndsTheCheckWithoutFurtherTexts)
{
    startWithSwitches(0x12, 0x00, {{FaultKind::NoReply, PrinterCommand::ReadSwitches, 1}});
    cmd.setReadTimeout(300);
    EXPECT_EQ(cmd.configureLandscape(&events), 0);
    EXPECT_EQ(events.steps, (std::vector<std::string>{"Checking for Landscape configuration in the printer ..."}));
    EXPECT_EQ(printer->bytesFromHost(), check);
}

TEST_F(LandscapeTest, MicrAndFlipAreSwitchedOff)
{
    startWithSwitches(0x12, 0x01);
    ASSERT_EQ(cmd.disableMicr(&events), 1);
    ASSERT_EQ(cmd.disableFlip(&events), 1);
    EXPECT_EQ(waitForHostBytes(10), (Bytes{0x1F, 0x11, 0x34, 0x01, 0xFF, 0x1F, 0x11, 0x35, 0x01, 0xFF}));
    EXPECT_EQ(events.steps, (std::vector<std::string>{"Disable MICR ...", "Disable FLIP ..."}));
    // No dialog: nothing to tell, the command still goes out.
    EXPECT_EQ(cmd.disableMicr(nullptr), 1);
}

} // namespace
} // namespace kyv::test
