#include "core/profile_store.h"

#include <cctype>
#include <cerrno>
#include <cstdlib>
#include <fstream>
#include <optional>
#include <climits>

namespace kyv {
namespace {

std::string_view trim(std::string_view text)
{
    while (!text.empty() && std::isspace(static_cast<unsigned char>(text.front())))
        text.remove_prefix(1);
    while (!text.empty() && std::isspace(static_cast<unsigned char>(text.back())))
        text.remove_suffix(1);
    return text;
}

bool sameName(std::string_view a, std::string_view b)
{
    if (a.size() != b.size())
        return false;
    for (size_t i = 0; i < a.size(); ++i)
        if (std::tolower(static_cast<unsigned char>(a[i])) != std::tolower(static_cast<unsigned char>(b[i])))
            return false;
    return true;
}

// "[Name]" -> Name.
std::optional<std::string_view> sectionOf(std::string_view line)
{
    line = trim(line);
    if (line.size() < 2 || line.front() != '[' || line.back() != ']')
        return std::nullopt;
    return trim(line.substr(1, line.size() - 2));
}

struct KeyValue {
    std::string_view key;
    std::string_view value;
};

// "key = value"; comments (; or #) and other lines give nothing.
std::optional<KeyValue> keyValueOf(std::string_view line)
{
    std::string_view text = trim(line);
    if (text.empty() || text.front() == ';' || text.front() == '#')
        return std::nullopt;
    size_t equals = text.find('=');
    if (equals == std::string_view::npos || equals == 0)
        return std::nullopt;
    return KeyValue{trim(text.substr(0, equals)), trim(text.substr(equals + 1))};
}

std::vector<std::string> readLines(const std::filesystem::path& file)
{
    std::vector<std::string> lines;
    std::ifstream in(file, std::ios::binary);
    std::string line;
    while (std::getline(in, line)) {
        if (!line.empty() && line.back() == '\r')
            line.pop_back();
        lines.push_back(line);
    }
    return lines;
}

// Calls visit(lineIndex, key, value) for each entry of the section.
template <typename Visit>
void forEachEntry(const std::vector<std::string>& lines, std::string_view section, Visit visit)
{
    bool inSection = false;
    for (size_t i = 0; i < lines.size(); ++i) {
        if (auto name = sectionOf(lines[i])) {
            inSection = sameName(*name, section);
            continue;
        }
        if (!inSection)
            continue;
        if (auto entry = keyValueOf(lines[i]))
            visit(i, entry->key, entry->value);
    }
}

std::optional<std::string> lookUp(const std::filesystem::path& file, std::string_view section,
                                  std::string_view key)
{
    std::optional<std::string> found;
    forEachEntry(readLines(file), section, [&](size_t, std::string_view k, std::string_view v) {
        if (!found && sameName(k, key))
            found = std::string(v);
    });
    return found;
}

} // namespace

ProfileStore::ProfileStore(std::filesystem::path file) : path_(std::move(file)) {}

std::filesystem::path ProfileStore::defaultPath()
{
    std::filesystem::path base;
    const char* xdg = std::getenv("XDG_CONFIG_HOME");
    if (xdg != nullptr && xdg[0] == '/') {
        base = xdg;
    } else {
        const char* home = std::getenv("HOME");
        base = std::filesystem::path(home != nullptr && home[0] != '\0' ? home : "/") / ".config";
    }
    return base / "KyvFlash" / "KyvFlash.ini";
}

ProfileStore ProfileStore::forUser() { return ProfileStore(defaultPath()); }

int ProfileStore::getInt(std::string_view section, std::string_view key, int defaultValue) const
{
    auto text = lookUp(path_, section, key);
    if (!text || text->empty())
        return defaultValue;
    errno = 0;
    char* end = nullptr;
    long value = std::strtol(text->c_str(), &end, 10);
    if (errno != 0 || *end != '\0' || value < INT32_MIN || value > INT32_MAX)
        return defaultValue;
    return static_cast<int>(value);
}

std::string ProfileStore::getText(std::string_view section, std::string_view key,
                                  std::string_view defaultValue) const
{
    auto text = lookUp(path_, section, key);
    return text ? *text : std::string(defaultValue);
}

std::vector<std::pair<std::string, std::string>> ProfileStore::entries(std::string_view section) const
{
    std::vector<std::pair<std::string, std::string>> result;
    forEachEntry(readLines(path_), section, [&](size_t, std::string_view k, std::string_view v) {
        result.emplace_back(std::string(k), std::string(v));
    });
    return result;
}

bool ProfileStore::setInt(std::string_view section, std::string_view key, int value)
{
    return store(section, key, std::to_string(value));
}

bool ProfileStore::setText(std::string_view section, std::string_view key, std::string_view value)
{
    // A line break in a value would split it into two entries when read back.
    if (value.find_first_of("\r\n") != std::string_view::npos || key.empty() ||
        key.find_first_of("=\r\n[]") != std::string_view::npos)
        return false;
    return store(section, key, value);
}

bool ProfileStore::store(std::string_view section, std::string_view key, std::string_view value)
{
    std::vector<std::string> lines = readLines(path_);
    std::string entry = std::string(key) + "=" + std::string(value);

    std::optional<size_t> existing;
    std::string writtenKey;
    forEachEntry(lines, section, [&](size_t i, std::string_view k, std::string_view) {
        if (!existing && sameName(k, key)) {
            existing = i;
            writtenKey = k; // keep the key as the file spells it
        }
    });
    if (existing) {
        lines[*existing] = writtenKey + "=" + std::string(value);
    } else {
        // Append after the section's last entry, or as a new section at the end.
        std::optional<size_t> header;
        size_t sectionEnd = lines.size();
        for (size_t i = 0; i < lines.size(); ++i) {
            auto name = sectionOf(lines[i]);
            if (!name)
                continue;
            if (header) {
                sectionEnd = i;
                break;
            }
            if (sameName(*name, section))
                header = i;
        }
        if (header) {
            size_t at = *header + 1;
            for (size_t i = *header + 1; i < sectionEnd; ++i)
                if (!trim(lines[i]).empty())
                    at = i + 1;
            lines.insert(lines.begin() + static_cast<std::ptrdiff_t>(at), entry);
        } else {
            if (!lines.empty() && !trim(lines.back()).empty())
                lines.emplace_back();
            lines.push_back("[" + std::string(section) + "]");
            lines.push_back(entry);
        }
    }

    std::string content;
    for (const auto& line : lines)
        content += line + "\n";
    std::error_code ignored;
    std::filesystem::create_directories(path_.parent_path(), ignored);
    return writeFileAtomically(path_, content);
}

} // namespace kyv
