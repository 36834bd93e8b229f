// A job through the real dispatch with a fake worker: what reaches the log box, the log
// file, the progress dialog and the exit value, interactively and unattended.
#include "protocol/printer_notices.h"
#include "ui_test_support.h"

#include "core/command_line.h"
#include "ui/progress_bar_dlg.h"

#include <QCheckBox>
#include <QComboBox>
#include <QLabel>
#include <QLineEdit>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QTimer>

namespace kyv::test {
namespace {

// The steps of a short successful download.
void successfulWorker(ModelInfo& row)
{
    JobEvents& events = *row.job.notifyWindow;
    events.progressStart(row.job.progressRange);
    ProgressEvent erase{"Erasing sector ... (Step 1)", 0, "", 0};
    events.progress(erase);
    ProgressEvent note{"", 0, "Sector 6 erased", 0};
    events.progress(note);
    events.success("Flash CRC : 0x1A2B");
    events.progressClose();
    events.jobEnd();
}

class JobFlow : public DialogFixture {
protected:
    void prepareInteractiveJob()
    {
        auto* model = child<QComboBox>("modelCombo");
        model->setCurrentIndex(0); // R241
        child<QPushButton>("selectModelButton")->click();
        pick("typeCombo", "MAIN FIRMWARE");
        chosenFile_ = QString::fromStdString(writeImage("main.mfw", 0, 'M', 200000));
        child<QPushButton>("browseButton")->click();
        ASSERT_TRUE(child<QPushButton>("flashButton")->isEnabled());
    }

    // Parses the arguments as KyvFlash does and runs the unattended job to its end.
    int runUnattended(std::vector<std::string> args)
    {
        ParsedArguments parsed;
        ResultCode code = parseCommandLine(args, catalogue_, parsed, values_);
        EXPECT_EQ(code, 0);
        CBrevantDlg& dlg = dialog();
        QTimer::singleShot(20000, &dlg, [&dlg] { dlg.done(-99); }); // a hung run fails, never blocks
        dlg.startUnattended(parsed);
        controlsDisabledAtStart_ = !child<QWidget>("flashButton")->isEnabled() &&
                                   !child<QWidget>("selectModelButton")->isEnabled() &&
                                   !child<QWidget>("modelCombo")->isEnabled() &&
                                   !child<QWidget>("interfaceCombo")->isEnabled() &&
                                   !child<QWidget>("baudCombo")->isEnabled() &&
                                   !child<QWidget>("exitButton")->isEnabled();
        return dlg.exec();
    }

    std::vector<std::string> comArgs(const std::string& file)
    {
        return {"R241", "M", "COM3", "115200", "NONE", "1", file};
    }

