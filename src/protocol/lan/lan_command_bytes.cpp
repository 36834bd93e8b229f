#include "protocol/lan/lan_command_bytes.h"

namespace kyv::lan {

namespace {

bool namedAfterFirst(const std::string& name, const char* part)
{
    return name.size() > 1 && name.find(part, 1) != std::string::npos;
}

} // namespace

LanExchange imageCrc(const std::string& fileName)
{
    if (namedAfterFirst(fileName, ".ipl"))
        return {{0x1D, 0x07}, 10000ms, 3, 3};
    if (namedAfterFirst(fileName, ".mfw"))
        return {{0x1D, 0x0F}, 60000ms, 3, 3};
    return {{0x1D, 0x07}, 0ms, 3, 3};
}

} // namespace kyv::lan
