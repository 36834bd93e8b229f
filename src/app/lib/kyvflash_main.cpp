#include "app/lib/kyvflash_main.h"

#include "app/lib/help_text.h"
#include "app/lib/job_preparation.h"
#include "app/lib/job_report_file.h"
#include "app/lib/job_summary.h"
#include "core/exit_status.h"
#include "core/result_text.h"

#include "ui/brevant_app.h"

#include <strings.h>
#include <unistd.h>

#include <cerrno>
#include <chrono>
#include <cstdlib>
#include <cstdio>
#include <string>
#include <vector>

namespace kyv {
namespace {

// The dialog has no words for the command-line codes (the launcher prints its own); a
// person running KyvFlash directly still needs to know which argument was wrong.
std::string failureText(ResultCode code)
{
    switch (code) {
    case rc::BadModelArgument:
        return "the model is not one of the catalogue's model names";
    case rc::BadDownloadTypeArgument:
        return "the download type letter is unknown or not offered by this model";
    case rc::BadInterfaceArgument:
        return "the interface must begin with COM, USB, LAN, WIFI, CPMI, NHPI, PRTR, IBMUSB or HID";
    case rc::BadIpArgument:
        return "the IP address must be four numbers from 0 to 255 joined by dots";
    case rc::BadBaudArgument:
        return "the baud rate must be 9600, 19200, 38400, 57600 or 115200";
    case rc::BadParityArgument:
        return "the parity must be NONE, EVEN or ODD";
    case rc::BadStopBitsArgument:
        return "the stop bits must be 1 or 2";
    case rc::BadFileArgument:
        return "no file or directory of that name exists";
    case rc::TooFewArguments:
        return "too few arguments: model, download type letter, interface (with its settings) and file";
    case rc::BadOptionArgument:
        return "unexpected argument after the file: only SKIP, NOSKIP, PRINT, NOPRINT, RETSTAT, NORETSTAT "
               "and ERRORTIMEOUT may follow it";
    default:
        return std::string(resultText(code));
    }
}

// Without arguments the dialog needs a display; an unattended run does not (it runs offscreen).
bool dialogCanBeShown() { return CBrevantApp::hasDisplay(); }

bool isOption(const std::string& arg, const char* option) { return ::strcasecmp(arg.c_str(), option) == 0; }

std::string startUpDirectory()
{
    std::vector<char> buffer(4096);
    while (::getcwd(buffer.data(), buffer.size()) == nullptr) {
        if (errno != ERANGE || buffer.size() > (1u << 20))
            return ".";
        buffer.resize(buffer.size() * 2);
    }
    return buffer.data();
}

void printFailure(ResultCode code)
{
    std::fprintf(stderr, "KyvFlash: %s (result %d)\n", failureText(code).c_str(), code);
}

// A job refused by the command line. A caller that reads the exact code through
// KYVFLASH_RESULT_FD (the console launcher) says the outcome in words itself, so the line
// is left out for it: it would only run into the caller's own output.
void tellRefusedJob(ResultCode code)
{
    const char* resultFd = std::getenv(kResultFdVariable);
    if (resultFd == nullptr || *resultFd == '\0')
        printFailure(code);
}

// The report of a command line refused before any job existed: what the arguments named.
JobTrace traceOfArguments(const std::vector<std::string>& args)
{
    JobTrace trace;
    if (!args.empty())
        trace.model = args[0];
    if (args.size() > 2)
        trace.interfaceName = args[2];
    return trace;
}

// The report's words for a code: the dialog's text, or for the command-line codes (which
// the dialog has no words for) the reason KyvFlash prints.
std::string reportWords(ResultCode code)
{
    const std::string_view text = resultText(code);
    return text.empty() ? failureText(code) : std::string(text);
}

void reportJob(const JobTrace& trace, ResultCode code, std::chrono::system_clock::time_point start)
{
    writeRequestedReport(reportForJob(trace, code, reportWords(code), start, std::chrono::system_clock::now()));
}

// A dry run: the job as the unattended run would make it, checked, printed, not run.
int dryRunJob(const std::vector<std::string>& args)
{
    ModelCatalogue catalogue;
    ProcessValues values;
    const PreparedJob job = prepareJob(args, catalogue, startUpDirectory(), values);
    if (job.parsed)
        std::fputs(jobSummary(*job.row, job.selection.downloadTypeText).c_str(), stdout);
    std::fflush(stdout);

    if (job.code != rc::Success)
        printFailure(job.code); // a dry run always says why, whoever reads its code
    else
        std::fprintf(stderr, "KyvFlash: dry run: the job passed every check; no printer was touched\n");
    reportResultToFd(job.code);
    return exitStatusFor(job.code);
}

} // namespace

int kyvFlashMain(int argc, char** argv)
{
    const auto start = std::chrono::system_clock::now();
    std::vector<std::string> args;
    for (int i = 1; i < argc; ++i)
        args.emplace_back(argv[i]);
    // Only as the first argument: no job's command line starts with them.
    if (!args.empty() && isOption(args.front(), "--help")) {
        std::fputs(kyvFlashHelpText().c_str(), stdout);
        return 0;
    }
    if (!args.empty() && isOption(args.front(), "--version")) {
        std::fputs(kyvFlashVersionText().c_str(), stdout);
        return 0;
    }
    const bool dryRun = !args.empty() && isOption(args.front(), "--dry-run");
    if (dryRun)
        args.erase(args.begin());
    if (args.empty() && (dryRun || !dialogCanBeShown())) {
        std::puts("KyvFlash: give a job as arguments (model, type letter, interface, its settings, file), "
                  "or --dry-run and the same arguments to check a job without touching a printer.");
        return 0;
    }
    // A dry run never needs Qt: it is decided before any of it starts.
    if (dryRun)
        return dryRunJob(args);
    return CBrevantApp::run(
        argc, argv,
        [&](ResultCode code) {
            tellRefusedJob(code);
            reportJob(traceOfArguments(args), code, start);
        },
        [&](const JobTrace& trace, ResultCode code) { reportJob(trace, code, start); });
}

} // namespace kyv
