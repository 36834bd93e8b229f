#include "transport/edgeport_ports.h"

#include "core/profile_store.h"
#include "transport/port_names.h"

#include <algorithm>
#include <cctype>
#include <filesystem>
#include <system_error>

namespace kyv {
namespace fs = std::filesystem;
namespace {

constexpr size_t kMaxAdapterPorts = 50;

std::string linkName(const fs::path& link)
{
    std::error_code error;
    fs::path target = fs::read_symlink(link, error);
    return error ? std::string() : target.filename().string();
}

// io_edgeport registers its ports as edgeport_2/4/8 and epic, io_ti as edgeport_ti_1/2;
// the module link names the driver module whatever the port type.
bool isEdgeportDriver(const fs::path& ttyEntry)
{
    fs::path driver = ttyEntry / "device" / "driver";
    std::string module = linkName(driver / "module");
    if (module == "io_edgeport" || module == "io_ti")
        return true;
    std::string name = linkName(driver);
    return name.rfind("edgeport", 0) == 0 || name == "epic";
}

// Trailing number of a tty name ("ttyUSB12" -> 12) for a natural order.
long ttyNumber(const std::string& name)
{
    size_t i = name.size();
    while (i > 0 && std::isdigit(static_cast<unsigned char>(name[i - 1])))
        --i;
    return i < name.size() ? std::stol(name.substr(i)) : -1;
}

bool sameDevice(const std::string& configured, const std::string& devicePath)
{
    if (configured == devicePath)
        return true;
    std::error_code a, b;
    fs::path left = fs::canonical(configured, a);
    fs::path right = fs::canonical(devicePath, b);
    return !a && !b && left == right;
}

std::string comNameFor(const std::string& devicePath, const ProfileStore& store)
{
    for (const auto& [key, value] : store.entries(kPortsSection))
        if (comPortNumber(key) != 0 && sameDevice(value, devicePath)) {
            std::string name = key;
            for (char& c : name)
                c = static_cast<char>(std::toupper(static_cast<unsigned char>(c)));
            return name;
        }
    return devicePath;
}

} // namespace

std::vector<EdgeportPort> findEdgeportAdapterPorts(const std::string& sysfsRoot,
                                                   const ProfileStore& store)
{
    std::vector<std::string> ttys;
    std::error_code error;
    for (fs::directory_iterator it(fs::path(sysfsRoot) / "class" / "tty", error), end;
         !error && it != end; it.increment(error)) {
        std::string name = it->path().filename().string();
        if (isEdgeportDriver(it->path()))
            ttys.push_back(name);
    }
    std::sort(ttys.begin(), ttys.end(), [](const std::string& a, const std::string& b) {
        long na = ttyNumber(a), nb = ttyNumber(b);
        return na != nb ? na < nb : a < b;
    });
    if (ttys.size() > kMaxAdapterPorts)
        ttys.resize(kMaxAdapterPorts);

    std::vector<EdgeportPort> ports;
    for (const auto& tty : ttys) {
        std::string devicePath = "/dev/" + tty;
        ports.push_back({comNameFor(devicePath, store), devicePath});
    }
    return ports;
}

} // namespace kyv
