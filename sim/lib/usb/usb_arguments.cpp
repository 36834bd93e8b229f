#include "sim/lib/usb/usb_arguments.h"

#include <charconv>
#include <set>

namespace kyv::sim {
namespace {

bool parseHex16(std::string_view text, uint16_t& value)
{
    unsigned number = 0;
    auto [end, failure] = std::from_chars(text.data(), text.data() + text.size(), number, 16);
    if (text.empty() || text.size() > 4 || failure != std::errc() || end != text.data() + text.size())
        return false;
    value = static_cast<uint16_t>(number);
    return true;
}

bool parseDecoy(const std::string& text, UsbDecoy& decoy)
{
    size_t colon = text.find(':');
    return colon != std::string::npos && parseHex16(std::string_view(text).substr(0, colon), decoy.vendorId) &&
           parseHex16(std::string_view(text).substr(colon + 1), decoy.productId);
}

// A port as sysfs names it: bus number, dash, hub ports joined by dots ("1-2", "3-1.4").
bool validPort(const std::string& port)
{
    size_t dash = port.find('-');
    if (dash == 0 || dash == std::string::npos || dash + 1 == port.size())
        return false;
    for (size_t i = 0; i < port.size(); ++i) {
        char c = port[i];
        if (i == dash)
            continue;
        bool digit = c >= '0' && c <= '9';
        if (i < dash ? !digit : !(digit || (c == '.' && port[i - 1] != '.' && port[i - 1] != '-' && i + 1 < port.size())))
            return false;
    }
    return true;
}

} // namespace

std::string usbUsage()
{
    return R"(
printer-sim usb --bus PATH [--model NAME] [--interface USB|IBMUSB|CPMI|NHPI|PRTR|HID]
                [--port LOCATION] [--decoy VID:PID] ... [--j5-firmware DDMMYY:VVVVV]
                [printer options]

Plays the printer on a simulated USB bus served at the Unix socket PATH; point KyvFlash at
it with KYVFLASH_USB_BUS=unix:PATH. Prints PATH on the first line of standard output once
it serves, then serves until SIGINT or SIGTERM. On the switch to download mode and on every
reset the printer leaves the bus and comes back with new device paths, on the same port,
under the product id of its new mode.

USB options:
  --bus PATH            the socket to serve (a stale socket there is replaced)
  --interface NAME      what the printer presents (default USB):
                          USB, NHPI  report device (vendor page FF8B), online product id;
                                     download mode: the IPL product id
                          PRTR       USB printer class device; download mode: IPL report device
                          CPMI       NHPI report device and PRTR printer class device
                          IBMUSB     IBM USB report device (page FF45), same id in both modes
                          HID        the J5 printers' HID interface
  --port LOCATION       the physical port, kept across re-enumeration (default 1-1)
  --decoy VID:PID       add a HID device of another vendor or product, in hexadecimal,
                        e.g. 046d:c31c (repeatable)
  --j5-firmware DDMMYY:VVVVV
                        HID only: the firmware the J5 reports in its version query, its
                        date stamp (day, month, year) and version, e.g. 311223:01.05; an
                        image older than it is refused (default: all zeros, none is older)
Printer options of "serial" that apply: --model --model-number --download-mode
  --restart-ms --reply-delay-ms --unerased-write --boot-version --main-version --boot-crc
  --main-crc --table-version --switches --usu-on --fiscal-state --not-ready --fault
  --transcript --flash-dump --expect --time-scale
  (--download-mode: a J5 starts under its download-mode product id and answers the mode
  query so, and is not waited for after its reset)
Faults of the J5 HID download: any kind on j5-identify, j5-version, j5-mode-query,
  j5-header, j5-image (the ACK after the last block), j5-crc, j5-refresh, j5-abort and
  j5-print-configuration, e.g. wrong-crc:j5-crc, nak:j5-image; and vanish:download-mode /
  vanish:restart (the switch or the reset 1D 80 takes effect, then the printer never comes
  back on the bus)

Example:
  printer-sim usb --bus /tmp/kyv/usb.sock --model R453 --interface CPMI --port 1-2 \
      --decoy 046d:c31c --time-scale 0.01
)";
}

ArgumentsOutcome parseUsbArguments(const std::vector<std::string>& args, UsbSimArguments& out, std::string& error)
{
    const std::set<std::string> ownOptions = {"--bus", "--interface", "--port", "--decoy", "--j5-firmware"};
    const std::set<std::string> lineOptions = {"--link", "--baud", "--parity", "--stop-bits", "--mismatch"};
    std::vector<std::string> printerArgs = {"serial"};
    UsbPrinterOptions& usb = out.usb;
    for (size_t i = 1; i < args.size(); ++i) {
        std::string name = args[i];
        std::string value;
        bool hasValue = false;
        if (size_t equals = name.find('='); name.rfind("--", 0) == 0 && equals != std::string::npos) {
            value = name.substr(equals + 1);
            name = name.substr(0, equals);
            hasValue = true;
        }
        if (lineOptions.count(name)) {
            error = name + " is an option of a serial line, not of a USB printer";
            return ArgumentsOutcome::Error;
        }
        if (!ownOptions.count(name)) {
            printerArgs.push_back(args[i]);
            continue;
        }
        if (!hasValue) {
            if (i + 1 >= args.size()) {
                error = name + " needs a value";
                return ArgumentsOutcome::Error;
            }
            value = args[++i];
        }
        if (name == "--bus") {
            usb.busPath = value;
        } else if (name == "--interface") {
            std::optional<UsbInterface> interface = usbInterfaceFromName(value);
            if (!interface) {
                error = "--interface is USB, IBMUSB, CPMI, NHPI, PRTR or HID";
                return ArgumentsOutcome::Error;
            }
            usb.interface = *interface;
        } else if (name == "--port") {
            if (!validPort(value)) {
                error = "--port takes a location such as 1-2 or 3-1.4";
                return ArgumentsOutcome::Error;
            }
            usb.port = value;
        } else if (name == "--j5-firmware") {
            std::string why;
            usb.j5Firmware = parseJ5Firmware(value, &why);
            if (!usb.j5Firmware) {
                error = "--j5-firmware " + why;
                return ArgumentsOutcome::Error;
            }
        } else {
            UsbDecoy decoy;
            if (!parseDecoy(value, decoy)) {
                error = "--decoy takes VID:PID in hexadecimal, such as 046d:c31c";
                return ArgumentsOutcome::Error;
            }
            usb.decoys.push_back(decoy);
        }
    }
    SimArguments printer;
    ArgumentsOutcome outcome = parseSimArguments(printerArgs, printer, error);
    if (outcome != ArgumentsOutcome::Run)
        return outcome;
    if (usb.j5Firmware && usb.interface != UsbInterface::Hid) {
        error = "--j5-firmware is the version a J5 reports on its HID interface: it needs --interface HID";
        return ArgumentsOutcome::Error;
    }
    if (usb.busPath.empty()) {
        error = "usb needs --bus PATH, the socket to serve the bus at";
        return ArgumentsOutcome::Error;
    }
    usb.printer = printer.printer;
    out.timeScale = printer.timeScale;
    return ArgumentsOutcome::Run;
}

} // namespace kyv::sim
