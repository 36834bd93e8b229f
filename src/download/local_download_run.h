#pragma once
// One run of the local download: the state it keeps between its steps and the steps
// themselves, in the order they run. Each step returns 0 to go on or the ResultCode that
// ends the job through the fail path.

#include "core/catalogue.h"
#include "core/job_end.h"
#include "core/job_events.h"
#include "core/result_code.h"
#include "download/printer_mode.h"
#include "download/step_reporter.h"
#include "download/worker_job.h"
#include "protocol/flash_cmd.h"

#include <cstdint>
#include <optional>
#include <string>
#include <vector>

namespace kyv {

class LocalDownloadRun {
public:
    LocalDownloadRun(WorkerJob& job, JobEvents& events);
    // The whole job, from the first progress event to jobEnd.
    void run();
    // What the run changed: the line it ended on, and whether the user area was erased.
    JobEnd end() const;

private:
    ResultCode runSteps();

    // Before the transfer.
    void start();                      // progress dialog and the first step text
    ResultCode readImage();            // read once, checked against the model
    ResultCode openInterface();        // open the line and ask the printer's mode
    bool openIbmUsbDevice();           // 1 when an IBM USB printer was found
    ResultCode identifyCpmiPrinter();  // the CPMI printer's mode by its product id
    // The mode query under the 10000 ms command time-out (at the start, after the raise
    // to 115200).
    ResultCode queryPrinterMode(ResultCode silentPrinter);
    // The mode query under whatever read time-out the line has (after the speed is given
    // back: the 30000 ms the reconfigured line keeps).
    ResultCode askPrinterMode(ResultCode silentPrinter);
    ResultCode checkVersionAndModel(); // version report, model number, mismatch question
    ResultCode confirmModelMismatch(const std::string& printerModel);
    ResultCode switchUsuOff();         // R453/R243 online
    ResultCode raiseLineSpeed();       // to 115200 for the transfer
    ResultCode checkDfnCapacity();     // KSX4: can the printer take a large DBCS font
    ResultCode transfer();             // standard (sector) download or online-mode download

    // After the transfer.
    ResultCode redetectPrinter();      // the printer may come back under another identity
    ResultCode reconnect();            // reopen the line after the printer's reset
    ResultCode refindCpmiPrinter();    // the CPMI printer back on the bus after its reset
    ResultCode restoreLineSpeed();     // give the printer its own speed back
    ResultCode applyMvraSetting();     // R452-1X73/2X73(MVRA)
    ResultCode switchUsuOn();          // R453/R243 online
    ResultCode printConfiguration();   // the printer prints its configuration
    ResultCode changeEepromSettings(); // R241-3044-7004: landscape, MICR and FLIP off
    void finish();                     // last step text, success with the CRC text

    // The end of a failed job.
    void fail(ResultCode code);
    void restoreSpeedAfterFailure();
    void switchUsuOnAfterFailure();
    void endJob();

    // Shared by the speed steps: change the printer's speed, reopen the line at it and ask
    // the printer's mode again.
    enum class ModeQueryTimeout { Command, LeftByConfigure };
    ResultCode changeLineSpeed(int baud, ModeQueryTimeout timeout, ResultCode reopenFailed, ResultCode silentPrinter,
                               ResultCode stillInDownloadMode);
    bool speedStepsApply();
    bool onSerialLine() const { return job_.interfaceKind == kSerialPort; }
    bool onUsbReportKind() const { return job_.interfaceKind == kUsbReportDevice || job_.interfaceKind == kIbmUsb; }
    ResultCode clearIbmUsbDownloadArea(); // IBM USB, after the download
    bool pauseBeforeReopen();          // false when a stop came
    bool r453OrR243() const;
    bool usesOnlineModeDownload() const;

    ModelInfo& row_;
    FlashJob& job_;
    const std::string pidList_;
    JobEvents& events_;
    StepReporter report_;
    CFlashCmd cmd_;
    std::vector<uint8_t> image_;

    PrinterMode printerMode_ = PrinterMode::Online;
    bool cpmiPath_ = false;       // driven through a CPMI device
    bool usuSwitchedOff_ = false; // USU was on and is switched back on afterwards
    int startingBaud_ = 0;        // the printer's speed before the download; 0 = not known
    std::string crcText_;
    bool resultSent_ = false;
    int userAreaErased_ = 0; // the printer's user area had to be erased
    std::optional<int> detectedUsbType_; // the USB type the printer came back with
};

} // namespace kyv
