#pragma once
// The running log of a job: what the log box shows and what goes into BREVANT_LOG.txt.
//
// Two buffers: the session text (everything since the current job started, shown in the
// log box) and the pending text (not yet written to the file). Text is UTF-8 inside; the
// file is 8-bit text holding the low byte of each UTF-16 code unit, with the CR LF line
// ends the texts carry. The file restarts from empty once it has reached 2049 KB.

#include <chrono>
#include <cstdint>
#include <string>
#include <string_view>

namespace kyv {

inline constexpr const char* kSessionLogFileName = "BREVANT_LOG.txt";
inline constexpr const char* kSessionLogStartText = "Brevant Log : \r\n";
// A log file of this many KB or more is started anew instead of appended to.
inline constexpr std::uintmax_t kSessionLogRestartKb = 2049;

// "[ dd / mm / yyyy - hh : mm : ss : mmm ] " in local time.
std::string logTimePrefix(std::chrono::system_clock::time_point when);
inline std::string logTimePrefix() { return logTimePrefix(std::chrono::system_clock::now()); }

// The file's bytes for a UTF-8 text: one byte per UTF-16 code unit, its low byte.
// A byte that is not part of valid UTF-8 is kept as it is, so nothing is dropped.
std::string lowBytesOfUtf16(std::string_view utf8);

class SessionLog {
public:
    // workDir: the directory the program started in; the log file lives there.
    explicit SessionLog(std::string workDir);

    const std::string& sessionText() const { return session_; }
    const std::string& pendingText() const { return pending_; }
    std::string filePath() const;

    // The "Save Log" check box: while off, writeLog does nothing at all.
    void setSaveLog(bool on) { saveLog_ = on; }
    bool saveLog() const { return saveLog_; }

    // Adds prefix + text + CR LF to both buffers.
    void appendLine(std::string_view text, std::string_view prefix);
    void appendLine(std::string_view text) { appendLine(text, logTimePrefix()); }
    // Adds text as it is (no time stamp, no line end) to both buffers.
    void append(std::string_view text);

    // Adds text (may be empty) to both buffers and writes the pending text to the file.
    // With Save Log off nothing happens. A file that cannot be opened is skipped quietly:
    // the text stays visible in the log box. The caller empties the pending text after.
    void writeLog(std::string_view text);

    void clearPending() { pending_.clear(); }
    void setPending(std::string text) { pending_ = std::move(text); }
    // Both buffers back to empty: a new job starts.
    void clearAll();
    // Both buffers back to the text the dialog opens with.
    void restart();

private:
    std::string workDir_;
    std::string pending_;
    std::string session_;
    bool saveLog_ = true;
};

} // namespace kyv
