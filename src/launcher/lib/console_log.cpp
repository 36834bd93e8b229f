#include "launcher/lib/console_log.h"

#include "launcher/lib/local_time_stamp.h"
#include "core/unique_fd.h"

#include <cerrno>
#include <fcntl.h>
#include <unistd.h>

namespace kyv::launcher {

std::string returnCodeLine(int shortCode)
{
    LocalTimeStamp stamp = localTimeStampNow();
    return stamp.date + " " + stamp.time + " - Return Code is " + std::to_string(shortCode) + "!\n";
}

bool appendReturnCodeLine(int shortCode)
{
    UniqueFd file(::open(kConsoleLogFileName, O_WRONLY | O_CREAT | O_APPEND | O_CLOEXEC, 0644));
    if (!file.valid())
        return false;
    // One write, so lines of launchers running side by side never interleave.
    std::string line = returnCodeLine(shortCode);
    ssize_t written;
    do {
        written = ::write(file.get(), line.data(), line.size());
    } while (written < 0 && errno == EINTR);
    return written == static_cast<ssize_t>(line.size());
}

} // namespace kyv::launcher
