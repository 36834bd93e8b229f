#include "app/lib/job_preparation.h"

#include "protocol/hid_image_buffer.h"
#include "support/scratch_dir.h"

#include <gtest/gtest.h>

namespace kyv {
namespace {

// Each job runs in a scratch directory that holds images with every header letter.
class JobPreparationTest : public ::testing::Test {
protected:
    void SetUp() override
    {
        for (char letter : std::string("MBSDCP"))
            dir.write(std::string(1, letter) + ".img", std::string("J") + letter + std::string(64, '\0'));
    }
    PreparedJob prepare(const std::vector<std::string>& args) { return prepareJob(args, catalogue, workDir, values); }

    test::ScratchDir dir{true};
    std::string workDir = dir.path().string();
    ModelCatalogue catalogue;
    ProcessValues values;
};

TEST_F(JobPreparationTest, LanOnR453StoresTheLanJobKindAndAddress)
{
    const PreparedJob job = prepare({"R453", "M", "LAN", "127.1.2.3", "M.img", "NOPRINT"});
    ASSERT_EQ(job.code, 0);
    const FlashJob& f = job.row->job;
    EXPECT_EQ(f.interfaceName, "LAN");
    EXPECT_EQ(f.interfaceKind, kLanJob);
    EXPECT_EQ(f.ipAddress, 0x7F010203u);
    EXPECT_EQ(f.baudRate, 19200); // the model's serial defaults stay
    EXPECT_EQ(f.printAfter, 0);
    EXPECT_EQ(f.startSector, 36);
    EXPECT_EQ(f.commandLineMode, 1);
    EXPECT_EQ(values.pidList, "36b36c36d");
}

TEST_F(JobPreparationTest, SerialSettingsAndPortsSelectByTheirBeginning)
{
    PreparedJob job = prepare({"R242", "B", "com12", "9600", "even", "2", "B.img"});
    ASSERT_EQ(job.code, 0);
    EXPECT_EQ(job.row->job.interfaceName, "COM12");
    EXPECT_EQ(job.row->job.baudRate, 9600);
    EXPECT_EQ(job.row->job.parity, "EVEN");
    EXPECT_EQ(job.row->job.stopBits, 2);
    EXPECT_EQ(job.row->job.startSector, 4);

    job = prepare({"R241", "M", "COM99", "57600", "ODD", "1", "M.img"});
    ASSERT_EQ(job.code, 0);
    EXPECT_EQ(job.row->job.interfaceName, "COM1"); // COM99 is no entry: COM1 stays
    EXPECT_EQ(job.row->job.baudRate, 57600);
}

TEST_F(JobPreparationTest, UsbClassesAndIbmUsb)
{
    PreparedJob job = prepare({"R243", "M", "PRTR", "M.img"});
    ASSERT_EQ(job.code, 0);
    EXPECT_EQ(job.row->job.interfaceName, "PRTR");
    EXPECT_EQ(job.row->job.interfaceKind, kUsbDeviceClass);
    EXPECT_EQ(job.row->job.usbClassPrtr, 1);

    job = prepare({"R241", "M", "CPMI", "M.img"});
    EXPECT_EQ(job.row->job.interfaceName, "CPMI");
    EXPECT_EQ(job.selection.model.interfaces.entries.back(), "CPMI"); // added for the run

    job = prepare({"R243", "F", "IBMUSB", "M.img"});
    ASSERT_EQ(job.code, 0);
    EXPECT_EQ(job.selection.model.interfaces.entries, std::vector<std::string>{"IBM USB"});
    EXPECT_EQ(job.row->job.interfaceName, "IBM USB");
    EXPECT_EQ(job.row->job.interfaceKind, kIbmUsb);
    EXPECT_EQ(job.row->job.startSector, 32);

    // USB is added for the run, as CPMI is: the job goes to the USB report device, not to
    // the entry model selection left.
    job = prepare({"KSX4-1ST/2ST", "T", "USB", "C.img"});
    ASSERT_EQ(job.code, 0);
    EXPECT_EQ(job.row->job.interfaceName, "USB");
    EXPECT_EQ(job.row->job.interfaceKind, kUsbReportDevice);
    EXPECT_EQ(job.row->job.startSector, 43);
    EXPECT_EQ(job.row->job.downloadTypeCode, 5);
}

TEST_F(JobPreparationTest, ConfigurationTableKeepsTheSectorOfTheJobBefore)
{
    ASSERT_EQ(prepare({"R453", "SB", "NHPI", "S.img"}).code, 0);
    const PreparedJob job = prepare({"R453", "C", "NHPI", "P.img"});
    ASSERT_EQ(job.code, 0);
    EXPECT_EQ(job.row->job.startSector, 91);
    EXPECT_EQ(job.row->job.downloadTypeCode, 6);
    EXPECT_EQ(job.row->job.usbClassPrtr, 0);
}

TEST_F(JobPreparationTest, TypeNotInTheModelsListLeavesNoTypeSelected)
{
    // "M" is taken by the parser for every model, but this one offers only IMF files.
    const PreparedJob job = prepare({"R242-57X6/56X6/1456", "M", "IBMUSB", "B.img"});
    EXPECT_EQ(job.selection.downloadTypeIndex, -1);
    EXPECT_EQ(job.selection.downloadTypeText, "");
    EXPECT_EQ(job.code, 0);
    EXPECT_EQ(job.row->job.downloadTypeCode, 0);
}

TEST_F(JobPreparationTest, ParseErrorsStopBeforeAnySelection)
{
    const PreparedJob job = prepare({"R241", "Q", "COM1", "115200", "NONE", "1", "M.img"});
    EXPECT_EQ(job.code, rc::BadDownloadTypeArgument);
    EXPECT_FALSE(job.parsed);
    EXPECT_EQ(job.row, nullptr);
}

} // namespace
} // namespace kyv
