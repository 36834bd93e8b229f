#include "sim/lib/transcript.h"

#include <cstdio>
#include <fstream>

namespace kyv::sim {

std::string hexText(const Bytes& bytes)
{
    std::string text;
    text.reserve(bytes.size() * 3);
    char cell[4];
    for (uint8_t byte : bytes) {
        std::snprintf(cell, sizeof cell, "%02X", byte);
        if (!text.empty())
            text += ' ';
        text += cell;
    }
    return text;
}

Transcript::Transcript() : start_(now()) {}

void Transcript::add(Direction direction, Bytes bytes, std::string note)
{
    std::lock_guard lock(mutex_);
    entries_.push_back({now(), direction, std::move(bytes), std::move(note)});
}

std::vector<TranscriptEntry> Transcript::entries(size_t from) const
{
    std::lock_guard lock(mutex_);
    if (from >= entries_.size())
        return {};
    return std::vector<TranscriptEntry>(entries_.begin() + static_cast<std::ptrdiff_t>(from), entries_.end());
}

Bytes Transcript::bytes(Direction direction) const
{
    std::lock_guard lock(mutex_);
    Bytes all;
    for (const TranscriptEntry& entry : entries_)
        if (entry.direction == direction)
            all.insert(all.end(), entry.bytes.begin(), entry.bytes.end());
    return all;
}

void Transcript::clear()
{
    std::lock_guard lock(mutex_);
    entries_.clear();
}

std::string Transcript::text() const
{
    std::lock_guard lock(mutex_);
    std::string out;
    char stamp[32];
    for (const TranscriptEntry& entry : entries_) {
        double seconds = std::chrono::duration<double>(entry.time - start_).count();
        std::snprintf(stamp, sizeof stamp, "%10.6f ", seconds);
        out += stamp;
        switch (entry.direction) {
        case Direction::ToPrinter: out += "host->printer "; break;
        case Direction::ToHost: out += "printer->host "; break;
        case Direction::Event: out += "printer       "; break;
        }
        // Long data blocks are shown by their length and first bytes only.
        if (entry.bytes.size() > 32) {
            Bytes head(entry.bytes.begin(), entry.bytes.begin() + 16);
            out += hexText(head) + " ... (" + std::to_string(entry.bytes.size()) + " bytes)";
        } else {
            out += hexText(entry.bytes);
        }
        if (!entry.note.empty())
            out += (entry.bytes.empty() ? "" : "  ") + entry.note;
        out += '\n';
    }
    return out;
}

bool Transcript::writeTo(const std::string& path) const
{
    std::ofstream file(path, std::ios::binary | std::ios::trunc);
    file << text();
    file.flush();
    return static_cast<bool>(file);
}

} // namespace kyv::sim
