#include "core/command_line.h"

#include "support/scratch_dir.h"

#include <gtest/gtest.h>

#include <filesystem>
#include <string>
#include <vector>

namespace kyv {
namespace {

namespace fs = std::filesystem;
using Args = std::vector<std::string>;

// Runs each test in a fresh directory holding one image, since the parser looks the
// file argument up relative to the current directory.
class CommandLineTest : public ::testing::Test {
protected:
    void SetUp() override { dir.write("Fw.mfw", "xMfirmware-bytes"); }
    ResultCode parse(const Args& args) { return parseCommandLine(args, catalogue, parsed, values); }
    ModelInfo& row(const char* name) { return catalogue.row(catalogue.indexOf(name)); }

    test::ScratchDir dir{true};
    ModelCatalogue catalogue;
    ParsedArguments parsed;
    ProcessValues values;
};

TEST_F(CommandLineTest, NoArgumentsIsInteractiveAndOneToThreeAreTooFew)
{
    values.commandLineMode = 1;
    EXPECT_EQ(parse({}), 0);
    EXPECT_EQ(values.commandLineMode, 0);
    for (const Args& args : {Args{"R241"}, Args{"R241", "M"}, Args{"R241", "M", "COM1"}}) {
        EXPECT_EQ(parse(args), rc::TooFewArguments);
        EXPECT_EQ(values.commandLineMode, 1);
    }
    EXPECT_EQ(parse({"R241", "M", "COM1", "115200", "NONE"}), rc::TooFewArguments); // COM needs all three settings
}

TEST_F(CommandLineTest, SerialJobFillsEveryTextAndTheStartSector)
{
    EXPECT_EQ(parse({"r241", "/m", "com3", "115200", "none", "1", "Fw.mfw"}), 0);
    EXPECT_EQ(values.commandLineMode, 1);
    EXPECT_EQ(parsed.modelIndex, 0);
    EXPECT_EQ(parsed.downloadTypeText, "MAIN FIRMWARE");
    EXPECT_EQ(parsed.interfaceText, "COM3");
    EXPECT_EQ(parsed.interfaceKind, kSerialPort);
    EXPECT_EQ(parsed.baudText, "115200");
    EXPECT_EQ(parsed.parityText, "NONE");
    EXPECT_EQ(parsed.stopBitsText, "1");
    EXPECT_EQ(parsed.fileText, "Fw.mfw"); // case kept
    EXPECT_EQ(row("R241").job.startSector, 6);
}

TEST_F(CommandLineTest, MissingFileArgumentStillParses)
{
    EXPECT_EQ(parse({"R241", "M", "COM1", "115200", "NONE", "1"}), 0);
    EXPECT_EQ(parsed.fileText, "");
}

TEST_F(CommandLineTest, EachPositionReportsItsOwnCode)
{
    EXPECT_EQ(parse({"R999", "M", "COM1", "115200", "NONE", "1", "Fw.mfw"}), rc::BadModelArgument);
    EXPECT_EQ(parse({"", "M", "COM1", "115200", "NONE", "1"}), rc::BadModelArgument);
    EXPECT_EQ(parse({"R241", "X", "COM1", "115200", "NONE", "1"}), rc::BadDownloadTypeArgument);
    EXPECT_EQ(parse({"R241", "", "COM1", "115200", "NONE", "1"}), rc::BadDownloadTypeArgument);
    EXPECT_EQ(parse({"R241", "M", "SERIAL", "115200", "NONE", "1"}), rc::BadInterfaceArgument);
    EXPECT_EQ(parse({"R241", "M", "COM1", "4800", "NONE", "1"}), rc::BadBaudArgument);
    EXPECT_EQ(parse({"R241", "M", "COM1", "115200", "MARK", "1"}), rc::BadParityArgument);
    EXPECT_EQ(parse({"R241", "M", "COM1", "115200", "NONE", "1.5"}), rc::BadStopBitsArgument);
    EXPECT_EQ(parse({"R241", "M", "COM1", "115200", "NONE", "1", "missing.mfw"}), rc::BadFileArgument);
    EXPECT_EQ(parse({"R241", "M", "COM1", "115200", "NONE", "1", ""}), rc::BadFileArgument);
    EXPECT_EQ(parse({"R241", "M", "COM1", "115200", "NONE", "1", "Fw.mfw", "MAYBE"}), rc::BadOptionArgument);
    EXPECT_EQ(parse({"R241", "M", "COM1", "115200", "NONE", "1", "Fw.mfw", "PRINT", "X"}), rc::BadOptionArgument);
    EXPECT_EQ(parse({"R241", "M", "COM1", "115200", "NONE", "1", "Fw.mfw", "PRINT", "RETSTAT", "NOPRINT"}),
              rc::BadOptionArgument);
    // The file name is looked up as given: another case is another file on Linux.
    EXPECT_EQ(parse({"R241", "M", "COM1", "115200", "NONE", "1", "FW.MFW"}), rc::BadFileArgument);
}

TEST_F(CommandLineTest, LettersThatNeedASectorOnTheModel)
{
    // "M" and "I" are taken even where the model has no sector; others need one.
    EXPECT_EQ(parse({"J5", "I", "HID", "Fw.mfw"}), 0);
    EXPECT_EQ(parsed.downloadTypeText, "IPL FIRMWARE");
    EXPECT_EQ(row("J5").job.startSector, 0);
    EXPECT_EQ(parse({"R241", "A", "USB", "Fw.mfw"}), 0);
    EXPECT_EQ(row("R241").job.startSector, 18);
    EXPECT_EQ(parse({"R241", "L", "USB", "Fw.mfw"}), rc::BadDownloadTypeArgument);
    EXPECT_EQ(parse({"R241", "T", "USB", "Fw.mfw"}), rc::BadDownloadTypeArgument);
    EXPECT_EQ(parse({"R241", "C", "USB", "Fw.mfw"}), rc::BadDownloadTypeArgument);
    EXPECT_EQ(parse({"R241", "F", "USB", "Fw.mfw"}), rc::BadDownloadTypeArgument);
    EXPECT_EQ(parse({"R243", "F", "USB", "Fw.mfw"}), 0);
    EXPECT_EQ(parsed.downloadTypeText, "IMF FILE");
    EXPECT_EQ(row("R243").job.startSector, 32);
    EXPECT_EQ(parse({"R243", "SDB", "USB", "Fw.mfw"}), 0);
    EXPECT_EQ(row("R243").job.startSector, 210);
    EXPECT_EQ(parse({"R453", "SDB", "USB", "Fw.mfw"}), rc::BadDownloadTypeArgument);

    // "RS" / "SS": the Asian font where the model has one, else the 2-byte font.
    EXPECT_EQ(parse({"R242", "RS", "USB", "Fw.mfw"}), 0);
    EXPECT_EQ(parsed.downloadTypeText, "RECEIPT 2 BYTE");
    EXPECT_EQ(row("R242").job.startSector, 26);
    EXPECT_EQ(parse({"R241", "RS", "USB", "Fw.mfw"}), 0);
    EXPECT_EQ(parsed.downloadTypeText, "RECEIPT ASIAN FONT");
    EXPECT_EQ(row("R241").job.startSector, 20);
    EXPECT_EQ(parse({"R241-Y480", "SS", "USB", "Fw.mfw"}), rc::BadDownloadTypeArgument);

    // The configuration table keeps the sector the row held.
    row("R453").job.startSector = 91;
    EXPECT_EQ(parse({"R453", "C", "PRTR", "Fw.mfw"}), 0);
    EXPECT_EQ(parsed.downloadTypeText, "Printer Configuration Table");
    EXPECT_EQ(row("R453").job.startSector, 91);
    EXPECT_EQ(parsed.usbClassWord, "PRTR");
    EXPECT_EQ(parsed.interfaceKind, kUsbDeviceClass);
}

TEST_F(CommandLineTest, EachLetterTakesItsTypeAndTheModelsSectorForIt)
{
    struct Case {
        const char* model;
        const char* letter;
        const char* type; // nullptr: the model has no sector for it (1201)
        int sector;
    };
    const Case cases[] = {
        {"R241", "I", "IPL FIRMWARE", 4},
        {"R242", "B", "BOOT INITIAL", 4},
        {"R241", "B", nullptr, 0},
        {"R451", "S", "ASIAN FONT SECTOR", 20},
        {"R241", "S", nullptr, 0},
        {"R241", "SS", "SLIP ASIAN FONT", 41},
        {"R242", "SS", "SLIP 2 BYTE", 46},
        {"R452", "SS", nullptr, 0},
        {"R452", "RS", "RECEIPT 2 BYTE", 26},
        {"R242-2XX6/3XX6", "RS", "RECEIPT ASIAN FONT", 73},
        {"R451-2XX8/3XX8/4XX8/6XX8", "L", "IPL LAN FIRMWARE", 45},
        {"R453", "SB", "SBCS FONT", 91},
        {"R453", "DB", "DBCS FONT", 97},
        {"R241", "SB", nullptr, 0},
        {"KSX4-1ST/2ST", "T", "TABLE", 43},
        {"Q58X-E617/Q306", "T", nullptr, 0},
        {"R241-9354-7004", "F", "IMF FILE", 25},
        {"R242-57X6/56X6/1456", "F", "IMF FILE", 5},
        {"R242", "F", nullptr, 0},
        {"R243", "C", "Printer Configuration Table", 0},
        {"KSX4-1ST/2ST", "C", nullptr, 0},
        {"R451", "CP", nullptr, 0}, // "CP932 FONT" has no letter
        // "M" is taken even where the model's list holds only IMF files.
        {"R241-9354-7004", "M", "MAIN FIRMWARE", 27},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(std::string(c.model) + " " + c.letter);
        catalogue = ModelCatalogue{}; // every case starts from a row with startSector 0
        const ResultCode code = parse({c.model, c.letter, "USB", "Fw.mfw"});
        if (c.type == nullptr) {
            EXPECT_EQ(code, rc::BadDownloadTypeArgument);
            continue;
        }
        EXPECT_EQ(code, 0);
        EXPECT_EQ(parsed.downloadTypeText, c.type);
        EXPECT_EQ(row(c.model).job.startSector, c.sector);
    }
}

TEST_F(CommandLineTest, InterfacesAreRecognisedByTheirBeginning)
{
    struct Case {
        const char* arg;
        int kind;
    };
    for (Case c : {Case{"USB", kUsbReportDevice}, Case{"USBX", kUsbReportDevice}, Case{"CPMI", kUsbDeviceClass},
                   Case{"NHPI2", kUsbDeviceClass}, Case{"IBMUSB", kIbmUsb}, Case{"HID", kHid}}) {
        EXPECT_EQ(parse({"R241", "M", c.arg, "Fw.mfw"}), 0) << c.arg;
        EXPECT_EQ(parsed.interfaceKind, c.kind) << c.arg;
    }
    EXPECT_EQ(parse({"R241", "M", "IBM", "Fw.mfw"}), rc::BadInterfaceArgument);
    EXPECT_EQ(parse({"R241", "M", "", "Fw.mfw"}), rc::BadInterfaceArgument);
    // COM99 is not a port of the list but passes the parser.
    EXPECT_EQ(parse({"R241", "M", "COM99", "9600", "EVEN", "2", "Fw.mfw"}), 0);
}

TEST_F(CommandLineTest, IpAddressesOfLanAndWifi)
{
    EXPECT_EQ(parse({"R453", "M", "LAN", "192.168.1.20", "Fw.mfw"}), 0);
    EXPECT_EQ(parsed.ipText, "192.168.1.20");
    EXPECT_EQ(parsed.interfaceKind, kLanOrWifi);
    EXPECT_EQ(parsed.fileText, "Fw.mfw");
    EXPECT_EQ(parse({"R453", "M", "WIFI", "0.0.0.255"}), 0);
    for (const char* bad : {"192.168.1.300", "192.168.1", "192..1.1", "1.2.3.4.5", "1.2.3.", ".1.2.3", "1.2.3.x",
                            "", "1.2.3.4 ", "99999999999999999999.1.1.1"})
        EXPECT_EQ(parse({"R453", "M", "LAN", bad, "Fw.mfw"}), rc::BadIpArgument) << "'" << bad << "'";
}

TEST_F(CommandLineTest, OptionsAfterTheFile)
{
    EXPECT_EQ(parse({"R241", "M", "USB", "Fw.mfw", "NOPRINT"}), 0);
    EXPECT_EQ(row("R241").job.printAfter, 0);
    EXPECT_EQ(parse({"R241", "M", "USB", "Fw.mfw", "/noskip", "print"}), 0);
    EXPECT_EQ(row("R241").job.printAfter, 1);
    EXPECT_EQ(row("R241").job.checkModel, 1);
    EXPECT_EQ(parse({"R241", "M", "USB", "Fw.mfw", "SKIP", "RETSTAT"}), 0);
    EXPECT_EQ(row("R241").job.checkModel, 1);
    EXPECT_EQ(parse({"R241", "M", "USB", "Fw.mfw", "RETSTAT", "NOSKIP"}), rc::BadOptionArgument);
    EXPECT_EQ(parse({"R241", "M", "USB", "Fw.mfw", "NORETSTAT", "NOPRINT"}), 0);
    EXPECT_EQ(row("R241").job.printAfter, 0);
}

TEST_F(CommandLineTest, ErrorTimeoutEndsTheParseWherever)
{
    EXPECT_EQ(parse({"R241", "M", "COM1", "115200", "NONE", "1", "/ERRORTIMEOUT=300", "garbage"}), 0);
    EXPECT_EQ(parsed.fileText, "");
    EXPECT_EQ(parse({"R241", "M", "USB", "Fw.mfw", "PRINT", "errortimeout", "x", "y"}), 0);
}

TEST_F(CommandLineTest, FileArgumentsOfEveryShape)
{
    fs::create_directory("images");
    dir.write("images/f\xC3\xBCr.mfw", "xMfirmware-bytes");
    EXPECT_EQ(parse({"R241", "M", "USB", "images/f\xC3\xBCr.mfw"}), 0);
    EXPECT_EQ(parsed.fileText, "images/f\xC3\xBCr.mfw");
    EXPECT_EQ(parse({"R241", "M", "USB", "images"}), 0); // a directory passes here; the image check refuses it
    const std::string absolute = dir / "Fw.mfw";
    EXPECT_EQ(parse({"R241", "M", "USB", absolute}), 0);
    EXPECT_EQ(parsed.fileText, absolute);
    // A Windows-style "/" before a relative name still finds the file.
    EXPECT_EQ(parse({"R241", "M", "USB", "/Fw.mfw"}), 0);
    EXPECT_EQ(parsed.fileText, "Fw.mfw");
    const std::string huge(100000, 'A');
    EXPECT_EQ(parse({"R241", "M", "USB", huge}), rc::BadFileArgument);
    EXPECT_EQ(parse({huge, huge, huge, huge}), rc::BadModelArgument);
}

TEST(SelectByPrefix, FirstEntryBeginningWithTheTextIgnoringCase)
{
    const std::vector<std::string> ports = {"LAN", "NHPI", "PRTR", "COM1", "COM2", "COM10", "COM11"};
    EXPECT_EQ(selectByPrefix(ports, "com1", 2), 3);
    EXPECT_EQ(selectByPrefix(ports, "COM11", 3), 6);
    EXPECT_EQ(selectByPrefix(ports, "COM99", 3), 3);
    EXPECT_EQ(selectByPrefix(ports, "prtr", 0), 2);
    EXPECT_EQ(selectByPrefix({}, "COM1", -1), -1);
    EXPECT_EQ(selectByPrefix({"Printer Configuration Table"}, "PRINTER CONFIGURATION TABLE", -1), 0);
}

TEST(NormalizedArgument, DropsOneSlashAndUpperCasesAsciiOnly)
{
    EXPECT_EQ(normalizedArgument("/sb"), "SB");
    EXPECT_EQ(normalizedArgument("//sb"), "/SB");
    EXPECT_EQ(normalizedArgument(""), "");
    EXPECT_EQ(normalizedArgument("f\xC3\xBCr"), "F\xC3\xBCR");
}

} // namespace
} // namespace kyv
