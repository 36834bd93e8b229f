#pragma once
// Shared pieces of the dialog tests: a QApplication for the whole program, a probe and
// message boxes that need nobody in front of the screen, and a scratch start-up directory.

#include "core/catalogue.h"
#include "core/clock.h"
#include "ui/brevant_dlg.h"
#include "ui/dialog_services.h"

#include <QApplication>
#include <QComboBox>
#include <QCoreApplication>
#include <QElapsedTimer>
#include <QTest>
#include <QTimer>

#include <gtest/gtest.h>

#include <atomic>
#include <ctime>
#include <filesystem>
#include <fstream>
#include <functional>
#include <memory>
#include <mutex>
#include <string>
#include <vector>

namespace kyv::test {

struct ShownMessage {
    QMessageBox::Icon icon;
    QString caption;
    QString text;
};

// Port probe whose findings the test sets; counts how often it was asked.
class FakePortProbe : public PortProbe {
public:
    struct State {
        std::mutex mutex;
        std::vector<EdgeportPort> ports;
        std::optional<UsbSighting> usb;
        std::atomic<int> calls{0};
    };
    explicit FakePortProbe(std::shared_ptr<State> state) : state_(std::move(state)) {}
    std::vector<EdgeportPort> serialAdapterPorts() override
    {
        ++state_->calls;
        std::lock_guard lock(state_->mutex);
        return state_->ports;
    }
    std::optional<UsbSighting> findUsbPrinter(const std::string&) override
    {
        ++state_->calls;
        std::lock_guard lock(state_->mutex);
        return state_->usb;
    }

private:
    std::shared_ptr<State> state_;
};

// One main dialog with replaced services in its own start-up directory.
class DialogFixture : public ::testing::Test {
protected:
    void SetUp() override
    {
        clearStopRequest();
        workDir_ = std::filesystem::temp_directory_path() /
                   ("kyv_ui_" + std::to_string(::getpid()) + "_" +
                    ::testing::UnitTest::GetInstance()->current_test_info()->name());
        std::filesystem::remove_all(workDir_);
        std::filesystem::create_directories(workDir_);
        probe_ = std::make_shared<FakePortProbe::State>();
    }
    void TearDown() override
    {
        dialog_.reset();
        clearStopRequest();
        std::filesystem::remove_all(workDir_);
    }

    DialogServices services()
    {
        DialogServices s;
        s.chooseFile = [this](QWidget*, const QString& filter) {
            lastFilter_ = filter;
            return chosenFile_;
        };
        s.showMessage = [this](QWidget*, QMessageBox::Icon icon, const QString& caption, const QString& text,
                               QMessageBox::StandardButtons) {
            messages_.push_back({icon, caption, text});
            return answer_;
        };
        s.chooseFolder = [this](QWidget*, const QString& prompt) {
            folderPrompt_ = prompt;
            return chosenFolder_;
        };
        s.inspectDrive = [this](const std::filesystem::path&) { return drive_; };
        s.localTime = [this] { return localTime_; };
        s.portProbe = realProbe_ ? std::move(realProbe_) : std::make_unique<FakePortProbe>(probe_);
        s.findWorker = [this](WorkerRoute route) -> WorkerFunction {
            routes_.push_back(route);
            if (!worker_)
                return {};
            // The stand-in works on the job's copy of the row and hands back its line fields.
            return [this](WorkerJob job) {
                worker_(job.row);
                return jobEndOf(job.row.job);
            };
        };
        return s;
    }

    CBrevantDlg& dialog()
    {
        if (!dialog_)
            dialog_ = std::make_unique<CBrevantDlg>(catalogue_, values_, services(), workDir_.string());
        return *dialog_;
    }

    template <typename T> T* child(const char* name) { return dialog().findChild<T*>(QLatin1String(name)); }

    // Picks an entry of a list as the user does (the dialog reacts to the activation).
    void pick(const char* comboName, const char* text)
    {
        auto* combo = child<QComboBox>(comboName);
        int index = combo->findText(QLatin1String(text));
        ASSERT_GE(index, 0) << text;
        combo->setCurrentIndex(index);
        emit combo->activated(index);
    }

    // A file in the start-up directory: an image whose header letter is at byte 1.
    std::string writeImage(const std::string& name, char signature, char letter, size_t size = 1024)
    {
        std::string bytes(size, '\0');
        bytes[0] = signature;
        bytes[1] = letter;
        std::ofstream(workDir_ / name, std::ios::binary) << bytes;
        return (workDir_ / name).string();
    }

    std::string logFile() const
    {
        std::ifstream in(workDir_ / "BREVANT_LOG.txt", std::ios::binary);
        return {std::istreambuf_iterator<char>(in), {}};
    }

    // Runs the event loop until the condition holds; false after the time limit.
    static bool waitFor(const std::function<bool()>& condition, int limitMs = 10000)
    {
        QElapsedTimer timer;
        timer.start();
        while (!condition()) {
            if (timer.elapsed() > limitMs)
                return false;
            QCoreApplication::processEvents(QEventLoop::AllEvents, 5);
            QTest::qWait(1);
        }
        return true;
    }

    ModelCatalogue catalogue_;
    ProcessValues values_;
    std::filesystem::path workDir_;
    std::shared_ptr<FakePortProbe::State> probe_;
    std::unique_ptr<PortProbe> realProbe_; // when set, the dialog detects with it instead
    QString chosenFile_;
    QString lastFilter_;
    QString chosenFolder_;
    QString folderPrompt_;
    DriveFacts drive_{DriveKind::Fixed, "ext4"};
    std::tm localTime_ = [] {
        std::tm t{};
        t.tm_year = 127; // 2027-01-02 03:04:05
        t.tm_mday = 2;
        t.tm_hour = 3;
        t.tm_min = 4;
        t.tm_sec = 5;
        return t;
    }();
    std::vector<ShownMessage> messages_;
    QMessageBox::StandardButton answer_ = QMessageBox::Ok;
    std::vector<WorkerRoute> routes_;
    std::function<void(ModelInfo& row)> worker_; // a worker's stand-in; empty: no worker for the route
    std::unique_ptr<CBrevantDlg> dialog_;
};

// Runs inspect on the next modal dialog once it is up, then closes it: for dialogs that
// the code under test opens with exec().
inline void onNextModal(std::function<void(QWidget*)> inspect)
{
    auto poll = std::make_shared<std::function<void()>>();
    *poll = [poll, inspect] {
        if (QWidget* modal = QApplication::activeModalWidget()) {
            inspect(modal);
            modal->close();
            *poll = nullptr; // breaks the cycle
            return;
        }
        QTimer::singleShot(5, *poll);
    };
    QTimer::singleShot(0, *poll);
}

} // namespace kyv::test
