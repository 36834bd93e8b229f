// Commands that steer the printer: download mode, restarts, download area, configuration print.
#include "protocol/flash_cmd_test_support.h"

namespace kyv::test {
namespace {

using sim::FaultKind;
using sim::PrinterCommand;

using ControlTest = SimulatedPrinterTest;

TEST_F(ControlTest, SwitchToDownloadModeWaitsForTheRestart)
{
    startPrinter();
    auto started = now();
    ASSERT_EQ(cmd.switchToDownloadMode(cmd::kEnterDownloadMode), 1);
    EXPECT_GE(now() - started, scaled(ProtocolMs{7000}));
    EXPECT_EQ(printer->bytesFromHost(), (Bytes{0x1B, 0x5B, 0x7D}));
    EXPECT_EQ(cmd.sendWithAck(cmd::kIplCommand), 1);
    EXPECT_EQ(printer->state().mode, sim::PrinterMode::Download);
}

TEST_F(ControlTest, RestartsWaitTheirModelsTime)
{
    startPrinter();
    auto started = now();
    ASSERT_EQ(cmd.sendAndWaitRestart(cmd::kReset), 1);
    EXPECT_GE(now() - started, scaled(ProtocolMs{20000}));
    EXPECT_EQ(printer->bytesFromHost(), (Bytes{0x1D, 0xFF}));
    EXPECT_EQ(printer->state().resetCount, 1);

    printer->clearTranscript();
    ASSERT_EQ(cmd.restartPrinter(), 1);
    EXPECT_EQ(printer->bytesFromHost(), (Bytes{0x1D, 0x80}));
    EXPECT_EQ(printer->state().resetCount, 2);

    cmd.setModel("R453", "R453");
    started = now();
    ASSERT_EQ(cmd.sendAndWaitRestart(cmd::kReset), 1);
    auto took = now() - started;
    EXPECT_GE(took, scaled(ProtocolMs{10000}));
    EXPECT_LT(took, scaled(ProtocolMs{20000}));
}

TEST_F(ControlTest, ClearDownloadAreaErasesTheUserAreaFirstWhereThereIsOne)
{
    sim::PrinterOptions options;
    options.model = "R451";
    startPrinter(options);
    ASSERT_EQ(cmd.clearDownloadArea(), 1);
    EXPECT_EQ(printer->bytesFromHost(),
              (Bytes{0x1D, 0x22, 0x55, 0xFF, 0xFF, 0x1D, 0x40, 0x31, 0x1D, 0x40, 0x32}));
    EXPECT_EQ(cmd.timeouts().readConstant, 5000u);

    cmd.setModel("R241", "R241");
    printer->clearTranscript();
    ASSERT_EQ(cmd.clearDownloadArea(), 1);
    EXPECT_EQ(printer->bytesFromHost(), (Bytes{0x1D, 0x40, 0x31, 0x1D, 0x40, 0x32}));

    printer->addFault({FaultKind::NoReply, PrinterCommand::ClearDownloadArea2, 0});
    EXPECT_EQ(cmd.clearDownloadArea(), 0);
}

TEST_F(ControlTest, PrintConfigurationAndRawBytes)
{
    startPrinter();
    ASSERT_EQ(cmd.printConfiguration(0), 1);
    EXPECT_EQ(cmd.timeouts().readConstant, 1500u);
    EXPECT_EQ(waitForHostBytes(4), (Bytes{0x1F, 0x74, 0x00, 0x01}));
    ASSERT_EQ(cmd.sendRaw(Bytes{0x1F, 0x11, 0x52, 0x03, 0xFF}), 1);
    EXPECT_EQ(waitForHostBytes(9).size(), 9u);
    EXPECT_EQ(printer->state().configurationPrints, 1);
    EXPECT_EQ(printer->state().parameters.at(0x52), 0x03);
}

TEST_F(ControlTest, NothingIsReportedSentOnADroppedLine)
{
    startPrinter();
    printer->stop();
    EXPECT_EQ(cmd.restartPrinter(), 0);
    EXPECT_EQ(cmd.printConfiguration(0), 0);
    EXPECT_EQ(cmd.sendRaw(Bytes{0x1D, 0xFF}), 0);
    EXPECT_EQ(cmd.switchToDownloadMode(cmd::kEnterDownloadMode), 0);
    EXPECT_EQ(cmd.sendWithAck(cmd::kIplCommand), 0);
    EXPECT_TRUE(cmd.lineDropped());
}

} // namespace
} // namespace kyv::test
