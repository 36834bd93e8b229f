// printer-sim usb: the real program serving the simulated USB bus, met through KyvFlash's
// own USB backend, searches and report links.

#include "sim/lib/usb/usb_arguments.h"
#include "support/scratch_dir.h"
#include "support/test_program.h"
#include "support/usb_sim_program.h"
#include "transport/usb/j5_reports.h"
#include "transport/usb/printer_class_path.h"
#include "transport/usb/report_device_search.h"

#include <gtest/gtest.h>

#include <csignal>
#include <cstring>
#include <filesystem>
#include <sys/socket.h>
#include <sys/un.h>
#include <unistd.h>

namespace kyv::sim::test {
namespace {

using kyv::test::ScratchDir;
using kyv::test::TestProgram;

using UsbSim = kyv::test::UsbSimProgram;

// One raw request line and its answer, as a host that does not follow the contract sends it.
std::string rawRequest(const std::string& bus, const std::string& line)
{
    int fd = ::socket(AF_UNIX, SOCK_STREAM | SOCK_CLOEXEC, 0);
    sockaddr_un address{};
    address.sun_family = AF_UNIX;
    std::strncpy(address.sun_path, bus.c_str(), sizeof address.sun_path - 1);
    std::string answer;
    if (::connect(fd, reinterpret_cast<sockaddr*>(&address), sizeof address) == 0 &&
        ::write(fd, line.data(), line.size()) == static_cast<ssize_t>(line.size())) {
        char c = 0;
        while (::read(fd, &c, 1) == 1 && c != '\n')
            answer.push_back(c);
    }
    ::close(fd);
    return answer;
}

std::string text(const uint8_t* bytes, size_t count) { return std::string(bytes, bytes + count); }

TEST(PrinterSimUsbArguments, ReadTheBusOptionsAndRefuseTheLineOnes)
{
    UsbSimArguments args;
    std::string error;
    ASSERT_EQ(parseUsbArguments({"usb", "--bus", "/tmp/b", "--model", "R453", "--interface=PRTR", "--port", "3-1.4",
                                 "--decoy", "046d:C31C", "--decoy", "1a2b:3", "--download-mode", "--time-scale", "0.5"},
                                args, error),
              ArgumentsOutcome::Run)
        << error;
    EXPECT_EQ(args.usb.busPath, "/tmp/b");
    EXPECT_EQ(args.usb.printer.model, "R453");
    EXPECT_EQ(args.usb.interface, UsbInterface::Prtr);
    EXPECT_EQ(args.usb.port, "3-1.4");
    ASSERT_EQ(args.usb.decoys.size(), 2u);
    EXPECT_EQ(args.usb.decoys[0].vendorId, 0x046D);
    EXPECT_EQ(args.usb.decoys[0].productId, 0xC31C);
    EXPECT_EQ(args.usb.decoys[1].productId, 0x0003);
    EXPECT_TRUE(args.usb.printer.startInDownloadMode);
    EXPECT_EQ(args.timeScale, 0.5);

    for (const std::vector<std::string>& bad : std::vector<std::vector<std::string>>{
             {"usb"}, {"usb", "--bus"}, {"usb", "--bus", "b", "--interface", "USB2"}, {"usb", "--bus", "b", "--baud", "9600"},
             {"usb", "--bus", "b", "--port", "1-"}, {"usb", "--bus", "b", "--port", "1-2..3"},
             {"usb", "--bus", "b", "--decoy", "046d"}, {"usb", "--bus", "b", "--decoy", "12345:1"},
             {"usb", "--bus", "b", "--fault", "nak:nothing"},
             {"usb", "--bus", "b", "--model", "J5", "--interface", "HID", "--j5-firmware", "31122:01.05"},
             {"usb", "--bus", "b", "--model", "J5", "--interface", "HID", "--j5-firmware", "311223:01.055"},
             {"usb", "--bus", "b", "--model", "J5", "--interface", "HID", "--j5-firmware", "311223-01.05"},
             {"usb", "--bus", "b", "--model", "R241", "--j5-firmware", "311223:01.05"}}) {
        UsbSimArguments out;
        EXPECT_EQ(parseUsbArguments(bad, out, error), ArgumentsOutcome::Error) << bad.back();
    }
}

// A CPMI printer with a decoy mouse in front of it: found, classified and asked through
// the report device and the printer class; garbage refused; the switch to download mode
// takes it off the bus and brings it back as the IPL device on the same port.
TEST(PrinterSimUsb, CpmiPrinterAnswersAndComesBackAfterTheSwitch)
{
    if (::access(kyv::test::printerSimPath().c_str(), X_OK) != 0)
        GTEST_SKIP() << "printer-sim is not built";
    UsbSim sim({"--model", "R241", "--interface", "CPMI", "--port", "1-2", "--decoy", "046d:c31c"});
    ASSERT_EQ(sim.firstLine, sim.bus + "\n");
    UsbBackend& bus = *sim.backend;

    std::vector<UsbDeviceInfo> devices;
    ASSERT_EQ(bus.enumerate(devices), UsbError::None);
    ASSERT_EQ(devices.size(), 3u);
    EXPECT_EQ(devices[0].vendorId, 0x046D); // listed first, so the search has to skip it
    FoundReportDevice found;
    EXPECT_EQ(classifyUsbDevice(bus, "", 1, found), 1);
    EXPECT_EQ(found.productId, 0x318);
    EXPECT_EQ(found.port, "1-2");
    const std::string oldPath = found.path;

    for (int selector : {0, 1}) { // the collections of usage 4 and of usage 5
        std::unique_ptr<VendorReportLink> link = findReportDevice(bus, "31631831731f", selector, found);
        ASSERT_TRUE(link) << selector;
        const uint8_t modelNumber[] = {0x1D, 0x49, 0x40, 0x27};
        uint8_t reply[64] = {};
        size_t got = 0;
        ASSERT_EQ(link->writeReport(modelNumber, sizeof modelNumber), 1);
        ASSERT_EQ(link->readReport(reply, sizeof reply, got), 1);
        EXPECT_EQ(text(reply, got), "'R241-2001\r");
    }

    int examined = 0;
    const std::string printerPath = findPrinterClassPath(bus, "31631831731f", examined);
    std::unique_ptr<UsbHandle> printer;
    ASSERT_EQ(bus.open(printerPath, printer), UsbError::None) << printerPath;
    const uint8_t version[] = {0x1D, 0x49, 0x40, 0x97};
    ASSERT_EQ(writeDeviceInPieces(*printer, version), 1);
    uint8_t versionReply[10] = {};
    ASSERT_EQ(readDeviceOnce(*printer, ProtocolMs{2000}, versionReply, 10), 1);
    EXPECT_EQ(text(versionReply + 1, 5), "14000");
    std::unique_ptr<UsbHandle> second;
    EXPECT_EQ(bus.open(printerPath, second), UsbError::Busy);

    EXPECT_EQ(rawRequest(sim.bus, "hello\n"), "{\"ok\":false,\"error\":\"EINVAL\"}");
    EXPECT_EQ(rawRequest(sim.bus, "{\"op\":\"write\",\"handle\":1,\"data\":\"1d4\"}\n"), "{\"ok\":false,\"error\":\"EINVAL\"}");
    EXPECT_EQ(rawRequest(sim.bus, "{\"op\":\"info\",\"handle\":9999}\n"), "{\"ok\":false,\"error\":\"EINVAL\"}");

    std::unique_ptr<VendorReportLink> link = findReportDevice(bus, "318", 1, found);
    ASSERT_TRUE(link);
    const uint8_t downloadMode[] = {0x1B, 0x5B, 0x7D};
    ASSERT_EQ(link->writeReport(downloadMode, sizeof downloadMode), 1);
    uint16_t vid = 0, pid = 0;
    EXPECT_EQ(printer->info(vid, pid), UsbError::Gone);
    uint8_t none[64] = {};
    size_t got = 0;
    EXPECT_EQ(link->readReport(none, sizeof none, got), 0);
    EXPECT_EQ(link->handle(), -1);

    devices = sim.waitFor(0x316);
    ASSERT_EQ(devices.size(), 2u); // the decoy and the printer in download mode
    EXPECT_EQ(devices[1].port, "1-2");
    EXPECT_NE(devices[1].path, oldPath);
    EXPECT_EQ(classifyUsbDevice(bus, "31631831731f", 1, found), 2);
    std::unique_ptr<UsbHandle> stale;
    EXPECT_EQ(bus.open(oldPath, stale), UsbError::NoEntry);

    const kyv::test::ProgramResult ended = sim.terminate();
    EXPECT_EQ(ended.exitStatus, 0) << ended.err;
    EXPECT_FALSE(std::filesystem::exists(sim.bus));
}

// The IBM USB report device answers its frames in the status block; the J5 HID interface
// answers its own commands in feature and input reports.
TEST(PrinterSimUsb, IbmUsbAndJ5Interfaces)
{
    if (::access(kyv::test::printerSimPath().c_str(), X_OK) != 0)
        GTEST_SKIP() << "printer-sim is not built";
    UsbSim ibm({"--model", "R242", "--interface", "IBMUSB"});
    FoundReportDevice found;
    std::unique_ptr<IbmUsbReportLink> link = findIbmUsbDevice(*ibm.backend, "", found);
    ASSERT_TRUE(link);
    EXPECT_EQ(found.productId, 0x30F);
    EXPECT_EQ(classifyUsbDevice(*ibm.backend, "", 1, found), 0); // no vendor-page report device
    auto ask = [&](std::initializer_list<uint8_t> command) {
        uint8_t frame[13] = {0x1B, 0x2A, 0x50, 0x01, 0x01};
        std::copy(command.begin(), command.end(), frame + 5);
        const uint8_t statusRequest[] = {0x1B, 0x49};
        uint8_t status[64] = {};
        size_t got = 0;
        EXPECT_EQ(link->writeReport(frame, sizeof frame), 1);
        EXPECT_EQ(link->writeReport(statusRequest, sizeof statusRequest), 1);
        EXPECT_EQ(link->readReport(status, sizeof status, got), 1);
        std::string block = text(status, std::min(got, sizeof status));
        return block.size() > 11 ? block.substr(11, block.find('\r', 11) - 11) : block;
    };
    EXPECT_EQ(ask({0x1D, 0x49, 0x40, 0x27}), "'R242-2001");
    EXPECT_EQ(ask({0x1D, 0x49, 0x40, 0x2F}), "15000");
    EXPECT_EQ(ask({0x1D, 0x49, 0x40, 0xC3}), "0");
    EXPECT_NE(ask({0x1D, 0x01})[0], '\x06'); // not in download mode: no acknowledge
    EXPECT_EQ(ibm.terminate().exitStatus, 0);

    UsbSim j5({"--model", "J5", "--interface", "HID"});
    std::vector<UsbDeviceInfo> devices = j5.waitFor(0x40F);
    ASSERT_EQ(devices.size(), 1u);
    J5Reports reports;
    ASSERT_TRUE(learnJ5Reports(devices[0].descriptor, reports));
    std::unique_ptr<UsbHandle> device;
    ASSERT_EQ(j5.backend->open(devices[0].path, device), UsbError::None);
    const uint8_t identify[] = {0x1D, 0x30, 0x07, 0x00};
    ASSERT_EQ(j5Write(*device, reports, identify), 1);
    std::array<uint8_t, 64> reply{};
    size_t count = 0;
    ASSERT_EQ(j5Read(*device, reports, reply, count), 1);
    EXPECT_EQ(count, 2u);
    EXPECT_EQ(reply[0], 0x06);
    EXPECT_EQ(reply[1], 0x01);
    uint8_t input[64] = {};
    size_t got = 0;
    ASSERT_EQ(device->read(input, ProtocolMs{2000}, got), UsbError::None);
    EXPECT_EQ(got, 64u);
    EXPECT_EQ(input[1], 2); // count, then the same reply
    EXPECT_EQ(input[2], 0x06);
    EXPECT_EQ(j5SendEmptyFeature(*device, reports), 1);

    const uint8_t enterDownload[] = {0x1B, 0x5B, 0x7D};
    ASSERT_EQ(j5Write(*device, reports, enterDownload), 1);
    uint16_t vid = 0, pid = 0;
    EXPECT_EQ(device->info(vid, pid), UsbError::Gone);
    devices = j5.waitFor(0x40E);
    ASSERT_EQ(devices.size(), 1u);
    ASSERT_EQ(j5.backend->open(devices[0].path, device), UsbError::None);
    const uint8_t modeQuery[] = {0x1D, 0xF0};
    ASSERT_EQ(j5Write(*device, reports, modeQuery), 1);
    ASSERT_EQ(j5Read(*device, reports, reply, count), 1);
    EXPECT_NE(reply[0], 0x06); // download mode
    EXPECT_EQ(j5.terminate().exitStatus, 0);
}

} // namespace
} // namespace kyv::sim::test
