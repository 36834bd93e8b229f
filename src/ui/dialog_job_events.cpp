#include "ui/dialog_job_events.h"

#include <QMetaObject>
#include <QObject>
#include <QThread>

namespace kyv {

template <typename Call> void DialogJobEvents::send(Call call)
{
    if (QThread::currentThread() == context_->thread())
        call();
    else
        QMetaObject::invokeMethod(context_, call, Qt::BlockingQueuedConnection);
}

void DialogJobEvents::result(ResultCode code)
{
    send([&] { handler_.result(code); });
}

void DialogJobEvents::jobEnd()
{
    JobEvents* handler = &handler_;
    QMetaObject::invokeMethod(context_, [handler] { handler->jobEnd(); }, Qt::QueuedConnection);
}

void DialogJobEvents::success(const std::string& text)
{
    send([&] { handler_.success(text); });
}

void DialogJobEvents::progressStart(int range)
{
    send([&] { handler_.progressStart(range); });
}

void DialogJobEvents::progress(ProgressEvent& event)
{
    send([&] { handler_.progress(event); });
}

void DialogJobEvents::progressClose()
{
    send([&] { handler_.progressClose(); });
}

bool DialogJobEvents::askYesNo(const std::string& text, const std::string& caption)
{
    bool answer = false;
    send([&] { answer = handler_.askYesNo(text, caption); });
    return answer;
}

void DialogJobEvents::notice(const std::string& text, const std::string& caption)
{
    send([&] { handler_.notice(text, caption); });
}

} // namespace kyv
