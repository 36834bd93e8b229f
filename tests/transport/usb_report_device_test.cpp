#include "core/catalogue.h"
#include "transport/dcb_comm.h"
#include "support/scratch_dir.h"
#include "transport/usb/hid_device_list.h"
#include "transport/usb/j5_reports.h"
#include "transport/usb/printer_class_channel.h"
#include "transport/usb/printer_class_path.h"
#include "transport/usb/report_device_search.h"
#include "transport/usb/sim_bus_backend.h"
#include "transport/usb/usb_detection.h"
#include "transport/usb_bus_server.h"
#include "transport/usb_descriptor_builder.h"

#include <gtest/gtest.h>

namespace kyv {
namespace {

using Bytes = std::vector<uint8_t>;
using test::BusServer;

// Report devices on a bus, found and driven through KyvFlash's own bus backend.
class ReportDevices : public ::testing::Test {
protected:
    ReportDevices() : server(socketPath()), bus(socketPath()) {}
    std::string socketPath() const { return (dir.path() / "bus").string(); }

    BusServer::Device vendorDevice(const std::string& path, int pid, uint16_t topUsage)
    {
        test::DescriptorBuilder d;
        test::addVendorCollection(d, topUsage, 1);
        BusServer::Device device;
        device.path = path;
        device.pid = pid;
        device.descriptor = d.bytes();
        return device;
    }

    // The bytes of the last write request the server saw.
    Bytes lastWrite()
    {
        const std::vector<std::string> requests = server.requests();
        for (auto it = requests.rbegin(); it != requests.rend(); ++it) {
            const auto request = parseJson(*it);
            if (request && request->textMember("op") && *request->textMember("op") == "write") {
                Bytes data;
                fromHex(*request->textMember("data"), data);
                return data;
            }
        }
        return {};
    }

