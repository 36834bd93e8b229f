#pragma once
// A simulated printer on the simulated USB bus: a server of the bus at a Unix socket that
// presents the printer's USB devices (the report device, IBM USB, the printer class, the J5
// HID interface) and any decoy devices, carries the printer's bytes in and out of their
// reports, and on every restart of the printer (the switch to download mode, a reset) takes
// its devices off the bus and brings them back, under new paths and the product ids of the
// new mode, on the same port.
//
//   kyv::sim::UsbPrinterOptions options;       // R241 report device on port 1-1
//   options.busPath = "/tmp/kyv/usb.sock";
//   kyv::sim::UsbPrinter printer(options);
//   ASSERT_TRUE(printer.start());              // KYVFLASH_USB_BUS=unix:/tmp/kyv/usb.sock

#include "sim/lib/printer_options.h"
#include "sim/lib/printer_state.h"
#include "sim/lib/transcript.h"
#include "sim/lib/usb/j5_commands.h"
#include "sim/lib/usb/usb_identity.h"

#include <memory>
#include <optional>
#include <string>
#include <vector>

namespace kyv::sim {

class PrinterSession;

struct UsbDecoy {
    uint16_t vendorId = 0;
    uint16_t productId = 0;
};

struct UsbPrinterOptions {
    PrinterOptions printer;
    std::string busPath;
    UsbInterface interface = UsbInterface::Usb;
    std::string port = "1-1";
    std::vector<UsbDecoy> decoys;
    // The firmware a J5 printer reports on its HID interface; unset: all zeros.
    std::optional<J5Firmware> j5Firmware;
};

class UsbPrinter {
public:
    explicit UsbPrinter(UsbPrinterOptions options);
    ~UsbPrinter(); // stops
    UsbPrinter(const UsbPrinter&) = delete;
    UsbPrinter& operator=(const UsbPrinter&) = delete;

    // Serves the bus. False with errorText() when the model has no such interface or the
    // socket cannot be served.
    bool start();
    // Stops serving, removes the socket, writes the transcript and flash dump named in the
    // options. Safe to call twice; false when a file could not be written.
    bool stop();
    const std::string& errorText() const;

    PrinterState state() const;
    // Transcript of the printer's bytes and events, from entry number `from` on.
    std::vector<TranscriptEntry> transcript(size_t from = 0) const;
    // Bytes of sector number `sector` (numbered from 1 in flash order); empty when none.
    Bytes sectorBytes(int sector) const;
    // True when the file lies in flash from the start of that sector on (else why says where not).
    bool sectorsHoldFile(const std::string& path, int firstSector, std::string* why) const;
    std::string modelNumber() const;
    // The printer's session: transcript, flash and model, safe from any thread.
    PrinterSession& session();
    // After the printer left the bus for good (its line dropped or it vanished) and stop():
    // it is powered on again with its mode and flash as they were and no faults, and comes
    // back on the bus at the next start().
    void plugBackIn();

private:
    struct Impl;
    std::unique_ptr<Impl> impl_;
};

} // namespace kyv::sim
