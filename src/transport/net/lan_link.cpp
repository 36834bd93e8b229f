#include "transport/net/lan_link.h"

#include "core/clock.h"
#include "core/ipv4_text.h"
#include "core/profile_store.h"

#include <algorithm>
#include <array>
#include <cerrno>
#include <cstring>

namespace kyv {

using namespace std::chrono_literals;

namespace {

constexpr int kWriteAttempts = 21;
constexpr std::array<uint8_t, 7> kMacSearchRequest{0x10, 0x00, 0x00, 0x00, 0x1D, 0x04, 0x23};
constexpr size_t kMacOffset = 4;
constexpr size_t kMacLength = 6;
// Silence after the last reply that ends the search for the wanted MAC.
constexpr ProtocolMs kMacSearchSilence = 6000ms;
// Replies looked at before giving up: more printers than any subnet holds, so a flood of
// answers cannot keep the search going for ever.
constexpr int kMacSearchReplies = 4096;

bool replyHasMac(const std::vector<uint8_t>& reply, const uint8_t* mac)
{
    const std::span<const uint8_t> found = macInSearchReply(reply);
    return !found.empty() && std::memcmp(found.data(), mac, kMacLength) == 0;
}

} // namespace

std::span<const uint8_t> macInSearchReply(std::span<const uint8_t> datagram)
{
    if (datagram.size() < kMacOffset + kMacLength)
        return {};
    return datagram.subspan(kMacOffset, kMacLength);
}

NetSettings LanLink::settings(uint32_t readDefault) const
{
    if (store_ != nullptr)
        return readNetSettings(*store_, readDefault);
    return readNetSettings(ProfileStore::forUser(), readDefault);
}

int LanLink::openLan(uint32_t address)
{
    NetSettings s = settings(30000);
    socket_ = std::make_unique<CNetSocket>();
    if (socket_->ConnectTcp(s.timeouts(), address, s.rawPort, 0) && socket_->connected())
        return 1;
    drop();
    return 0;
}

int LanLink::openLanEx(uint32_t address, uint16_t port, int socketKind, uint32_t readDefault,
                       int expectsReply)
{
    NetSettings s = settings(readDefault);
    socket_ = std::make_unique<CNetSocket>();
    int opened = socketKind < 2 ? socket_->ConnectTcp(s.timeouts(), address, port, expectsReply)
                                : socket_->OpenUdp(s.timeouts(), address, port, expectsReply);
    if (opened && socket_->isOpen() && socket_->connected())
        return 1;
    drop();
    return 0;
}

int LanLink::writeLan(const uint8_t* buffer, size_t length)
{
    if (!socket_)
        return 0;
    size_t total = 0;
    for (int attempt = 0; attempt < kWriteAttempts && total < length; ++attempt)
        total += static_cast<size_t>(std::max(socket_->Send(buffer + total, length - total), 0));
    return static_cast<int>(total);
}

int LanLink::readLan(size_t expected, int extraRounds, std::vector<uint8_t>& reply)
{
    reply.clear();
    if (!socket_ || expected > CNetSocket::kReplyBufferSize)
        return 0;
    reply.assign(CNetSocket::kReplyBufferSize, 0);
    int got = socket_->Receive(reply.data(), reply.size(), expected, extraRounds);
    // The buffer keeps its full size so a short reply reads as zeros past its end.
    return got;
}

int LanLink::transactLan(int kind, const uint8_t* payload, size_t length, std::vector<uint8_t>& reply)
{
    reply.clear();
    if (!socket_)
        return 0;
    std::vector<uint8_t> got;
    if (socket_->Exchange(kind, payload, length, got)) {
        socket_->Close();
        drop();
        reply = std::move(got);
        return 1;
    }
    switch (kind) {
    case kNetExchangeReplyOptional:
        socket_->Close();
        drop();
        return 1; // the printer need not answer
    case kNetSendOnly:
        return 0; // the connection stays for another try
    case kNetDatagramExchange:
        drop();
        return 0;
    default:
        socket_->Close();
        drop();
        return 0;
    }
}

int LanLink::transactLanKeep(int kind, const uint8_t* payload, size_t length,
                             std::vector<uint8_t>& reply)
{
    reply.clear();
    if (!socket_)
        return 0;
    std::vector<uint8_t> got;
    if (socket_->Exchange(kind, payload, length, got)) {
        reply = std::move(got);
        return 1;
    }
    return kind == kNetExchangeReplyOptional ? 1 : 0;
}

int LanLink::closeLan()
{
    if (!socket_)
        return 0;
    if (socket_->Close() != 0)
        return 0;
    drop();
    return 1;
}

int LanLink::findPrinterByMac(uint32_t address, uint8_t* mac, int broadcast)
{
    foundAddress_ = 0;
    NetSettings s = settings();
    NetTimeouts timeouts{s.searchReadMs, s.writeMs, s.searchConnectMs};
    uint32_t target = broadcast ? s.broadcastAddress : address;
    socket_ = std::make_unique<CNetSocket>();
    if (!socket_->OpenUdp(timeouts, target, s.searchPort, 1) || !socket_->isOpen()) {
        drop();
        return kMacNoSocket;
    }
    if (socket_->SendTo(kMacSearchRequest.data(), kMacSearchRequest.size()) <= 0) {
        drop();
        return kMacSendOrReceiveFailed;
    }
    sleepFor(100ms);
    std::vector<uint8_t> reply(CNetSocket::kReplyBufferSize);
    int got = socket_->ReceiveFrom(reply.data(), reply.size());
    if (got <= 0) {
        bool timedOut = socket_->lastError() == ETIMEDOUT;
        drop();
        return timedOut ? kMacNoReply : kMacSendOrReceiveFailed;
    }
    reply.resize(static_cast<size_t>(got));
    const uint8_t zero[kMacLength]{};
    int result = kMacFound;
    if (std::memcmp(mac, zero, kMacLength) == 0 && !macInSearchReply(reply).empty()) {
        std::memcpy(mac, macInSearchReply(reply).data(), kMacLength);
        foundAddress_ = address;
    } else {
        uint32_t firstSender = socket_->senderAddress();
        foundAddress_ = firstSender;
        bool learn = std::memcmp(mac, zero, kMacLength) == 0; // first reply was too short
        int looked = 1;
        while (!replyHasMac(reply, mac)) {
            if (looked >= kMacSearchReplies || !socket_->waitReadable(kMacSearchSilence.count())) {
                result = kMacNoMatch;
                foundAddress_ = firstSender;
                break;
            }
            sleepFor(100ms);
            reply.assign(CNetSocket::kReplyBufferSize, 0);
            got = socket_->ReceiveFrom(reply.data(), reply.size());
            ++looked;
            if (got <= 0) {
                result = kMacSendOrReceiveFailed;
                reply.clear();
                continue;
            }
            reply.resize(static_cast<size_t>(got));
            if (learn && !macInSearchReply(reply).empty()) {
                std::memcpy(mac, macInSearchReply(reply).data(), kMacLength);
                foundAddress_ = address;
                break;
            }
            if (replyHasMac(reply, mac))
                foundAddress_ = parseIpv4(socket_->senderText()).value_or(socket_->senderAddress());
        }
    }
    socket_->Close();
    drop();
    return result;
}

} // namespace kyv
