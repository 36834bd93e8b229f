// Measures what the host adds to a flash and how much memory it needs.
//
//   kyv-flash-bench time   [MODEL] [BYTES] [SCALE]   simulated printer in this process
//   kyv-flash-bench memory [MODEL] [BYTES] [SCALE]   printer-sim in a process of its own
//   kyv-flash-bench lan    [MODEL] [BYTES] [SCALE]   simulated network printer in this process
//   kyv-flash-bench wifi   [MODEL] [BYTES] [SCALE]   the same printer on its WiFi interface
//   kyv-flash-bench usb    [MODEL] [BYTES] [SCALE]   simulated USB bus in this process
//   kyv-flash-bench fleet  N [MODEL] [BYTES] [SCALE] N serial printers flashed at once
//
// Defaults: a full R241 main firmware (sectors 6 to 54, 3,014,656 bytes) at scale 0.002;
// R243 with 14,000,000 bytes (sectors 36 to 249, the printer already in download mode) at 0.001.
//
// "time" flashes the same image twice, at SCALE and at twice SCALE. Everything the
// protocol waits for (the host's pauses and read time-outs, the printer's restarts)
// grows with the scale; what the host itself spends does not. So the difference of the
// two runs gives the protocol time of a real flash, and what is left at scale 0 is the
// host's own share, set against a real flash: protocol time plus the bytes at 115200 bps.
// "memory" reports the peak resident memory of this process, which holds only the host.
// "lan" times an Ethernet download the same way (R453 and R243: the online-mode download),
// the printer at 127.0.77.5 with FTP upload; default R451-2XX8/3XX8/4XX8/6XX8 main
// firmware of 1,114,112 bytes (two FTP parts) at scale 0.002. It needs python3-pyftpdlib.
// "wifi" times the WiFi download of the same printer, sector by sector on its raw port.
// "usb" times a download over the simulated USB bus: R242 main firmware over its report
// device by default, R453 and R243 in online mode over NHPI (CPMI); default scale 0.02.
// "fleet" flashes one printer, then N at once (each on its own pseudo-terminal and thread,
// as a shop's rollout script would), and sets the wall time of N against one: the time is the printers' waits, so it should hardly grow.
// Default: R241 main firmware of 393,216 bytes (6 sectors) at scale 0.02.

#include "core/catalogue.h"
#include "core/clock.h"
#include "core/job_events.h"
#include "core/profile_store.h"
#include "download/lan_download.h"
#include "download/lan_online_download.h"
#include "download/local_download.h"
#include "download/wifi_download.h"
#include "sim/lib/lan/lan_printer.h"
#include "sim/lib/pty_printer.h"
#include "sim/lib/usb/usb_printer.h"

#include <fcntl.h>
#include <spawn.h>
#include <sys/resource.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

#include <chrono>
#include <csignal>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <functional>
#include <optional>
#include <string>
#include <thread>
#include <vector>

extern char** environ;

namespace {

using namespace kyv;

class CountingEvents final : public JobEvents {
public:
    void result(ResultCode c) override { code = c; }
    void jobEnd() override {}
    void success(const std::string&) override { code = 0; }
    void progressStart(int) override {}
    void progress(ProgressEvent& event) override
    {
        ++events;
        if (verbose && !(event.stepText + event.logText).empty())
            std::fprintf(stderr, "%s%s\n", event.stepText.c_str(), event.logText.c_str());
    }
    void progressClose() override {}
    bool askYesNo(const std::string&, const std::string&) override { return false; }
    void notice(const std::string&, const std::string&) override {}

