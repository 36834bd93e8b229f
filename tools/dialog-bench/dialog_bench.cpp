// Measures how responsive the main dialog stays while it runs a whole flash: the dialog
// (offscreen unless a display is asked for) flashes a simulated R241 on a pseudo-terminal,
// as a technician would, while a timer on the dialog thread measures its own lateness every
// 5 ms, and the port detection's probes are timed.
//
//   kyv-dialog-bench [SECTORS] [SCALE]       default: 16 sectors of main firmware at 0.02
//
// Prints the longest and the 99th-percentile stall of the dialog thread, the number of
// timer ticks, and the probes' count and longest and mean time. Exits 1 when the flash
// fails or the longest stall reaches 50 ms.

#include "core/catalogue.h"
#include "core/clock.h"
#include "core/process_values.h"
#include "core/profile_store.h"
#include "sim/lib/pty_printer.h"
#include "ui/brevant_dlg.h"
#include "ui/dialog_services.h"
#include "ui/port_detection.h"

#include <QApplication>
#include <QComboBox>
#include <QElapsedTimer>
#include <QPushButton>
#include <QTimer>

#include <algorithm>
#include <atomic>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <mutex>
#include <random>
#include <string>
#include <vector>

namespace {

using namespace kyv;
using Clock = std::chrono::steady_clock;

constexpr int kTickMs = 5;
constexpr double kStallLimitMs = 50;

// The system's probe, timed.
class TimedProbe final : public PortProbe {
public:
    explicit TimedProbe(std::unique_ptr<PortProbe> probe) : probe_(std::move(probe)) {}
    std::vector<EdgeportPort> serialAdapterPorts() override
    {
        const auto start = Clock::now();
        auto ports = probe_->serialAdapterPorts();
        note(Clock::now() - start);
        return ports;
    }
    std::optional<UsbSighting> findUsbPrinter(const std::string& pidList) override
    {
        const auto start = Clock::now();
        auto found = probe_->findUsbPrinter(pidList);
        note(Clock::now() - start);
        return found;
    }

    struct Figures {
        int calls = 0;
        double longestMs = 0;
        double totalMs = 0;
    };
    Figures figures()
    {
        std::lock_guard lock(mutex_);
        return figures_;
    }

private:
    void note(Clock::duration took)
    {
        const double ms = std::chrono::duration<double, std::milli>(took).count();
        std::lock_guard lock(mutex_);
        ++figures_.calls;
        figures_.totalMs += ms;
        figures_.longestMs = std::max(figures_.longestMs, ms);
    }

    std::unique_ptr<PortProbe> probe_;
    std::mutex mutex_;
    Figures figures_;
};

std::string writeImage(const std::filesystem::path& dir, size_t sectors)
{
    std::string bytes(sectors * 65536, '\0');
    std::mt19937 random(3);
    for (char& b : bytes)
        b = static_cast<char>(random());
    bytes[1] = 'M';
    const std::filesystem::path path = dir / "firmware.mfw";
    std::ofstream(path, std::ios::binary) << bytes;
    return path.string();
}

} // namespace

