#include "core/download_type.h"
#include "core/model_selection.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

namespace kyv {
namespace {

using Strings = std::vector<std::string>;

class ModelSelectionTest : public ::testing::Test {
protected:
    const ModelInfo& row(const char* name) { return catalogue.row(catalogue.indexOf(name)); }
    std::string selectedInterface(const ModelSelection& s)
    {
        return s.interfaces.selected < 0 ? "" : s.interfaces.entries[static_cast<size_t>(s.interfaces.selected)];
    }
    Strings comPorts()
    {
        Strings ports;
        for (int n = 1; n <= 50; ++n)
            ports.push_back("COM" + std::to_string(n));
        return ports;
    }
    Strings join(Strings head, const Strings& tail)
    {
        head.insert(head.end(), tail.begin(), tail.end());
        return head;
    }

    ModelCatalogue catalogue;
    ProcessValues values;
};

TEST_F(ModelSelectionTest, R241OffersItsAsianFontsUsbAndComWithTheR241ProductIds)
{
    const ModelSelection s = selectModel(row("R241"), values);
    EXPECT_EQ(s.downloadTypes, (Strings{"IPL FIRMWARE", "MAIN FIRMWARE", "ANK FONT", "SLIP ASIAN FONT",
                                        "RECEIPT ASIAN FONT"}));
    EXPECT_EQ(s.interfaces.entries, join({"CPMI"}, comPorts()));
    EXPECT_EQ(selectedInterface(s), "COM1");
    EXPECT_EQ(s.interfaceKind, kSerialPort);
    EXPECT_EQ(s.serial.baud, "115200");
    EXPECT_EQ(s.serial.parity, "NONE");
    EXPECT_EQ(s.serial.stopBits, "1");
    EXPECT_EQ(values.pidList, "31631831731f");
    EXPECT_FALSE(s.makeFwFolder);
    EXPECT_FALSE(s.j5Family);
}

TEST_F(ModelSelectionTest, R241Y480SharesTheFamilyButHasNoAsianFonts)
{
    const ModelSelection s = selectModel(row("R241-Y480"), values);
    EXPECT_EQ(s.downloadTypes, (Strings{"IPL FIRMWARE", "MAIN FIRMWARE", "ANK FONT"}));
    EXPECT_EQ(s.interfaces.entries, join({"CPMI"}, comPorts()));
    EXPECT_EQ(values.pidList, "31631831731f");
}

TEST_F(ModelSelectionTest, BothJ5RowsOfferMainBootAndSbcsOverHidOnly)
{
    for (const char* name : {"J5", "J5_REFRESH"}) {
        SCOPED_TRACE(name);
        values.pidList = "stale";
        const ModelSelection s = selectModel(row(name), values);
        // The J5 image check takes the list position: 0 main, 1 boot, 2 SBCS.
        EXPECT_EQ(s.downloadTypes, (Strings{"MAIN FIRMWARE", "IPL FIRMWARE", "SBCS FONT"}));
        EXPECT_EQ(s.interfaces.entries, Strings{"HID"});
        EXPECT_EQ(selectedInterface(s), "HID");
        EXPECT_EQ(s.interfaceKind, kHid);
        EXPECT_EQ(values.pidList, "40e40f");
        EXPECT_TRUE(s.j5Family);
    }
}

TEST_F(ModelSelectionTest, KsxOffersOnlyCpmiAndItsTable)
{
    const ModelSelection s = selectModel(row("KSX4-1ST/2ST"), values);
    EXPECT_EQ(s.downloadTypes, (Strings{"IPL FIRMWARE", "MAIN FIRMWARE", "SBCS FONT", "DBCS FONT", "TABLE"}));
    EXPECT_EQ(s.interfaces.entries, Strings{"CPMI"});
    EXPECT_EQ(selectedInterface(s), "CPMI");
    EXPECT_EQ(s.interfaceKind, kUsbDeviceClass);
    EXPECT_EQ(values.pidList, "36f370371372373374");
}

TEST_F(ModelSelectionTest, R453AndR243FollowTheFormTheAttachedPrinterIsIn)
{
    ModelSelection s = selectModel(row("R453"), values);
    EXPECT_EQ(s.downloadTypes, (Strings{"IPL FIRMWARE", "MAIN FIRMWARE", "SBCS FONT", "DBCS FONT", "TABLE",
                                        "Printer Configuration Table"}));
    EXPECT_EQ(s.interfaces.entries, join({"LAN", "NHPI", "PRTR"}, comPorts()));
    EXPECT_EQ(selectedInterface(s), "COM1");
    EXPECT_EQ(s.serial.baud, "19200");
    EXPECT_TRUE(s.makeFwFolder);
    EXPECT_EQ(values.pidList, "36b36c36d");

    values.detectedUsbType = kUsbTypeCpmiForm;
    s = selectModel(row("R453"), values);
    EXPECT_EQ(s.downloadTypes, (Strings{"IPL FIRMWARE", "MAIN FIRMWARE", "SBCS FONT", "DBCS FONT", "TABLE"}));
    EXPECT_EQ(s.interfaces.entries, join({"LAN", "CPMI"}, comPorts()));

    values.detectedUsbType = 0;
    s = selectModel(row("R243"), values);
    EXPECT_EQ(s.downloadTypes, (Strings{"IPL FIRMWARE", "MAIN FIRMWARE", "SBCS FONT", "DBCS FONT", "SDBCS FONT",
                                        "TABLE", "IMF FILE", "Printer Configuration Table"}));
    EXPECT_EQ(values.pidList, "38438538631f");
}

TEST_F(ModelSelectionTest, ImfOnlyFamiliesAndTheirInterfaceChoice)
{
    ModelSelection s = selectModel(row("R242-57X6/56X6/1456"), values);
    EXPECT_EQ(s.downloadTypes, Strings{"IMF FILE"});
    EXPECT_EQ(s.interfaces.entries, join({"IBM USB"}, comPorts()));
    EXPECT_EQ(selectedInterface(s), "COM1");

    s = selectModel(row("R241-9354-7004"), values);
    EXPECT_EQ(s.downloadTypes, Strings{"IMF FILE"});
    EXPECT_EQ(s.interfaces.entries, Strings{"IBM USB"});
    EXPECT_EQ(selectedInterface(s), "IBM USB");
    EXPECT_EQ(s.interfaceKind, kIbmUsb);
    EXPECT_EQ(values.pidList, "31f");

    s = selectModel(row("R241-3044-7004"), values);
    EXPECT_EQ(s.interfaces.entries, comPorts());
    EXPECT_EQ(values.pidList, "");
}

TEST_F(ModelSelectionTest, R451LanModelOffersEveryInterfaceKind)
{
    const ModelSelection s = selectModel(row("R451-2XX8/3XX8/4XX8/6XX8"), values);
    EXPECT_EQ(s.downloadTypes, (Strings{"IPL FIRMWARE", "MAIN FIRMWARE", "IPL LAN FIRMWARE", "SBCS FONT", "DBCS FONT"}));
    EXPECT_EQ(s.interfaces.entries, join({"LAN", "CPMI", "IBM USB", "WIFI"}, comPorts()));
    EXPECT_EQ(selectedInterface(s), "COM1");
    EXPECT_EQ(s.downloadTypes.size(), 5u);
    EXPECT_EQ(selectModel(row("R242"), values).downloadTypes,
              (Strings{"IPL FIRMWARE", "MAIN FIRMWARE", "ANK FONT", "BOOT INITIAL", "SLIP 2 BYTE", "RECEIPT 2 BYTE"}));
    EXPECT_EQ(selectModel(row("R451"), values).downloadTypes,
              (Strings{"IPL FIRMWARE", "MAIN FIRMWARE", "ANK FONT", "ASIAN FONT SECTOR", "CP932 FONT"}));
}

// Every row of the catalogue: its download types in combo order, the interfaces its family
// is reached over (COM1 to COM50 follow where "com" is set), the entry left selected and the
// family's USB product ids.
TEST_F(ModelSelectionTest, EveryModelOffersItsTypesInterfacesAndProductIds)
{
    const Strings ipl = {"IPL FIRMWARE", "MAIN FIRMWARE"};
    const Strings fonts = {"IPL FIRMWARE", "MAIN FIRMWARE", "SBCS FONT", "DBCS FONT"};
    struct Expect {
        const char* model;
        Strings types;
        Strings interfaces; // before the COM ports
        bool com;
        const char* selected;
        const char* pids;
    };
    const Expect rows[] = {
        {"R241", join(ipl, {"ANK FONT", "SLIP ASIAN FONT", "RECEIPT ASIAN FONT"}), {"CPMI"}, true, "COM1",
         "31631831731f"},
        {"R241-Y480", join(ipl, {"ANK FONT"}), {"CPMI"}, true, "COM1", "31631831731f"},
        {"R241-Y270", join(ipl, {"ANK FONT"}), {"CPMI"}, true, "COM1", "31c31e31d"},
        {"R241-2XX8/3XX8/4XX8", join(ipl, {"ANK FONT", "BOOT INITIAL", "SLIP ASIAN FONT", "RECEIPT ASIAN FONT"}),
         {"CPMI", "IBM USB"}, true, "COM1", "31631831731f"},
        {"R241-3044-7004", join(ipl, {"ANK FONT", "SLIP ASIAN FONT", "RECEIPT ASIAN FONT"}), {}, true, "COM1", ""},
        {"R241-9354-7004", {"IMF FILE"}, {"IBM USB"}, false, "IBM USB", "31f"},
        {"R242", join(ipl, {"ANK FONT", "BOOT INITIAL", "SLIP 2 BYTE", "RECEIPT 2 BYTE"}), {"CPMI", "IBM USB"}, true,
         "COM1", "35035235130f"},
        {"R242-57X6/56X6/1456", {"IMF FILE"}, {"IBM USB"}, true, "COM1", "30f"},
        {"R242-2XX6/3XX6", join(ipl, {"ANK FONT", "SLIP ASIAN FONT", "RECEIPT ASIAN FONT"}), {"CPMI", "IBM USB"}, true,
         "COM1", "35035235130f"},
        {"R451", join(ipl, {"ANK FONT", "ASIAN FONT SECTOR", "CP932 FONT"}), {"CPMI"}, true, "COM1", "31931b31a30d"},
        {"R451-2XX8/3XX8/4XX8/6XX8", join(ipl, {"IPL LAN FIRMWARE", "SBCS FONT", "DBCS FONT"}),
         {"LAN", "CPMI", "IBM USB", "WIFI"}, true, "COM1", "31931b31a30d"},
        {"R452", join(ipl, {"ANK FONT", "BOOT INITIAL", "RECEIPT 2 BYTE"}), {"CPMI", "IBM USB"}, true, "COM1",
         "35c35e35d364"},
        {"Q874-E611", fonts, {"CPMI"}, true, "COM1", "34d34f34e"},
        {"J5", {"MAIN FIRMWARE", "IPL FIRMWARE", "SBCS FONT"}, {"HID"}, false, "HID", "40e40f"},
        {"J5_REFRESH", {"MAIN FIRMWARE", "IPL FIRMWARE", "SBCS FONT"}, {"HID"}, false, "HID", "40e40f"},
        {"Q621-J738", join(ipl, {"ANK FONT", "ASIAN FONT SECTOR"}), {"CPMI"}, true, "COM1", "356358357"},
        {"Q622-J738", join(ipl, {"ANK FONT", "ASIAN FONT SECTOR"}), {"CPMI"}, true, "COM1", "356358357"},
        {"J736", join(ipl, {"ANK FONT", "ASIAN FONT SECTOR"}), {"CPMI"}, true, "COM1", "356358357"},
        {"Q581-E616", join(ipl, {"ANK FONT", "ASIAN FONT SECTOR", "CP932 FONT"}), {"CPMI"}, true, "COM1", "353355354"},
        {"Q585-E616", join(ipl, {"ANK FONT", "ASIAN FONT SECTOR", "CP932 FONT"}), {"CPMI"}, true, "COM1", "353355354"},
        {"KSX4-1ST/2ST", join(fonts, {"TABLE"}), {"CPMI"}, false, "CPMI", "36f370371372373374"},
        {"Q58X-E617/Q306", fonts, {"CPMI"}, true, "COM1", "313315314"},
        {"Q58X-E619", fonts, {"CPMI"}, true, "COM1", "35935b35a"},
        {"R453", join(fonts, {"TABLE", "Printer Configuration Table"}), {"LAN", "NHPI", "PRTR"}, true, "COM1",
         "36b36c36d"},
        {"R243", join(fonts, {"SDBCS FONT", "TABLE", "IMF FILE", "Printer Configuration Table"}),
         {"LAN", "NHPI", "PRTR"}, true, "COM1", "38438538631f"},
        {"Q913-E615", join(fonts, {"TABLE"}), {"CPMI"}, false, "CPMI", "387388389"},
    };
    ASSERT_EQ(std::size(rows), static_cast<size_t>(ModelCatalogue::size()));
    for (const Expect& want : rows) {
        SCOPED_TRACE(want.model);
        const ModelSelection s = selectModel(row(want.model), values);
        EXPECT_EQ(s.downloadTypes, want.types);
        EXPECT_EQ(s.interfaces.entries, want.com ? join(want.interfaces, comPorts()) : want.interfaces);
        EXPECT_EQ(selectedInterface(s), want.selected);
        EXPECT_EQ(s.interfaceKind, interfaceKindOf(want.selected));
        EXPECT_EQ(values.pidList, want.pids);
    }
}

TEST_F(ModelSelectionTest, InterfaceKindFollowsTheComboText)
{
    EXPECT_EQ(interfaceKindOf("USB"), kUsbReportDevice);
    EXPECT_EQ(interfaceKindOf("LAN"), kLanOrWifi);
    EXPECT_EQ(interfaceKindOf("WIFI"), kLanOrWifi);
    EXPECT_EQ(interfaceKindOf("PRTR"), kUsbDeviceClass);
    EXPECT_EQ(interfaceKindOf("IBM USB"), kIbmUsb);
    EXPECT_EQ(interfaceKindOf("HID"), kHid);
    EXPECT_EQ(interfaceKindOf("COM7"), kSerialPort);
}

TEST_F(ModelSelectionTest, ChoosingATypeCopiesItsSectorExceptForTheConfigurationTable)
{
    ModelInfo& r453 = catalogue.row(catalogue.indexOf("R453"));
    EXPECT_TRUE(chooseDownloadType(r453, "TABLE"));
    EXPECT_EQ(r453.job.startSector, 77);
    EXPECT_TRUE(chooseDownloadType(r453, "Printer Configuration Table"));
    EXPECT_EQ(r453.job.startSector, 77);
    EXPECT_TRUE(chooseDownloadType(r453, "MAIN FIRMWARE"));
    EXPECT_EQ(r453.job.startSector, 36);
    EXPECT_FALSE(chooseDownloadType(r453, "main firmware"));
    EXPECT_EQ(r453.job.startSector, 36);

    ModelInfo& imf = catalogue.row(catalogue.indexOf("R242-57X6/56X6/1456"));
    EXPECT_TRUE(chooseDownloadType(imf, "IMF FILE"));
    EXPECT_EQ(imf.job.startSector, imf.iplSector);

    recordDownloadTypeCode(r453.job, "SDBCS FONT");
    EXPECT_EQ(r453.job.downloadTypeCode, 9);
    recordDownloadTypeCode(r453.job, "Printer Configuration Table");
    EXPECT_EQ(r453.job.downloadTypeCode, 6);
    recordDownloadTypeCode(r453.job, "ANK FONT");
    EXPECT_EQ(r453.job.downloadTypeCode, 0);
    recordDownloadTypeCode(r453.job, "printer configuration table");
    EXPECT_EQ(r453.job.downloadTypeCode, 0);
}

TEST(DownloadTypes, CodesLettersAndBrowseFilters)
{
    EXPECT_EQ(downloadTypes().size(), 17u);
    const std::pair<const char*, int> codes[] = {{"IPL FIRMWARE", 1}, {"MAIN FIRMWARE", 2}, {"SBCS FONT", 3},
                                                 {"DBCS FONT", 4},    {"TABLE", 5},         {"Printer Configuration Table", 6},
                                                 {"SDBCS FONT", 9}};
    int withCode = 0;
    for (const DownloadType& t : downloadTypes())
        withCode += t.code != 0;
    EXPECT_EQ(withCode, 7);
    for (auto [text, code] : codes)
        EXPECT_EQ(downloadTypeCode(text), code) << text;

    EXPECT_EQ(browseFilter("MAIN FIRMWARE", false), "Main Firmware Files (*.mfw)|*.mfw|");
    EXPECT_EQ(browseFilter("MAIN FIRMWARE", true), "Main Firmware Files (*.mfw; *.bin)|*.mfw; *.bin|");
    EXPECT_EQ(browseFilter("IPL FIRMWARE", true), "BOOT Firmware Files (*.ipl; *.bin)|*.ipl; *.bin|");
    EXPECT_EQ(browseFilter("SBCS FONT", true), "SBCS Font Files (*.sfn; *.bin)|*.sfn; *.bin|");
    EXPECT_EQ(browseFilter("DBCS FONT", true), "DBCS FONT Files (*.dfn)|*.dfn|");
    EXPECT_EQ(browseFilter("SLIP ASIAN FONT", false), "SLIP ASIAN   Font Files (*.dfn)|*.dfn|");
    EXPECT_EQ(browseFilter("IPL LAN FIRMWARE", false), "IPL Program Files (*.LAN)|*.LAN|");
    EXPECT_EQ(browseFilter("", false), "");
    EXPECT_EQ(findDownloadType("CP932 FONT")->letter, "");
}

} // namespace
} // namespace kyv
