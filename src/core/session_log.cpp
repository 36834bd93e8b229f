#include "core/session_log.h"

#include "core/unique_fd.h"

#include <cerrno>
#include <cstdio>
#include <ctime>
#include <filesystem>

#include <fcntl.h>
#include <sys/file.h>
#include <sys/stat.h>
#include <unistd.h>

namespace kyv {
namespace {

bool isContinuation(unsigned char byte) { return (byte & 0xC0) == 0x80; }

// Length and code point of the UTF-8 sequence at text[i]; 0 when it is not valid UTF-8
// (overlong forms, surrogates and values above U+10FFFF included).
size_t decodeUtf8(std::string_view text, size_t i, char32_t& codePoint)
{
    auto at = [&](size_t k) { return static_cast<unsigned char>(text[k]); };
    unsigned char lead = at(i);
    size_t length = 0;
    char32_t min = 0;
    if (lead >= 0xC2 && lead <= 0xDF) {
        length = 2;
        codePoint = lead & 0x1F;
        min = 0x80;
    } else if (lead >= 0xE0 && lead <= 0xEF) {
        length = 3;
        codePoint = lead & 0x0F;
        min = 0x800;
    } else if (lead >= 0xF0 && lead <= 0xF4) {
        length = 4;
        codePoint = lead & 0x07;
        min = 0x10000;
    } else {
        return 0;
    }
    if (i + length > text.size())
        return 0;
    for (size_t k = 1; k < length; ++k) {
        if (!isContinuation(at(i + k)))
            return 0;
        codePoint = (codePoint << 6) | (at(i + k) & 0x3F);
    }
    if (codePoint < min || codePoint > 0x10FFFF || (codePoint >= 0xD800 && codePoint <= 0xDFFF))
        return 0;
    return length;
}

} // namespace

std::string logTimePrefix(std::chrono::system_clock::time_point when)
{
    std::time_t seconds = std::chrono::system_clock::to_time_t(when);
    auto sinceEpoch = when.time_since_epoch();
    auto millis = std::chrono::duration_cast<std::chrono::milliseconds>(sinceEpoch) -
                  std::chrono::duration_cast<std::chrono::seconds>(sinceEpoch);
    std::tm local{};
    localtime_r(&seconds, &local);
    char text[64];
    std::snprintf(text, sizeof text, "[ %02d / %02d / %02d - %02d : %02d : %02d : %03d ] ", local.tm_mday,
                  local.tm_mon + 1, local.tm_year + 1900, local.tm_hour, local.tm_min, local.tm_sec,
                  static_cast<int>(millis.count()));
    return text;
}

std::string lowBytesOfUtf16(std::string_view utf8)
{
    std::string bytes;
    bytes.reserve(utf8.size());
    for (size_t i = 0; i < utf8.size();) {
        unsigned char lead = static_cast<unsigned char>(utf8[i]);
        char32_t codePoint = 0;
        size_t length = lead < 0x80 ? 1 : decodeUtf8(utf8, i, codePoint);
        if (length <= 1) { // ASCII, or a stray byte kept as it is
            bytes.push_back(static_cast<char>(lead));
            ++i;
            continue;
        }
        if (codePoint >= 0x10000) { // two code units: the surrogate pair
            char32_t offset = codePoint - 0x10000;
            bytes.push_back(static_cast<char>((0xD800 + (offset >> 10)) & 0xFF));
            bytes.push_back(static_cast<char>((0xDC00 + (offset & 0x3FF)) & 0xFF));
        } else {
            bytes.push_back(static_cast<char>(codePoint & 0xFF));
        }
        i += length;
    }
    return bytes;
}

SessionLog::SessionLog(std::string workDir) : workDir_(std::move(workDir)) { restart(); }

std::string SessionLog::filePath() const
{
    return (std::filesystem::path(workDir_) / kSessionLogFileName).string();
}

void SessionLog::appendLine(std::string_view text, std::string_view prefix)
{
    std::string line;
    line.reserve(prefix.size() + text.size() + 2);
    line.append(prefix).append(text).append("\r\n");
    append(line);
}

void SessionLog::append(std::string_view text)
{
    pending_.append(text);
    session_.append(text);
}

void SessionLog::writeLog(std::string_view text)
{
    if (!saveLog_)
        return;
    append(text);
    // Several runs may share the start-up folder (a shop flashing printers side by side):
    // the file is appended to under an exclusive lock, and the decision to start it anew at
    // its limit is taken under that lock, so no run's lines are split, lost or cut.
    UniqueFd file(::open(filePath().c_str(), O_WRONLY | O_CREAT | O_APPEND | O_CLOEXEC, 0644));
    if (!file.valid())
        return;
    int locked;
    do {
        locked = ::flock(file.get(), LOCK_EX);
    } while (locked < 0 && errno == EINTR);
    struct stat status {};
    if (::fstat(file.get(), &status) == 0 && static_cast<std::uintmax_t>(status.st_size) / 1024 >= kSessionLogRestartKb &&
        ::ftruncate(file.get(), 0) != 0)
        return;
    const std::string bytes = lowBytesOfUtf16(pending_);
    for (size_t done = 0; done < bytes.size();) {
        const ssize_t written = ::write(file.get(), bytes.data() + done, bytes.size() - done);
        if (written < 0 && errno == EINTR)
            continue;
        if (written <= 0)
            return;
        done += static_cast<size_t>(written);
    }
}

void SessionLog::clearAll()
{
    pending_.clear();
    session_.clear();
}

void SessionLog::restart()
{
    pending_ = kSessionLogStartText;
    session_ = kSessionLogStartText;
}

} // namespace kyv
