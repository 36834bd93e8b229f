#include "transport/usb/printer_class_path.h"

#include <algorithm>
#include <cstdio>

namespace kyv {
namespace {

constexpr size_t kPieceBytes = 4096;
constexpr size_t kReadBytes = 1023;

} // namespace

std::string printerClassPidChars(const std::string& pathText)
{
    const size_t p = pathText.find("pid");
    if (p == std::string::npos || p + 5 >= pathText.size())
        return {};
    return pathText.substr(p + 5, 3);
}

std::string findPrinterClassPath(UsbBackend& backend, const std::string& filter, int& examined)
{
    examined = 0;
    std::vector<UsbDeviceInfo> devices;
    backend.enumerate(devices);
    for (const UsbDeviceInfo& info : devices) {
        if (info.deviceClass != UsbDeviceClass::Printer)
            continue;
        ++examined;
        char text[16];
        std::snprintf(text, sizeof text, "pid_%04x", info.productId);
        const std::string chars = printerClassPidChars(text);
        if (!chars.empty() && filter.find(chars) != std::string::npos)
            return info.path;
    }
    return {};
}

int writeDeviceInPieces(UsbHandle& device, std::span<const uint8_t> data)
{
    size_t done = 0;
    for (;;) {
        const size_t piece = std::min(kPieceBytes, data.size() - done);
        if (piece == 0)
            return 1; // the data ended with a whole piece, which was written
        size_t written = 0;
        if (device.write(data.subspan(done, piece), written) != UsbError::None)
            return 0;
        done += written;
        if (written < kPieceBytes)
            return 1;
    }
}

int readDeviceOnce(UsbHandle& device, ProtocolMs timeout, std::span<uint8_t> buffer, size_t count)
{
    uint8_t reply[kReadBytes] = {};
    size_t got = 0;
    if (device.read(reply, timeout, got) != UsbError::None || got == 0)
        return 0;
    std::copy_n(reply, std::min({count, buffer.size(), kReadBytes}), buffer.begin());
    return 1;
}

} // namespace kyv
