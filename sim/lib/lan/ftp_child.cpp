#include "sim/lib/lan/ftp_child.h"

#include <fcntl.h>
#include <poll.h>
#include <signal.h>
#include <spawn.h>
#include <sys/wait.h>

#include <cerrno>
#include <cstdlib>
#include <cstring>

extern char** environ;

namespace kyv::sim {
namespace {

constexpr const char* kPython = "/usr/bin/python3";
// Real time for the interpreter to start and import pyftpdlib on a loaded machine; not a
// printer's time, so not scaled.
constexpr int kStartLimitMs = 20000;

// argv: address port folder user password refuse
constexpr const char* kServer = R"(
import logging, os, sys, threading, warnings
warnings.simplefilter('ignore')
from pyftpdlib.authorizers import AuthenticationFailed, DummyAuthorizer
from pyftpdlib.handlers import FTPHandler
from pyftpdlib.servers import FTPServer
address, port, folder, user, password, refuse = sys.argv[1], int(sys.argv[2]), sys.argv[3], sys.argv[4], sys.argv[5], sys.argv[6] == '1'
logging.basicConfig(level=logging.ERROR)
class Handler(FTPHandler):
    auth_failed_timeout = 0
    def on_incomplete_file_received(self, file):
        try:
            os.remove(file)
        except OSError:
            pass
class Authorizer(DummyAuthorizer):
    # The printer's sign-in: its one user, and its password unless it has none.
    def validate_authentication(self, username, given, handler):
        if refuse or username != user or (password != '' and given != password):
            raise AuthenticationFailed('Authentication failed.')
authorizer = Authorizer()
authorizer.add_user(user, password, folder, perm='elradfmw')
Handler.authorizer = authorizer
server = FTPServer((address, port), Handler)
def watch():
    sys.stdin.buffer.read()
    os._exit(0)
threading.Thread(target=watch, daemon=True).start()
print(server.socket.getsockname()[1], flush=True)
server.serve_forever(timeout=0.2, handle_exit=False)
)";

} // namespace

bool FtpChild::start(const FtpServerSettings& settings)
{
    stop();
    int in[2];
    int out[2];
    if (::pipe2(in, O_CLOEXEC) != 0) {
        error_ = std::string("cannot make a pipe for the FTP server: ") + std::strerror(errno);
        return false;
    }
    UniqueFd inRead(in[0]);
    input_.reset(in[1]);
    if (::pipe2(out, O_CLOEXEC) != 0) {
        error_ = std::string("cannot make a pipe for the FTP server: ") + std::strerror(errno);
        input_.reset();
        return false;
    }
    UniqueFd outWrite(out[1]);
    output_.reset(out[0]);

    posix_spawn_file_actions_t actions;
    posix_spawn_file_actions_init(&actions);
    posix_spawn_file_actions_adddup2(&actions, inRead.get(), 0);
    posix_spawn_file_actions_adddup2(&actions, outWrite.get(), 1);
    // The simulator blocks its stop signals for sigwait; the server must not inherit that.
    posix_spawnattr_t attributes;
    posix_spawnattr_init(&attributes);
    sigset_t none;
    sigemptyset(&none);
    sigset_t defaults;
    sigemptyset(&defaults);
    sigaddset(&defaults, SIGTERM);
    sigaddset(&defaults, SIGINT);
    sigaddset(&defaults, SIGPIPE);
    posix_spawnattr_setsigmask(&attributes, &none);
    posix_spawnattr_setsigdefault(&attributes, &defaults);
    posix_spawnattr_setflags(&attributes, POSIX_SPAWN_SETSIGMASK | POSIX_SPAWN_SETSIGDEF);
    std::string port = std::to_string(settings.port);
    const char* argv[] = {kPython, "-c", kServer, settings.address.c_str(), port.c_str(), settings.folder.c_str(),
                          settings.user.c_str(), settings.password.c_str(), settings.refuseLogin ? "1" : "0",
                          nullptr};
    int spawned = posix_spawn(&pid_, kPython, &actions, &attributes, const_cast<char**>(argv), environ);
    posix_spawn_file_actions_destroy(&actions);
    posix_spawnattr_destroy(&attributes);
    inRead.reset();
    outWrite.reset();
    if (spawned != 0) {
        pid_ = -1;
        error_ = std::string("cannot start ") + kPython + " for the FTP server: " + std::strerror(spawned);
        stop();
        return false;
    }
    // Its first line is the port it listens on; end-of-file means it could not start.
    std::string line;
    char buffer[64];
    while (line.find('\n') == std::string::npos) {
        pollfd wait{output_.get(), POLLIN, 0};
        int ready = ::poll(&wait, 1, kStartLimitMs);
        if (ready < 0 && errno == EINTR)
            continue;
        ssize_t n = ready > 0 ? ::read(output_.get(), buffer, sizeof buffer) : 0;
        if (n <= 0)
            break;
        line.append(buffer, static_cast<size_t>(n));
    }
    port_ = static_cast<uint16_t>(std::atoi(line.c_str()));
    if (line.find('\n') == std::string::npos || port_ == 0) {
        error_ = "the FTP server (pyftpdlib with " + std::string(kPython) + ") did not start on " + settings.address +
                 " port " + std::to_string(settings.port) + ": is python3-pyftpdlib installed and the port free?";
        stop();
        return false;
    }
    return true;
}

void FtpChild::stop()
{
    input_.reset();
    if (pid_ > 0) {
        // The server holds nothing worth saving: end it at once and collect it.
        ::kill(pid_, SIGKILL);
        while (::waitpid(pid_, nullptr, 0) < 0 && errno == EINTR) {
        }
        pid_ = -1;
    }
    output_.reset();
    port_ = 0;
}

} // namespace kyv::sim
