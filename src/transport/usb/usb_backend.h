#pragma once
// The one way KyvFlash reaches USB devices: enumerate them, open one, move reports (HID) or
// raw bytes (printer class). Two implementations: the Linux one (hidraw, usblp, sysfs) and
// the simulated bus of a printer simulator (KYVFLASH_USB_BUS=unix:PATH).
//
// A device that has gone (unplugged, or re-enumerated after a mode switch) makes the failing
// operation report Gone, and every later operation on that handle fails at once with Gone.

#include "core/clock.h"

#include <cstddef>
#include <cstdint>
#include <memory>
#include <span>
#include <string>
#include <vector>

namespace kyv {

enum class UsbError {
    None,
    NoEntry, // no such path
    Gone,    // the device has left
    Busy,    // a printer-class device another handle holds
    Invalid, // a request the device cannot take (unknown handle, feature on a printer)
    Io,      // the device or the bus failed the request
};

const char* usbErrorName(UsbError error);
// The errno value of the same meaning (0 for None), for diagnostics.
int usbErrorNumber(UsbError error);

enum class UsbDeviceClass { Hid, Printer };

struct UsbDeviceInfo {
    std::string path; // what open() takes; never reused for another device
    UsbDeviceClass deviceClass = UsbDeviceClass::Hid;
    uint16_t vendorId = 0;
    uint16_t productId = 0;
    std::string manufacturer;
    std::string product;
    std::string serial;
    std::string port;                // physical location ("1-2"), kept across re-enumeration
    std::vector<uint8_t> descriptor; // HID report descriptor (HID only)
};

// One open device. Buffers of HID reports carry the report ID in byte 0 (0 without IDs).
class UsbHandle {
public:
    virtual ~UsbHandle() = default;

    // Vendor and product id; also the probe whether the device still answers.
    virtual UsbError info(uint16_t& vendorId, uint16_t& productId) = 0;
    // HID: one output report; printer class: raw bytes. written is the count taken.
    virtual UsbError write(std::span<const uint8_t> data, size_t& written) = 0;
    // HID feature report: report holds the ID in byte 0 and gets the answer, same length.
    virtual UsbError getFeature(std::span<uint8_t> report) = 0;
    virtual UsbError setFeature(std::span<const uint8_t> report) = 0;
    // HID: one input report (cut to buffer); printer class: up to buffer's size bytes.
    // got is 0 when nothing came within the time-out.
    virtual UsbError read(std::span<uint8_t> buffer, ProtocolMs timeout, size_t& got) = 0;
    // The device was found gone; every operation now fails with Gone.
    virtual bool gone() const = 0;
};

class UsbBackend {
public:
    virtual ~UsbBackend() = default;

    // Every present HID interface and printer-class device.
    virtual UsbError enumerate(std::vector<UsbDeviceInfo>& devices) = 0;
    virtual UsbError open(const std::string& path, std::unique_ptr<UsbHandle>& handle) = 0;
};

// The backend the environment selects: the simulated bus when KYVFLASH_USB_BUS is
// "unix:PATH", else the Linux devices. Built once per process.
UsbBackend& usbBackend();
// The same choice made from a given setting (null or empty: Linux). An unusable setting
// gives a backend on which every operation fails with Io.
std::unique_ptr<UsbBackend> makeUsbBackend(const char* busSetting);

} // namespace kyv