    test::ScratchDir dir;
    BusServer server;
    SimBusBackend bus;
};

TEST_F(ReportDevices, FindsTheVendorDeviceByVendorFilterAndUsage)
{
    BusServer::Device decoy = vendorDevice("sim:hid:1", 0xC31C, 4);
    decoy.vid = 0x046D;
    server.add(decoy);
    server.add(vendorDevice("sim:hid:2", 0x364, 4));
    server.add(vendorDevice("sim:hid:3", 0x30F, 5));
    FoundReportDevice found;

    auto any = findReportDevice(bus, "", 0, found);
    ASSERT_TRUE(any);
    EXPECT_EQ(found.path, "sim:hid:2") << "another vendor's device is skipped";
    EXPECT_EQ(found.matchedPid, "364");
    EXPECT_EQ(found.port, "1-2");
    EXPECT_EQ(any->layout().smallOut.capacity, 62);
    EXPECT_EQ(any->layout().largeOut.capacity, 1022);

    EXPECT_FALSE(findReportDevice(bus, "30d30f", 0, found)) << "0x364 is not in the filter; 0x30F has usage 5";
    EXPECT_TRUE(found.path.empty());
    ASSERT_TRUE(findReportDevice(bus, "30d30f", 1, found));
    EXPECT_EQ(found.path, "sim:hid:3");
}

TEST_F(ReportDevices, VendorReportsCarryTheDataInTheShortOrLongReport)
{
    BusServer::Device device = vendorDevice("sim:hid:1", 0x36B, 4);
    Bytes reply(64, 0);
    reply[0] = 2;
    reply[1] = 0x06;
    reply[2] = 0x34;
    reply[63] = 2; // 0xA2: two meaningful bytes
    device.features[2] = reply;
    server.add(device);
    FoundReportDevice found;
    auto link = findReportDevice(bus, "", 0, found);
    ASSERT_TRUE(link);

    const Bytes sixty(60, 0x5A);
    ASSERT_EQ(link->writeReport(sixty.data(), sixty.size()), 1);
    Bytes report = lastWrite();
    ASSERT_EQ(report.size(), 1025u) << "the output report length of the device";
    EXPECT_EQ(report[0], 1) << "collection 0x10's report";
    EXPECT_EQ(report[60], 0x5A);
    EXPECT_EQ(report[61], 0x00) << "zeros after the data";
    EXPECT_EQ(report[63], 60) << "0xA2 holds the length";

    const Bytes sixtyThree(63, 0xA5);
    ASSERT_EQ(link->writeReport(sixtyThree.data(), sixtyThree.size()), 1);
    report = lastWrite();
    EXPECT_EQ(report[0], 4) << "collection 0x11's report";
    EXPECT_EQ(report[63], 0xA5);
    EXPECT_EQ(report[1023], 63);
    EXPECT_EQ(report[1024], 0);

    const Bytes tooLong(1023, 0);
    const size_t asked = server.requests().size();
    EXPECT_EQ(link->writeReport(tooLong.data(), tooLong.size()), 0);
    EXPECT_EQ(server.requests().size(), asked) << "nothing is sent for data no report holds";

    uint8_t buffer[64] = {};
    size_t got = 0;
    ASSERT_EQ(link->readReport(buffer, sizeof buffer, got), 1);
    EXPECT_EQ(got, 2u);
    EXPECT_EQ(buffer[0], 0x06);
    EXPECT_EQ(buffer[1], 0x34);

    server.unplug("sim:hid:1");
    EXPECT_EQ(link->writeReport(sixty.data(), sixty.size()), 0);
    EXPECT_EQ(link->handle(), -1) << "the port handle of a gone device is invalid";
    EXPECT_EQ(link->readReport(buffer, sizeof buffer, got), 0);
}

TEST_F(ReportDevices, AFeatureCountBeyondItsArrayIsCut)
{
    BusServer::Device device = vendorDevice("sim:hid:1", 0x36B, 4);
    Bytes reply(64, 0x11);
    reply[0] = 2;
    reply[63] = 200;
    device.features[2] = reply;
    server.add(device);
    FoundReportDevice found;
    auto link = findReportDevice(bus, "", 0, found);
    ASSERT_TRUE(link);
    uint8_t buffer[64] = {};
    size_t got = 0;
    ASSERT_EQ(link->readReport(buffer, sizeof buffer, got), 1);
    EXPECT_EQ(got, 62u) << "the device cannot hold more than its array";
}

TEST_F(ReportDevices, IbmUsbFramesAndReplies)
{
    BusServer::Device ibm;
    ibm.path = "sim:hid:7";
    ibm.pid = 0x30D;
    ibm.descriptor = test::ibmUsbDescriptor().bytes();
    Bytes reply(1024, 0);
    reply[0] = 3;
    reply[1] = 14; // the count the host reads from the first element
    reply[2] = 0x42;
    ibm.features[3] = reply;
    server.add(ibm);
    server.add(vendorDevice("sim:hid:8", 0x30F, 4)); // IBM product id, vendor layout: skipped

    FoundReportDevice found;
    EXPECT_FALSE(findIbmUsbDevice(bus, "30f", found));
    auto link = findIbmUsbDevice(bus, "", found);
    ASSERT_TRUE(link);
    EXPECT_EQ(found.path, "sim:hid:7");

    const Bytes data{0x1B, 0x49};
    ASSERT_EQ(link->writeReport(data.data(), data.size()), 1);
    const Bytes report = lastWrite();
    ASSERT_EQ(report.size(), 255u);
    EXPECT_EQ(Bytes(report.begin(), report.begin() + 10), (Bytes{0x02, 6, 0x00, 0x01, 0x00, 0x00, 0x00, 0x1B, 0x49, 0}));
    const Bytes tooLong(249, 0);
    EXPECT_EQ(link->writeReport(tooLong.data(), tooLong.size()), 0) << "no room behind the frame header";

    uint8_t buffer[14] = {};
    size_t got = 0;
    ASSERT_EQ(link->readReport(buffer, sizeof buffer, got), 1);
    EXPECT_EQ(got, 14u);
    EXPECT_EQ(buffer[1], 0x42);
}

TEST(UsbDeviceClasses, ByProductIdWithTheTextsShown)
{
    EXPECT_EQ(usbDeviceClass(0x0404, 0x385), 9);
    EXPECT_EQ(usbDeviceClass(0x0404, 0x36C), 9);
    EXPECT_EQ(usbDeviceClass(0x0404, 0x400), 0);
    EXPECT_EQ(usbDeviceClass(0x0404, 0x313), 2);
    EXPECT_EQ(usbDeviceClass(0x0404, 0x389), 1);
    EXPECT_EQ(usbDeviceClass(0x0404, 0x364), 5);
    EXPECT_EQ(usbDeviceClass(0x046D, 0x385), 0);
    EXPECT_EQ(usbDeviceText(8, 0x0404, 0x36B), "VID : 0404\nPID : 036b\nCPMI");
    EXPECT_EQ(usbDeviceText(3, 0x0404, 0x314), "VID : 0404\nPID : 0314\nCPMI(PRTR)");
    EXPECT_EQ(usbDeviceText(0, 0x0404, 0x400), "");
    EXPECT_TRUE(pidPasses("", 0x999));
    EXPECT_FALSE(pidPasses("30d30f", 0x364));
}

} // namespace
} // namespace kyv

