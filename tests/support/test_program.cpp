#include "support/test_program.h"

#include <fcntl.h>
#include <poll.h>
#include <pty.h>
#include <signal.h>
#include <sys/wait.h>
#include <unistd.h>

#include <algorithm>
#include <cctype>
#include <cerrno>
#include <fstream>
#include <mutex>
#include <set>
#include <sstream>
#include <string_view>

extern char** environ;

namespace kyv::test {
namespace {

std::string upper(std::string text)
{
    for (char& c : text)
        c = static_cast<char>(std::toupper(static_cast<unsigned char>(c)));
    return text;
}

std::string trimmed(std::string_view text)
{
    const size_t first = text.find_first_not_of(" \t\r");
    if (first == std::string_view::npos)
        return {};
    const size_t last = text.find_last_not_of(" \t\r");
    return std::string(text.substr(first, last - first + 1));
}

// Variables a test program never inherits: the developer's own settings for KyvFlash, the
// simulated USB bus and the settings home (set afresh), and the display unless wanted.
bool dropped(std::string_view entry, bool display)
{
    if (entry.starts_with("KYVFLASH_") || entry.starts_with("XDG_CONFIG_HOME="))
        return true;
    return !display && (entry.starts_with("DISPLAY=") || entry.starts_with("WAYLAND_DISPLAY="));
}

std::vector<std::string> cleanedEnvironment(const ProgramOptions& options, const std::filesystem::path& configHome)
{
    std::map<std::string, std::string> variables;
    for (char** e = environ; *e != nullptr; ++e) {
        const std::string_view entry(*e);
        const size_t equals = entry.find('=');
        if (equals != std::string_view::npos && !dropped(entry, options.display))
            variables[std::string(entry.substr(0, equals))] = std::string(entry.substr(equals + 1));
    }
    variables["XDG_CONFIG_HOME"] = configHome.string();
    // No program a test starts reaches the machine's USB devices or network: its USB is a
    // bus nobody serves unless the test names one, its traffic stays on loopback.
    variables["KYVFLASH_USB_BUS"] = "unix:" + (configHome / "no-usb-bus").string();
    variables["KYVFLASH_NET_ALLOW"] = "127.0.0.0/8";
    if (options.resultPipe)
        variables["KYVFLASH_RESULT_FD"] = std::to_string(options.resultFdNumber);
    for (const auto& [name, value] : options.environment) {
        if (value.empty())
            variables.erase(name);
        else
            variables[name] = value;
    }
    std::vector<std::string> result;
    for (const auto& [name, value] : variables)
        result.push_back(name + "=" + value);
    return result;
}

std::vector<char*> pointersTo(std::vector<std::string>& strings)
{
    std::vector<char*> pointers;
    for (std::string& s : strings)
        pointers.push_back(s.data());
    pointers.push_back(nullptr);
    return pointers;
}

struct PipeEnds {
    int read = -1;
    int write = -1;
    bool open()
    {
        int fds[2];
        if (::pipe2(fds, O_CLOEXEC) != 0)
            return false;
        read = fds[0];
        write = fds[1];
        return true;
    }
};

void closeFd(int& fd)
{
    if (fd >= 0)
        ::close(fd);
    fd = -1;
}

} // namespace

void completePortsSection(const std::filesystem::path& iniFile, const std::map<std::string, std::string>& ports,
                          const std::filesystem::path& missingDir)
{
    // Programs started side by side from one test complete the same file: one at a time,
    // and a program already running never reads half a file.
    static std::mutex oneAtATime;
    std::lock_guard lock(oneAtATime);
    std::vector<std::string> lines;
    {
        std::ifstream in(iniFile);
        for (std::string line; std::getline(in, line);)
            lines.push_back(line);
    }
    // Where the Ports section starts and which names it maps already.
    size_t header = lines.size();
    std::set<std::string> mapped;
    for (size_t i = 0; i < lines.size(); ++i) {
        const std::string line = trimmed(lines[i]);
        if (line.starts_with('[')) {
            if (header < i)
                break;
            if (upper(line) == "[PORTS]")
                header = i;
        } else if (header < i && line.find('=') != std::string::npos) {
            mapped.insert(upper(trimmed(line.substr(0, line.find('=')))));
        }
    }
    std::vector<std::string> added;
    const auto add = [&](const std::string& name, const std::string& path) {
        if (mapped.insert(upper(name)).second)
            added.push_back(name + "=" + path);
    };
    for (const auto& [name, path] : ports)
        add(name, path);
    for (int n = 1; n <= kHighestComNumber; ++n)
        add("COM" + std::to_string(n), (missingDir / ("COM" + std::to_string(n))).string());
    add("LPT1", (missingDir / "LPT1").string());
    if (header == lines.size()) {
        lines.push_back("[Ports]");
        lines.insert(lines.end(), added.begin(), added.end());
    } else {
        lines.insert(lines.begin() + static_cast<long>(header) + 1, added.begin(), added.end());
    }
    std::filesystem::create_directories(iniFile.parent_path());
    const std::filesystem::path written = iniFile.string() + ".new";
    {
        std::ofstream out(written, std::ios::trunc);
        for (const std::string& line : lines)
            out << line << "\n";
    }
    std::filesystem::rename(written, iniFile);
}

struct TestProgram::Streams {
    int out = -1;
    int err = -1;
    int result = -1;
    ~Streams()
    {
        closeFd(out);
        closeFd(err);
        closeFd(result);
    }
};

TestProgram::TestProgram(const std::string& path, ProgramOptions options) : streams_(std::make_unique<Streams>())
{
    if (options.startDir.empty()) {
        ownStartDir_ = std::make_unique<ScratchDir>();
        options.startDir = ownStartDir_->path();
    }
    startDir_ = options.startDir;
    // A settings home the test names through the environment is the one completed.
    if (auto named = options.environment.find("XDG_CONFIG_HOME"); named != options.environment.end()) {
        if (options.configHome.empty())
            options.configHome = named->second;
        options.environment.erase(named);
    }
    if (options.configHome.empty()) {
        ownConfigHome_ = std::make_unique<ScratchDir>();
        options.configHome = ownConfigHome_->path();
    }
    configHome_ = options.configHome;
    completePortsSection(configHome_ / "KyvFlash" / "KyvFlash.ini", options.ports, configHome_ / "no-such-device");

    // Everything the child needs is made before fork: it only calls async-signal-safe functions.
    std::vector<std::string> argStrings{path};
    argStrings.insert(argStrings.end(), options.args.begin(), options.args.end());
    std::vector<std::string> envStrings = cleanedEnvironment(options, configHome_);
    std::vector<char*> argv = pointersTo(argStrings);
    std::vector<char*> envp = pointersTo(envStrings);
    const std::string dir = startDir_.string();
    const int resultFdNumber = options.resultFdNumber;

    PipeEnds out, err, result;
    if (options.outputOnTerminal) {
        if (::openpty(&out.read, &out.write, nullptr, nullptr, nullptr) != 0)
            return;
        ::fcntl(out.read, F_SETFD, FD_CLOEXEC);
        ::fcntl(out.write, F_SETFD, FD_CLOEXEC);
    } else if (!out.open()) {
        return;
    }
    const bool separateErr = !options.mergeOutput && !options.outputOnTerminal;
    if ((separateErr && !err.open()) || (options.resultPipe && !result.open())) {
        closeFd(out.read), closeFd(out.write), closeFd(err.read), closeFd(err.write);
        return;
    }
    const int devNull = ::open("/dev/null", O_RDONLY | O_CLOEXEC);
    pid_ = ::fork();
    if (pid_ == 0) {
        ::dup2(devNull, STDIN_FILENO);
        ::dup2(out.write, STDOUT_FILENO);
        ::dup2(separateErr ? err.write : out.write, STDERR_FILENO);
        if (result.write >= 0)
            ::dup2(result.write, resultFdNumber); // dup2 clears close-on-exec on the copy
        if (::chdir(dir.c_str()) != 0)
            ::_exit(126);
        ::execve(argv[0], argv.data(), envp.data());
        ::_exit(127);
    }
    if (devNull >= 0)
        ::close(devNull);
    closeFd(out.write);
    closeFd(err.write);
    closeFd(result.write);
    streams_->out = out.read;
    streams_->err = err.read;
    streams_->result = result.read;
}

TestProgram::~TestProgram()
{
    if (!finished_ && pid_ > 0)
        finish(std::chrono::milliseconds{0});
}

std::string TestProgram::waitForOutput(const std::string& text, std::chrono::milliseconds limit)
{
    const auto end = std::chrono::steady_clock::now() + limit;
    while (streams_->out >= 0 && result_.out.find(text) == std::string::npos) {
        const auto left = std::chrono::duration_cast<std::chrono::milliseconds>(end - std::chrono::steady_clock::now());
        if (left.count() <= 0)
            break;
        pollfd ready{streams_->out, POLLIN, 0};
        if (::poll(&ready, 1, static_cast<int>(left.count()) + 1) <= 0)
            continue;
        char buffer[4096];
        const ssize_t n = ::read(streams_->out, buffer, sizeof buffer);
        if (n < 0 && errno == EINTR)
            continue;
        if (n <= 0) {
            closeFd(streams_->out);
            break;
        }
        result_.out.append(buffer, static_cast<size_t>(n));
    }
    return result_.out;
}

ProgramResult TestProgram::finish(std::chrono::milliseconds guard)
{
    if (finished_)
        return result_;
    finished_ = true;
    if (pid_ <= 0)
        return result_;
    // All streams are read together until every writer has gone, so none can fill up.
    const auto end = std::chrono::steady_clock::now() + guard;
    int* fds[] = {&streams_->out, &streams_->err, &streams_->result};
    std::string* into[] = {&result_.out, &result_.err, &result_.resultFd};
    for (;;) {
        pollfd polls[3];
        int open = 0;
        for (size_t i = 0; i < 3; ++i) {
            polls[i] = {*fds[i], POLLIN, 0};
            open += *fds[i] >= 0;
        }
        if (open == 0)
            break;
        const auto left = std::chrono::duration_cast<std::chrono::milliseconds>(end - std::chrono::steady_clock::now());
        if (left.count() <= 0 || ::poll(polls, 3, static_cast<int>(left.count())) == 0) {
            ::kill(pid_, SIGKILL);
            result_.killedByGuard = true;
            break;
        }
        for (size_t i = 0; i < 3; ++i) {
            if (*fds[i] < 0 || polls[i].revents == 0)
                continue;
            char buffer[4096];
            const ssize_t n = ::read(*fds[i], buffer, sizeof buffer);
            if (n > 0)
                into[i]->append(buffer, static_cast<size_t>(n));
            else if (n == 0 || errno != EINTR) // end of file, or EIO once a terminal's writer has gone
                closeFd(*fds[i]);
        }
    }
    // Its streams are closed: the program has ended or is about to. A program that closed
    // them and lives on is stopped at the guard as well.
    int status = 0;
    for (;;) {
        const pid_t done = ::waitpid(pid_, &status, WNOHANG);
        if (done == pid_ || (done < 0 && errno != EINTR))
            break;
        if (done == 0 && std::chrono::steady_clock::now() >= end && !result_.killedByGuard) {
            ::kill(pid_, SIGKILL);
            result_.killedByGuard = true;
        }
        if (done == 0)
            ::usleep(2000);
    }
    if (WIFEXITED(status))
        result_.exitStatus = WEXITSTATUS(status);
    else if (WIFSIGNALED(status))
        result_.signal = WTERMSIG(status);
    return result_;
}

ProgramResult runTestProgram(const std::string& path, ProgramOptions options, std::chrono::milliseconds guard)
{
    TestProgram program(path, std::move(options));
    return program.finish(guard);
}

} // namespace kyv::test