    ResultCode code = -1;
    long events = 0;
    bool verbose = std::getenv("KYV_BENCH_VERBOSE") != nullptr; // step texts and log lines to stderr
};

struct FlashRun {
    ResultCode code = -1;
    double wallSeconds = 0;
    double workerCpuSeconds = 0;
    long progressEvents = 0;
};

double seconds(const timeval& t)
{
    return static_cast<double>(t.tv_sec) + static_cast<double>(t.tv_usec) / 1e6;
}

std::string writeImage(const std::string& dir, size_t bytes, uint8_t first)
{
    std::vector<uint8_t> image(bytes);
    uint32_t x = 2463534242u;
    for (uint8_t& b : image) {
        x ^= x << 13;
        x ^= x >> 17;
        x ^= x << 5;
        b = static_cast<uint8_t>(x);
    }
    // The model's signature first, then the type letter of main firmware.
    if (image.size() > 1) {
        image[0] = first;
        image[1] = 'M';
    }
    std::string path = dir + "/image.mfw";
    std::ofstream(path, std::ios::binary).write(reinterpret_cast<const char*>(image.data()),
                                                static_cast<std::streamsize>(image.size()));
    return path;
}

// Runs a worker procedure on a thread of its own, timing it and its CPU.
FlashRun runWorker(const std::function<void()>& worker, CountingEvents& events)
{
    FlashRun run;
    auto start = std::chrono::steady_clock::now();
    std::thread thread([&] {
        worker();
        rusage usage{};
        getrusage(RUSAGE_THREAD, &usage);
        run.workerCpuSeconds = seconds(usage.ru_utime) + seconds(usage.ru_stime);
    });
    thread.join();
    run.wallSeconds = std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count();
    run.code = events.code;
    run.progressEvents = events.events;
    return run;
}

// Runs the local download worker on its own thread, timing it.
FlashRun flash(ModelInfo& row, const std::string& port, int baud, const std::string& image, size_t bytes)
{
    CountingEvents events;
    FlashJob& job = row.job;
    job.interfaceName = port;
    job.interfaceKind = kSerialPort;
    job.parity = "NONE";
    job.baudRate = baud;
    job.stopBits = 1;
    job.startSector = row.mainSector;
    job.downloadTypeCode = 2;
    job.notifyWindow = &events;
    job.filePath = image;
    job.workDir = std::filesystem::path(image).parent_path();
    job.progressRange = static_cast<int>(bytes / 65536) * 4 + 15;
    job.commandLineMode = 1;
    job.portDetection = 1;
    job.printAfter = 0;

    return runWorker([&] { RunLocalDownload(row); }, events);
}

// The model's row and an image for it in a scratch directory, removed at the end.
struct BenchJob {
    BenchJob(ModelInfo& model, size_t size) : row(model), bytes(size)
    {
        char pattern[] = "/tmp/kyv-flash-bench-XXXXXX";
        dir = ::mkdtemp(pattern) ? pattern : "/tmp";
        image = writeImage(dir, bytes, row.imageSignature ? static_cast<uint8_t>(row.imageSignature) : 'M');
    }
    ~BenchJob()
    {
        std::error_code ignored;
        std::filesystem::remove_all(dir, ignored);
    }
    BenchJob(const BenchJob&) = delete;
    BenchJob& operator=(const BenchJob&) = delete;

