#pragma once
// Keeps network traffic on the machine when asked to: with KYVFLASH_NET_ALLOW set to a list
// of IPv4 ranges ("127.0.0.0/8", several separated by commas or blanks), every connect,
// datagram and FTP upload to an address outside them is refused before anything leaves,
// as if the printer were unreachable, and the refused address is logged on stderr. Unset,
// every address is allowed. A list that cannot be read allows nothing.

#include <cstdint>
#include <string_view>

namespace kyv {

// True when address (host order) lies in one of the ranges of allowList.
bool addressInRanges(uint32_t address, std::string_view allowList);

// Checks address (host order) against KYVFLASH_NET_ALLOW, read anew at every call; logs a
// refusal naming what (e.g. "connect").
bool netAddressAllowed(uint32_t address, std::string_view what);

} // namespace kyv
