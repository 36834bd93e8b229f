// Feeds arbitrary settings files to the settings store and to what reads it: the network
// time-outs, ports and broadcast address, and the port names of the Ports section. Then
// stores one value and reads it back: whatever the file held, a value written is the
// value read, and the store never loses it.

#include "core/profile_store.h"
#include "fuzz_input.h"
#include "transport/net/net_settings.h"
#include "transport/port_names.h"

namespace {

constexpr const char* kSections[] = {"Network", "Ports", "Brevant"};

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    const std::string path = kyv::fuzz::writeScratchFile("KyvFlash.ini", std::span(data, size));
    kyv::ProfileStore store(path);

    kyv::readNetSettings(store, 30000);
    for (const char* name : {"COM1", "COM3", "com50", "LPT1"})
        kyv::devicePathForPort(name, store);
    // Each look-up reads the file anew: the first entries of each section are enough.
    for (const char* section : kSections) {
        const auto entries = store.entries(section);
        for (size_t i = 0; i < entries.size() && i < 4; ++i)
            store.getInt(section, entries[i].first, -1);
    }

    if (!store.setText("Ports", "COM3", "/dev/ttyUSB0") || store.getText("Ports", "com3", "") != "/dev/ttyUSB0")
        __builtin_trap();
    if (!store.setInt("Network", "ReadTimeout", 1234) || store.getInt("Network", "ReadTimeout", -1) != 1234)
        __builtin_trap();
    return 0;
}
