// Flash Device and the worker's messages, handled on the dialog thread.
#include "ui/brevant_dlg.h"

#include "core/clock.h"
#include "core/dispatch.h"
#include "core/model_selection.h"
#include "core/result_text.h"
#include "ui/ip_address_edit.h"
#include "ui/progress_bar_dlg.h"

#include <QCheckBox>
#include <QComboBox>
#include <QLineEdit>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QScrollBar>
#include <QTimer>

#include <algorithm>
#include <optional>
#include <utility>

namespace kyv {
namespace {

constexpr ProtocolMs kProgressPause{10};
constexpr int kWorkerPollMs = 5;

QString qText(std::string_view text) { return QString::fromUtf8(text.data(), static_cast<qsizetype>(text.size())); }

// Log texts end their lines in CR LF (the file wants them); the log box wants LF.
QString forDisplay(std::string_view text)
{
    QString shown = qText(text);
    shown.remove(QLatin1Char('\r'));
    return shown;
}

} // namespace

QMessageBox::StandardButton CBrevantDlg::message(QMessageBox::Icon icon, const QString& text,
                                                 QMessageBox::StandardButtons buttons, const QString& caption)
{
    return services_.showMessage(this, icon, caption, text, buttons);
}

void CBrevantDlg::onFlashDevice()
{
    if (worker_.active() || busy_)
        return; // the last job's worker is still on its way out
    log_.clearAll();
    showSessionText();

    JobRequest request = readJobRequest();
    traceJobStart(selectedRow(), request);
    JobRun run(selectedRow(), std::move(request));
    if (!runImageCheck(run)) {
        events_.jobEnd();
        return;
    }

    const std::string interface = text(interfaceCombo_);
    log_.append(run.logHeader(operatingSystemName(services_.osReleasePath)));
    showSessionText();
    writeLogAndClear();

    const WorkerChoice choice = run.dispatch(values_, &events_);
    WorkerFunction procedure = services_.findWorker ? services_.findWorker(choice.route) : WorkerFunction{};
    if (!procedure) {
        const std::string why = "This build cannot flash over " + interface + " yet: its download procedure is missing.";
        log_.appendLine(why);
        showSessionText();
        writeLogAndClear();
        if (commandLineMode()) {
            // The interface cannot be used by this build: the caller hears "invalid interface".
            exitValue_ = rc::BadInterfaceArgument;
            events_.jobEnd();
        } else {
            message(QMessageBox::Critical, qText(why));
        }
        return;
    }

    setUiState(UiState::Busy);
    jobRow_ = std::max(0, modelCombo_->currentIndex());
    afterJoin_.clear();
    worker_.start([procedure = std::move(procedure), job = run.takeWorkerJob(values_)]() mutable {
        return procedure(std::move(job));
    });
}

void CBrevantDlg::traceJobStart(const ModelInfo& row, const JobRequest& request)
{
    trace_ = JobTrace{};
    trace_.started = true;
    trace_.model = row.displayName;
    trace_.altCrc = row.altCrc;
    trace_.downloadType = request.settings.downloadTypeText;
    trace_.interfaceName = request.settings.interfaceText;
    trace_.interfaceKind = request.settings.interfaceKind;
    trace_.ipAddress = request.settings.ipAddress;
    trace_.filePath = request.settings.filePath;
    if (log_.saveLog())
        trace_.logPath = log_.filePath();
}

JobRequest CBrevantDlg::readJobRequest()
{
    JobRequest request;
    JobSettings& settings = request.settings;
    settings.interfaceKind = interfaceKind_;
    settings.interfaceText = text(interfaceCombo_);
    settings.baudText = text(baudCombo_);
    settings.parityText = text(parityCombo_);
    settings.stopBitsText = text(stopBitsCombo_);
    settings.ipAddress = ipEdit_->value();
    settings.filePath = fullPath_;
    settings.workDir = workDir_;
    settings.downloadTypeText = text(typeCombo_);
    settings.portDetection = portDetectionCheck_->isChecked();
    request.fileText = fileEdit_->text().toStdString();
    request.downloadTypeIndex = typeCombo_->currentIndex();
    return request;
}

bool CBrevantDlg::runImageCheck(JobRun& run)
{
    const ResultCode code = run.checkImage();
    imageInfo_ = run.row().job.imageInfo;
    if (code == rc::Success)
        return true;
    // Every refusal is reported, so that an unattended run never ends with 0 for an image
    // that was turned down.
    result(code);
    return false;
}

void CBrevantDlg::afterWorkerJoined(std::function<void()> step)
{
    // A worker still running owns its job: enabling a control now would let the user
    // change what the worker reports back at its end.
    if (worker_.active())
        afterJoin_.push_back(std::move(step));
    else
        step();
}

void CBrevantDlg::finishJoinedJob()
{
    if (std::optional<JobEnd> end = worker_.takeEnd())
        applyJobEnd(*end, catalogue_.row(jobRow_).job, values_);
    std::vector<std::function<void()>> steps;
    steps.swap(afterJoin_);
    for (const auto& step : steps)
        step();
}

void CBrevantDlg::result(ResultCode code)
{
    if (commandLineMode() || stopping_) {
        exitValue_ = code;
        writeLogAndClear();
        log_.setPending("\r\n");
        return;
    }
    const std::string_view text = code == rc::Success ? resultText(rc::Success) : resultText(code);
    message(code == rc::Success ? QMessageBox::Information : QMessageBox::Critical, qText(text));
    afterWorkerJoined([this] { setUiState(UiState::Done); });
    log_.writeLog(text);
    log_.setPending("\r\n");
    showSessionText();
}

void CBrevantDlg::success(const std::string& text)
{
    trace_.completionText = text;
    log_.append(text + "\r\n");
    if (commandLineMode() || stopping_) {
        exitValue_ = rc::Success;
    } else {
        // The wording depends on what the run found, which it hands back with its end.
        afterWorkerJoined([this] {
            message(QMessageBox::Information, qText(successText(values_.userAreaErased == 1)));
            setUiState(UiState::Done);
        });
    }
    // The completion line (with the image CRC) reaches the file as well as the log box.
    showSessionText();
    writeLogAndClear();
}

void CBrevantDlg::jobEnd()
{
    if (stopRequested() && !stopping_)
        onStopRequested(); // the worker may have ended on the stop before a tick noticed it
    if (commandLineMode() || stopping_)
        endWhenWorkerDone(stopping_ ? rc::ExitButton : exitValue_);
    else
        endWhenWorkerDone(-1);
}

void CBrevantDlg::endWhenWorkerDone(int code)
{
    // code -1: only join the worker. Otherwise end the dialog with the code once no worker is left.
    if (code >= 0) {
        endRequested_ = true;
        endCode_ = code;
    }
    if (!worker_.joinIfFinished()) {
        QTimer::singleShot(kWorkerPollMs, this, [this] { endWhenWorkerDone(-1); });
        return;
    }
    finishJoinedJob();
    if (endRequested_) {
        endRequested_ = false;
        detectionTimer_->stop();
        done(endCode_);
    }
}

void CBrevantDlg::onStopRequested()
{
    if (stopping_)
        return;
    stopping_ = true;
    log_.appendLine("Stop requested: ending the job.");
    showSessionText();
    writeLogAndClear();
    if (!worker_.active())
        endWhenWorkerDone(rc::ExitButton);
    // Otherwise the worker sees the stop, reports and ends its job; jobEnd ends the dialog.
}

void CBrevantDlg::progressStart(int range)
{
    delete progress_;
    progress_ = new CProgressBarDlg(this);
    progress_->setAttribute(Qt::WA_DeleteOnClose, false);
    progress_->adjustSize();
    const QPoint mainTopLeft = mapToGlobal(QPoint(0, 0));
    const int x = mainTopLeft.x() + width() / 2 - progress_->width() / 2;
    const int y = mainTopLeft.y() + height() / 2 - progress_->height() / 2;
    if (x >= 0 && y >= 0)
        progress_->move(x, y);
    progress_->setRange(range);
    progress_->setPosition(0);
    progress_->show();
}

void CBrevantDlg::progress(ProgressEvent& event)
{
    const std::string prefix = logTimePrefix();
    if (!event.stepText.empty()) {
        trace_.lastStep = event.stepText;
        log_.appendLine(event.stepText, prefix);
        if (progress_)
            progress_->setStepText(QString::fromStdString(event.stepText));
    }
    if (!event.logText.empty())
        log_.appendLine(event.logText, prefix);
    showSessionText();
    writeLogAndClear();
    logBox_->verticalScrollBar()->setValue(logBox_->verticalScrollBar()->maximum());

    if (event.position != 0) {
        if (progress_)
            progress_->setPosition(event.position);
    } else if (event.mode == 2) {
        event.mode = 0;
    } else if (progress_) {
        if (event.logText.empty())
            progress_->stepIt();
        else
            progress_->stepBack();
    }
    sleepFor(kProgressPause);
}

void CBrevantDlg::progressClose()
{
    if (progress_)
        progress_->hide();
    update();
    afterWorkerJoined([this] { setUiState(UiState::ProgressClosed); });
    delete progress_;
}

bool CBrevantDlg::askYesNo(const std::string& text, const std::string& caption)
{
    if (commandLineMode() || stopping_) {
        logUnattendedMessage(caption, text + " (answered No)");
        return false;
    }
    return message(QMessageBox::Warning, qText(text), QMessageBox::Yes | QMessageBox::No, qText(caption)) ==
           QMessageBox::Yes;
}

void CBrevantDlg::notice(const std::string& text, const std::string& caption)
{
    if (commandLineMode() || stopping_) {
        logUnattendedMessage(caption, text);
        return;
    }
    message(QMessageBox::Critical, qText(text), QMessageBox::Ok, qText(caption));
}

void CBrevantDlg::logUnattendedMessage(const std::string& caption, const std::string& text)
{
    log_.appendLine(caption + ": " + text);
    showSessionText();
    writeLogAndClear();
}

void CBrevantDlg::writeLogAndClear()
{
    log_.writeLog("");
    log_.clearPending();
}

void CBrevantDlg::showSessionText()
{
    // The log box shows the session text; only what was added since the last call is
    // appended, so a long job does not redraw its whole log on every step.
    const std::string& session = log_.sessionText();
    const bool grown = session.size() >= shownSession_.size() &&
                       session.compare(0, shownSession_.size(), shownSession_) == 0;
    if (grown) {
        QTextCursor end(logBox_->document());
        end.movePosition(QTextCursor::End);
        end.insertText(forDisplay(std::string_view(session).substr(shownSession_.size())));
    } else {
        logBox_->setPlainText(forDisplay(session));
    }
    shownSession_ = session;
}

} // namespace kyv
