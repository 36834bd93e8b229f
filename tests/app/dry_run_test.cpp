#include "core/exit_status.h"
#include "core/version.h"
#include "support/scratch_dir.h"
#include "support/test_program.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <fstream>
#include <iterator>
#include <map>
#include <sstream>
#include <string>

namespace kyv {
namespace {

const std::string kProgram = std::string(KYV_BINARY_DIR) + "/src/app/KyvFlash";

std::map<std::string, std::string> fieldsOf(const std::string& summary)
{
    std::map<std::string, std::string> fields;
    std::istringstream lines(summary);
    for (std::string line; std::getline(lines, line);) {
        const size_t colon = line.find(": ");
        if (colon != std::string::npos)
            fields[line.substr(0, colon)] = line.substr(colon + 2);
    }
    return fields;
}

class DryRunTest : public ::testing::Test {
protected:
    void SetUp() override { dir.write("Main.mfw", std::string("xM") + std::string(200000, '\0')); }
    test::ProgramResult run(const std::vector<std::string>& args)
    {
        return test::runTestProgram(kProgram, {.args = args,
                                               .environment = {{"KYVFLASH_TIME_SCALE", "0.02"}},
                                               .startDir = dir.path(),
                                               .resultPipe = true});
    }

    test::ScratchDir dir;
};

TEST_F(DryRunTest, ValidSerialJobPrintsEveryJobFieldAndExitsZero)
{
    const auto r = run({"--dry-run", "R241", "M", "COM1", "115200", "NONE", "1", "Main.mfw"});
    EXPECT_EQ(r.exitStatus, 0) << r.err;
    EXPECT_EQ(r.resultFd, "0\n");
    const auto fields = fieldsOf(r.out);
    EXPECT_EQ(fields.size(), 15u) << r.out;
    EXPECT_EQ(fields.at("displayName"), "R241");
    EXPECT_EQ(fields.at("family"), "R241");
    EXPECT_EQ(fields.at("downloadType"), "MAIN FIRMWARE");
    EXPECT_EQ(fields.at("startSector"), "6");
    EXPECT_EQ(fields.at("downloadTypeCode"), "2");
    EXPECT_EQ(fields.at("interfaceName"), "COM1");
    EXPECT_EQ(fields.at("interfaceKind"), "0");
    EXPECT_EQ(fields.at("baudRate"), "115200");
    EXPECT_EQ(fields.at("parity"), "NONE");
    EXPECT_EQ(fields.at("stopBits"), "1");
    EXPECT_EQ(fields.at("ipAddress"), "192.168.1.1");
    EXPECT_EQ(fields.at("filePath"), dir / "Main.mfw");
    EXPECT_EQ(fields.at("progressRange"), "27"); // 3 whole 64 KB units
    EXPECT_EQ(fields.at("checkModel"), "1");
    EXPECT_EQ(fields.at("printAfter"), "1");
}

TEST_F(DryRunTest, FailuresExitWithTheMappedStatusAndReportTheExactCode)
{
    struct Case {
        std::vector<std::string> args;
        int code;
    };
    const Case cases[] = {
        {{"--dry-run", "R241", "M", "COM1", "115200", "NONE", "1"}, 1007},
        {{"--Dry-Run", "R241", "M", "COM1"}, 1210},
        {{"--dry-run", "R999", "M", "COM1", "115200", "NONE", "1", "Main.mfw"}, 1200},
        {{"--dry-run", "R241", "M", "COM1", "115200", "NONE", "1", "Missing.mfw"}, 1207},
        {{"--dry-run", "R241", "M", "COM1", "115200", "NONE", "1", "Main.mfw", "NOSKIP", "NOSKIP"}, 1212},
        {{"--dry-run", "R453", "M", "LAN", "10.0.0.300", "Main.mfw"}, 1203},
        {{"--dry-run", "R453", "I", "USB", "Main.mfw"}, 1029},
        {{"--dry-run", "", "", "", ""}, 1200},
    };
    for (const Case& c : cases) {
        const auto r = run(c.args);
        EXPECT_EQ(r.exitStatus, c.code - 1000 + (c.code < 1200 ? 100 : 0)) << c.code;
        EXPECT_EQ(r.resultFd, std::to_string(c.code) + "\n");
        EXPECT_NE(r.err.find(std::to_string(c.code)), std::string::npos) << r.err;
    }
}

TEST_F(DryRunTest, J5RefusalsAreTheRunsResultNotASuccess)
{
    dir.write("font.bin", std::string("KS") + std::string(100, '\0'));
    const auto r = run({"--dry-run", "J5", "M", "HID", "font.bin"});
    EXPECT_EQ(r.exitStatus, 129); // the font file fails the main firmware letter check
    const auto wrongKind = run({"--dry-run", "J5", "SB", "HID", "font.sfn"});
    EXPECT_EQ(wrongKind.exitStatus, 207); // no such file
    dir.write("font.dfn", std::string("KS") + std::string(100, '\0'));
    const auto wrongExtension = run({"--dry-run", "J5", "SB", "HID", "font.dfn"});
    EXPECT_EQ(wrongExtension.exitStatus, 138);
    EXPECT_EQ(wrongExtension.resultFd, "1038\n");
    const auto good = run({"--dry-run", "J5", "SB", "HID", "font.bin"});
    EXPECT_EQ(good.exitStatus, 0) << good.err;
    EXPECT_EQ(fieldsOf(good.out).at("interfaceKind"), "6");
    EXPECT_EQ(fieldsOf(good.out).at("startSector"), "8");
}

TEST_F(DryRunTest, WithoutDryRunTheJobRunsUnattendedAndReportsItsCode)
{
    // COM50 leads nowhere here: the run fails, offscreen, with the code it reports.
    const auto r = run({"R241", "M", "COM50", "115200", "NONE", "1", "Main.mfw"});
    ASSERT_FALSE(r.resultFd.empty()) << r.err;
    const int code = std::stoi(r.resultFd);
    EXPECT_NE(code, 0);
    EXPECT_EQ(r.exitStatus, exitStatusFor(code));
    EXPECT_EQ(r.out.find("interfaceKind"), std::string::npos); // not a dry run: no job summary
    std::ifstream log(dir.path() / "BREVANT_LOG.txt", std::ios::binary);
    const std::string logText{std::istreambuf_iterator<char>(log), {}};
    EXPECT_NE(logText.find("Interface  \t : COM50 \r\n"), std::string::npos);

    const auto failing = run({"R241", "M", "COM1"});
    EXPECT_EQ(failing.exitStatus, 210);
    EXPECT_EQ(failing.resultFd, "1210\n");
}

TEST_F(DryRunTest, NoArgumentsPrintsOneHintLine)
{
    for (const std::vector<std::string>& args : {std::vector<std::string>{}, std::vector<std::string>{"--dry-run"}}) {
        const auto r = run(args);
        EXPECT_EQ(r.exitStatus, 0);
        EXPECT_EQ(r.resultFd, "");
        EXPECT_EQ(std::count(r.out.begin(), r.out.end(), '\n'), 1) << r.out;
    }
}

TEST_F(DryRunTest, HelpAndVersionCountOnlyAsTheFirstArgument)
{
    const auto version = run({"--VERSION"});
    EXPECT_EQ(version.exitStatus, 0);
    EXPECT_EQ(version.out, std::string("KyvFlash ") + kVersionNumber + "\n");
    EXPECT_EQ(version.resultFd, ""); // no job, no result code
    const auto help = run({"--help"});
    EXPECT_EQ(help.exitStatus, 0);
    EXPECT_EQ(help.out.rfind("Usage: KyvFlash", 0), 0u) << help.out;

    // Anywhere else they are a job's arguments, checked as such: as the model they are no
    // model's name, after the file they are an unexpected option.
    EXPECT_EQ(run({"--dry-run", "--version", "M", "COM1", "115200", "NONE", "1", "Main.mfw"}).resultFd, "1200\n");
    EXPECT_EQ(run({"--dry-run", "R241", "M", "COM1", "115200", "NONE", "1", "Main.mfw", "--help"}).resultFd,
              "1212\n");
}

} // namespace
} // namespace kyv