int main(int argc, char** argv)
{
    const size_t sectors = argc > 1 ? std::strtoul(argv[1], nullptr, 10) : 16;
    const double scale = argc > 2 ? std::strtod(argv[2], nullptr) : 0.02;
    if (sectors < 1 || sectors > 48 || scale <= 0) {
        std::fprintf(stderr, "usage: kyv-dialog-bench [SECTORS 1..48] [SCALE]\n");
        return 2;
    }
    if (std::getenv("QT_QPA_PLATFORM") == nullptr)
        ::setenv("QT_QPA_PLATFORM", "offscreen", 1);
    // Settings, start-up folder and log of the bench's own; no network leaves the machine.
    char pattern[] = "/tmp/kyv-dialog-bench-XXXXXX";
    const std::filesystem::path dir = ::mkdtemp(pattern) ? pattern : "/tmp";
    ::setenv("XDG_CONFIG_HOME", (dir / "config").c_str(), 1);
    ::setenv("KYVFLASH_NET_ALLOW", "127.0.0.0/8", 1);
    setTimeScale(scale);

    QApplication app(argc, argv);
    sim::PrinterOptions printerOptions;
    printerOptions.model = "R241";
    sim::PtyPrinter printer(printerOptions);
    if (!printer.start((dir / "COM1").string()))
        return std::fprintf(stderr, "printer: %s\n", printer.errorText().c_str()), 1;
    ProfileStore(ProfileStore::defaultPath()).setText("Ports", "COM1", (dir / "COM1").string());
    const std::string image = writeImage(dir, sectors);

    ModelCatalogue catalogue;
    ProcessValues values;
    DialogServices services = systemDialogServices();
    services.chooseFile = [&image](QWidget*, const QString&) { return QString::fromStdString(image); };
    services.showMessage = [](QWidget*, QMessageBox::Icon, const QString&, const QString&,
                              QMessageBox::StandardButtons) { return QMessageBox::Ok; };
    auto timedProbe = std::make_unique<TimedProbe>(std::move(services.portProbe));
    TimedProbe* probe = timedProbe.get();
    services.portProbe = std::move(timedProbe);
    CBrevantDlg dialog(catalogue, values, std::move(services), dir.string());
    dialog.show();

    // The job: R241 main firmware on COM1, chosen as a technician does.
    dialog.findChild<QComboBox*>("modelCombo")->setCurrentIndex(catalogue.indexOf("R241"));
    dialog.findChild<QPushButton*>("selectModelButton")->click();
    auto* type = dialog.findChild<QComboBox*>("typeCombo");
    const int main = type->findText("MAIN FIRMWARE");
    type->setCurrentIndex(main);
    emit type->activated(main);
    dialog.findChild<QPushButton*>("browseButton")->click();

    std::vector<double> lateness;
    QElapsedTimer since;
    QTimer ticker;
    ticker.setTimerType(Qt::PreciseTimer);
    QObject::connect(&ticker, &QTimer::timeout, [&] {
        if (since.isValid())
            lateness.push_back(std::max(0.0, static_cast<double>(since.nsecsElapsed()) / 1e6 - kTickMs));
        since.restart();
    });
    bool started = false;
    const auto flashStart = Clock::now();
    QTimer::singleShot(0, [&] {
        ticker.start(kTickMs);
        dialog.findChild<QPushButton*>("flashButton")->click();
        started = true;
    });
    QTimer watch;
    QObject::connect(&watch, &QTimer::timeout, [&] {
        if (started && !dialog.workerActive())
            app.quit();
    });
    watch.start(20);
    QTimer::singleShot(600000, &app, &QApplication::quit); // a run that hangs ends the bench
    app.exec();
    const double flashSeconds = std::chrono::duration<double>(Clock::now() - flashStart).count();
    printer.stop();

    std::string why;
    const bool flashed = printer.sectorsHoldFile(image, 6, &why);
    std::sort(lateness.begin(), lateness.end());
    const double longest = lateness.empty() ? 0 : lateness.back();
    const double p99 = lateness.empty() ? 0 : lateness[lateness.size() * 99 / 100];
    const TimedProbe::Figures probes = probe->figures();
    std::printf("R241 main firmware, %zu sectors, time scale %g: %s in %.2f s\n", sectors, scale,
                flashed ? "flashed" : "NOT flashed", flashSeconds);
    std::printf("dialog thread: %zu ticks of %d ms, longest stall %.2f ms, 99th percentile %.2f ms\n",
                lateness.size(), kTickMs, longest, p99);
    std::printf("port detection: %d probes, longest %.2f ms, mean %.3f ms (off the dialog thread)\n", probes.calls,
                probes.longestMs, probes.calls > 0 ? probes.totalMs / probes.calls : 0.0);
    std::error_code ignored;
    std::filesystem::remove_all(dir, ignored);
    if (!flashed)
        std::fprintf(stderr, "%s\n", why.c_str());
    return flashed && longest < kStallLimitMs ? 0 : 1;
}
