// The FTP upload against a real pyftpdlib server, and the guard that keeps connects,
// datagrams and uploads inside KYVFLASH_NET_ALLOW; all on loopback.

#include "transport/net/ftp_upload.h"
#include "transport/net/net_guard.h"
#include "transport/net/net_socket.h"

#include "transport/net_test_peer.h"
#include "support/scratch_dir.h"

#include <gtest/gtest.h>

#include <fcntl.h>
#include <signal.h>
#include <spawn.h>
#include <sys/wait.h>

#include <cstdio>
#include <cstdlib>
#include <fstream>
#include <iterator>
#include <memory>

extern char** environ;

namespace kyv {
namespace {

using test::loopback;

// pyftpdlib on 127.0.0.1, user "printer" / "flash", uploads into dir; counts refused logins
// in dir/failed. Prints its port on its first line.
constexpr const char* kServer = R"(
import sys, os
from pyftpdlib.authorizers import DummyAuthorizer
from pyftpdlib.handlers import FTPHandler
from pyftpdlib.servers import FTPServer
root = sys.argv[1]
class Handler(FTPHandler):
    def on_login_failed(self, username, password):
        with open(os.path.join(root, 'failed'), 'a') as f: f.write('x')
auth = DummyAuthorizer()
os.makedirs(os.path.join(root, 'area'), exist_ok=True)
auth.add_user('printer', 'flash', os.path.join(root, 'area'), perm='elradfmw')
Handler.authorizer = auth
Handler.auth_failed_timeout = 0
server = FTPServer(('127.0.0.1', 0), Handler)
print(server.socket.getsockname()[1], flush=True)
server.serve_forever(timeout=0.1)
)";

bool havePyftpdlib()
{
    return std::system("/usr/bin/python3 -c 'import pyftpdlib' >/dev/null 2>&1") == 0;
}

class FtpServer {
public:
    explicit FtpServer(const std::filesystem::path& root)
    {
        int out[2];
        if (::pipe2(out, O_CLOEXEC) != 0)
            return;
        posix_spawn_file_actions_t actions;
        posix_spawn_file_actions_init(&actions);
        posix_spawn_file_actions_adddup2(&actions, out[1], 1);
        std::string rootText = root.string();
        const char* argv[] = {"/usr/bin/python3", "-c", kServer, rootText.c_str(), nullptr};
        if (posix_spawn(&pid_, argv[0], &actions, nullptr, const_cast<char**>(argv), environ) != 0)
            pid_ = -1;
        posix_spawn_file_actions_destroy(&actions);
        ::close(out[1]);
        char line[32]{};
        if (pid_ > 0 && test::readable(out[0], 10000)) {
            ssize_t n = ::read(out[0], line, sizeof line - 1);
            port_ = n > 0 ? static_cast<uint16_t>(std::atoi(line)) : 0;
        }
        output_ = out[0]; // kept open so the server's stdout never breaks
    }
    ~FtpServer()
    {
        ::close(output_);
        if (pid_ > 0) {
            ::kill(pid_, SIGTERM);
            ::waitpid(pid_, nullptr, 0);
        }
    }
    uint16_t port() const { return port_; }

private:
    pid_t pid_ = -1;
    int output_ = -1;
    uint16_t port_ = 0;
};

std::string fileText(const std::filesystem::path& path)
{
    std::ifstream in(path, std::ios::binary);
    return {std::istreambuf_iterator<char>(in), {}};
}

class FtpUploadTest : public ::testing::Test {
protected:
    void SetUp() override
    {
        if (!havePyftpdlib())
            GTEST_SKIP() << "python3-pyftpdlib is not installed";
        server_ = std::make_unique<FtpServer>(dir.path());
        ASSERT_NE(server_->port(), 0);
        image = dir.path() / "image.mfw";
        std::ofstream(image, std::ios::binary) << std::string(200000, '\xA5') << "\r\n\x1A end";
    }
    FtpUploadRequest request(const std::string& password)
    {
        return {"KyvFlash", "printer", password, image.string(), "R241.mfw", "127.0.0.1",
                server_->port(), 250000, 250000}; // a Python server on a loaded machine
    }

    test::ScratchDir dir;
    std::unique_ptr<FtpServer> server_;
    std::filesystem::path image;
};

TEST_F(FtpUploadTest, UploadLandsByteForByteInTheDownloadArea)
{
    EXPECT_EQ(FtpUpload(request("flash")), kFtpUploaded);
    EXPECT_EQ(fileText(dir.path() / "area" / "R241.mfw"), fileText(image));
}

TEST_F(FtpUploadTest, RefusedLoginIsTriedThreeTimesThenNoConnection)
{
    EXPECT_EQ(FtpUpload(request("wrong")), kFtpNoConnection);
    // The server notes a refusal just after it answered 530.
    for (int i = 0; i < 100 && fileText(dir.path() / "failed").size() < 3; ++i)
        test::readable(-1, 20);
    EXPECT_EQ(fileText(dir.path() / "failed"), "xxx");
    EXPECT_FALSE(std::filesystem::exists(dir.path() / "area" / "R241.mfw"));
}

TEST(NetGuard, RangesMatchByPrefixAndAnUnreadableListAllowsNothing)
{
    EXPECT_TRUE(addressInRanges(loopback(23), "127.0.0.0/8"));
    EXPECT_TRUE(addressInRanges(loopback(1), "10.0.0.0/8, 127.0.0.1/32"));
    EXPECT_FALSE(addressInRanges(loopback(23), "127.0.0.1/32"));
    EXPECT_FALSE(addressInRanges(0xC0A80101, "127.0.0.0/8"));
    EXPECT_FALSE(addressInRanges(loopback(1), "127.0.0.0/8,bogus"));
    EXPECT_FALSE(addressInRanges(loopback(1), ""));
}

// With only 127.0.0.1 allowed, a listener on 127.0.0.23 hears nothing of a connect, a
// datagram or an upload.
TEST(NetGuard, RefusedAddressesReceiveNothing)
{
    std::string before = std::getenv("KYVFLASH_NET_ALLOW") ? std::getenv("KYVFLASH_NET_ALLOW") : "";
    ::setenv("KYVFLASH_NET_ALLOW", "127.0.0.1/32", 1);
    int listener = test::boundSocket(SOCK_STREAM, loopback(23), 0);
    ::listen(listener, 4);
    int datagrams = test::boundSocket(SOCK_DGRAM, loopback(23), 0);

    CNetSocket tcp;
    EXPECT_EQ(tcp.ConnectTcp({1000, 1000, 1000}, loopback(23), test::boundPort(listener), 0), 0);
    CNetSocket udp;
    ASSERT_EQ(udp.OpenUdp({1000, 1000, 1000}, loopback(23), test::boundPort(datagrams), 0), 1);
    EXPECT_EQ(udp.SendTo(reinterpret_cast<const uint8_t*>("x"), 1), 0);
    test::ScratchDir dir;
    std::ofstream(dir.path() / "f") << "data";
    FtpUploadRequest upload{"KyvFlash", "u", "p", (dir.path() / "f").string(), "f", "127.0.0.23",
                            test::boundPort(listener), 1000, 1000};
    EXPECT_EQ(FtpUpload(upload), kFtpNoConnection);

    EXPECT_FALSE(test::readable(listener, 50));
    EXPECT_FALSE(test::readable(datagrams, 50));
    ::close(listener);
    ::close(datagrams);
    if (before.empty())
        ::unsetenv("KYVFLASH_NET_ALLOW");
    else
        ::setenv("KYVFLASH_NET_ALLOW", before.c_str(), 1);
}

} // namespace
} // namespace kyv