    ModelInfo& row;
    size_t bytes;
    std::string dir;
    std::string image;
};

// A flash at one time scale; simWait is the simulator's own waiting in it.
using FlashAt = std::function<FlashRun(double scale, double& simWait)>;

// Flashes at scale and at twice scale: the protocol's waits grow with the scale, the
// host's own time does not, so the difference gives the protocol time of a real flash.
int timeTwice(const std::string& title, double scale, double wireSeconds, const FlashAt& flashAt)
{
    FlashRun runs[2];
    double simWait[2] = {};
    const double scales[2] = {scale, 2 * scale};
    for (int i = 0; i < 2; ++i) {
        runs[i] = flashAt(scales[i], simWait[i]);
        if (runs[i].code != 0)
            return std::fprintf(stderr, "flash failed with %d\n", runs[i].code), 1;
    }
    const double protocol = (runs[1].wallSeconds - runs[0].wallSeconds) / (scales[1] - scales[0]);
    const double fixed = runs[0].wallSeconds - scales[0] * protocol;
    const double real = protocol + wireSeconds;
    std::printf("%s, time scales %g and %g\n", title.c_str(), scales[0], scales[1]);
    std::printf("wall time:                       %8.3f s and %8.3f s\n", runs[0].wallSeconds, runs[1].wallSeconds);
    std::printf("simulator's own waits:           %8.3f s and %8.3f s (%.0f s of printer time)\n", simWait[0],
                simWait[1], simWait[0] / scales[0]);
    std::printf("protocol time of a real flash:   %8.1f s\n", protocol);
    if (wireSeconds > 0)
        std::printf("bytes on the wire at 115200 bps: %8.1f s\n", wireSeconds);
    std::printf("host time left at scale 0:       %8.3f s (%.3f%% of %.0f s; the simulator's side included)\n",
                fixed, 100.0 * fixed / real, real);
    std::printf("worker thread CPU time:          %8.3f s (%.3f%%), %ld progress events\n", runs[0].workerCpuSeconds,
                100.0 * runs[0].workerCpuSeconds / real, runs[0].progressEvents);
    return 0;
}

int timeFlash(BenchJob& job, double scale)
{
    const std::string& model = job.row.displayName;
    const std::string title = "model " + model + ", main firmware of " + std::to_string(job.bytes) + " bytes";
    return timeTwice(title, scale, static_cast<double>(job.bytes) * 10.0 / 115200.0,
                     [&](double at, double& simWait) {
                         setTimeScale(at);
                         sim::PrinterOptions options;
                         options.model = model;
                         sim::PtyPrinter printer(options);
                         if (!printer.start()) {
                             std::fprintf(stderr, "printer: %s\n", printer.errorText().c_str());
                             return FlashRun{};
                         }
                         FlashRun run = flash(job.row, printer.slavePath(), sim::defaultBaud(model), job.image,
                                              job.bytes);
                         simWait = std::chrono::duration<double>(printer.state().ownWaitTime).count();
                         return run;
                     });
}

// One download over the simulated USB bus: the report device ("USB"), or NHPI for R453 and
// R243 in online mode.
FlashRun flashUsb(BenchJob& bench, double scale, double& simWait)
{
    setTimeScale(scale);
    const bool online = bench.row.displayName == "R453" || bench.row.displayName == "R243";
    sim::UsbPrinterOptions options;
    options.printer.model = bench.row.displayName;
    options.busPath = bench.dir + "/usb.sock";
    options.interface = online ? sim::UsbInterface::Nhpi : sim::UsbInterface::Usb;
    options.port = "1-2";
    sim::UsbPrinter printer(options);
    if (!printer.start()) {
        std::fprintf(stderr, "printer: %s\n", printer.errorText().c_str());
        return FlashRun{};
    }
    CountingEvents events;
    FlashJob& job = bench.row.job;
    job.interfaceName = online ? "NHPI" : "USB";
    job.interfaceKind = online ? kUsbDeviceClass : kUsbReportDevice;
    job.usbClassPrtr = 0;
    job.startSector = bench.row.mainSector;
    job.downloadTypeCode = 2;
    job.notifyWindow = &events;
    job.filePath = bench.image;
    job.workDir = bench.dir;
    job.progressRange = static_cast<int>(bench.bytes / 65536) * 4 + 15;
    job.commandLineMode = 1;
    job.portDetection = 1;
    job.printAfter = 0;
    FlashRun run = runWorker([&] { RunLocalDownload(bench.row); }, events);
    simWait = std::chrono::duration<double>(printer.state().ownWaitTime).count();
    printer.stop();
    return run;
}

int timeUsbFlash(BenchJob& job, double scale)
{
    // Every USB operation of this process goes to the simulated bus.
    const std::string bus = "unix:" + job.dir + "/usb.sock";
    ::setenv("KYVFLASH_USB_BUS", bus.c_str(), 1);
    const std::string title = "model " + job.row.displayName + " over USB, main firmware of " +
                              std::to_string(job.bytes) + " bytes";
    return timeTwice(title, scale, 0, [&](double at, double& simWait) { return flashUsb(job, at, simWait); });
}

// One Ethernet download on a thread of its own against a network printer in this process.
FlashRun flashLan(BenchJob& bench, double scale, double& simWait, bool wifi)
{
    setTimeScale(scale);
    sim::LanOptions options;
    options.wifi = wifi;
    options.serveFtp = !wifi;
    options.printer.model = bench.row.displayName;
    options.address = 0x7F004D05; // 127.0.77.5
    options.mask = 0xFF000000;
    options.rawPort = options.statusPort = options.searchPort = options.ftpPort = 0;
    sim::completeNetworkFace(options);
    sim::LanPrinter printer(options);
    FlashRun run;
    if (!printer.start()) {
        std::fprintf(stderr, "printer: %s\n", printer.errorText().c_str());
        return run;
    }
    const sim::LanPorts ports = printer.ports();
    ProfileStore store(ProfileStore::defaultPath());
    store.setInt("Network", "RawPort", ports.raw);
    store.setInt("Network", "StatusPort", ports.status);
    store.setInt("Network", "SearchPort", ports.search);
    store.setInt("Network", "FtpPort", ports.ftp);
    store.setText("Network", "BroadcastAddress", "127.255.255.255");
    // The Python FTP server takes its connections in real time; the scaled default would
    // leave it a few milliseconds.
    store.setInt("Network", "ConnectTimeout", 5000000);

    CountingEvents events;
    FlashJob& job = bench.row.job;
    job.interfaceName = wifi ? "WIFI" : "LAN";
    job.interfaceKind = wifi ? kWifiJob : kLanJob;
    job.ipAddress = options.address;
    job.startSector = bench.row.mainSector;
    job.downloadTypeCode = 2;
    job.notifyWindow = &events;
    job.filePath = bench.image;
    job.workDir = bench.dir;
    job.progressRange = 10;
    job.commandLineMode = 1;
    job.checkModel = 1;
    job.printAfter = 0;
    const bool online = bench.row.displayName == "R453" || bench.row.displayName == "R243";
    run = runWorker(
        [&] {
            if (wifi)
                RunWifiDownload(bench.row);
            else if (online)
                RunLanOnlineDownload(bench.row);
            else
                RunLanDownload(bench.row);
        },
        events);
    simWait = std::chrono::duration<double>(printer.session().state().ownWaitTime).count();
    if (run.code != 0 && events.verbose)
        for (const sim::TranscriptEntry& entry : printer.session().transcript().entries())
            if (entry.direction == sim::Direction::Event)
                std::fprintf(stderr, "printer: %s\n", entry.note.c_str());
    printer.stop();
    return run;
}

int timeLanFlash(BenchJob& job, double scale, bool wifi)
{
    // The settings the download reads and the only addresses it may reach.
    const std::string config = job.dir + "/config";
    ::setenv("XDG_CONFIG_HOME", config.c_str(), 1);
    ::setenv("KYVFLASH_NET_ALLOW", "127.0.0.0/8", 1);
    const std::string title = "model " + job.row.displayName + (wifi ? " over WiFi" : " over LAN") +
                              ", main firmware of " + std::to_string(job.bytes) + " bytes";
    return timeTwice(title, scale, 0,
                     [&](double at, double& simWait) { return flashLan(job, at, simWait, wifi); });
}

// Flashes n printers at once; the wall time until the last is done, or a negative value
// when one of them failed.
double flashFleet(BenchJob& bench, int n)
{
    const std::string& model = bench.row.displayName;
    std::vector<std::unique_ptr<sim::PtyPrinter>> printers;
    std::vector<ModelInfo> rows(static_cast<size_t>(n), bench.row);
    for (int i = 0; i < n; ++i) {
        sim::PrinterOptions options;
        options.model = model;
        printers.push_back(std::make_unique<sim::PtyPrinter>(options));
        if (!printers.back()->start())
            return std::fprintf(stderr, "printer: %s\n", printers.back()->errorText().c_str()), -1;
    }
    std::vector<FlashRun> runs(static_cast<size_t>(n));
    auto start = std::chrono::steady_clock::now();
    std::vector<std::thread> threads;
    for (int i = 0; i < n; ++i)
        threads.emplace_back([&, i] {
            runs[i] = flash(rows[i], printers[i]->slavePath(), sim::defaultBaud(model), bench.image, bench.bytes);
        });
    for (std::thread& thread : threads)
        thread.join();
    const double wall = std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count();
    for (int i = 0; i < n; ++i)
        if (runs[i].code != 0)
            return std::fprintf(stderr, "printer %d: flash failed with %d\n", i + 1, runs[i].code), -1;
    return wall;
}

int timeFleet(BenchJob& bench, int n, double scale)
{
    setTimeScale(scale);
    const double one = flashFleet(bench, 1);
    const double many = one < 0 ? -1 : flashFleet(bench, n);
    if (many < 0)
        return 1;
    std::printf("model %s, main firmware of %zu bytes, time scale %g\n", bench.row.displayName.c_str(), bench.bytes,
                scale);
    std::printf("1 printer:   %8.3f s\n", one);
    std::printf("%d printers: %8.3f s (%.2f x one printer)\n", n, many, many / one);
    return 0;
}

int measureMemory(BenchJob& job, double scale, bool mayBeRefused)
{
    const std::string& model = job.row.displayName;
    const std::string link = job.dir + "/COM1";
    const std::string scaleText = std::to_string(scale);

    // The printer waits in its download mode, so the whole image goes sector by sector.
    std::vector<std::string> args{KYV_PRINTER_SIM, "serial", "--model", model, "--link", link,
                                  "--download-mode", "--time-scale", scaleText};
    std::vector<char*> argv;
    for (std::string& arg : args)
        argv.push_back(arg.data());
    argv.push_back(nullptr);
    pid_t child = 0;
    posix_spawn_file_actions_t actions;
    posix_spawn_file_actions_init(&actions);
    posix_spawn_file_actions_addopen(&actions, STDOUT_FILENO, "/dev/null", O_WRONLY, 0);
    posix_spawn_file_actions_addopen(&actions, STDERR_FILENO, "/dev/null", O_WRONLY, 0);
    int spawned = posix_spawn(&child, argv[0], &actions, nullptr, argv.data(), environ);
    posix_spawn_file_actions_destroy(&actions);
    if (spawned != 0)
        return std::fprintf(stderr, "cannot start %s\n", argv[0]), 1;

    setTimeScale(scale);
    struct stat info {};
    for (int i = 0; i < 500 && ::lstat(link.c_str(), &info) != 0; ++i)
        std::this_thread::sleep_for(std::chrono::milliseconds(10));
    FlashRun run = flash(job.row, link, sim::defaultBaud(model), job.image, job.bytes);
    kill(child, SIGTERM);
    waitpid(child, nullptr, 0);

    rusage usage{};
    getrusage(RUSAGE_SELF, &usage);
    std::printf("model %s, image of %zu bytes: result %d after %.2f s at time scale %g\n", model.c_str(),
                job.bytes, run.code, run.wallSeconds, scale);
    std::printf("peak resident memory of the host: %.1f MB\n", static_cast<double>(usage.ru_maxrss) / 1024.0);
    return run.code == 0 || mayBeRefused ? 0 : 1;
}

} // namespace

