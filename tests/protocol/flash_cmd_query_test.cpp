// Queries of the printer's mode, identity and line speed over a serial line.
#include "protocol/flash_cmd_test_support.h"

namespace kyv::test {
namespace {

using sim::Fault;
using sim::FaultKind;
using sim::PrinterCommand;

using QueryTest = SimulatedPrinterTest;

TEST_F(QueryTest, OnlinePrinterAnswersModeModelVersionAndSpeed)
{
    sim::PrinterOptions options;
    options.fiscalState = 2;
    options.bootVersion = "10.01";
    options.mainVersion = "15000";
    options.bootCrc = "1A2B";
    options.mainCrc = "3C4D";
    startPrinter(options);

    EXPECT_EQ(cmd.queryPrinterMode(), 0);
    EXPECT_EQ(printer->bytesFromHost(), (Bytes{0x10, 0x04, 0x01}));

    std::string model = "model:";
    ASSERT_EQ(cmd.queryModelNumber(model), 1);
    EXPECT_EQ(model, "model:" + printer->modelNumber());

    std::string version;
    ASSERT_EQ(cmd.queryVersionReport(version), 1);
    EXPECT_EQ(version, "\r\nIPL VERSION  \t: 10.01 \r\nIPL CRC \t\t: 1A2B  \r\nMAIN VERSION  \t: 15000 \r\n"
                       "MAIN CRC  \t: 3C4D  \r\n");
    EXPECT_TRUE(events.notices.empty());

    printer->clearTranscript();
    EXPECT_EQ(cmd.queryBaudRateExtended(), 115200);
    EXPECT_EQ(printer->bytesFromHost(),
              (Bytes{0x1F, 0x7A, 0x74, 0x01, 0x1B, 0x6A, 0x02, 0x1F, 0x7A, 0x74, 0x00}));
    EXPECT_FALSE(printer->state().settingsMode);

    EXPECT_EQ(cmd.queryFlashState(), 2);
}

TEST_F(QueryTest, VersionItemsAreAskedInOrderWithTheTableForR453)
{
    sim::PrinterOptions options;
    options.model = "R453";
    options.tableVersion = "00100";
    startPrinter(options);

    std::string version;
    ASSERT_EQ(cmd.queryVersionReport(version), 1);
    EXPECT_EQ(printer->bytesFromHost(), (Bytes{0x1D, 0x49, 0x40, 0x97, 0x1D, 0x49, 0x40, 0x2F, 0x1D, 0x49, 0x40, 0xA3,
                                               0x1D, 0x49, 0x40, 0x37, 0x1D, 0x49, 0x40, 0x9B}));
    EXPECT_EQ(version.substr(version.size() - 25), "TABLE VERSION  \t: 00100\r\n");

    printer->clearTranscript();
    EXPECT_EQ(cmd.queryBaudRate(), 19200);
    EXPECT_EQ(printer->bytesFromHost(), (Bytes{0x1F, 0x12, 0x11}));
}

TEST_F(QueryTest, UnansweredVersionItemGivesTheNoticeAndAnEmptyText)
{
    sim::PrinterOptions options;
    options.faults.push_back({FaultKind::NoReply, PrinterCommand::VersionItem, 3});
    startPrinter(options);
    cmd.setReadTimeout(500);

    std::string version = "stale";
    EXPECT_EQ(cmd.queryVersionReport(version), 1);
    EXPECT_EQ(version, "");
    ASSERT_EQ(events.notices.size(), 1u);
    EXPECT_EQ(events.notices[0].text, "Please Check the Connection. No Response from Printer.");
    EXPECT_EQ(events.notices[0].caption, "Brevant");
    // The remaining item is still asked.
    EXPECT_EQ(printer->bytesFromHost().size(), 16u);
}

TEST_F(QueryTest, ModeOfAPrinterInDownloadModeOrSilent)
{
    sim::PrinterOptions options;
    options.startInDownloadMode = true;
    startPrinter(options);
    cmd.setReadTimeout(300);
    EXPECT_EQ(cmd.queryPrinterMode(), 1);
    EXPECT_EQ(printer->bytesFromHost(), (Bytes{0x10, 0x04, 0x01, 0x1D, 0x01}));

    printer->addFault({FaultKind::NoReply, PrinterCommand::Any, 0});
    EXPECT_EQ(cmd.queryPrinterMode(), 2);
    std::string model;
    EXPECT_EQ(cmd.queryModelNumber(model), 0);
    EXPECT_EQ(cmd.queryBaudRate(), 0);
    EXPECT_EQ(cmd.queryBaudRateExtended(), 0);
    EXPECT_EQ(cmd.queryFlashState(), 0);
}

TEST_F(QueryTest, BusyPrinterIsReleasedBeforeItCountsAsReady)
{
    sim::PrinterOptions options;
    options.notReady = true;
    startPrinter(options);
    EXPECT_EQ(cmd.waitUntilReady(cmd::kRealTimeStatus), 1);
    EXPECT_EQ(printer->bytesFromHost(), (Bytes{0x10, 0x04, 0x01, 0x1D, 0x03, 0x02, 0x10, 0x04, 0x01}));
}

TEST_F(QueryTest, ChangeBaudRateSendsTheCodeAndResets)
{
    startPrinter();
    auto started = now();
    ASSERT_EQ(cmd.changeBaudRate(57600), rc::Success);
    // The reset's restart wait and the settle after it.
    EXPECT_GE(now() - started, scaled(ProtocolMs{23000}));
    EXPECT_EQ(printer->bytesFromHost(), (Bytes{0x10, 0x04, 0x01, 0x1F, 0x11, 0x11, 0x01, 0xFF, 0x1D, 0xFF}));
    EXPECT_EQ(printer->state().baud, 57600);
    EXPECT_EQ(cmd.timeouts().readConstant, 1500u);

    // Unknown speeds go as 115200.
    ASSERT_EQ(cmd.configure("COM1", 57600, "NONE", 8, 1), 1);
    printer->clearTranscript();
    ASSERT_EQ(cmd.changeBaudRate(14400), rc::Success);
    EXPECT_EQ(printer->bytesFromHost(), (Bytes{0x10, 0x04, 0x01, 0x1F, 0x11, 0x11, 0x00, 0xFF, 0x1D, 0xFF}));
    EXPECT_EQ(printer->state().baud, 115200);
}

TEST_F(QueryTest, ChangeBaudRateOnASilentPrinterIsInterfaceBusy)
{
    sim::PrinterOptions options;
    options.faults.push_back({FaultKind::NoReply, PrinterCommand::Status, 0});
    startPrinter(options);
    EXPECT_EQ(cmd.changeBaudRate(115200), rc::InterfaceBusy);
    // Four status requests, each tried once (a read failure ends waitUntilReady), nothing else.
    EXPECT_EQ(printer->bytesFromHost().size(), 12u);
    EXPECT_EQ(printer->state().resetCount, 0);
}

} // namespace
} // namespace kyv::test
