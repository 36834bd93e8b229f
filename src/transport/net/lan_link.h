#pragma once
// The network side of the port object: at most one socket to a network printer at a time,
// opened with the time-outs of the settings store, and the request/reply exchanges and the
// MAC search run on it. CDCBComm owns one and forwards its network members here.

#include "transport/net/net_settings.h"
#include "transport/net/net_socket.h"

#include <cstddef>
#include <cstdint>
#include <memory>
#include <span>
#include <vector>

namespace kyv {

class ProfileStore;

// Outcomes of the MAC search.
enum MacSearchResult : int {
    kMacFound = 0,
    kMacNoSocket = 1,
    kMacSendOrReceiveFailed = 2,
    kMacNoMatch = 3,
    kMacNoReply = 4,
};

// The MAC address in a printer's answer to the MAC search: 6 bytes from offset 4; empty for
// a datagram too short to carry one.
std::span<const uint8_t> macInSearchReply(std::span<const uint8_t> datagram);

class LanLink {
public:
    // store: where the time-outs and ports come from; the user's settings file when null.
    explicit LanLink(const ProfileStore* store = nullptr) : store_(store) {}
    void setProfileStore(const ProfileStore* store) { store_ = store; }

    // TCP to the printer's raw port; 1 when connected, else 0 and no socket is kept.
    int openLan(uint32_t address);
    // socketKind below 2: TCP, else UDP. readDefault: read time-out when the store has none.
    int openLanEx(uint32_t address, uint16_t port, int socketKind, uint32_t readDefault,
                  int expectsReply);
    // Sends the whole buffer in at most 21 sends; the total that went out.
    int writeLan(const uint8_t* buffer, size_t length);
    // Reads a reply of expected bytes (at most 1024) into reply; its count, 0 on failure.
    int readLan(size_t expected, int extraRounds, std::vector<uint8_t>& reply);
    // One exchange, then the connection ends (see the kinds in net_socket.h).
    int transactLan(int kind, const uint8_t* payload, size_t length, std::vector<uint8_t>& reply);
    // One exchange on a connection that stays open.
    int transactLanKeep(int kind, const uint8_t* payload, size_t length, std::vector<uint8_t>& reply);
    // 1 when the socket closed (or there was none); 0 keeps it.
    int closeLan();
    // Finds the printer whose MAC is mac (all zero: whoever answers first, learning its
    // MAC into mac); broadcast sends to the broadcast address instead of address.
    int findPrinterByMac(uint32_t address, uint8_t* mac, int broadcast);

    // The address the last MAC search found, host order.
    uint32_t foundAddress() const { return foundAddress_; }
    CNetSocket* socket() { return socket_.get(); }
    NetSettings settings(uint32_t readDefault = 30000) const;

private:
    void drop() { socket_.reset(); }

    const ProfileStore* store_;
    std::unique_ptr<CNetSocket> socket_;
    uint32_t foundAddress_ = 0;
};

} // namespace kyv
