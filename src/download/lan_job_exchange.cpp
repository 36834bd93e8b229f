#include "download/lan_job_exchange.h"

#include "download/download_pause.h"
#include "protocol/lan/lan_job_messages.h"
#include "transport/net/lan_link.h"

namespace kyv {
namespace {

constexpr int kStatusPasses = 3;

} // namespace

NetSettings LanJobExchange::settings() { return port_.lan().settings(); }

LanSent LanJobExchange::open(uint16_t to, bool datagram, uint32_t readDefault, bool expectsReply)
{
    return port_.OpenLanEx(job_.ipAddress, to, datagram ? 2 : 0, readDefault, expectsReply ? 1 : 0) ? LanSent::Done
                                                                                                     : LanSent::NotOpened;
}

LanSent LanJobExchange::exchange(const Bytes& bytes, Bytes& reply, uint32_t readDefault, bool expectsReply)
{
    reply.clear();
    if (open(settings().rawPort, false, readDefault, expectsReply) != LanSent::Done)
        return LanSent::NotOpened;
    if (!port_.TransactLan(kNetExchange, bytes.data(), bytes.size(), reply))
        return LanSent::NoReply;
    return expectsReply && reply.empty() ? LanSent::NoReply : LanSent::Done;
}

LanSent LanJobExchange::statusExchange(const Bytes& bytes, Bytes& reply, bool expectsReply)
{
    if (!statusByDatagram_)
        return exchange(bytes, reply, kDefaultRead, expectsReply);
    reply.clear();
    if (open(settings().statusPort, true, kDefaultRead, expectsReply) != LanSent::Done)
        return LanSent::NotOpened;
    if (!port_.TransactLan(kNetDatagramExchange, bytes.data(), bytes.size(), reply))
        return LanSent::NoReply;
    return expectsReply && reply.empty() ? LanSent::NoReply : LanSent::Done;
}

ResultCode LanJobExchange::checkLineStatus(bool& iplMode)
{
    iplMode = false;
    for (int pass = 0; pass < kStatusPasses; ++pass) {
        if (stopRequested())
            return kStoppedResult;
        Bytes reply;
        const bool byDatagram = statusByDatagram_;
        const LanSent sent = statusExchange(lan::kStatusRequest, reply, true);
        if (sent == LanSent::NotOpened)
            return rc::NoAcknowledge;
        // A datagram answer repeats the request's four-byte header before the status; an
        // answer too short to hold the status byte counts as none.
        const size_t at = byDatagram ? 4 : 0;
        if (sent == LanSent::Done && reply.size() > at) {
            if ((reply[at] & lan::kStatusNeedsRecovery) == 0)
                return rc::Success;
            Bytes ignored;
            if (statusExchange(lan::kRecovery, ignored, false) != LanSent::Done)
                return rc::NoAcknowledge;
        } else if (byDatagram) {
            statusByDatagram_ = false; // the printer may not serve the status port: ask on the raw port
        } else if (exchange(lan::kIplModeQuery, reply) == LanSent::Done) {
            iplMode = true;
            return rc::Success;
        } else {
            return rc::NoAcknowledge;
        }
    }
    return rc::NoAcknowledge;
}

} // namespace kyv
