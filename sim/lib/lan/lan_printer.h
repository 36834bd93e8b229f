#pragma once
// A simulated printer on the network: the printer session heard on a raw TCP port, a UDP
// status port and a UDP search port at its address (and at the broadcast addresses of its
// subnet), with an FTP server whose folder is its download area. It serves on its own
// thread until stop(). During a restart it is off the network; after its first restart it
// may come back at another address or with another MAC.
//
//   kyv::sim::LanOptions options;                 // .address, .printer.model, ports 0 ...
//   kyv::sim::completeNetworkFace(options);
//   kyv::sim::LanPrinter printer(options);
//   ASSERT_TRUE(printer.start());
//   printer.ports().raw; printer.session().state(); printer.session().sectorsHoldFile(...)

#include "sim/lib/lan/lan_options.h"
#include "sim/lib/session/printer_session.h"

#include <cstdint>
#include <memory>
#include <string>

namespace kyv::sim {

struct LanPorts {
    uint16_t raw = 0;
    uint16_t status = 0;
    uint16_t search = 0;
    uint16_t ftp = 0;
};

class LanPrinter {
public:
    explicit LanPrinter(LanOptions options);
    ~LanPrinter(); // stops
    LanPrinter(const LanPrinter&) = delete;
    LanPrinter& operator=(const LanPrinter&) = delete;

    // Binds its sockets, starts its FTP server and serving. False with errorText().
    bool start();
    // Stops serving and the FTP server, removes the download area, writes the transcript
    // and flash dump named in the options. Safe to call twice.
    bool stop();
    const std::string& errorText() const;

    // Where it is now, host order.
    uint32_t address() const;
    // The ports it serves on (free ports chosen at start filled in); valid after start().
    LanPorts ports() const;
    // "127.0.0.5 raw 9100 status 3000 search 3001 ftp 2121"
    std::string serviceLine() const;

    PrinterSession& session();

private:
    struct Impl;
    std::unique_ptr<Impl> impl_;
};

} // namespace kyv::sim
