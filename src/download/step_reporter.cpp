#include "download/step_reporter.h"

namespace kyv {

void StepReporter::step(const std::string& text, int position)
{
    ProgressEvent event;
    event.stepText = text;
    event.position = position;
    events_.progress(event);
}

void StepReporter::log(const std::string& text)
{
    ProgressEvent event;
    event.logText = text;
    event.mode = 2;
    events_.progress(event);
}

void StepReporter::tick()
{
    ProgressEvent event;
    events_.progress(event);
}

} // namespace kyv
