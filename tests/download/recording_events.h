#pragma once
// A JobEvents receiver for tests: keeps every event in order, answers questions as told.

#include "core/clock.h"
#include "core/job_events.h"

#include <mutex>
#include <string>
#include <vector>

namespace kyv::test {

struct RecordedEvent {
    int message = 0; // MSG_ number
    ResultCode code = 0;
    std::string text; // success text
    ProgressEvent progress;
    SteadyTime at{}; // when it arrived
};

class RecordingEvents final : public JobEvents {
public:
    void result(ResultCode code) override { add({MSG_RESULT, code, {}, {}}); }
    void jobEnd() override { add({MSG_JOB_END, 0, {}, {}}); }
    void success(const std::string& text) override { add({MSG_SUCCESS, 0, text, {}}); }
    void progressStart(int range) override { add({MSG_PROGRESS_START, range, {}, {}}); }
    void progress(ProgressEvent& event) override { add({MSG_PROGRESS, 0, {}, event}); }
    void progressClose() override { add({MSG_PROGRESS_CLOSE, 0, {}, {}}); }
    bool askYesNo(const std::string& text, const std::string&) override
    {
        std::lock_guard lock(mutex_);
        questions.push_back(text);
        return answerYes;
    }
    void notice(const std::string& text, const std::string&) override
    {
        std::lock_guard lock(mutex_);
        notices.push_back(text);
    }

    // Forgets what was recorded, for the next job of a test.
    void clear()
    {
        std::lock_guard lock(mutex_);
        events_.clear();
        questions.clear();
        notices.clear();
    }
    std::vector<RecordedEvent> all() const
    {
        std::lock_guard lock(mutex_);
        return events_;
    }
    // Step texts and log lines in order, each as it was sent.
    std::vector<std::string> texts() const
    {
        std::vector<std::string> list;
        for (const RecordedEvent& event : all()) {
            if (event.message != MSG_PROGRESS)
                continue;
            if (!event.progress.stepText.empty())
                list.push_back(event.progress.stepText);
            if (!event.progress.logText.empty())
                list.push_back(event.progress.logText);
        }
        return list;
    }
    bool sawText(const std::string& text) const
    {
        for (const std::string& seen : texts())
            if (seen == text)
                return true;
        return false;
    }
    // The one result code (0 after success), or -1 when the job reported none or several.
    ResultCode outcome() const
    {
        int outcomes = 0;
        ResultCode code = -1;
        for (const RecordedEvent& event : all()) {
            if (event.message == MSG_RESULT || event.message == MSG_SUCCESS) {
                ++outcomes;
                code = event.message == MSG_RESULT ? event.code : 0;
            }
        }
        return outcomes == 1 ? code : -1;
    }
    std::string successText() const
    {
        for (const RecordedEvent& event : all())
            if (event.message == MSG_SUCCESS)
                return event.text;
        return {};
    }

    bool answerYes = false;
    std::vector<std::string> questions;
    std::vector<std::string> notices;

private:
    void add(RecordedEvent event)
    {
        std::lock_guard lock(mutex_);
        event.at = now();
        events_.push_back(std::move(event));
    }

    mutable std::mutex mutex_;
    std::vector<RecordedEvent> events_;
};

} // namespace kyv::test