namespace kyv {
namespace {

TEST_F(ReportDevices, ThePortTalksThroughTheFoundDevice)
{
    BusServer::Device device = vendorDevice("sim:hid:1", 0x36B, 4);
    Bytes reply(64, 0);
    reply[0] = 2;
    reply[1] = 0x39;
    reply[63] = 1;
    device.features[2] = reply;
    server.add(device);
    BusServer::Device ibm;
    ibm.path = "sim:hid:2";
    ibm.pid = 0x31F;
    ibm.descriptor = test::ibmUsbDescriptor().bytes();
    server.add(ibm);

    CDCBComm comm;
    comm.setUsbBackend(&bus);
    comm.usb().pidFilter = "31f";
    EXPECT_EQ(comm.selectReportDevice(kUsbReportDevice, 0), 0) << "the filter passes no report device";
    EXPECT_EQ(comm.usb().reportOpened, 0);
    comm.usb().pidFilter = "36b31f";
    ASSERT_EQ(comm.selectReportDevice(kUsbReportDevice, 0), 1);
    EXPECT_EQ(comm.usb().reportOpened, 1);
    EXPECT_EQ(comm.usb().matchedPid, "36b");
    EXPECT_EQ(comm.usb().port, "1-2");
    ASSERT_EQ(comm.write(Bytes{0x1D, 0x49, 0x01}), 1);
    const Bytes sent = lastWrite();
    ASSERT_GE(sent.size(), 4u);
    EXPECT_EQ(Bytes(sent.begin(), sent.begin() + 4), (Bytes{1, 0x1D, 0x49, 0x01}));
    uint8_t answer[64] = {};
    ASSERT_EQ(comm.read(answer, sizeof answer), 1);
    EXPECT_EQ(comm.bytesRead(), 1u);
    EXPECT_EQ(answer[0], 0x39);

    CDCBComm ibmPort;
    ibmPort.setUsbBackend(&bus);
    ASSERT_EQ(ibmPort.open(kIbmUsb, "IBM USB"), 1);
    EXPECT_NE(ibmPort.portHandle(), CDCBComm::kInvalidHandle);
    EXPECT_EQ(ibmPort.usb().productId, 0x31F);
    server.unplug("sim:hid:2");
    EXPECT_EQ(ibmPort.write(Bytes{0x1B}), 0);
    EXPECT_EQ(ibmPort.portHandle(), CDCBComm::kInvalidHandle) << "a gone device leaves no valid port handle";
    EXPECT_EQ(ibmPort.selectReportDevice(kIbmUsb, 0), 1) << "kind 5 succeeds without a device";
    EXPECT_EQ(ibmPort.portHandle(), CDCBComm::kInvalidHandle);
}

} // namespace
} // namespace kyv

