// The host's cost of moving an image to a network printer over loopback, against the
// loopback's own throughput measured in the same run (a plain socket copy of the same 16 MB
// into the same sink): the LanDownloadData stream on the raw port, and the FTP upload to
// the simulator's pyftpdlib server. Each reports vs_loopback, its time over the plain copy's.

#include "core/clock.h"
#include "core/profile_store.h"
#include "protocol/lan/lan_commands.h"
#include "transport/dcb_comm.h"
#include "transport/net/ftp_upload.h"

#include "sim/lib/lan/lan_printer.h"

#include <benchmark/benchmark.h>

#include <arpa/inet.h>
#include <netinet/in.h>
#include <poll.h>
#include <sys/socket.h>
#include <unistd.h>

#include <atomic>
#include <chrono>
#include <ctime>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <thread>
#include <vector>

namespace {

constexpr size_t kImage = 16u << 20;
constexpr uint32_t kSinkAddress = 0x7F000063;    // 127.0.0.99
constexpr uint32_t kPrinterAddress = 0x7F000064; // 127.0.0.100

sockaddr_in inet(uint32_t address, uint16_t port)
{
    sockaddr_in sa{};
    sa.sin_family = AF_INET;
    sa.sin_port = htons(port);
    sa.sin_addr.s_addr = htonl(address);
    return sa;
}

// A printer that takes `expected` bytes per connection and answers ACK.
class Sink {
public:
    explicit Sink(size_t expected) : expected_(expected)
    {
        listener_ = ::socket(AF_INET, SOCK_STREAM | SOCK_CLOEXEC, 0);
        int on = 1;
        ::setsockopt(listener_, SOL_SOCKET, SO_REUSEADDR, &on, sizeof on);
        sockaddr_in sa = inet(kSinkAddress, 0);
        ::bind(listener_, reinterpret_cast<sockaddr*>(&sa), sizeof sa);
        ::listen(listener_, 4);
        socklen_t size = sizeof sa;
        ::getsockname(listener_, reinterpret_cast<sockaddr*>(&sa), &size);
        port_ = ntohs(sa.sin_port);
        thread_ = std::thread([this] { serve(); });
    }
    ~Sink()
    {
        stop_ = true;
        ::shutdown(listener_, SHUT_RDWR);
        thread_.join();
        ::close(listener_);
    }
    uint16_t port() const { return port_; }

private:
    void serve()
    {
        std::vector<char> buffer(1 << 16);
        while (!stop_) {
            int fd = ::accept4(listener_, nullptr, nullptr, SOCK_CLOEXEC);
            if (fd < 0)
                return;
            size_t got = 0;
            while (true) {
                ssize_t n = ::recv(fd, buffer.data(), buffer.size(), 0);
                if (n <= 0)
                    break;
                got += static_cast<size_t>(n);
                if (got == expected_) {
                    const char ack = 0x06;
                    ::send(fd, &ack, 1, MSG_NOSIGNAL);
                }
            }
            ::close(fd);
        }
    }
    size_t expected_;
    int listener_ = -1;
    uint16_t port_ = 0;
    std::atomic<bool> stop_{false};
    std::thread thread_;
};

// Seconds of a plain copy of 16 MB into the sink, best of five.
double loopbackSeconds()
{
    static const double seconds = [] {
        Sink sink(kImage);
        std::vector<uint8_t> data(kImage, 0x5A);
        double best = 1e9;
        for (int round = 0; round < 5; ++round) {
            auto start = std::chrono::steady_clock::now();
            int fd = ::socket(AF_INET, SOCK_STREAM | SOCK_CLOEXEC, 0);
            sockaddr_in sa = inet(kSinkAddress, sink.port());
            ::connect(fd, reinterpret_cast<sockaddr*>(&sa), sizeof sa);
            size_t done = 0;
            while (done < data.size()) {
                ssize_t n = ::send(fd, data.data() + done, data.size() - done, MSG_NOSIGNAL);
                if (n <= 0)
                    break;
                done += static_cast<size_t>(n);
            }
            char ack = 0;
            ::recv(fd, &ack, 1, 0);
            ::close(fd);
            best = std::min(best, std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count());
        }
        return best;
    }();
    return seconds;
}

double threadCpuSeconds()
{
    timespec t{};
    ::clock_gettime(CLOCK_THREAD_CPUTIME_ID, &t);
    return static_cast<double>(t.tv_sec) + static_cast<double>(t.tv_nsec) * 1e-9;
}

// vs_loopback: wall time over the plain copy's; cpu_vs_loopback: the host thread's own CPU
// time (what it costs per byte, whoever is slow on the other side) over the plain copy's.
void report(benchmark::State& state, double seconds, double cpuSeconds)
{
    state.SetBytesProcessed(static_cast<int64_t>(state.iterations() * kImage));
    state.counters["vs_loopback"] = seconds / static_cast<double>(state.iterations()) / loopbackSeconds();
    state.counters["cpu_vs_loopback"] = cpuSeconds / static_cast<double>(state.iterations()) / loopbackSeconds();
}

// Protocol waits are scaled to almost nothing; time-outs of 10^9 protocol ms keep a bound of
// about 1000 s real at that scale, so none of them cuts the stream short.
constexpr double kScale = 1e-6;
constexpr uint32_t kBoundMs = 1000000000;

// OpenLan, the 6-byte header, 256 blocks of 64 KB, the ACK, CloseLan.
void BM_LanDownloadDataStream(benchmark::State& state)
{
    kyv::setTimeScale(kScale);
    Sink sink(kImage + 6);
    std::filesystem::path ini = std::filesystem::temp_directory_path() / "kyv_lan_bench.ini";
    kyv::ProfileStore store(ini);
    store.setInt("Network", "RawPort", sink.port());
    for (const char* key : {"ConnectTimeout", "ReadTimeout", "WriteTimeout"})
        store.setInt("Network", key, static_cast<int>(kBoundMs));
    kyv::CDCBComm port;
    port.setProfileStore(&store);
    std::vector<uint8_t> data(kImage, 0xA5);
    double seconds = 0;
    double cpu = 0;
    loopbackSeconds();
    for (auto _ : state) {
        auto start = std::chrono::steady_clock::now();
        double cpuStart = threadCpuSeconds();
        if (port.OpenLan(kSinkAddress) != 1) {
            state.SkipWithError("cannot connect to the sink");
            break;
        }
        kyv::LanCommands commands(port, nullptr);
        if (commands.downloadData(data) != kyv::kLanAcknowledged) {
            state.SkipWithError("no ACK for the data");
            break;
        }
        port.CloseLan();
        seconds += std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count();
        cpu += threadCpuSeconds() - cpuStart;
    }
    report(state, seconds, cpu);
    std::filesystem::remove(ini);
}
BENCHMARK(BM_LanDownloadDataStream)->Unit(benchmark::kMillisecond)->UseRealTime()->MinTime(2);

// FtpUpload of a 16 MB image to the simulator's FTP server (pyftpdlib), login included.
void BM_FtpUpload(benchmark::State& state)
{
    kyv::setTimeScale(kScale);
    kyv::sim::LanOptions options;
    options.address = kPrinterAddress;
    options.printer.model = "R241";
    options.rawPort = options.statusPort = options.searchPort = options.ftpPort = 0;
    kyv::sim::completeNetworkFace(options);
    kyv::sim::LanPrinter printer(options);
    if (!printer.start()) {
        state.SkipWithError(printer.errorText().c_str());
        return;
    }
    std::filesystem::path image = std::filesystem::temp_directory_path() / "kyv_lan_bench.mfw";
    std::ofstream(image, std::ios::binary) << std::string(kImage, '\xA5');
    kyv::FtpUploadRequest request{"KyvFlash", "anonymous", "", image.string(), "Main1_01.mfw", "127.0.0.100",
                                  printer.ports().ftp, kBoundMs, kBoundMs};
    double seconds = 0;
    double cpu = 0;
    loopbackSeconds();
    for (auto _ : state) {
        auto start = std::chrono::steady_clock::now();
        double cpuStart = threadCpuSeconds();
        if (kyv::FtpUpload(request) != kyv::kFtpUploaded) {
            state.SkipWithError("the upload failed");
            break;
        }
        seconds += std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count();
        cpu += threadCpuSeconds() - cpuStart;
    }
    report(state, seconds, cpu);
    printer.stop();
    std::filesystem::remove(image);
}
BENCHMARK(BM_FtpUpload)->Unit(benchmark::kMillisecond)->UseRealTime()->MinTime(2);

} // namespace
