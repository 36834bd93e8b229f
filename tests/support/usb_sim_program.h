#pragma once
// One printer-sim usb started by a test: the real program serving the simulated USB bus on
// a socket in a scratch directory, reached through KyvFlash's own bus backend, stopped
// with SIGTERM.

#include "core/clock.h"
#include "support/scratch_dir.h"
#include "support/test_program.h"
#include "transport/usb/usb_backend.h"

#include <csignal>
#include <memory>
#include <string>
#include <vector>

namespace kyv::test {

inline std::string printerSimPath() { return std::string(KYV_BINARY_DIR) + "/sim/printer-sim"; }

// One printer-sim usb, started on a bus in a scratch directory and stopped with SIGTERM.
struct UsbSimProgram {
    explicit UsbSimProgram(std::vector<std::string> args)
    {
        args.insert(args.begin(), {"usb", "--bus", bus, "--restart-ms", "300", "--time-scale", "0.01"});
        program = std::make_unique<TestProgram>(printerSimPath(), ProgramOptions{.args = args, .startDir = dir.path()});
        firstLine = program->waitForOutput("\n", std::chrono::seconds(20));
        backend = makeUsbBackend(("unix:" + bus).c_str());
    }
    ProgramResult terminate()
    {
        ::kill(program->pid(), SIGTERM);
        return program->finish(std::chrono::seconds(20));
    }
    // The devices present once one of that product id is listed (none after 10 s).
    std::vector<UsbDeviceInfo> waitFor(uint16_t productId)
    {
        for (int i = 0; i < 500; ++i) {
            std::vector<UsbDeviceInfo> devices;
            backend->enumerate(devices);
            for (const UsbDeviceInfo& d : devices)
                if (d.productId == productId)
                    return devices;
            sleepFor(ProtocolMs{20});
        }
        return {};
    }

    ScratchDir dir;
    std::string bus = (dir.path() / "usb.sock").string();
    std::unique_ptr<TestProgram> program;
    std::string firstLine;
    std::unique_ptr<UsbBackend> backend;
};

} // namespace kyv::test
