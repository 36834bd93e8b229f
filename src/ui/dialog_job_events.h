#pragma once
// Carries a worker's events over to the dialog thread. The calls that are "sent" block
// the worker until the dialog has handled them (so what they point to may live on the
// worker's stack); jobEnd is posted and so handled after everything sent before it.
// A call made on the dialog thread itself (the image check) is handled at once.

#include "core/job_events.h"

class QObject;

namespace kyv {

class DialogJobEvents : public JobEvents {
public:
    // context: an object living on the dialog thread; handler: the dialog's own handlers,
    // which run there. Both must outlive every job that reports through this object.
    DialogJobEvents(QObject* context, JobEvents& handler) : context_(context), handler_(handler) {}

    void result(ResultCode code) override;
    void jobEnd() override;
    void success(const std::string& text) override;
    void progressStart(int range) override;
    void progress(ProgressEvent& event) override;
    void progressClose() override;
    bool askYesNo(const std::string& text, const std::string& caption) override;
    void notice(const std::string& text, const std::string& caption) override;

private:
    template <typename Call> void send(Call call);

    QObject* context_;
    JobEvents& handler_;
};

} // namespace kyv
