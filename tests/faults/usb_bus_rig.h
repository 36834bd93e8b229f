#pragma once
// The one simulated USB bus of the fault matrix program, and what every USB path's rig does
// with its printer there. The process finds its USB bus once, at its first look, so every
// USB printer of the program serves this one socket in turn.

#include "faults/fault_run.h"
#include "sim/lib/usb/usb_printer.h"

#include <gtest/gtest.h>

#include <memory>
#include <string>

namespace kyv::test {

const std::string& usbBusPath();
// KYVFLASH_USB_BUS names the bus, set before any test looks at USB (a serial job's port
// detection does too).
bool usbBusChosen();

// A printer of one model on one interface and port of the bus.
class UsbBusRig : public PathRig {
public:
    UsbBusRig(std::string model, sim::UsbInterface interface, std::string port)
        : model_(std::move(model)), interface_(interface), port_(std::move(port))
    {
    }

    void startPrinter(std::vector<sim::Fault> faults) override;
    void stopPrinter() override { printer_.reset(); }
    std::vector<sim::TranscriptEntry> transcript() const override;
    // The bus answers a new connection at once: nothing of the job holds it.
    bool opensAgain() override;
    // Powered on again where it left the bus, as the cut left it.
    void bringBack() override;

protected:
    sim::UsbPrinter& printer() const { return *printer_; }

private:
    std::string model_;
    sim::UsbInterface interface_;
    std::string port_;
    std::unique_ptr<sim::UsbPrinter> printer_;
};

// The matrix tests of a USB path, one per fault kind.
class UsbPathMatrix : public ::testing::TestWithParam<const char*> {
protected:
    void SetUp() override;
};

} // namespace kyv::test
