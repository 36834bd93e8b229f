#include "transport/net/net_settings.h"

#include "core/ipv4_text.h"
#include "core/profile_store.h"

namespace kyv {

namespace {

uint32_t timeoutMs(const ProfileStore& store, const char* section, const char* key, uint32_t def)
{
    int value = store.getInt(section, key, static_cast<int>(def));
    return value < 0 ? def : static_cast<uint32_t>(value);
}

uint16_t port(const ProfileStore& store, const char* key, uint16_t def)
{
    int value = store.getInt("Network", key, def);
    return value > 0 && value <= 65535 ? static_cast<uint16_t>(value) : def;
}

} // namespace

NetSettings readNetSettings(const ProfileStore& store, uint32_t readDefault)
{
    NetSettings s;
    s.connectMs = timeoutMs(store, "Network", "ConnectTimeout", s.connectMs);
    s.readMs = timeoutMs(store, "Network", "ReadTimeout", readDefault);
    s.writeMs = timeoutMs(store, "Network", "WriteTimeout", s.writeMs);
    s.searchConnectMs = timeoutMs(store, "Brevant", "LAN Connection Timeout", s.searchConnectMs);
    s.searchReadMs = timeoutMs(store, "Brevant", "BroadCast Timeout", s.searchReadMs);
    s.rawPort = port(store, "RawPort", s.rawPort);
    s.statusPort = port(store, "StatusPort", s.statusPort);
    s.searchPort = port(store, "SearchPort", s.searchPort);
    s.ftpPort = port(store, "FtpPort", s.ftpPort);
    s.broadcastAddress = parseIpv4(store.getText("Network", "BroadcastAddress", "255.255.255.255"))
                             .value_or(s.broadcastAddress);
    return s;
}

} // namespace kyv
