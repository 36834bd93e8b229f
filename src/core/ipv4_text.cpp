#include "core/ipv4_text.h"

namespace kyv {

std::optional<uint32_t> parseIpv4(std::string_view text)
{
    uint32_t address = 0;
    int dots = 0;
    int digits = 0;
    uint32_t octet = 0;
    for (char c : text) {
        if (c >= '0' && c <= '9') {
            octet = octet * 10 + static_cast<uint32_t>(c - '0');
            if (octet > 255)
                return std::nullopt;
            ++digits;
        } else if (c == '.' && digits != 0 && dots < 3) {
            address = (address << 8) | octet;
            ++dots;
            digits = 0;
            octet = 0;
        } else {
            return std::nullopt;
        }
    }
    if (dots != 3 || digits == 0)
        return std::nullopt;
    return (address << 8) | octet;
}

std::string formatIpv4(uint32_t address)
{
    return std::to_string(address >> 24) + "." + std::to_string((address >> 16) & 0xFF) + "." +
           std::to_string((address >> 8) & 0xFF) + "." + std::to_string(address & 0xFF);
}

} // namespace kyv
