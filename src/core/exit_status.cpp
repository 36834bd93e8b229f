#include "core/exit_status.h"

#include <cerrno>
#include <charconv>
#include <cstdlib>
#include <string>
#include <unistd.h>

namespace kyv {

bool reportResultToFd(ResultCode code)
{
    const char* text = std::getenv(kResultFdVariable);
    if (text == nullptr || *text == '\0')
        return false;
    int fd = -1;
    std::string_view view(text);
    auto [end, error] = std::from_chars(view.data(), view.data() + view.size(), fd);
    if (error != std::errc() || end != view.data() + view.size() || fd < 0)
        return false;
    std::string line = std::to_string(code) + "\n";
    size_t done = 0;
    while (done < line.size()) {
        ssize_t n = ::write(fd, line.data() + done, line.size() - done);
        if (n < 0 && errno == EINTR)
            continue;
        if (n <= 0)
            return false;
        done += static_cast<size_t>(n);
    }
    return true;
}

} // namespace kyv
