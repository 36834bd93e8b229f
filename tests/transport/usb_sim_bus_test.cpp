#include "support/scratch_dir.h"
#include "transport/usb/sim_bus_backend.h"
#include "transport/usb_bus_server.h"
#include "transport/usb_descriptor_builder.h"

#include <gtest/gtest.h>

#include <thread>

namespace kyv {
namespace {

using Bytes = std::vector<uint8_t>;
using test::BusServer;

class SimBus : public ::testing::Test {
protected:
    SimBus() : server(socketPath()), bus(socketPath())
    {
        test::DescriptorBuilder d;
        test::addVendorCollection(d, 4, 1);
        BusServer::Device hid;
        hid.path = "sim:hid:1";
        hid.descriptor = descriptor = d.bytes();
        hid.features[2] = {2, 3, 0x10, 0x20, 0x30};
        server.add(hid);
        BusServer::Device printer;
        printer.path = "sim:printer:2";
        printer.printer = true;
        printer.pid = 0x36C;
        server.add(printer);
    }
    std::string socketPath() const { return (dir.path() / "bus").string(); }

    std::unique_ptr<UsbHandle> open(const std::string& path)
    {
        std::unique_ptr<UsbHandle> h;
        EXPECT_EQ(bus.open(path, h), UsbError::None);
        return h;
    }

