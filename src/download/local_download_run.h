#pragma once
// One run of the local download: the state it keeps between its steps and the steps
// themselves, in the order they run. Each step returns 0 to go on or the ResultCode that
// ends the job through the fail path.

#include "core/catalogue.h"
#include "core/job_events.h"
#include "core/result_code.h"
#include "download/step_reporter.h"
#include "protocol/flash_cmd.h"

#include <cstdint>
#include <string>
#include <vector>

namespace kyv {

class LocalDownloadRun {
public:
    LocalDownloadRun(ModelInfo& row, JobEvents& events);
    // The whole job, from the first progress event to jobEnd.
    void run();

private:
    ResultCode runSteps();

    // Before the transfer.
    void start();                              // steps 1 and 2
    ResultCode readImage();                    // step 3
    ResultCode openInterface();                // step 5
    ResultCode queryPrinterMode(ResultCode silentPrinter); // step 6 (and after speed changes)
    ResultCode checkVersionAndModel();         // step 7
    ResultCode confirmModelMismatch(const std::string& printerModel);
    ResultCode switchUsuOff();                 // step 8
    ResultCode raiseLineSpeed();               // step 9
    ResultCode transfer();                     // step 11

    // After the transfer.
    ResultCode redetectPrinter();              // step 12
    ResultCode reconnect();                    // step 13
    ResultCode restoreLineSpeed();             // step 15
    ResultCode applyMvraSetting();             // step 16
    ResultCode switchUsuOn();                  // step 17
    ResultCode printConfiguration();           // step 18
    ResultCode changeEepromSettings();         // step 19
    void finish();                             // step 20

    // The end of a failed job.
    void fail(ResultCode code);
    void restoreSpeedAfterFailure();
    void switchUsuOnAfterFailure();
    void endJob();

    // Shared by the speed steps: change the printer's speed, reopen the line at it and ask
    // the printer's mode again.
    ResultCode changeLineSpeed(int baud, ResultCode reopenFailed, ResultCode silentPrinter,
                               ResultCode stillInDownloadMode);
    bool speedStepsApply();
    bool onSerialLine() const { return job_.interfaceKind == kSerialPort; }
    bool r453OrR243() const;
    bool usesOnlineModeDownload() const;

    ModelInfo& row_;
    FlashJob& job_;
    JobEvents& events_;
    StepReporter report_;
    CFlashCmd cmd_;
    std::vector<uint8_t> image_;

    int printerMode_ = 0;         // 0 online, 1 in download mode, 2 no answer
    bool cpmiPath_ = false;       // driven through a CPMI device
    bool usuSwitchedOff_ = false; // USU was on and is switched back on afterwards
    int startingBaud_ = 0;        // the printer's speed before the download; 0 = not known
    std::string crcText_;
    bool resultSent_ = false;
};

} // namespace kyv