namespace kyv {
namespace {

TEST_F(ReportDevices, AReportDeviceOpensOnlyWithItsUsageAndClosesOnAFailedWrite)
{
    BusServer::Device device = vendorDevice("sim:hid:1", 0x36B, 4);
    device.features[2] = Bytes(64, 2);
    server.add(device);
    HidReportDevice usageFive(bus, "sim:hid:1", 0);
    EXPECT_FALSE(usageFive.isOpen()) << "selector 0 asks for usage 5";
    HidReportDevice usageFour(bus, "sim:hid:1", 1);
    ASSERT_TRUE(usageFour.isOpen());
    EXPECT_EQ(usageFour.productId(), 0x36B);
    EXPECT_EQ(usageFour.manufacturer(), "Kyv");

    ASSERT_EQ(usageFour.write(Bytes(60, 1)), 1);
    EXPECT_EQ(lastWrite()[0], 1);
    ASSERT_EQ(usageFour.write(Bytes(63, 1)), 1);
    EXPECT_EQ(lastWrite()[0], 4);
    EXPECT_EQ(usageFour.write(Bytes(1023, 1)), 0);
    EXPECT_FALSE(usageFour.isOpen()) << "a failed write closes the device";
    EXPECT_EQ(usageFour.write(Bytes(1, 1)), 0);
    EXPECT_EQ(usageFour.close(), 0);
}

TEST_F(ReportDevices, AReportDeviceTriesTheFeatureReportThreeTimes)
{
    server.add(vendorDevice("sim:hid:1", 0x36B, 4)); // no feature answer: every request fails
    HidReportDevice device(bus, "sim:hid:1", 1);
    ASSERT_TRUE(device.isOpen());
    const size_t before = server.requests().size();
    uint8_t buffer[HidReportDevice::kReadData];
    size_t count = 0;
    EXPECT_EQ(device.read(buffer, count), 0);
    EXPECT_EQ(server.requests().size() - before, 3u);
}

TEST_F(ReportDevices, RefreshSeesDevicesLeaveAndCome)
{
    server.add(vendorDevice("sim:hid:1", 0x36B, 4));
    HidDeviceList list(bus, 1);
    std::string path;
    ASSERT_EQ(list.first(path), 1);
    EXPECT_EQ(path, "sim:hid:1");
    EXPECT_EQ(list.next(path), 0);
    EXPECT_EQ(list.refresh(1), 0) << "nothing changed";

    // The printer resets and comes back under another product id and path.
    server.unplug("sim:hid:1");
    server.add(vendorDevice("sim:hid:2", 0x36D, 4));
    EXPECT_EQ(list.refresh(1), 1);
    ASSERT_EQ(list.first(path), 1);
    EXPECT_EQ(path, "sim:hid:2");
    EXPECT_EQ(list.devices().front()->port(), "1-2");
    EXPECT_EQ(list.refresh(1), 0);
}

TEST_F(ReportDevices, PrinterClassPathByThreeProductIdCharacters)
{
    BusServer::Device other;
    other.path = "sim:printer:1";
    other.printer = true;
    other.pid = 0x36C;
    server.add(other);
    BusServer::Device printer = other;
    printer.path = "sim:printer:2";
    printer.pid = 0x305;
    server.add(printer);
    int examined = 0;
    EXPECT_EQ(findPrinterClassPath(bus, "305", examined), "sim:printer:2");
    EXPECT_EQ(examined, 2);
    EXPECT_EQ(findPrinterClassPath(bus, "3051", examined), "sim:printer:2");
    EXPECT_EQ(findPrinterClassPath(bus, "30d", examined), "");
    EXPECT_EQ(printerClassPidChars("usb#vid_0404&pid_0305#5&1"), "305");
    EXPECT_EQ(printerClassPidChars("pid_0"), "");

    std::unique_ptr<UsbHandle> handle;
    ASSERT_EQ(bus.open("sim:printer:2", handle), UsbError::None);
    const size_t before = server.requests().size();
    ASSERT_EQ(writeDeviceInPieces(*handle, Bytes(8192 + 10, 0x55)), 1);
    const auto requests = server.requests();
    ASSERT_EQ(requests.size() - before, 3u) << "4096, 4096, then the last 10 bytes";
    EXPECT_NE(requests.back().find("\"data\":\"" + std::string(20, '5') + "\""), std::string::npos);
    ASSERT_EQ(writeDeviceInPieces(*handle, Bytes(4096, 1)), 1);
    EXPECT_EQ(server.requests().size() - before, 4u);
}

} // namespace
} // namespace kyv

