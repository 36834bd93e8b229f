#pragma once
// The main dialog: pick a printer model, a download type, an interface with its settings
// and an image file, start the download and watch the log. It runs the job core: the
// job's worker thread reports to it through JobEvents (handled here, on the dialog
// thread), and in an unattended run it does all of that by itself with every control
// disabled and ends with the worker's result code. The worker runs on its own copy of
// the job: nothing is enabled again, and nothing it changed is written back, until its
// thread has been joined.

#include "core/catalogue.h"
#include "core/command_line.h"
#include "core/job_end.h"
#include "core/job_events.h"
#include "core/process_values.h"
#include "core/job_trace.h"
#include "core/session_log.h"
#include "ui/dialog_job_events.h"
#include "ui/dialog_services.h"
#include "ui/progress_bar_dlg.h"
#include "ui/ui_state.h"
#include "download/job_run.h"
#include "download/worker_thread.h"

#include <QDialog>
#include <QPointer>

#include <functional>
#include <memory>
#include <string>
#include <vector>

class QCheckBox;
class QComboBox;
class QGroupBox;
class QLabel;
class QLineEdit;
class QPlainTextEdit;
class QPushButton;
class QTimer;
class QToolButton;

namespace kyv {

class IpAddressEdit;

class CBrevantDlg : public QDialog, private JobEvents {
    Q_OBJECT
public:
    // workDir: the directory the program started in (log file, relative file names);
    // values: the program's shared values, which the command-line parser has filled.
    CBrevantDlg(ModelCatalogue& catalogue, ProcessValues& values, DialogServices services, std::string workDir,
                QWidget* parent = nullptr);
    ~CBrevantDlg() override;

    // Unattended run: select everything the command line named and press Flash Device.
    // Call after construction, before the dialog is shown.
    void startUnattended(const ParsedArguments& arguments);

    // SIGTERM/SIGINT arrived: the worker has been told to stop; end the dialog with a
    // failure once it is done (at once when none runs).
    void onStopRequested();

    int exitValue() const { return exitValue_; }
    // What a worker reports to: safe from any thread, handled on the dialog thread.
    JobEvents& jobEvents() { return events_; }
    const SessionLog& sessionLog() const { return log_; }
    // The last job as the job report tells it.
    const JobTrace& jobTrace() const { return trace_; }
    bool workerActive() const { return worker_.active(); }
    CProgressBarDlg* progressDialog() const { return progress_; }
    int portDetectionTicks() const { return detectionTicks_; }

    // The window sizes measured at start: full width and height, 65 % and 90 % of them.
    QSize fullSize() const { return fullSize_; }

public slots:
    void onSelectModel();
    void onDownloadTypeChanged();
    void onInterfaceChanged();
    void onBrowse();
    void onFlashDevice();
    void onShowLogToggled();
    void onPortDetectionTick();
    void showAbout();
    // The hidden entries: "+" or a Ctrl+Shift double click on the Ethernet icon.
    void openNetworkConfig();
    // "Make FW Folder", for the selected model.
    void openFileUtility();

protected:
    void keyPressEvent(QKeyEvent* event) override;
    void closeEvent(QCloseEvent* event) override;
    bool eventFilter(QObject* watched, QEvent* event) override;
    void reject() override;

private:
    // JobEvents: the worker's messages, handled on the dialog thread.
    void result(ResultCode code) override;
    void jobEnd() override;
    void success(const std::string& text) override;
    void progressStart(int range) override;
    void progress(ProgressEvent& event) override;
    void progressClose() override;
    bool askYesNo(const std::string& text, const std::string& caption) override;
    void notice(const std::string& text, const std::string& caption) override;

