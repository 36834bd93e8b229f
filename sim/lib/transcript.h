#pragma once
// A time-stamped record of every byte on the line in each direction, plus the printer's
// own events (restart, line settings ignored, line dropped), so tests can assert exact
// wire sequences and people can read what happened.

#include "core/clock.h"

#include <cstdint>
#include <mutex>
#include <string>
#include <vector>

namespace kyv::sim {

using Bytes = std::vector<uint8_t>;

enum class Direction {
    ToPrinter, // written by the host
    ToHost,    // written by the printer
    Event,     // something the printer did; text in `note`
};

struct TranscriptEntry {
    SteadyTime time;
    Direction direction = Direction::Event;
    Bytes bytes;
    std::string note; // what the bytes were ("select", "ignored: restarting", ...)
};

// Thread-safe: the serving thread appends while a test reads.
class Transcript {
public:
    Transcript();
    void add(Direction direction, Bytes bytes, std::string note = {});
    void event(std::string note) { add(Direction::Event, {}, std::move(note)); }
    // The entries from number `from` on (all by default): a watcher reads only what is new.
    std::vector<TranscriptEntry> entries(size_t from = 0) const;
    // All bytes of one direction, concatenated in order.
    Bytes bytes(Direction direction) const;
    void clear();
    // One line per entry: seconds since start, direction, bytes in hex, note.
    std::string text() const;
    bool writeTo(const std::string& path) const;

private:
    mutable std::mutex mutex_;
    SteadyTime start_;
    std::vector<TranscriptEntry> entries_;
};

// "1D 02 06"
std::string hexText(const Bytes& bytes);

} // namespace kyv::sim
