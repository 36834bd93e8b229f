#include "protocol/lan/lan_command_bytes.h"

namespace kyv::lan {

namespace {

bool namedAfterFirst(const std::string& name, const char* part)
{
    return name.size() > 1 && name.find(part, 1) != std::string::npos;
}

} // namespace

bool imageCrcApplies(const std::string& fileName)
{
    return namedAfterFirst(fileName, ".ipl") || namedAfterFirst(fileName, ".mfw");
}

uint32_t subnetBroadcast(uint32_t address, uint32_t mask)
{
    uint32_t broadcast = 0;
    if ((mask & 0x000000FFu) == 0)
        broadcast = address | 0x000000FFu;
    if ((mask & 0x0000FF00u) == 0)
        broadcast = address | 0x0000FFFFu;
    if ((mask & 0x00FF0000u) == 0)
        broadcast = address | 0x00FFFFFFu;
    if ((mask & 0xFF000000u) == 0)
        broadcast = 0xFFFFFFFFu;
    return broadcast != 0 ? broadcast : address | ~mask;
}

LanExchange imageCrc(const std::string& fileName)
{
    if (namedAfterFirst(fileName, ".ipl"))
        return {{0x1D, 0x07}, 10000ms, 3, 3};
    if (namedAfterFirst(fileName, ".mfw"))
        return {{0x1D, 0x0F}, 60000ms, 3, 3};
    return {{0x1D, 0x07}, 0ms, 3, 3};
}

} // namespace kyv::lan
