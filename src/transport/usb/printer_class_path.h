#pragma once
// Finding the printer-class device of a printer by product id. The printers' original
// platform matched three characters of the product id as written in the device path
// ("...pid_0305..." gives "305"); here that text is made from the device's product id, so
// the same three-character match applies.

#include "transport/usb/usb_backend.h"

#include <span>
#include <string>

namespace kyv {

// The three product-id characters of a device-path text: the three that start five
// characters after the first "pid" (empty when there is none or the text ends first).
std::string printerClassPidChars(const std::string& pathText);

// The path of the first printer-class device whose three product-id characters occur in
// filter; empty when none. examined counts the devices looked at.
std::string findPrinterClassPath(UsbBackend& backend, const std::string& filter, int& examined);

// Plain device I/O on an open printer-class handle: writes in pieces of at most 4096 bytes
// until a piece shorter than that has gone (the result is that of the last write), and
// reads once up to 1023 bytes into a zeroed buffer, of which count are copied (1 when
// anything came).
int writeDeviceInPieces(UsbHandle& device, std::span<const uint8_t> data);
int readDeviceOnce(UsbHandle& device, ProtocolMs timeout, std::span<uint8_t> buffer, size_t count);

} // namespace kyv
