#include "core/usb_memory/mount_table.h"

#include <sstream>

namespace kyv {
namespace {

// mountinfo writes space, tab, newline and backslash in a path as \ooo octal escapes.
std::string unescapeOctal(std::string_view text)
{
    std::string out;
    for (size_t i = 0; i < text.size(); ++i) {
        if (text[i] == '\\' && i + 3 < text.size()) {
            const std::string_view digits = text.substr(i + 1, 3);
            if (digits.find_first_not_of("01234567") == std::string_view::npos) {
                out += static_cast<char>((digits[0] - '0') * 64 + (digits[1] - '0') * 8 + (digits[2] - '0'));
                i += 3;
                continue;
            }
        }
        out += text[i];
    }
    return out;
}

bool isPrefixPath(const std::filesystem::path& prefix, const std::filesystem::path& path)
{
    auto p = path.begin();
    for (auto q = prefix.begin(); q != prefix.end(); ++q, ++p) {
        if (q->empty()) // a trailing separator
            continue;
        if (p == path.end() || *p != *q)
            return false;
    }
    return true;
}

} // namespace

std::vector<MountEntry> parseMountInfo(std::string_view text)
{
    std::vector<MountEntry> mounts;
    std::istringstream lines{std::string(text)};
    std::string line;
    while (std::getline(lines, line)) {
        // id parent major:minor root mount-point options [optional...] - type source super-options
        std::istringstream fields(line);
        std::vector<std::string> f;
        for (std::string field; fields >> field;)
            f.push_back(field);
        size_t dash = 6;
        while (dash < f.size() && f[dash] != "-")
            ++dash;
        if (f.size() < 6 || dash + 2 >= f.size())
            continue;
        mounts.push_back({f[2], unescapeOctal(f[4]), unescapeOctal(f[dash + 1]), unescapeOctal(f[dash + 2])});
    }
    return mounts;
}

const MountEntry* mountHolding(const std::vector<MountEntry>& mounts, const std::filesystem::path& path)
{
    const MountEntry* best = nullptr;
    size_t bestLength = 0;
    for (const MountEntry& mount : mounts) {
        const std::filesystem::path point(mount.mountPoint);
        if (!point.is_absolute() || !isPrefixPath(point, path))
            continue;
        const size_t length = point.lexically_normal().string().size();
        if (best == nullptr || length >= bestLength) {
            best = &mount;
            bestLength = length;
        }
    }
    return best;
}

} // namespace kyv
