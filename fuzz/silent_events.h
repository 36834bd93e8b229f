#pragma once
// Job events that go nowhere: the commands under test log and notify through them.

#include "core/job_events.h"

namespace kyv::fuzz {

class SilentEvents final : public JobEvents {
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

} // namespace kyv::fuzz
