#pragma once
// Receives the events of a job started without a receiver: nothing is shown, nothing asked.

#include "core/job_events.h"

#include <string>

namespace kyv {

class NoReceiver final : public JobEvents {
public:
    void result(ResultCode) override {}
    void jobEnd() override {}
    void success(const std::string&) override {}
    void progressStart(int) override {}
    void progress(ProgressEvent&) override {}
    void progressClose() override {}
    bool askYesNo(const std::string&, const std::string&) override { return false; }
    void notice(const std::string&, const std::string&) override {}
};

} // namespace kyv
