#pragma once
// IPv4 sockets of the simulated network printer, bound to one of its addresses.

#include "core/unique_fd.h"

#include <netinet/in.h>

#include <cstdint>
#include <string>

namespace kyv::sim {

sockaddr_in inetAddress(uint32_t address, uint16_t port);
// A non-blocking socket bound to address:port (port 0: any free one). reuse: others may
// bind the same address and port too (broadcast receivers of several printers). Invalid,
// with why filled, when it cannot be made.
UniqueFd bindInet(int type, uint32_t address, uint16_t port, bool reuse, std::string& why);
uint16_t localPort(int fd);

} // namespace kyv::sim