namespace kyv {
namespace {

TEST_F(ReportDevices, J5ShortFramesCarryOnlyTheHeadAndTheData)
{
    // The J5 layout: no report IDs, the count ahead of the data, a feature report for replies.
    test::DescriptorBuilder d;
    d.usagePage(0xFF8B).usage(4).application().usage(0x10).collection(2);
    d.scalar(0xA2, 8, test::kOutputItem).byteArray(0xA0, 62, test::kOutputItem);
    d.scalar(0xA2, 8, test::kFeatureItem).byteArray(0xA1, 62, test::kFeatureItem);
    d.endCollection().endCollection();
    BusServer::Device device;
    device.path = "sim:hid:1";
    device.pid = 0x40E;
    device.descriptor = d.bytes();
    Bytes reply(64, 0x77);
    reply[0] = 0;
    reply[1] = 3;
    device.features[0] = reply;
    server.add(device);

    J5Reports reports;
    ASSERT_TRUE(learnJ5Reports(d.bytes(), reports));
    std::unique_ptr<UsbHandle> handle;
    ASSERT_EQ(bus.open("sim:hid:1", handle), UsbError::None);
    ASSERT_EQ(j5Write(*handle, reports, Bytes{0x1B, 0x40, 0x0A}), 1);
    Bytes expected(64, 0);
    expected[1] = 3;
    expected[2] = 0x1B;
    expected[3] = 0x40;
    expected[4] = 0x0A;
    EXPECT_EQ(lastWrite(), expected);

    uint8_t buffer[64] = {};
    size_t count = 0;
    ASSERT_EQ(j5Read(*handle, reports, buffer, count), 1);
    EXPECT_EQ(count, 3u);
    EXPECT_EQ(buffer[0], 0x77);
    EXPECT_EQ(j5SendEmptyFeature(*handle, reports), 1);
    EXPECT_NE(server.requests().back().find("\"op\":\"set_feature\""), std::string::npos);
}

} // namespace
} // namespace kyv

