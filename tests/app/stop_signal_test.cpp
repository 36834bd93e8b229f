// The launcher's fail-safe stop: SIGTERM during an unattended flash ends the job at once
// and KyvFlash leaves with a failure, its worker ended and its port closed.
#include "core/exit_status.h"
#include "core/result_code.h"
#include "support/scratch_dir.h"

#include <gtest/gtest.h>

#include <fcntl.h>
#include <pty.h>
#include <signal.h>
#include <sys/wait.h>
#include <unistd.h>

#include <chrono>
#include <cstdlib>
#include <fstream>
#include <string>
#include <thread>
#include <vector>

extern char** environ;

namespace kyv {
namespace {

const std::string kProgram = std::string(KYV_BINARY_DIR) + "/src/app/KyvFlash";

struct Pty {
    int master = -1;
    int slave = -1;
    ~Pty()
    {
        if (master >= 0)
            ::close(master);
        if (slave >= 0)
            ::close(slave);
    }
};

TEST(StopSignal, SigtermEndsAnUnattendedFlashWithAFailure)
{
    test::ScratchDir dir;
    // A printer line that never answers: the worker would wait out its full time-outs.
    Pty line;
    char slaveName[128] = {};
    ASSERT_EQ(::openpty(&line.master, &line.slave, slaveName, nullptr, nullptr), 0);
    std::filesystem::create_directories(dir.path() / "config/KyvFlash");
    std::ofstream(dir.path() / "config/KyvFlash/KyvFlash.ini") << "[Ports]\nCOM3=" << slaveName << "\n";
    dir.write("main.mfw", std::string("xM") + std::string(200000, '\0'));

    int result[2];
    ASSERT_EQ(::pipe2(result, O_CLOEXEC), 0);
    const std::string config = "XDG_CONFIG_HOME=" + (dir.path() / "config").string();
    std::vector<std::string> env{config, "KYVFLASH_TIME_SCALE=1", "KYVFLASH_RESULT_FD=3", "QT_QPA_PLATFORM=offscreen"};
    for (char** e = environ; *e != nullptr; ++e) {
        std::string_view entry(*e);
        if (!entry.starts_with("XDG_CONFIG_HOME=") && !entry.starts_with("KYVFLASH_") && !entry.starts_with("DISPLAY=") &&
            !entry.starts_with("WAYLAND_DISPLAY=") && !entry.starts_with("QT_QPA_PLATFORM="))
            env.emplace_back(entry);
    }
    std::vector<char*> envp;
    for (std::string& entry : env)
        envp.push_back(entry.data());
    envp.push_back(nullptr);
    std::vector<std::string> args{kProgram, "R241", "M", "COM3", "115200", "NONE", "1", "main.mfw"};
    std::vector<char*> argv;
    for (std::string& arg : args)
        argv.push_back(arg.data());
    argv.push_back(nullptr);

    const pid_t pid = ::fork();
    if (pid == 0) {
        ::dup2(result[1], 3);
        if (::chdir(dir.path().c_str()) != 0)
            ::_exit(126);
        ::execve(kProgram.c_str(), argv.data(), envp.data());
        ::_exit(127);
    }
    ::close(result[1]);
    ASSERT_GT(pid, 0);

    std::this_thread::sleep_for(std::chrono::milliseconds(700)); // the worker is waiting on the line
    const auto stopAt = std::chrono::steady_clock::now();
    ::kill(pid, SIGTERM);
    int status = 0;
    while (::waitpid(pid, &status, 0) < 0 && errno == EINTR) {
    }
    const auto took = std::chrono::steady_clock::now() - stopAt;

    char text[32] = {};
    const ssize_t got = ::read(result[0], text, sizeof text - 1);
    ::close(result[0]);
    ASSERT_TRUE(WIFEXITED(status));
    EXPECT_EQ(WEXITSTATUS(status), exitStatusFor(rc::ExitButton));
    EXPECT_GT(got, 0);
    EXPECT_EQ(std::string(text), "1027\n");
    EXPECT_LT(took, std::chrono::seconds(3));
}

} // namespace
} // namespace kyv
