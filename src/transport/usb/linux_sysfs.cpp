#include "transport/usb/linux_sysfs.h"

#include <dirent.h>
#include <fcntl.h>
#include <unistd.h>

#include <algorithm>
#include <filesystem>

namespace kyv {
namespace {

namespace fs = std::filesystem;

// Links followed for one path before it is taken as a loop.
constexpr int kMaxLinks = 40;
// sysfs attributes we read are short; a report descriptor is at most 4096 bytes in sysfs.
constexpr size_t kMaxAttributeBytes = 64 * 1024;

fs::path resolve(const fs::path& path, int& links)
{
    fs::path out = "/";
    for (const fs::path& part : path.relative_path()) {
        if (part == ".")
            continue;
        if (part == "..") {
            out = out.parent_path();
            continue;
        }
        fs::path candidate = out / part;
        char target[4096];
        const ssize_t n = ::readlink(candidate.c_str(), target, sizeof target);
        if (n <= 0 || static_cast<size_t>(n) >= sizeof target || ++links > kMaxLinks) {
            out = candidate;
            continue;
        }
        const fs::path linked(std::string(target, static_cast<size_t>(n)));
        out = resolve(linked.is_absolute() ? linked : (out / linked).lexically_normal(), links);
    }
    return out;
}

bool readAttribute(const std::string& path, std::string& text)
{
    const int fd = ::open(path.c_str(), O_RDONLY | O_CLOEXEC);
    if (fd < 0)
        return false;
    text.clear();
    char chunk[4096];
    for (;;) {
        const ssize_t n = ::read(fd, chunk, sizeof chunk);
        if (n <= 0 || text.size() + static_cast<size_t>(n) > kMaxAttributeBytes)
            break;
        text.append(chunk, static_cast<size_t>(n));
    }
    ::close(fd);
    return true;
}

std::string attributeLine(const std::string& path)
{
    std::string text;
    if (!readAttribute(path, text))
        return {};
    text.erase(std::find(text.begin(), text.end(), '\n'), text.end());
    return text;
}

bool parseHex(const std::string& text, uint32_t& value)
{
    if (text.empty() || text.size() > 8)
        return false;
    value = 0;
    for (char c : text) {
        const int digit = (c >= '0' && c <= '9') ? c - '0' : (c >= 'a' && c <= 'f') ? c - 'a' + 10
                                                          : (c >= 'A' && c <= 'F') ? c - 'A' + 10 : -1;
        if (digit < 0)
            return false;
        value = value * 16 + static_cast<uint32_t>(digit);
    }
    return true;
}

// The USB device (the directory with idVendor) at or above dir, below sysRoot.
fs::path usbDeviceOf(fs::path dir, const fs::path& sysRoot)
{
    while (dir.has_relative_path() && dir != sysRoot && dir.string().size() > sysRoot.string().size()) {
        if (::access((dir / "idVendor").c_str(), F_OK) == 0)
            return dir;
        dir = dir.parent_path();
    }
    return {};
}

void fillFromUsbDevice(UsbDeviceInfo& info, const fs::path& usbDevice)
{
    info.manufacturer = attributeLine(usbDevice / "manufacturer");
    info.product = attributeLine(usbDevice / "product");
    info.serial = attributeLine(usbDevice / "serial");
    info.port = usbDevice.filename().string();
}

std::vector<std::string> entries(const std::string& dir)
{
    std::vector<std::string> names;
    DIR* d = ::opendir(dir.c_str());
    if (!d)
        return names;
    while (const dirent* e = ::readdir(d))
        if (e->d_name[0] != '.')
            names.emplace_back(e->d_name);
    ::closedir(d);
    std::sort(names.begin(), names.end());
    return names;
}

// HID_ID=0003:00000404:0000036B in the HID device's uevent.
bool hidIds(const std::string& uevent, uint16_t& vendor, uint16_t& product)
{
    const size_t at = uevent.find("HID_ID=");
    if (at == std::string::npos)
        return false;
    const std::string line = uevent.substr(at + 7, uevent.find('\n', at) - at - 7);
    const size_t first = line.find(':');
    const size_t second = line.find(':', first + 1);
    uint32_t v = 0;
    uint32_t p = 0;
    if (first == std::string::npos || second == std::string::npos ||
        !parseHex(line.substr(first + 1, second - first - 1), v) || !parseHex(line.substr(second + 1), p) ||
        v > 0xFFFF || p > 0xFFFF)
        return false;
    vendor = static_cast<uint16_t>(v);
    product = static_cast<uint16_t>(p);
    return true;
}

} // namespace

std::string resolveSysfsPath(const std::string& path)
{
    int links = 0;
    return resolve(fs::path(path).lexically_normal(), links).string();
}

std::vector<UsbDeviceInfo> listSysfsUsbDevices(const std::string& sysRoot, const std::string& devRoot)
{
    std::vector<UsbDeviceInfo> devices;
    const fs::path root = resolveSysfsPath(sysRoot);
    for (const std::string& name : entries(sysRoot + "/class/hidraw")) {
        // The HID device: the node's "device" link, or two levels above the node
        // (<hid device>/hidraw/hidrawN) where the tree has no such link.
        const std::string node = sysRoot + "/class/hidraw/" + name;
        const std::string hidDir = ::access((node + "/device").c_str(), F_OK) == 0
                                       ? resolveSysfsPath(node + "/device")
                                       : fs::path(resolveSysfsPath(node)).parent_path().parent_path().string();
        UsbDeviceInfo info;
        info.deviceClass = UsbDeviceClass::Hid;
        info.path = devRoot + "/" + name;
        std::string uevent;
        std::string descriptor;
        if (!readAttribute(hidDir + "/uevent", uevent) || !hidIds(uevent, info.vendorId, info.productId) ||
            !readAttribute(hidDir + "/report_descriptor", descriptor))
            continue;
        info.descriptor.assign(descriptor.begin(), descriptor.end());
        const fs::path usb = usbDeviceOf(hidDir, root);
        if (!usb.empty())
            fillFromUsbDevice(info, usb);
        devices.push_back(std::move(info));
    }
    for (const std::string& name : entries(sysRoot + "/class/usbmisc")) {
        if (name.rfind("lp", 0) != 0)
            continue;
        const fs::path usb = usbDeviceOf(resolveSysfsPath(sysRoot + "/class/usbmisc/" + name), root);
        uint32_t vendor = 0;
        uint32_t product = 0;
        if (usb.empty() || !parseHex(attributeLine(usb / "idVendor"), vendor) ||
            !parseHex(attributeLine(usb / "idProduct"), product) || vendor > 0xFFFF || product > 0xFFFF)
            continue;
        UsbDeviceInfo info;
        info.deviceClass = UsbDeviceClass::Printer;
        info.path = devRoot + "/usb/" + name;
        info.vendorId = static_cast<uint16_t>(vendor);
        info.productId = static_cast<uint16_t>(product);
        fillFromUsbDevice(info, usb);
        devices.push_back(std::move(info));
    }
    return devices;
}

} // namespace kyv
