// The Linux USB backend against a sysfs tree and device nodes faked by umockdev. Runs under
// umockdev-wrapper; without it (or without umockdev) every test is skipped.

#include "transport/usb/linux_usb_backend.h"
#include "transport/usb_descriptor_builder.h"

#include <linux/hidraw.h>
#include <sys/ioctl.h>
#include <umockdev.h>

#include <gtest/gtest.h>

#include <atomic>
#include <cstring>
#include <map>
#include <future>
#include <mutex>
#include <thread>

namespace kyv {
namespace {

using Bytes = std::vector<uint8_t>;

const char* kUsbDevice = "/sys/devices/pci0000:00/0000:00:14.0/usb1/1-2";
const char* kHidDevice = "/sys/devices/pci0000:00/0000:00:14.0/usb1/1-2/1-2:1.0/0003:0404:036B.0001";

// Answers the hidraw requests of the emulated node: raw info, feature get (from a table by
// report ID) and set (recorded).
class HidrawAnswers {
public:
    std::mutex mutex;
    std::map<uint8_t, Bytes> features;
    std::vector<Bytes> featuresSet;

    static gboolean handle(UMockdevIoctlBase*, UMockdevIoctlClient* client, gpointer self)
    {
        return static_cast<HidrawAnswers*>(self)->answer(client);
    }

private:
    gboolean answer(UMockdevIoctlClient* client)
    {
        const unsigned long request = umockdev_ioctl_client_get_request(client);
        const size_t size = _IOC_SIZE(request);
        UMockdevIoctlData* arg = umockdev_ioctl_client_get_arg(client);
        GError* error = nullptr;
        UMockdevIoctlData* data = size ? umockdev_ioctl_data_resolve(arg, 0, size, &error) : nullptr;
        if (size && !data) {
            g_clear_error(&error);
            umockdev_ioctl_client_complete(client, -1, EFAULT);
            return TRUE;
        }
        std::lock_guard lock(mutex);
        if (request == HIDIOCGRAWINFO) {
            hidraw_devinfo info{3, 0x0404, 0x036B};
            std::memcpy(data->data, &info, sizeof info);
            umockdev_ioctl_client_complete(client, 0, 0);
        } else if (request == HIDIOCGFEATURE(size)) {
            auto it = features.find(data->data[0]);
            if (it == features.end()) {
                umockdev_ioctl_client_complete(client, -1, EIO);
            } else {
                const size_t n = std::min(size, it->second.size());
                std::memcpy(data->data, it->second.data(), n);
                umockdev_ioctl_client_complete(client, static_cast<glong>(n), 0);
            }
        } else if (request == HIDIOCSFEATURE(size)) {
            featuresSet.emplace_back(data->data, data->data + size);
            umockdev_ioctl_client_complete(client, static_cast<glong>(size), 0);
        } else {
            umockdev_ioctl_client_complete(client, -1, ENOTTY);
        }
        return TRUE;
    }
};

// umockdev-wrapper preloads the library that redirects /sys and /dev to the test bed.
bool underUmockdevWrapper()
{
    const char* preload = std::getenv("LD_PRELOAD");
    return preload && std::strstr(preload, "libumockdev-preload") != nullptr;
}

class LinuxUsb : public ::testing::Test {
protected:
    void SetUp() override
    {
        if (!underUmockdevWrapper())
            GTEST_SKIP() << "needs umockdev-wrapper";
        testbed = umockdev_testbed_new();
        test::DescriptorBuilder d;
        test::addVendorCollection(d, 4, 1);
        descriptor = d.bytes();
        std::string hex;
        for (uint8_t b : descriptor) {
            char two[3];
            std::snprintf(two, sizeof two, "%02x", b);
            hex += two;
        }
        const std::string tree = std::string("P: ") + (kUsbDevice + 4) +
                                 "\nE: SUBSYSTEM=usb\nE: DEVTYPE=usb_device\nA: idVendor=0404\nA: idProduct=036b\n"
                                 "A: manufacturer=Kyv\nA: product=Receipt printer\nA: serial=K0001\n\n"
                                 "P: " + (kUsbDevice + 4) + "/1-2:1.0\nE: SUBSYSTEM=usb\nE: DEVTYPE=usb_interface\n"
                                 "A: bInterfaceNumber=00\n\n"
                                 "P: " + (kHidDevice + 4) + "\nE: SUBSYSTEM=hid\nE: HID_ID=0003:00000404:0000036B\n"
                                 "H: report_descriptor=" + hex + "\n\n"
                                 "P: " + (kHidDevice + 4) + "/hidraw/hidraw0\nN: hidraw0\nE: SUBSYSTEM=hidraw\n"
                                 "E: DEVNAME=/dev/hidraw0\n\n"
                                 "P: /devices/pci0000:00/0000:00:14.0/usb1/1-3\nE: SUBSYSTEM=usb\nE: DEVTYPE=usb_device\n"
                                 "A: idVendor=0404\nA: idProduct=036C\nA: product=Printer class\n\n"
                                 "P: /devices/pci0000:00/0000:00:14.0/usb1/1-3/1-3:1.0\nE: SUBSYSTEM=usb\n"
                                 "E: DEVTYPE=usb_interface\n\n"
                                 "P: /devices/pci0000:00/0000:00:14.0/usb1/1-3/1-3:1.0/usbmisc/lp0\nN: usb/lp0\n"
                                 "E: SUBSYSTEM=usbmisc\nE: DEVNAME=/dev/usb/lp0\n";
        GError* error = nullptr;
        ASSERT_TRUE(umockdev_testbed_add_from_string(testbed, tree.c_str(), &error)) << (error ? error->message : "");

        // The ioctl answers run on a main loop of their own thread.
        context = g_main_context_new();
        std::promise<bool> attached;
        loop = std::thread([this, &attached] {
            g_main_context_push_thread_default(context);
            handler = umockdev_ioctl_base_new();
            g_signal_connect(handler, "handle-ioctl", G_CALLBACK(&HidrawAnswers::handle), &answers);
            GError* e = nullptr;
            attached.set_value(umockdev_testbed_attach_ioctl(testbed, "/dev/hidraw0", handler, &e));
            g_clear_error(&e);
            while (!stop)
                g_main_context_iteration(context, TRUE);
            g_main_context_pop_thread_default(context);
        });
        ASSERT_TRUE(attached.get_future().get());
    }