namespace kyv {
namespace {

TEST_F(ReportDevices, TheChannelCarriesPiecesAndRepliesInBothModes)
{
    BusServer::Device device = vendorDevice("sim:hid:1", 0x36B, 4);
    Bytes feature(64, 0);
    feature[0] = 2;
    feature[1] = '\'';
    feature[2] = 'x';
    feature[63] = 2; // the count after the array
    device.features[2] = feature;
    server.add(device);
    BusServer::Device printer;
    printer.path = "sim:printer:1";
    printer.printer = true;
    printer.pid = 0x36C;
    server.add(printer);

    // Report mode: pieces of 1021 bytes as long reports, replies after two header bytes.
    PrinterClassChannel channel(bus);
    ASSERT_EQ(channel.findReportDevice("36b", 0), 1);
    ASSERT_EQ(channel.attach(true, "36b"), 1);
    size_t before = server.requests().size();
    ASSERT_EQ(channel.write(Bytes(2100, 7)), 1);
    EXPECT_EQ(server.requests().size() - before, 3u) << "1021 + 1021 + 58 bytes";
    EXPECT_EQ(lastWrite()[0], 1) << "the last 58 bytes fit the short report";
    uint8_t reply[16] = {};
    size_t got = 0;
    ASSERT_EQ(channel.read(reply, 10, got), 1);
    EXPECT_EQ(got, 10u);
    EXPECT_EQ((Bytes(reply, reply + 5)), (Bytes{2, 2, '\'', 'x', 0})) << "the count is copied, zeros after the data";

    // Printer class: plain bytes; nothing to read is 11 attempts, then a failure.
    ASSERT_EQ(channel.attach(false, "36c"), 1);
    EXPECT_EQ(channel.device().path, "sim:printer:1");
    before = server.requests().size();
    EXPECT_EQ(channel.read(reply, 1, got), 0);
    EXPECT_EQ(server.requests().size() - before, 11u);
    server.queueInput("sim:printer:1", Bytes{0x06, 0x12, 0x34});
    ASSERT_EQ(channel.read(reply, 2, got), 1);
    EXPECT_EQ(got, 2u);
    EXPECT_EQ(reply[1], 0x12);
    server.unplug("sim:printer:1");
    EXPECT_EQ(channel.write(Bytes{0x1D, 0xFF}), 0);
    before = server.requests().size();
    EXPECT_EQ(channel.read(reply, 1, got), 0);
    EXPECT_EQ(server.requests().size(), before) << "a gone device is not asked again";

    // A report device without a feature report is no channel; nothing found is 60 searches.
    BusServer::Device j5;
    j5.path = "sim:hid:3";
    j5.pid = 0x40E;
    j5.descriptor = test::j5Descriptor().bytes();
    server.add(j5);
    ASSERT_EQ(channel.findReportDevice("40e", 0), 1);
    EXPECT_EQ(channel.attach(true, "40e"), 0);
    EXPECT_FALSE(channel.isOpen());
    auto lists = [&] {
        const std::vector<std::string> requests = server.requests();
        return std::count_if(requests.begin(), requests.end(),
                             [](const std::string& r) { return r.find("\"op\":\"list\"") != std::string::npos; });
    };
    const auto listsBefore = lists();
    EXPECT_EQ(channel.findReportDevice("999", 1), 0);
    EXPECT_EQ(lists() - listsBefore, 60) << "one list per search";
}

} // namespace
} // namespace kyv

namespace kyv {
namespace {

TEST_F(ReportDevices, DetectionSeesPrintersOfTheFamilyWithoutOpeningAny)
{
    BusServer::Device decoy = vendorDevice("sim:hid:1", 0x36B, 4);
    decoy.vid = 0x046D;
    server.add(decoy);
    BusServer::Device ibm;
    ibm.path = "sim:hid:2";
    ibm.pid = 0x31F;
    ibm.descriptor = test::ibmUsbDescriptor().bytes();
    server.add(ibm);
    BusServer::Device printer;
    printer.path = "sim:printer:3";
    printer.printer = true;
    printer.pid = 0x385;
    server.add(printer);

    std::optional<DetectedUsbPrinter> seen = detectUsbPrinter(bus, "");
    ASSERT_TRUE(seen) << "the other vendor's device is passed over";
    EXPECT_EQ(seen->productId, 0x31F);
    EXPECT_EQ(seen->deviceClass, 5);
    seen = detectUsbPrinter(bus, "36b36d385");
    ASSERT_TRUE(seen);
    EXPECT_EQ(seen->deviceClass, 9) << "a printer-class device of the family";
    server.unplug("sim:printer:3");
    EXPECT_FALSE(detectUsbPrinter(bus, "36b36d385")) << "an unplugged printer is gone from the next look";
    for (const std::string& request : server.requests())
        EXPECT_EQ(request.find("\"open\""), std::string::npos) << request;
}

} // namespace
} // namespace kyv
