#pragma once
// IPv4 addresses as the job stores them (first octet in the most significant byte) and as
// people write them (a.b.c.d).

#include <cstdint>
#include <optional>
#include <string>
#include <string_view>

namespace kyv {

// The address of the dialog's IP field before anyone types one: 192.168.1.1.
inline constexpr uint32_t kDefaultIpAddress = 0xC0A80101;

// a.b.c.d with exactly four non-empty decimal octets of at most 255 (leading zeros allowed);
// nullopt for anything else, including blanks and signs.
std::optional<uint32_t> parseIpv4(std::string_view text);

std::string formatIpv4(uint32_t address);

} // namespace kyv
