// The printer-sim program: its command line, and a run of the real program on a link.

#include "host_port.h"

#include "sim/lib/sim_arguments.h"
#include "sim/lib/sim_main.h"
#include "support/test_program.h"

#include <csignal>
#include <fstream>
#include <gtest/gtest.h>

namespace kyv::sim::test {
namespace {

ArgumentsOutcome parse(std::vector<std::string> args, SimArguments& out, std::string& error)
{
    return parseSimArguments(args, out, error);
}

TEST(PrinterSimArguments, ReadEveryOption)
{
    SimArguments args;
    std::string error;
    ASSERT_EQ(parse({"serial", "--model", "R453", "--link", "/tmp/kyv/COM3", "--model-number=R453-0001", "--baud",
                     "9600", "--parity", "EVEN", "--stop-bits", "2", "--download-mode", "--restart-ms", "500",
                     "--reply-delay-ms", "20", "--mismatch", "garbage", "--unerased-write", "overwrite",
                     "--switches", "12FE", "--usu-on", "--fiscal-state", "2", "--not-ready", "--fault",
                     "nak:select:3", "--fault", "drop-after:100", "--transcript", "t.txt", "--flash-dump", "f.bin",
                     "--time-scale", "0.5", "--main-version", "15000"},
                    args, error),
              ArgumentsOutcome::Run)
        << error;
    const PrinterOptions& p = args.printer;
    EXPECT_EQ(p.model, "R453");
    EXPECT_EQ(args.linkPath, "/tmp/kyv/COM3");
    EXPECT_EQ(p.modelNumber, "R453-0001");
    EXPECT_EQ(p.baud, 9600);
    EXPECT_EQ(p.parity, "EVEN");
    EXPECT_EQ(p.stopBits, 2);
    EXPECT_TRUE(p.startInDownloadMode);
    EXPECT_EQ(p.restartTime, ProtocolMs(500));
    EXPECT_EQ(p.replyDelay, ProtocolMs(20));
    EXPECT_EQ(p.onMismatch, MismatchAnswer::Garbage);
    EXPECT_EQ(p.unerasedWrite, UnerasedWrite::Overwrite);
    EXPECT_EQ(p.switchByte0, 0x12);
    EXPECT_EQ(p.switchByte1, 0xFE);
    EXPECT_TRUE(p.usuOn);
    EXPECT_EQ(p.fiscalState, 2);
    EXPECT_TRUE(p.notReady);
    ASSERT_EQ(p.faults.size(), 2u);
    EXPECT_EQ(p.faults[0].command, PrinterCommand::Select);
    EXPECT_EQ(p.faults[1].afterBytes, 100u);
    EXPECT_EQ(p.transcriptPath, "t.txt");
    EXPECT_EQ(p.flashDumpPath, "f.bin");
    EXPECT_EQ(args.timeScale, 0.5);
    EXPECT_EQ(p.mainVersion, "15000");
}

TEST(PrinterSimArguments, RefuseWhatTheyCannotUse)
{
    const std::vector<std::vector<std::string>> bad = {
        {},
        {"usb"},
        {"serial", "--baud"},
        {"serial", "--baud", "fast"},
        {"serial", "--stop-bits", "3"},
        {"serial", "--restart-ms", "-1"},
        {"serial", "--mismatch", "loud"},
        {"serial", "--switches", "12"},
        {"serial", "--fault", "nak:nothing"},
        {"serial", "--time-scale", "0"},
        {"serial", "--download-mode=yes"},
        {"serial", "--colour"},
    };
    for (const auto& args : bad) {
        SimArguments out;
        std::string error;
        EXPECT_EQ(parse(args, out, error), ArgumentsOutcome::Error) << (args.empty() ? "" : args.back());
        EXPECT_FALSE(error.empty());
    }
}

int runMain(std::vector<std::string> args)
{
    args.insert(args.begin(), "printer-sim");
    std::vector<char*> argv;
    for (std::string& arg : args)
        argv.push_back(arg.data());
    argv.push_back(nullptr);
    return simMain(static_cast<int>(args.size()), argv.data());
}

TEST(PrinterSimProgram, ExitStatusOfHelpAndOfABadCommandLine)
{
    testing::internal::CaptureStdout();
    EXPECT_EQ(runMain({"--help"}), 0);
    std::string help = testing::internal::GetCapturedStdout();
    for (const char* option : {"--model", "--link", "--model-number", "--baud", "--parity", "--stop-bits",
                               "--download-mode", "--fault", "--transcript", "--flash-dump", "--restart-ms",
                               "--time-scale", "--mismatch"})
        EXPECT_NE(help.find(option), std::string::npos) << option;

    testing::internal::CaptureStderr();
    EXPECT_EQ(runMain({"serial", "--baud", "fast"}), 2);
    EXPECT_EQ(runMain({"serial", "--model", "R999"}), 1);
    std::string errors = testing::internal::GetCapturedStderr();
    EXPECT_NE(errors.find("unknown model"), std::string::npos) << errors;
}

// Starts the built program, reads the pty path from its first output line, talks to the
// printer through the link, stops it with SIGTERM.
TEST(PrinterSimProgram, ServesOnItsLinkUntilTerminated)
{
    std::string program = std::string(KYV_BINARY_DIR) + "/sim/printer-sim";
    if (::access(program.c_str(), X_OK) != 0)
        GTEST_SKIP() << "printer-sim is not built";
    ScratchDir dir;
    std::string link = dir / "COM3";
    kyv::test::TestProgram sim(program, {.args = {"serial", "--model", "R241", "--link", link, "--restart-ms", "100",
                                                  "--transcript", dir / "t.txt", "--flash-dump", dir / "flash.bin",
                                                  "--time-scale", "0.01"},
                                         .startDir = dir.path()});
    ASSERT_TRUE(sim.started());
    const std::string output = sim.waitForOutput("\n", std::chrono::seconds(20));
    const std::string firstLine = output.substr(0, output.find('\n') + 1);
    HostPort host;
    bool opened = host.open(link);
    Bytes status = opened ? host.ask({0x10, 0x04, 0x01}, 1) : Bytes{};
    Bytes model = opened ? host.ask({0x1D, 0x49, 0x40, 0x27}, 11) : Bytes{};
    host.close();
    ::kill(sim.pid(), SIGTERM);
    const kyv::test::ProgramResult ended = sim.finish(std::chrono::seconds(20));

    EXPECT_EQ(firstLine.rfind("/dev/pts/", 0), 0u) << firstLine;
    EXPECT_TRUE(opened);
    EXPECT_EQ(status, Bytes{0x12});
    EXPECT_EQ(std::string(model.begin(), model.end()), "'R241-2001\r");
    EXPECT_EQ(ended.exitStatus, 0);
    EXPECT_FALSE(std::filesystem::exists(std::filesystem::symlink_status(link)));
    EXPECT_EQ(std::filesystem::file_size(dir / "flash.bin"), 3u * 1024 * 1024);
    std::ifstream transcript(dir / "t.txt");
    std::string text((std::istreambuf_iterator<char>(transcript)), std::istreambuf_iterator<char>());
    EXPECT_NE(text.find("host->printer 1D 49 40 27"), std::string::npos) << text;
    EXPECT_NE(text.find("printer->host 27 52 32 34 31"), std::string::npos) << text;
}

} // namespace
} // namespace kyv::sim::test