    bool controlsDisabledAtStart_ = false;
};

TEST_F(JobFlow, InteractiveSuccessFillsLogBoxFileAndProgress)
{
    worker_ = successfulWorker;
    prepareInteractiveJob();
    child<QPushButton>("flashButton")->click();
    EXPECT_FALSE(child<QWidget>("flashButton")->isEnabled()); // busy
    ASSERT_TRUE(waitFor([&] { return !dialog().workerActive(); }));

    ASSERT_EQ(messages_.size(), 1u);
    EXPECT_EQ(messages_[0].text, "Download successfully completed!\r\n");
    EXPECT_EQ(messages_[0].icon, QMessageBox::Information);
    EXPECT_EQ(routes_, std::vector<WorkerRoute>{WorkerRoute::Local});
    EXPECT_EQ(dialog().progressDialog(), nullptr);
    EXPECT_TRUE(child<QWidget>("flashButton")->isEnabled());
    EXPECT_FALSE(child<QWidget>("modelCombo")->isEnabled());

    const FlashJob& job = catalogue_.row(0).job;
    EXPECT_EQ(job.interfaceName, "COM1");
    EXPECT_EQ(job.baudRate, 115200);
    EXPECT_EQ(job.downloadTypeCode, 2);
    EXPECT_EQ(job.filePath, (workDir_ / "main.mfw").string());
    EXPECT_EQ(job.progressRange, 4 * 3 + 15);
    EXPECT_EQ(job.commandLineMode, 0);

    const std::string box = child<QPlainTextEdit>("logBox")->toPlainText().toStdString();
    EXPECT_EQ(box.find("Brevant Log"), std::string::npos); // the box shows the current job only
    EXPECT_NE(box.find("Printer Model \t : R241 \nInterface  \t : COM1 \n"), std::string::npos);
    EXPECT_NE(box.find("] Erasing sector ... (Step 1)\n"), std::string::npos);
    EXPECT_NE(box.find("] Sector 6 erased\n"), std::string::npos);
    EXPECT_NE(box.find("Flash CRC : 0x1A2B\n"), std::string::npos);

    const std::string file = logFile();
    EXPECT_EQ(file.rfind("\r\nBrevant  \r\n*************  \r\nVersion :  V10.69 \r\n", 0), 0u);
    EXPECT_NE(file.find("Firmware File Name \t : main.mfw \r\n"), std::string::npos);
    EXPECT_NE(file.find("] Erasing sector ... (Step 1)\r\n"), std::string::npos);
    EXPECT_NE(file.find("Flash CRC : 0x1A2B\r\n"), std::string::npos);
}

TEST_F(JobFlow, InteractiveFailureShowsTheResultAndLogsIt)
{
    worker_ = [](ModelInfo& row) {
        noticeNoResponse(row.job.notifyWindow); // the version report's box
        row.job.notifyWindow->result(rc::CrcDifferent);
        row.job.notifyWindow->jobEnd();
    };
    prepareInteractiveJob();
    child<QPushButton>("flashButton")->click();
    ASSERT_TRUE(waitFor([&] { return !dialog().workerActive(); }));
    ASSERT_EQ(messages_.size(), 2u);
    EXPECT_EQ(messages_[0].text, "Please Check the Connection. No Response from Printer.");
    EXPECT_EQ(messages_[0].icon, QMessageBox::Critical);
    EXPECT_EQ(messages_[0].caption, "Brevant");
    EXPECT_EQ(messages_[1].text, "Different CRC detected!");
    EXPECT_EQ(messages_[1].icon, QMessageBox::Critical);
    EXPECT_EQ(messages_[1].caption, "Brevant");
    EXPECT_NE(logFile().find("Different CRC detected!"), std::string::npos);
    EXPECT_EQ(dialog().sessionLog().pendingText(), "\r\n");
    EXPECT_EQ(dialog().exitValue(), 0); // interactive use leaves with 0
}

TEST_F(JobFlow, WorkersQuestionIsAWarningWhoseDefaultAnswerIsNo)
{
    worker_ = [](ModelInfo& row) {
        JobEvents& events = *row.job.notifyWindow;
        events.progressStart(20);
        events.result(events.askYesNo("Continue?", "Brevant") ? rc::CrcDifferent : rc::ModelMismatch);
        events.progressClose();
        events.jobEnd();
    };
    answer_ = QMessageBox::Yes;
    prepareInteractiveJob();
    child<QPushButton>("flashButton")->click();
    ASSERT_TRUE(waitFor([&] { return !dialog().workerActive(); }));
    ASSERT_GE(messages_.size(), 1u);
    EXPECT_EQ(messages_[0].text, "Continue?");
    EXPECT_EQ(messages_[0].icon, QMessageBox::Warning);
    EXPECT_EQ(messages_[0].caption, "Brevant");

    // The real box: a question with Yes and No has No as its default button.
    QMessageBox::StandardButton defaultButton = QMessageBox::NoButton;
    QTimer::singleShot(0, [&] {
        for (QWidget* widget : QApplication::topLevelWidgets()) {
            auto* box = qobject_cast<QMessageBox*>(widget);
            if (box == nullptr || !box->isVisible())
                continue;
            if (box->defaultButton() != nullptr)
                defaultButton = box->standardButton(box->defaultButton());
            box->done(QMessageBox::No);
        }
    });
    systemDialogServices().showMessage(nullptr, QMessageBox::Warning, "Brevant", "Continue?",
                                       QMessageBox::Yes | QMessageBox::No);
    EXPECT_EQ(defaultButton, QMessageBox::No);
}

TEST_F(JobFlow, SaveLogOffKeepsResultOutOfBoxAndFile)
{
    worker_ = [](ModelInfo& row) {
        row.job.notifyWindow->result(rc::CrcDifferent);
        row.job.notifyWindow->jobEnd();
    };
    prepareInteractiveJob();
    child<QCheckBox>("saveLogCheck")->setChecked(false);
    child<QPushButton>("flashButton")->click();
    ASSERT_TRUE(waitFor([&] { return !dialog().workerActive(); }));
    EXPECT_EQ(child<QPlainTextEdit>("logBox")->toPlainText().indexOf("Different CRC"), -1);
    EXPECT_FALSE(std::filesystem::exists(workDir_ / "BREVANT_LOG.txt"));
}

TEST_F(JobFlow, UnattendedRunEndsWithTheWorkersCodeAndAsksNothing)
{
    worker_ = [](ModelInfo& row) {
        JobEvents& events = *row.job.notifyWindow;
        events.progressStart(20);
        bool yes = events.askYesNo("The Printer model does not match. Continue?", "Brevant");
        noticeNoResponse(&events);
        events.result(yes ? rc::Success : rc::ModelMismatch);
        events.progressClose();
        events.jobEnd();
    };
    const std::string image = writeImage("main.mfw", 0, 'M');
    EXPECT_EQ(runUnattended(comArgs(image)), rc::ModelMismatch);
    EXPECT_TRUE(controlsDisabledAtStart_);
    EXPECT_TRUE(messages_.empty());
    const FlashJob& job = catalogue_.row(0).job;
    EXPECT_EQ(job.interfaceName, "COM3");
    EXPECT_EQ(job.commandLineMode, 1);
    EXPECT_EQ(job.filePath, image);
    const std::string file = logFile();
    EXPECT_NE(file.find("Brevant: The Printer model does not match. Continue? (answered No)\r\n"), std::string::npos);
    EXPECT_NE(file.find("Brevant: Please Check the Connection. No Response from Printer.\r\n"), std::string::npos);
}

TEST_F(JobFlow, UnattendedSuccessEndsWithZeroAndLogsTheCompletionLine)
{
    worker_ = successfulWorker;
    values_.userAreaErased = 1;
    EXPECT_EQ(runUnattended(comArgs(writeImage("main.mfw", 0, 'M'))), 0);
    EXPECT_TRUE(messages_.empty());
    EXPECT_NE(logFile().find("Flash CRC : 0x1A2B\r\n"), std::string::npos);
}

TEST_F(JobFlow, UnattendedFileRelativeToTheStartupDirectory)
{
    worker_ = successfulWorker;
    ParsedArguments parsed;
    parsed.modelIndex = 0;
    parsed.downloadTypeText = "MAIN FIRMWARE";
    parsed.interfaceText = "COM99"; // not in the list: the job runs on COM1
    parsed.baudText = "9600";
    parsed.parityText = "EVEN";
    parsed.stopBitsText = "2";
    parsed.fileText = "main.mfw";
    writeImage("main.mfw", 0, 'M');
    values_.commandLineMode = 1;
    QTimer::singleShot(20000, &dialog(), [this] { dialog().done(-99); });
    dialog().startUnattended(parsed);
    EXPECT_EQ(dialog().exec(), 0);
    const FlashJob& job = catalogue_.row(0).job;
    EXPECT_EQ(job.filePath, (workDir_ / "main.mfw").string());
    EXPECT_EQ(job.interfaceName, "COM1");
    EXPECT_EQ(job.baudRate, 9600);
    EXPECT_EQ(job.parity, "EVEN");
    EXPECT_EQ(job.stopBits, 2);
}

TEST_F(JobFlow, UnattendedImageCheckFailureStartsNoWorker)
{
    worker_ = successfulWorker;
    // Six arguments: the parser accepts the run without a file; the image check refuses it.
    EXPECT_EQ(runUnattended({"R241", "M", "COM1", "115200", "NONE", "1"}), rc::CannotOpenFile);
    EXPECT_TRUE(routes_.empty());
    EXPECT_TRUE(messages_.empty());
}

TEST_F(JobFlow, UnattendedJ5ImageRefusalIsNeverReportedAsSuccess)
{
    worker_ = successfulWorker;
    // A J5 image must start with 'K' or 'D': the check refuses this one without a worker.
    EXPECT_EQ(runUnattended({"J5", "M", "HID", writeImage("main.bin", 'X', 'M')}), rc::TypeFileMismatch);
    EXPECT_TRUE(routes_.empty());
}

TEST_F(JobFlow, MissingWorkerIsExplainedAndNothingStarts)
{
    prepareInteractiveJob();
    child<QPushButton>("flashButton")->click();
    EXPECT_FALSE(dialog().workerActive());
    ASSERT_EQ(messages_.size(), 1u);
    EXPECT_TRUE(messages_[0].text.contains("cannot flash over COM1"));
    EXPECT_TRUE(child<QWidget>("flashButton")->isEnabled()); // nothing changed: the user may pick another way
}

TEST_F(JobFlow, UnattendedMissingWorkerFailsAsAnInvalidInterface)
{
    EXPECT_EQ(runUnattended(comArgs(writeImage("main.mfw", 0, 'M'))), rc::BadInterfaceArgument);
}

TEST_F(JobFlow, LanOnR453RunsTheOnlineWorkerWithItsStoredKind)
{
    int storedKind = -1;
    worker_ = [&storedKind](ModelInfo& row) {
        storedKind = row.job.interfaceKind;
        row.job.notifyWindow->result(rc::Success);
        row.job.notifyWindow->jobEnd();
    };
    std::vector<std::string> args{"R453", "M", "LAN", "127.1.2.3", writeImage("main.mfw", 'J', 'M')};
    EXPECT_EQ(runUnattended(args), 0);
    EXPECT_EQ(routes_, std::vector<WorkerRoute>{WorkerRoute::LanOnline});
    EXPECT_EQ(storedKind, kLanJob);
    EXPECT_EQ(catalogue_.row(23).job.ipAddress, 0x7F010203u);
}

TEST_F(JobFlow, PortDetectionKeepsTickingWhileAWorkerRuns)
{
    std::atomic<bool> release{false};
    worker_ = [&release](ModelInfo& row) {
        row.job.notifyWindow->progressStart(10);
        const Deadline limit(ProtocolMs{3000000});
        while (!release && !limit.expired())
            sleepFor(ProtocolMs{100});
        row.job.notifyWindow->result(rc::Success);
        row.job.notifyWindow->progressClose();
        row.job.notifyWindow->jobEnd();
    };
    probe_->ports = {{"COM7", "/dev/ttyUSB2"}};
    prepareInteractiveJob();
    child<QPushButton>("flashButton")->click();
    const int ticks = dialog().portDetectionTicks();
    const int probes = probe_->calls;
    EXPECT_TRUE(waitFor([&] { return dialog().portDetectionTicks() >= ticks + 3 && probe_->calls >= probes + 3; }));
    EXPECT_TRUE(dialog().workerActive());
    EXPECT_EQ(child<QLabel>("detectionText")->text(), "COM7 (/dev/ttyUSB2)");
    release = true;
    EXPECT_TRUE(waitFor([&] { return !dialog().workerActive(); }));
}

TEST_F(JobFlow, NothingIsEnabledOrWrittenBackUntilTheWorkerHasBeenJoined)
{
    // The worker's job is its own copy: it may change the line while it still runs after
    // the progress dialog closed, and the dialog takes that over only after the join.
    std::atomic<bool> release{false};
    worker_ = [&release](ModelInfo& row) {
        JobEvents& events = *row.job.notifyWindow;
        events.progressStart(10);
        events.result(rc::CrcDifferent);
        events.progressClose();
        row.job.baudRate = 9600;
        while (!release)
            sleepFor(ProtocolMs{20});
        events.jobEnd();
    };
    prepareInteractiveJob();
    child<QPushButton>("flashButton")->click();
    ASSERT_TRUE(waitFor([&] { return messages_.size() == 1; }));
    QTest::qWait(50); // the progress dialog has closed by now
    EXPECT_TRUE(dialog().workerActive());
    for (const char* name : {"flashButton", "browseButton", "interfaceCombo", "typeCombo", "baudCombo"})
        EXPECT_FALSE(child<QWidget>(name)->isEnabled()) << name;
    EXPECT_EQ(catalogue_.row(0).job.baudRate, 115200);

    release = true;
    ASSERT_TRUE(waitFor([&] { return !dialog().workerActive(); }));
    EXPECT_TRUE(child<QWidget>("flashButton")->isEnabled());
    EXPECT_TRUE(child<QWidget>("interfaceCombo")->isEnabled());
    EXPECT_EQ(catalogue_.row(0).job.baudRate, 9600); // handed back with the end
}

TEST_F(JobFlow, StopRequestEndsTheRunWithAFailure)
{
    std::atomic<bool> started{false};
    worker_ = [&started](ModelInfo& row) {
        started = true;
        const Deadline limit(ProtocolMs{3000000});
        while (sleepFor(ProtocolMs{100}) && !limit.expired()) {
        }
        row.job.notifyWindow->result(rc::NoAcknowledge);
        row.job.notifyWindow->jobEnd();
    };
    QTimer::singleShot(30, [&started] {
        waitFor([&started] { return started.load(); });
        requestStop();
    });
    EXPECT_EQ(runUnattended(comArgs(writeImage("main.mfw", 0, 'M'))), rc::ExitButton);
    EXPECT_FALSE(dialog().workerActive());
}

} // namespace
} // namespace kyv::test
