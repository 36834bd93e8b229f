#include "sim/lib/lan/lan_arguments.h"

#include <arpa/inet.h>

#include <charconv>
#include <set>

namespace kyv::sim {
namespace {

std::optional<uint32_t> parseAddress(const std::string& text)
{
    in_addr address{};
    if (::inet_pton(AF_INET, text.c_str(), &address) != 1)
        return std::nullopt;
    return ntohl(address.s_addr);
}

std::optional<MacAddress> parseMac(const std::string& text)
{
    MacAddress mac{};
    if (text.size() != 17)
        return std::nullopt;
    for (size_t i = 0; i < 6; ++i) {
        if (i > 0 && text[i * 3 - 1] != ':' && text[i * 3 - 1] != '-')
            return std::nullopt;
        const char* begin = text.data() + i * 3;
        auto [end, error] = std::from_chars(begin, begin + 2, mac[i], 16);
        if (error != std::errc() || end != begin + 2)
            return std::nullopt;
    }
    return mac;
}

std::optional<uint16_t> parsePort(const std::string& text)
{
    unsigned value = 0;
    auto [end, error] = std::from_chars(text.data(), text.data() + text.size(), value);
    if (text.empty() || error != std::errc() || end != text.data() + text.size() || value > 65535)
        return std::nullopt;
    return static_cast<uint16_t>(value);
}

// Options of serial that a network printer has no use for.
const std::set<std::string> kSerialOnly = {"--link", "--baud", "--stop-bits", "--parity", "--mismatch"};

} // namespace

std::string lanUsage()
{
    return R"(Usage: printer-sim lan --address A --model NAME [options]

Plays a point-of-sale printer on the network, the way it answers a flash tool: raw TCP on
its raw port, UDP status requests and MAC searches, and an FTP server (pyftpdlib, run with
/usr/bin/python3) whose folder is the printer's download area. Once it serves it prints
one line, "ADDRESS raw N status N search N ftp N", then serves until SIGINT or SIGTERM.

Network options:
  --address A           its IPv4 address (on loopback: a 127.x address)
  --moved-address B     after its first restart (reset, switch to download mode) it
                        comes back at B
  --model NAME          catalogue model to play (see printer-sim --list-models)
  --interface LAN|WIFI  the interface it plays (default LAN: the download-area commands
                        1D 40 31 and 1D 40 32 answer 0D; WIFI answers 06)
  --mac MAC             its MAC address, 00:11:62:00:00:05 (default 00:11:62 and the low
                        three bytes of the address)
  --mac-after-restart MAC  it comes back from its first restart with this MAC
  --mask MASK           its subnet mask (default 255.255.255.0); it hears broadcasts to
                        the subnet's broadcast address and to 255.255.255.255
  --raw-port N          raw TCP port (default 9100; 0: any free port)
  --status-port N       UDP status port (default 3000; 0: any free port)
  --search-port N       UDP MAC search port (default 3001; 0: any free port)
  --ftp-port N          FTP port (default 21; 0: any free port)
  --ftp-user U          FTP user (default anonymous)
  --no-ftp              no FTP server (a printer on WIFI takes its image on the raw port);
                        its service line shows ftp 0
  --ftp-password P      FTP password (default by model: 48x5kvd for R451-2XX8/3XX8/4XX8/6XX8,
                        4862kvd for R452, otherwise any password)
  --decoy-mac MAC       a second printer with this MAC answers every broadcast search
                        before this one
  --decoy-address A     where the second printer answers from (default: the address with
                        its lowest bit flipped)

Network faults (--fault, repeatable, besides the printer faults below):
  tcp-refused           nothing listens on the raw port
  tcp-silent            the raw port takes connections and never reads them
  udp-silent            datagrams are heard and never answered
  status-silent         only the status port never answers
  ftp-refused           the FTP server refuses every login

Printer options, as for printer-sim serial: --model-number, --download-mode,
--restart-ms, --reply-delay-ms, --unerased-write, --boot-version, --main-version,
--boot-crc, --main-crc, --table-version, --switches, --usu-on, --fiscal-state,
--not-ready, --fault KIND:COMMAND[:OCCURRENCE[:MS]], --transcript FILE, --flash-dump FILE,
--expect FILE:SECTOR, --time-scale F. Besides the commands of printer-sim serial, the fault
commands include mac-query (1D 49 40 F0), mask-query (1D 49 40 F2), lan-ipl-crc (1D 08)
and print-form (1F 74).

What it answers: the status request 10 04 01 (on TCP, or as a datagram on the status port,
answered with the request's four leading bytes first), the MAC search 10 00 00 00 1D 04 23
on the search port (10 00 00 00, the MAC, the address), the subnet search
00 00 00 00 1D 49 40 F0 (F0 and the MAC as text), the recovery command, and every flash
command on the raw port. The select-sector command 1D 02 s in download mode writes the
file uploaded last by FTP into flash from sector s (and takes it out of the area).

Example:
  printer-sim lan --address 127.0.0.5 --mask 255.0.0.0 --model R451-2XX8/3XX8/4XX8/6XX8 \
      --raw-port 9100 --ftp-port 2121 --moved-address 127.0.0.6 --time-scale 0.01
)";
}

ArgumentsOutcome parseLanArguments(const std::vector<std::string>& args, LanArguments& out, std::string& error)
{
    auto fail = [&](std::string text) {
        error = std::move(text);
        return ArgumentsOutcome::Error;
    };
    if (args.empty() || args[0] != "lan")
        return fail("missing the command: printer-sim lan [options]");
    LanOptions& lan = out.lan;
    std::vector<std::string> printerArgs{"serial"};
    bool haveAddress = false;
    bool haveModel = false;
    for (size_t i = 1; i < args.size(); ++i) {
        std::string name = args[i];
        std::string value;
        bool hasValue = false;
        if (size_t equals = name.find('='); name.rfind("--", 0) == 0 && equals != std::string::npos) {
            value = name.substr(equals + 1);
            name = name.substr(0, equals);
            hasValue = true;
        }
        if (name == "--help" || name == "-h")
            return ArgumentsOutcome::Help;
        if (name == "--no-ftp") {
            lan.serveFtp = false;
            continue;
        }
        if (kSerialOnly.count(name))
            return fail(name + " is a serial line's option: a network printer has none");
        static const std::set<std::string> ours = {
            "--address",     "--moved-address", "--interface",  "--mac",      "--mac-after-restart",
            "--mask",        "--raw-port",      "--status-port", "--search-port", "--ftp-port",
            "--ftp-user",    "--ftp-password",  "--decoy-mac",  "--decoy-address", "--fault", "--model"};
        if (!ours.count(name)) {
            printerArgs.push_back(args[i]);
            continue;
        }
        if (!hasValue) {
            if (i + 1 >= args.size())
                return fail(name + " needs a value");
            value = args[++i];
        }
        auto address = [&](std::optional<uint32_t>& into) {
            into = parseAddress(value);
            return into.has_value();
        };
        auto mac = [&](std::optional<MacAddress>& into) {
            into = parseMac(value);
            return into.has_value();
        };
        auto port = [&](uint16_t& into) {
            std::optional<uint16_t> parsed = parsePort(value);
            if (parsed)
                into = *parsed;
            return parsed.has_value();
        };
        std::optional<uint32_t> parsedAddress;
        if (name == "--address") {
            if (!address(parsedAddress))
                return fail("--address needs an IPv4 address such as 127.0.0.5");
            lan.address = *parsedAddress;
            haveAddress = true;
        } else if (name == "--moved-address") {
            if (!address(lan.movedAddress))
                return fail("--moved-address needs an IPv4 address");
        } else if (name == "--decoy-address") {
            if (!address(lan.decoyAddress))
                return fail("--decoy-address needs an IPv4 address");
        } else if (name == "--mask") {
            if (!address(parsedAddress))
                return fail("--mask needs a dotted mask such as 255.255.255.0");
            lan.mask = *parsedAddress;
        } else if (name == "--interface") {
            if (value != "LAN" && value != "WIFI")
                return fail("--interface is LAN or WIFI");
            lan.wifi = value == "WIFI";
        } else if (name == "--mac") {
            if (!mac(lan.mac))
                return fail("--mac needs six hexadecimal bytes such as 00:11:62:00:00:05");
        } else if (name == "--mac-after-restart") {
            if (!mac(lan.macAfterRestart))
                return fail("--mac-after-restart needs six hexadecimal bytes such as 00:11:62:00:00:05");
        } else if (name == "--decoy-mac") {
            if (!mac(lan.decoyMac))
                return fail("--decoy-mac needs six hexadecimal bytes such as 00:11:62:00:00:09");
        } else if (name == "--raw-port" || name == "--status-port" || name == "--search-port" ||
                   name == "--ftp-port") {
            uint16_t& into = name == "--raw-port"      ? lan.rawPort
                             : name == "--status-port" ? lan.statusPort
                             : name == "--search-port" ? lan.searchPort
                                                       : lan.ftpPort;
            if (!port(into))
                return fail(name + " needs a port number from 0 to 65535");
        } else if (name == "--ftp-user") {
            lan.ftpUser = value;
        } else if (name == "--ftp-password") {
            lan.ftpPassword = value;
        } else if (name == "--model") {
            haveModel = true;
            printerArgs.push_back("--model");
            printerArgs.push_back(value);
        } else if (value == "tcp-refused") {
            lan.refuseTcp = true;
        } else if (value == "tcp-silent") {
            lan.silentTcp = true;
        } else if (value == "udp-silent") {
            lan.silentUdp = true;
        } else if (value == "status-silent") {
            lan.silentStatusPort = true;
        } else if (value == "ftp-refused") {
            lan.refuseFtpLogin = true;
        } else {
            printerArgs.push_back("--fault");
            printerArgs.push_back(value);
        }
    }
    if (!haveAddress)
        return fail("--address is needed: where the printer is on the network");
    if (!haveModel)
        return fail("--model is needed: which printer it is (see --list-models)");
    if (lan.refuseTcp && lan.silentTcp)
        return fail("the raw port is either refused or silent, not both");
    SimArguments printer;
    ArgumentsOutcome outcome = parseSimArguments(printerArgs, printer, error);
    if (outcome != ArgumentsOutcome::Run)
        return outcome;
    lan.printer = std::move(printer.printer);
    out.timeScale = printer.timeScale;
    completeNetworkFace(lan);
    return ArgumentsOutcome::Run;
}

} // namespace kyv::sim