int main(int argc, char** argv)
{
    std::vector<std::string> args(argv + 1, argv + argc);
    const std::string mode = args.empty() ? "" : args[0];
    int fleetSize = 0;
    if (mode == "fleet") {
        fleetSize = args.size() > 1 ? std::atoi(args[1].c_str()) : 0;
        if (fleetSize < 1 || fleetSize > 64)
            return std::fprintf(stderr, "usage: kyv-flash-bench fleet N [MODEL] [BYTES] [SCALE], N from 1 to 64\n"), 2;
        args.erase(args.begin() + 1);
    } else if (mode != "time" && mode != "memory" && mode != "lan" && mode != "wifi" && mode != "usb") {
        std::fprintf(stderr, "usage: kyv-flash-bench time|memory|lan|wifi|usb [MODEL] [BYTES] [SCALE]\n"
                             "       kyv-flash-bench fleet N [MODEL] [BYTES] [SCALE]\n");
        return 2;
    }
    const bool network = mode == "lan" || mode == "wifi";
    const bool timing = mode != "memory";
    const std::string model = args.size() > 1 ? args[1]
                              : network       ? "R451-2XX8/3XX8/4XX8/6XX8"
                              : mode == "usb" ? "R242"
                              : timing        ? "R241"
                                              : "R243";
    std::optional<size_t> bytes;
    if (args.size() > 2)
        bytes = std::strtoull(args[2].c_str(), nullptr, 10);
    // Over USB the simulator computes its bit-by-bit image CRC in real time while the host's
    // wait for it is scaled: a scale that leaves that wait its milliseconds.
    const double defaultScale = mode == "usb" || mode == "fleet" ? 0.02 : timing ? 0.002 : 0.001;
    const double scale = args.size() > 3 ? std::strtod(args[3].c_str(), nullptr) : defaultScale;
    ModelCatalogue catalogue;
    const int index = catalogue.indexOf(model);
    if (index < 0 || scale <= 0)
        return std::fprintf(stderr, "unknown model %s or bad time scale\n", model.c_str()), 2;
    const ModelInfo& row = catalogue.row(index);
    // Timing flashes the model's whole main-firmware area, from its first sector to the end.
    const size_t fullMain = row.mainSector > 0
        ? static_cast<size_t>(row.sectorMap->totalBytes() - row.sectorMap->sectorNumberOffset(row.mainSector))
        : 0;
    if (network) {
        BenchJob job(catalogue.row(index), bytes.value_or(1048576 + 65536));
        return timeLanFlash(job, scale, mode == "wifi");
    }
    if (mode == "usb") {
        BenchJob job(catalogue.row(index), bytes.value_or(fullMain));
        return timeUsbFlash(job, scale);
    }
    if (mode == "fleet") {
        BenchJob job(catalogue.row(index), bytes.value_or(6 * 65536));
        return timeFleet(job, fleetSize, scale);
    }
    BenchJob job(catalogue.row(index), bytes.value_or(timing ? fullMain : 14000000));
    return timing ? timeFlash(job, scale) : measureMemory(job, scale, bytes.has_value());
}
