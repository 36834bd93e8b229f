#include "transport/net/net_guard.h"

#include "core/ipv4_text.h"

#include <charconv>
#include <cstdio>
#include <cstdlib>
#include <string>

namespace kyv {

namespace {

// One "a.b.c.d/n" (or a bare address, meaning /32); false when it is not one.
bool parseRange(std::string_view text, uint32_t& base, uint32_t& mask)
{
    int bits = 32;
    size_t slash = text.find('/');
    if (slash != std::string_view::npos) {
        std::string_view bitsText = text.substr(slash + 1);
        auto [end, error] = std::from_chars(bitsText.data(), bitsText.data() + bitsText.size(), bits);
        if (error != std::errc{} || end != bitsText.data() + bitsText.size() || bitsText.empty() ||
            bits < 0 || bits > 32)
            return false;
        text = text.substr(0, slash);
    }
    std::optional<uint32_t> address = parseIpv4(text);
    if (!address)
        return false;
    mask = bits == 0 ? 0 : ~uint32_t{0} << (32 - bits);
    base = *address & mask;
    return true;
}

} // namespace

bool addressInRanges(uint32_t address, std::string_view allowList)
{
    bool matched = false;
    size_t pos = 0;
    while (pos < allowList.size()) {
        size_t end = allowList.find_first_of(", \t;", pos);
        if (end == std::string_view::npos)
            end = allowList.size();
        std::string_view item = allowList.substr(pos, end - pos);
        pos = end + 1;
        if (item.empty())
            continue;
        uint32_t base = 0;
        uint32_t mask = 0;
        if (!parseRange(item, base, mask))
            return false; // a list we cannot read must not let anything through
        if ((address & mask) == base)
            matched = true;
    }
    return matched;
}

bool netAddressAllowed(uint32_t address, std::string_view what)
{
    const char* allow = std::getenv("KYVFLASH_NET_ALLOW");
    if (allow == nullptr || addressInRanges(address, allow))
        return true;
    std::fprintf(stderr, "KyvFlash: %.*s to %s refused: outside KYVFLASH_NET_ALLOW (%s)\n",
                 static_cast<int>(what.size()), what.data(), formatIpv4(address).c_str(), allow);
    return false;
}

} // namespace kyv
