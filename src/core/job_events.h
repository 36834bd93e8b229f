#pragma once
// How a worker talks to whoever started it (the dialog, a test, a console front end).
// The six operations keep the numbers of the dialog's worker messages. All but jobEnd()
// are synchronous: they return only after the receiver has handled them, so the texts
// and records handed over may live on the worker's stack. jobEnd() is always the last
// call of a job and may be delivered asynchronously.

#include "core/result_code.h"

#include <string>

namespace kyv {

enum WorkerMessage : int {
    MSG_RESULT = 0x8001,
    MSG_JOB_END = 0x8002,
    MSG_SUCCESS = 0x8003,
    MSG_PROGRESS_START = 0x8004,
    MSG_PROGRESS = 0x8005,
    MSG_PROGRESS_CLOSE = 0x8006,
};

// One step of a job: a caption for the progress dialog, a line for the log, a bar move.
struct ProgressEvent {
    std::string stepText; // step description; empty for none
    int position = 0;     // non-zero: new absolute position of the progress bar
    std::string logText;  // a line for the log only; empty for none
    int mode = 0;         // 2: this event does not move the bar (the handler resets it to 0)
};

class JobEvents {
public:
    virtual ~JobEvents() = default;

    virtual void result(ResultCode code) = 0;              // MSG_RESULT
    virtual void jobEnd() = 0;                             // MSG_JOB_END (posted)
    virtual void success(const std::string& text) = 0;     // MSG_SUCCESS
    virtual void progressStart(int range) = 0;             // MSG_PROGRESS_START
    virtual void progress(ProgressEvent& event) = 0;       // MSG_PROGRESS
    virtual void progressClose() = 0;                      // MSG_PROGRESS_CLOSE

    // A Yes/No question from the worker. Never asked in command-line mode: the receiver
    // then answers No without showing anything and logs the question instead.
    virtual bool askYesNo(const std::string& text, const std::string& caption) = 0;
    // An error box with only OK. In command-line mode it is logged, never shown.
    virtual void notice(const std::string& text, const std::string& caption) = 0;
};

} // namespace kyv
