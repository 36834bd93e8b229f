#include "sim/lib/lan/lan_options.h"

#include <cstdio>

namespace kyv::sim {

MacAddress startMac(const LanOptions& options)
{
    if (options.mac)
        return *options.mac;
    uint32_t a = options.address;
    return {0x00, 0x11, 0x62, static_cast<uint8_t>(a >> 16), static_cast<uint8_t>(a >> 8), static_cast<uint8_t>(a)};
}

std::string macText(const MacAddress& mac)
{
    char text[18];
    std::snprintf(text, sizeof text, "%02X:%02X:%02X:%02X:%02X:%02X", mac[0], mac[1], mac[2], mac[3], mac[4], mac[5]);
    return text;
}

std::string addressText(uint32_t address)
{
    return std::to_string(address >> 24) + "." + std::to_string((address >> 16) & 0xFF) + "." +
           std::to_string((address >> 8) & 0xFF) + "." + std::to_string(address & 0xFF);
}

std::string defaultFtpPassword(const std::string& model)
{
    if (model.starts_with("R451-2XX8"))
        return "48x5kvd";
    if (model.starts_with("R452"))
        return "4862kvd";
    return {};
}

void completeNetworkFace(LanOptions& options)
{
    NetworkFace& face = options.printer.network;
    face.on = true;
    face.macText = macText(startMac(options));
    face.maskText = addressText(options.mask);
    // The Ethernet interface answers the download-area commands with CR, the WiFi one with ACK.
    face.clearAreaReply = options.wifi ? 0x06 : 0x0D;
    if (!options.ftpPassword)
        options.ftpPassword = defaultFtpPassword(options.printer.model);
}

} // namespace kyv::sim