    test::ScratchDir dir;
    Bytes descriptor;
    BusServer server;
    SimBusBackend bus;
};

TEST_F(SimBus, ListsDevicesAndSkipsEntriesItCannotRead)
{
    server.addRawListEntry(R"({"path":"sim:hid:9","class":"hid","vid":1028,"pid":875,"descriptor":"0"})");
    server.addRawListEntry(R"({"path":"sim:x:9","class":"camera","vid":1028,"pid":875})");
    server.addRawListEntry(R"({"path":"sim:hid:8","class":"hid","vid":70000,"pid":1,"descriptor":""})");
    std::vector<UsbDeviceInfo> devices;
    ASSERT_EQ(bus.enumerate(devices), UsbError::None);
    ASSERT_EQ(devices.size(), 2u);
    EXPECT_EQ(devices[0].path, "sim:hid:1");
    EXPECT_EQ(devices[0].deviceClass, UsbDeviceClass::Hid);
    EXPECT_EQ(devices[0].vendorId, 0x0404);
    EXPECT_EQ(devices[0].productId, 0x36B);
    EXPECT_EQ(devices[0].port, "1-2");
    EXPECT_EQ(devices[0].serial, "S1");
    EXPECT_EQ(devices[0].descriptor, descriptor);
    EXPECT_EQ(devices[1].deviceClass, UsbDeviceClass::Printer);
    EXPECT_EQ(devices[1].productId, 0x36C);
    EXPECT_TRUE(devices[1].descriptor.empty());
}

TEST_F(SimBus, ReportsOnAHidHandle)
{
    std::unique_ptr<UsbHandle> none;
    EXPECT_EQ(bus.open("sim:hid:404", none), UsbError::NoEntry);
    EXPECT_EQ(none, nullptr);

    auto h = open("sim:hid:1");
    ASSERT_TRUE(h);
    uint16_t vid = 0, pid = 0;
    ASSERT_EQ(h->info(vid, pid), UsbError::None);
    EXPECT_EQ(vid, 0x0404);
    EXPECT_EQ(pid, 0x36B);

    size_t written = 0;
    ASSERT_EQ(h->write(Bytes{0x01, 0x1D, 0xAB}, written), UsbError::None);
    EXPECT_EQ(written, 3u);
    EXPECT_NE(server.requests().back().find("\"data\":\"011dab\""), std::string::npos) << server.requests().back();

    Bytes feature(8, 0);
    feature[0] = 2;
    ASSERT_EQ(h->getFeature(feature), UsbError::None);
    EXPECT_EQ(feature, (Bytes{2, 3, 0x10, 0x20, 0x30, 0, 0, 0}));
    Bytes undefined{9, 0};
    EXPECT_EQ(h->getFeature(undefined), UsbError::Io);
    EXPECT_EQ(h->setFeature(Bytes{2, 0, 0}), UsbError::None);
    EXPECT_FALSE(h->gone()) << "a refused report is no unplug";

    Bytes input(4);
    size_t got = 9;
    ASSERT_EQ(h->read(input, ProtocolMs{0}, got), UsbError::None);
    EXPECT_EQ(got, 0u) << "nothing queued: an empty poll";
    server.queueInput("sim:hid:1", {3, 0x41, 0x42, 0x43, 0x44, 0x45});
    ASSERT_EQ(h->read(input, ProtocolMs{1000}, got), UsbError::None);
    EXPECT_EQ(got, 4u);
    EXPECT_EQ(input, (Bytes{3, 0x41, 0x42, 0x43}));
    EXPECT_NE(server.requests().back().find("\"length\":4"), std::string::npos);
}

TEST_F(SimBus, PrinterClassOpensOnceAndHasNoFeatures)
{
    auto first = open("sim:printer:2");
    std::unique_ptr<UsbHandle> second;
    EXPECT_EQ(bus.open("sim:printer:2", second), UsbError::Busy);
    Bytes feature{0, 0};
    EXPECT_EQ(first->getFeature(feature), UsbError::Invalid);
    first.reset(); // closes it
    EXPECT_EQ(bus.open("sim:printer:2", second), UsbError::None);
}

TEST_F(SimBus, AnUnpluggedDeviceFailsAtOnceFromThenOn)
{
    auto h = open("sim:hid:1");
    server.queueInput("sim:hid:1", {3, 1});
    std::thread unplugger([&] {
        std::this_thread::sleep_for(std::chrono::milliseconds(50));
        server.unplug("sim:hid:1");
    });
    Bytes input(64);
    size_t got = 0;
    ASSERT_EQ(h->read(input, ProtocolMs{0}, got), UsbError::None);
    EXPECT_EQ(got, 2u);
    const auto start = std::chrono::steady_clock::now();
    EXPECT_EQ(h->read(input, ProtocolMs{200000}, got), UsbError::Gone) << "a waiting read ends with the unplug";
    EXPECT_LT(std::chrono::steady_clock::now() - start, std::chrono::seconds(2));
    unplugger.join();
    EXPECT_TRUE(h->gone());

    const size_t asked = server.requests().size();
    uint16_t vid = 0, pid = 0;
    size_t written = 0;
    EXPECT_EQ(h->info(vid, pid), UsbError::Gone);
    EXPECT_EQ(h->write(Bytes{1, 2}, written), UsbError::Gone);
    EXPECT_EQ(h->getFeature(input), UsbError::Gone);
    EXPECT_EQ(server.requests().size(), asked) << "a gone handle does not ask the bus again";
}

TEST_F(SimBus, ABusThatMisbehavesFailsTheRequestAndTheHandle)
{
    for (BusServer::Fault fault : {BusServer::Fault::Garbage, BusServer::Fault::HangUp, BusServer::Fault::Silent}) {
        server.setFault(BusServer::Fault::None);
        auto h = open("sim:hid:1");
        server.setFault(fault);
        uint16_t vid = 0, pid = 0;
        EXPECT_EQ(h->info(vid, pid), UsbError::Io);
        EXPECT_TRUE(h->gone()) << "its connection is lost, so is the handle";
        EXPECT_EQ(h->info(vid, pid), UsbError::Gone);
        std::vector<UsbDeviceInfo> devices;
        EXPECT_NE(bus.enumerate(devices), UsbError::None);
        EXPECT_TRUE(devices.empty());
    }
    server.setFault(BusServer::Fault::None);
    std::vector<UsbDeviceInfo> devices;
    EXPECT_EQ(bus.enumerate(devices), UsbError::None) << "a new connection once the bus answers again";
    EXPECT_EQ(devices.size(), 2u);
}

TEST_F(SimBus, EachThreadTalksOverItsOwnConnection)
{
    auto h = open("sim:hid:1");
    std::thread other([&] {
        std::vector<UsbDeviceInfo> devices;
        EXPECT_EQ(bus.enumerate(devices), UsbError::None);
        uint16_t vid = 0, pid = 0;
        EXPECT_EQ(h->info(vid, pid), UsbError::None) << "a handle stays on the connection it was opened on";
    });
    other.join();
    EXPECT_EQ(server.connections(), 2);
}

TEST(SimBusSetting, NoServerNoDevices)
{
    test::ScratchDir dir;
    auto bus = makeUsbBackend(("unix:" + (dir.path() / "none").string()).c_str());
    std::vector<UsbDeviceInfo> devices;
    EXPECT_EQ(bus->enumerate(devices), UsbError::Io);
    std::unique_ptr<UsbHandle> h;
    EXPECT_EQ(bus->open("sim:hid:1", h), UsbError::Io);
    EXPECT_EQ(makeUsbBackend("tcp:1.2.3.4")->enumerate(devices), UsbError::Io);
}

} // namespace
} // namespace kyv
