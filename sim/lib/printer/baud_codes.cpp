#include "sim/lib/printer/baud_codes.h"

#include <array>

namespace kyv::sim {
namespace {
constexpr std::array<int, 8> kBauds{115200, 57600, 38400, 19200, 9600, 4800, 2400, 1200};
}

std::optional<int> baudOfCode(uint8_t code)
{
    if (code >= kBauds.size())
        return std::nullopt;
    return kBauds[code];
}

std::optional<uint8_t> codeOfBaud(int baud)
{
    for (size_t code = 0; code < kBauds.size(); ++code)
        if (kBauds[code] == baud)
            return static_cast<uint8_t>(code);
    return std::nullopt;
}

} // namespace kyv::sim
