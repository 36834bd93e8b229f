// A dry run prints the job the unattended run then runs: for an interface the model does
// not offer as for one it does, the interface named in the dry run is the one in the run's
// log header, and a serial kind is a flash over that COM port.
#include "core/profile_store.h"
#include "sim/lib/pty_printer.h"
#include "support/scratch_dir.h"
#include "support/test_program.h"

#include <gtest/gtest.h>

#include <fstream>
#include <iterator>
#include <map>
#include <sstream>
#include <string>

namespace kyv {
namespace {

const std::string kProgram = std::string(KYV_BINARY_DIR) + "/src/app/KyvFlash";
constexpr int kR241MainSector = 6;

std::map<std::string, std::string> summaryFields(const std::string& summary)
{
    std::map<std::string, std::string> fields;
    std::istringstream lines(summary);
    for (std::string line; std::getline(lines, line);)
        if (const size_t colon = line.find(": "); colon != std::string::npos)
            fields[line.substr(0, colon)] = line.substr(colon + 2);
    return fields;
}

class DryRunAgreement : public ::testing::Test {
protected:
    void SetUp() override
    {
        // COM1 is the simulated printer; every other port name leads nowhere.
        ASSERT_TRUE(printer.start(dir / "COM1")) << printer.errorText();
        ProfileStore settings(dir.path() / "config/KyvFlash/KyvFlash.ini");
        ASSERT_TRUE(settings.setText("Ports", "COM1", dir / "COM1"));
        for (int n = 2; n <= 50; ++n)
            ASSERT_TRUE(settings.setText("Ports", "COM" + std::to_string(n), dir / "absent"));
        ASSERT_TRUE(settings.setText("Ports", "LPT1", dir / "absent"));
        std::string image(2 * 65536 + 999, '\x5A');
        image[1] = 'M';
        imagePath = dir.write("fw.mfw", image);
    }

    test::ProgramResult run(const std::vector<std::string>& args)
    {
        test::ProgramOptions options;
        options.args = args;
        options.startDir = dir.path();
        options.configHome = dir.path() / "config";
        options.resultPipe = true;
        options.environment["KYVFLASH_TIME_SCALE"] = "0.02";
        return test::runTestProgram(kProgram, options);
    }

    std::string logText() const
    {
        std::ifstream in(dir.path() / "BREVANT_LOG.txt", std::ios::binary);
        return {std::istreambuf_iterator<char>(in), {}};
    }

    test::ScratchDir dir;
    sim::PtyPrinter printer;
    std::string imagePath;
};

TEST_F(DryRunAgreement, RunGoesOverTheInterfaceAndKindTheDryRunPrints)
{
    struct Case {
        std::vector<std::string> args;
        std::string interfaceName; // what the dry run must print and the run's header show
        int interfaceKind;
    };
    const Case cases[] = {
        {{"R241", "M", "IBMUSB", "fw.mfw"}, "COM1", 0}, // R241 offers no IBM USB: COM1 stays
        {{"R241", "M", "USB", "fw.mfw"}, "USB", 2},     // the USB report device, never COM1
        {{"R242", "M", "IBMUSB", "fw.mfw"}, "IBM USB", 5},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.args[0] + " " + c.args[2]);
        std::vector<std::string> dryArgs{"--dry-run"};
        dryArgs.insert(dryArgs.end(), c.args.begin(), c.args.end());
        const test::ProgramResult dry = run(dryArgs);
        ASSERT_EQ(dry.exitStatus, 0) << dry.err;
        const auto fields = summaryFields(dry.out);
        EXPECT_EQ(fields.at("interfaceName"), c.interfaceName);
        EXPECT_EQ(fields.at("interfaceKind"), std::to_string(c.interfaceKind));

        std::filesystem::remove(dir.path() / "BREVANT_LOG.txt");
        const int writesBefore = printer.state().sectorWrites;
        const test::ProgramResult real = run(c.args);
        EXPECT_NE(logText().find("Interface  \t : " + c.interfaceName + " \r\n"), std::string::npos) << logText();
        if (c.interfaceKind == 0) {
            EXPECT_EQ(real.resultFd, "0\n") << real.err;
            std::string why;
            EXPECT_TRUE(printer.sectorsHoldFile(imagePath, kR241MainSector, &why)) << why;
        } else {
            EXPECT_NE(real.resultFd, "0\n");
            EXPECT_EQ(printer.state().sectorWrites, writesBefore); // nothing went over COM1
        }
    }
}

} // namespace
} // namespace kyv
