#include "protocol/lan/lan_subnet_search.h"

#include "core/clock.h"
#include "core/job_events.h"
#include "protocol/lan/lan_command_bytes.h"
#include "transport/dcb_comm.h"
#include "transport/net/lan_link.h"
#include "transport/net/net_socket.h"

#include <algorithm>
#include <array>
#include <cstdio>
#include <cstring>
#include <vector>

namespace kyv {
namespace {

using namespace std::chrono_literals;

constexpr ProtocolMs kBeforeAttempt = 2000ms;
// Fixed for the search, whatever the settings say.
constexpr NetTimeouts kSearchTimeouts{.readMs = 30000, .writeMs = 5000, .connectMs = 4000};
constexpr uint32_t kLimitedBroadcast = 0xFFFFFFFFu;
// Bytes of a reply looked at: F0 and the 17 characters of the MAC.
constexpr size_t kReplyBytes = 1 + lan::kMacTextLength;
// An attempt ends when the network has been silent for the read time-out. Printers that
// keep answering (or anything else that keeps sending to the search socket) would hold it
// for ever, so an attempt listens at most this long in all.
constexpr ProtocolMs kAttemptLimit = 120000ms;

enum class Attempt { Found, Silent, Failed };

template <typename... Args>
void logf(JobEvents* events, const char* format, Args... args)
{
    if (events == nullptr)
        return;
    char line[200];
    std::snprintf(line, sizeof line, format, args...);
    ProgressEvent event;
    event.logText = line;
    events->progress(event);
}

Attempt searchOnce(JobEvents* events, const std::string& mac, uint32_t broadcast, uint16_t toPort,
                   const std::vector<uint8_t>& request, uint32_t& found)
{
    if (!sleepFor(kBeforeAttempt))
        return Attempt::Failed;
    CNetSocket socket; // released on every way out
    if (!socket.OpenUdp(kSearchTimeouts, broadcast, toPort, 1) || !socket.isOpen())
        return Attempt::Failed;
    if (socket.SendTo(request.data(), request.size()) <= 0) {
        if (socket.Close() != 0)
            logf(events, "Close Socket LastError() = %x", socket.lastError());
        return Attempt::Failed;
    }
    const Deadline limit{kAttemptLimit};
    while (!limit.expired() && !stopRequested()) {
        std::array<uint8_t, kReplyBytes> reply{}; // a short datagram reads as zeros past its end
        const int got = socket.ReceiveFrom(reply.data(), reply.size());
        if (got <= 0)
            break;
        logf(events, "Receive Broadcast Packet -  %02x %02x %02x %02x %02x %02x %02x %02x %02x", reply[0], reply[1],
             reply[2], reply[3], reply[4], reply[5], reply[6], reply[7], reply[8]);
        const SubnetSearchReply kind =
            subnetSearchReplyKind(std::span(reply).first(std::min(reply.size(), static_cast<size_t>(got))), mac);
        if (kind == SubnetSearchReply::NotMacReply)
            continue;
        if (kind == SubnetSearchReply::OtherPrinter) {
            logf(events, "MAC Address NOT MATCH with IP Address.");
            continue;
        }
        logf(events, "DestIP = %x", socket.senderAddress());
        logf(events, "MAC Address MATCH with IP Address.");
        found = socket.senderAddress();
        return Attempt::Found;
    }
    return Attempt::Silent;
}

} // namespace

SubnetSearchReply subnetSearchReplyKind(std::span<const uint8_t> datagram, const std::string& mac)
{
    if (datagram.empty() || datagram[0] != lan::kMacReply)
        return SubnetSearchReply::NotMacReply;
    const bool match = datagram.size() == kReplyBytes && mac.size() == lan::kMacTextLength &&
                       std::memcmp(datagram.data() + 1, mac.data(), lan::kMacTextLength) == 0;
    return match ? SubnetSearchReply::Match : SubnetSearchReply::OtherPrinter;
}

int FindPrinterIpByMac(CDCBComm& port, JobEvents* events, const std::string& mac, uint32_t& address, uint32_t mask)
{
    const NetSettings settings = port.lan().settings();
    uint32_t broadcast = lan::subnetBroadcast(address, mask);
    // The limited broadcast goes where the settings send it (a test's loopback network).
    if (broadcast == kLimitedBroadcast)
        broadcast = settings.broadcastAddress;
    logf(events, "BroadCast IP = %x", broadcast);
    const struct {
        uint16_t port;
        std::vector<uint8_t> request;
    } attempts[] = {{settings.searchPort, lan::subnetMacSearch()}, {settings.statusPort, lan::subnetStatusSearch()}};
    for (const auto& attempt : attempts) {
        uint32_t found = 0;
        switch (searchOnce(events, mac, broadcast, attempt.port, attempt.request, found)) {
        case Attempt::Found: address = found; return 1;
        case Attempt::Failed: return 0;
        case Attempt::Silent: break;
        }
    }
    return 0;
}

} // namespace kyv