    void buildControls();
    void measureSizes();
    void resizeToRules();
    void setUiState(UiState state);
    void applyInterfaceRules();
    void setNote(const QString& text);
    // No image chosen any more: "BINARY FILE" in the file box, Flash Device off.
    void forgetChosenFile();
    void fillCombo(QComboBox* combo, const std::vector<std::string>& entries, int selected);
    void selectInCombo(QComboBox* combo, const std::string& text);
    void showSessionText();
    void writeLogAndClear();
    void logUnattendedMessage(const std::string& caption, const std::string& text);
    void endWhenWorkerDone(int code);
    // What waits for the worker's thread to be joined: a dialog state, the success box.
    void afterWorkerJoined(std::function<void()> step);
    // The worker's thread has been joined: its changes go into the row, then what waited.
    void finishJoinedJob();
    void onPortScan(const PortQuery& query, const PortScan& scan);
    void switchR453R243Lists();
    bool runImageCheck(JobRun& run);
    JobRequest readJobRequest();
    void traceJobStart(const ModelInfo& row, const JobRequest& request);
    QMessageBox::StandardButton message(QMessageBox::Icon icon, const QString& text,
                                        QMessageBox::StandardButtons buttons = QMessageBox::Ok,
                                        const QString& caption = QStringLiteral("Brevant"));

    ModelInfo& selectedRow();
    std::string text(const QComboBox* combo) const;
    bool commandLineMode() const;

    ModelCatalogue& catalogue_;
    ProcessValues& values_;
    DialogServices services_;
    std::string workDir_;
    SessionLog log_;
    JobTrace trace_;
    DialogJobEvents events_;
    WorkerThread worker_;
    std::unique_ptr<PortDetector> detector_;

    // Controls, named as the technician reads them.
    QComboBox* modelCombo_ = nullptr;
    QPushButton* selectModelButton_ = nullptr;
    QComboBox* typeCombo_ = nullptr;
    QComboBox* interfaceCombo_ = nullptr;
    QComboBox* baudCombo_ = nullptr;
    QComboBox* parityCombo_ = nullptr;
    QComboBox* stopBitsCombo_ = nullptr;
    QLineEdit* dataBitsEdit_ = nullptr;
    QLineEdit* dataFlowEdit_ = nullptr;
    IpAddressEdit* ipEdit_ = nullptr;
    QLineEdit* fileEdit_ = nullptr;
    QPushButton* browseButton_ = nullptr;
    QPushButton* flashButton_ = nullptr;
    QPushButton* fwFolderButton_ = nullptr;
    QPlainTextEdit* logBox_ = nullptr;
    QWidget* logPanel_ = nullptr;
    QCheckBox* saveLogCheck_ = nullptr;
    QCheckBox* showLogCheck_ = nullptr;
    QCheckBox* portDetectionCheck_ = nullptr;
    QLabel* noteLabel_ = nullptr;
    QLabel* detectionText_ = nullptr;
    QGroupBox* detectionGroup_ = nullptr;
    QLabel* ethernetIcon_ = nullptr;
    QLabel* usbIcon_ = nullptr;
    QLabel* serialIcon_ = nullptr;
    QLabel* wifiIcon_ = nullptr;
    QLabel* wifiLabel_ = nullptr;
    QLabel* detectedIcon_ = nullptr;
    QLabel* notDetectedIcon_ = nullptr;
    QPushButton* networkButton_ = nullptr;
    QPushButton* exitButton_ = nullptr;
    QToolButton* aboutButton_ = nullptr;
    QTimer* detectionTimer_ = nullptr;
    QPointer<CProgressBarDlg> progress_;

    // Dialog state.
    std::string fullPath_;       // the image chosen with Browse
    int exitValue_ = 0;
    int interfaceKind_ = 0;
    std::string usbClassWord_;   // "CPMI", "NHPI" or "PRTR" from the command line
    std::array<int, 2> imageInfo_{};
    int jobRow_ = 0;                           // the catalogue row of the running job
    std::vector<std::function<void()>> afterJoin_; // in arrival order
    bool j5Family_ = false;
    bool cpmiListShown_ = false; // R453/R243 lists switched to the CPMI form
    bool noteVisible_ = false;
    bool busy_ = false;
    bool stopping_ = false;
    bool endRequested_ = false;
    int endCode_ = 0;
    int detectionTicks_ = 0;
    std::string shownSession_; // what the log box shows, as the session text had it
    QSize fullSize_;
};

} // namespace kyv
