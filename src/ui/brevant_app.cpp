#include "ui/brevant_app.h"

#include "core/catalogue.h"
#include "core/clock.h"
#include "core/command_line.h"
#include "core/exit_status.h"
#include "ui/brevant_dlg.h"
#include "ui/stop_signal_thread.h"

#include <QApplication>

#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <system_error>

namespace kyv {
namespace {

std::string startupDirectory()
{
    std::error_code error;
    std::filesystem::path dir = std::filesystem::current_path(error);
    return error ? std::string(".") : dir.string();
}

// An unattended run without a display talks to scripts through its exit status and log
// file; the offscreen platform's notes about windows it cannot place are only noise there.
void quietOffscreenMessages(QtMsgType type, const QMessageLogContext& context, const QString& text)
{
    if (type == QtCriticalMsg || type == QtFatalMsg)
        std::fprintf(stderr, "%s\n", qPrintable(qFormatLogMessage(type, context, text)));
}

int leaveWith(ResultCode code)
{
    reportResultToFd(code);
    return exitStatusFor(code);
}

} // namespace

bool CBrevantApp::hasDisplay()
{
    auto set = [](const char* name) {
        const char* value = std::getenv(name);
        return value != nullptr && *value != '\0';
    };
    return set("DISPLAY") || set("WAYLAND_DISPLAY");
}

int CBrevantApp::run(int argc, char** argv, const std::function<void(ResultCode)>& onParseError,
                     const std::function<void(const JobTrace&, ResultCode)>& onUnattendedEnd)
{
    std::vector<std::string> args(argv + 1, argv + argc);
    ModelCatalogue catalogue;
    ProcessValues values;
    ParsedArguments parsed;
    const ResultCode parsedCode = parseCommandLine(args, catalogue, parsed, values);
    if (parsedCode > 0) { // the window never appears
        if (onParseError)
            onParseError(parsedCode);
        return leaveWith(parsedCode);
    }

    // An unattended run without a display runs the same dialog on Qt's offscreen platform.
    if (values.commandLineMode != 0 && !hasDisplay()) {
        setenv("QT_QPA_PLATFORM", "offscreen", 0);
        qInstallMessageHandler(quietOffscreenMessages);
    }

    // Before any other thread starts, so that all of them leave SIGTERM/SIGINT to it.
    StopSignalThread stopSignals(nullptr);

    QApplication app(argc, argv);
    QApplication::setApplicationName(QStringLiteral("Brevant"));
    int code = 0;
    JobTrace trace;
    {
        CBrevantDlg dialog(catalogue, values, systemDialogServices(), startupDirectory());
        if (values.commandLineMode != 0)
            dialog.startUnattended(parsed);
        else
            dialog.show();
        code = dialog.exec();
        trace = dialog.jobTrace();
    }
    if (stopRequested() && code == rc::Success)
        code = rc::ExitButton; // stopped from outside: never report success
    if (values.commandLineMode != 0 && onUnattendedEnd)
        onUnattendedEnd(trace, code);
    return leaveWith(code);
}

} // namespace kyv
