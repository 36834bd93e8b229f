#include "launcher/lib/stop_signals.h"

#include <csignal>

namespace kyv::launcher {
namespace {

volatile std::sig_atomic_t receivedSignal = 0;

void rememberSignal(int signal) { receivedSignal = signal; }
// A reader that went away must not kill the launcher before it has stopped KyvFlash.
// A handler (not SIG_IGN) so that KyvFlash does not inherit the setting.
void ignoreBrokenPipe(int) {}

void install(int signal, void (*handler)(int))
{
    struct sigaction action {};
    action.sa_handler = handler;
    sigemptyset(&action.sa_mask);
    action.sa_flags = 0;
    sigaction(signal, &action, nullptr);
}

} // namespace

void installStopSignalHandlers()
{
    install(SIGINT, rememberSignal);
    install(SIGTERM, rememberSignal);
    install(SIGHUP, rememberSignal);
    install(SIGPIPE, ignoreBrokenPipe);
    install(SIGCHLD, SIG_DFL);
}

int stopSignalReceived() { return receivedSignal; }

} // namespace kyv::launcher
