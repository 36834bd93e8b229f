#pragma once
// The three kinds of progress event a download sends: a step text (caption and log line,
// moves the bar one step or to a given position), a log line (log only, bar unmoved) and
// an empty event (moves the bar one step).

#include "core/job_events.h"

#include <string>

namespace kyv {

class StepReporter {
public:
    explicit StepReporter(JobEvents& events) : events_(events) {}

    void step(const std::string& text, int position = 0);
    void log(const std::string& text);
    void tick();

    JobEvents& events() { return events_; }

private:
    JobEvents& events_;
};

} // namespace kyv
