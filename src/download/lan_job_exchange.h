#pragma once
// How the Ethernet downloads talk to a network printer: each message on a connection of
// its own (the raw port, or the status port by datagram), ended after the reply; and the
// line check both downloads start with.

#include "core/catalogue.h"
#include "core/result_code.h"
#include "transport/dcb_comm.h"
#include "transport/net/net_settings.h"

#include <cstdint>
#include <vector>

namespace kyv {

enum class LanSent { NotOpened, NoReply, Done };

class LanJobExchange {
public:
    using Bytes = std::vector<uint8_t>;
    static constexpr uint32_t kDefaultRead = 4000;

    LanJobExchange(CDCBComm& port, FlashJob& job) : port_(port), job_(job) {}

    // A message to the raw port; with expectsReply, an empty reply counts as none.
    LanSent exchange(const Bytes& bytes, Bytes& reply, uint32_t readDefault = kDefaultRead, bool expectsReply = true);
    LanSent send(const Bytes& bytes, uint32_t readDefault = kDefaultRead)
    {
        Bytes ignored;
        return exchange(bytes, ignored, readDefault, false);
    }
    // A status or recovery message where the status request goes now: the status port by
    // datagram until the printer has not answered there, then the raw port.
    LanSent statusExchange(const Bytes& bytes, Bytes& reply, bool expectsReply);
    void askStatusOnRawPort() { statusByDatagram_ = false; }

    // Up to three status requests: a printer that needs recovery gets the recovery command
    // and is asked again; one that does not answer is asked on the raw port (when asked by
    // datagram) or whether it runs its boot program. Success when the printer is in
    // normal mode or in its boot program (iplMode set); else 1004.
    ResultCode checkLineStatus(bool& iplMode);

    // The ports and time-outs of the settings store, read now.
    NetSettings settings();

private:
    LanSent open(uint16_t to, bool datagram, uint32_t readDefault, bool expectsReply);

    CDCBComm& port_;
    FlashJob& job_;
    bool statusByDatagram_ = true;
};

} // namespace kyv
