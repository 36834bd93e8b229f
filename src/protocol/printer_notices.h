#pragma once
// Texts the printer commands hand to whoever runs the job.

#include "core/job_events.h"

#include <string>

namespace kyv {

// The name the program shows in the captions of its boxes.
inline constexpr const char* kApplicationName = "Brevant";
inline constexpr const char* kNoResponseText = "Please Check the Connection. No Response from Printer.";

// The error box for a printer that left the version report unanswered. In command-line
// mode the receiver logs it instead of showing it.
inline void noticeNoResponse(JobEvents* events)
{
    if (events != nullptr)
        events->notice(kNoResponseText, kApplicationName);
}

// A status text shown as the current step.
inline void sendStatus(JobEvents* events, const std::string& text)
{
    if (events == nullptr)
        return;
    ProgressEvent event;
    event.stepText = text;
    events->progress(event);
}

} // namespace kyv
