#pragma once
// Finding a network printer that restarted under another address: every printer of the
// subnet is asked by broadcast for its MAC address, and the one whose MAC matches is taken.

#include <cstddef>
#include <cstdint>
#include <span>
#include <string>

namespace kyv {

class CDCBComm;
class JobEvents;

// Two attempts, the MAC query to the search port and then the status request to the
// status port (ports of the settings store), each after a 2000 ms wait and listening until
// the network has been silent for 30000 ms. mac: the 17 characters the printer gave
// before it restarted; mask: its subnet mask (first number in the most significant byte).
// 1 with address (host order) replaced by the matching printer's, else 0 and address kept.
// Every step is logged to events (may be null).
// What one datagram that answers the search is: not a MAC reply (F0 and the 17 characters
// of a MAC), the MAC of another printer, or the MAC looked for. datagram holds what came
// (a search reads at most the 18 bytes of a MAC reply).
enum class SubnetSearchReply { NotMacReply, OtherPrinter, Match };
SubnetSearchReply subnetSearchReplyKind(std::span<const uint8_t> datagram, const std::string& mac);

int FindPrinterIpByMac(CDCBComm& port, JobEvents* events, const std::string& mac, uint32_t& address,
                       uint32_t mask);

} // namespace kyv