    void TearDown() override
    {
        if (loop.joinable()) {
            stop = true;
            g_main_context_wakeup(context);
            loop.join();
        }
        g_clear_object(&handler);
        g_clear_object(&testbed);
        if (context)
            g_main_context_unref(context);
    }

    GMainContext* context = nullptr;
    UMockdevTestbed* testbed = nullptr;
    UMockdevIoctlBase* handler = nullptr;
    std::thread loop;
    std::atomic<bool> stop{false};
    HidrawAnswers answers;
    Bytes descriptor;
    LinuxUsbBackend backend;
};

TEST_F(LinuxUsb, EnumeratesHidAndPrinterClassDevicesFromSysfs)
{
    std::vector<UsbDeviceInfo> devices;
    ASSERT_EQ(backend.enumerate(devices), UsbError::None);
    ASSERT_EQ(devices.size(), 2u);
    const UsbDeviceInfo& hid = devices[0];
    EXPECT_EQ(hid.path, "/dev/hidraw0");
    EXPECT_EQ(hid.deviceClass, UsbDeviceClass::Hid);
    EXPECT_EQ(hid.vendorId, 0x0404);
    EXPECT_EQ(hid.productId, 0x036B);
    EXPECT_EQ(hid.manufacturer, "Kyv");
    EXPECT_EQ(hid.product, "Receipt printer");
    EXPECT_EQ(hid.serial, "K0001");
    EXPECT_EQ(hid.port, "1-2");
    EXPECT_EQ(hid.descriptor, descriptor);
    const UsbDeviceInfo& printer = devices[1];
    EXPECT_EQ(printer.path, "/dev/usb/lp0");
    EXPECT_EQ(printer.deviceClass, UsbDeviceClass::Printer);
    EXPECT_EQ(printer.productId, 0x036C);
    EXPECT_EQ(printer.port, "1-3");
}

TEST_F(LinuxUsb, RawInfoAndFeatureReports)
{
    answers.features[2] = {2, 3, 0x10, 0x20, 0x30};
    std::unique_ptr<UsbHandle> h;
    ASSERT_EQ(backend.open("/dev/hidraw0", h), UsbError::None);
    uint16_t vid = 0, pid = 0;
    ASSERT_EQ(h->info(vid, pid), UsbError::None);
    EXPECT_EQ(vid, 0x0404);
    EXPECT_EQ(pid, 0x036B);

    Bytes feature(64, 0xEE);
    feature[0] = 2;
    ASSERT_EQ(h->getFeature(feature), UsbError::None);
    EXPECT_EQ(Bytes(feature.begin(), feature.begin() + 6), (Bytes{2, 3, 0x10, 0x20, 0x30, 0}));
    EXPECT_EQ(feature[63], 0) << "beyond the device's answer the report reads as zero";
    Bytes unknown(64, 0);
    unknown[0] = 9;
    EXPECT_EQ(h->getFeature(unknown), UsbError::Io);
    EXPECT_FALSE(h->gone());

    ASSERT_EQ(h->setFeature(Bytes{2, 0, 0}), UsbError::None);
    std::lock_guard lock(answers.mutex);
    EXPECT_EQ(answers.featuresSet, (std::vector<Bytes>{{2, 0, 0}}));
}

TEST_F(LinuxUsb, OutputReportGoesToTheNodeAsWritten)
{
    std::unique_ptr<UsbHandle> h;
    ASSERT_EQ(backend.open("/dev/hidraw0", h), UsbError::None);
    size_t written = 0;
    ASSERT_EQ(h->write(Bytes{1, 0x1D, 0x49, 0x02}, written), UsbError::None);
    EXPECT_EQ(written, 4u);
    const int fd = umockdev_testbed_get_dev_fd(testbed, "/dev/hidraw0");
    ASSERT_GE(fd, 0);
    uint8_t seen[4] = {};
    size_t got = 0;
    for (int i = 0; i < 200 && got < sizeof seen; ++i) {
        const ssize_t n = ::read(fd, seen + got, sizeof seen - got);
        if (n > 0)
            got += static_cast<size_t>(n);
        else
            std::this_thread::sleep_for(std::chrono::milliseconds(5));
    }
    EXPECT_EQ(Bytes(seen, seen + got), (Bytes{1, 0x1D, 0x49, 0x02}));
}

// umockdev keeps the node of a removed device openable, so only the listing is tested here;
// a device that leaves while open is tested on the simulated bus.
TEST_F(LinuxUsb, ARemovedDeviceIsNoLongerListed)
{
    umockdev_testbed_remove_device(testbed, kHidDevice);
    std::vector<UsbDeviceInfo> devices;
    ASSERT_EQ(backend.enumerate(devices), UsbError::None);
    ASSERT_EQ(devices.size(), 1u);
    EXPECT_EQ(devices[0].deviceClass, UsbDeviceClass::Printer);
}

} // namespace

bool usbTestUnderWrapper() { return underUmockdevWrapper(); }

} // namespace kyv

int main(int argc, char** argv)
{
    ::testing::InitGoogleTest(&argc, argv);
    if (!kyv::usbTestUnderWrapper()) {
        std::printf("umockdev-wrapper is not in effect: skipped\n");
        return 77;
    }
    return RUN_ALL_TESTS();
}
