// The J5 HID interface as the download holds it, on a device that never falls silent.
#include "transport/usb/j5_device.h"
#include "usb_descriptor_builder.h"

#include <gtest/gtest.h>

namespace kyv::test {
namespace {

// A J5 that answers every read with one more input report and counts what it is sent.
class ChattyJ5 final : public UsbHandle {
public:
    explicit ChattyJ5(int& writes) : writes_(writes) {}
    UsbError info(uint16_t& vendorId, uint16_t& productId) override
    {
        vendorId = 0x0404;
        productId = 0x40F;
        return UsbError::None;
    }
    UsbError write(std::span<const uint8_t> data, size_t& written) override
    {
        ++writes_;
        written = data.size();
        return UsbError::None;
    }
    UsbError getFeature(std::span<uint8_t>) override { return UsbError::Io; }
    UsbError setFeature(std::span<const uint8_t>) override { return UsbError::Io; }
    UsbError read(std::span<uint8_t> buffer, ProtocolMs, size_t& got) override
    {
        std::fill(buffer.begin(), buffer.end(), 0);
        buffer[1] = 1;    // count
        buffer[2] = 0x06; // an ACK, over and over
        got = buffer.size();
        return UsbError::None;
    }
    bool gone() const override { return false; }

private:
    int& writes_;
};

class ChattyBus final : public UsbBackend {
public:
    UsbError enumerate(std::vector<UsbDeviceInfo>& devices) override
    {
        UsbDeviceInfo info;
        info.path = "fake:hid:1";
        info.vendorId = 0x0404;
        info.productId = 0x40F;
        info.port = "1-1";
        info.descriptor = j5Descriptor().bytes();
        devices = {info};
        return UsbError::None;
    }
    UsbError open(const std::string&, std::unique_ptr<UsbHandle>& handle) override
    {
        handle = std::make_unique<ChattyJ5>(writes);
        return UsbError::None;
    }
    int writes = 0;
};

TEST(J5Device, ADeviceThatNeverFallsSilentRefusesTheWriteInsteadOfHanging)
{
    ChattyBus bus;
    J5Device device(bus);
    ASSERT_EQ(device.open("40e40f"), J5Device::Opened::Yes);
    const uint8_t crcQuery[] = {0x1D, 0x12, 0x02};
    EXPECT_FALSE(device.write(crcQuery)) << "a stale ACK could pass for the answer to this write";
    EXPECT_EQ(bus.writes, 0);
}

} // namespace
} // namespace kyv::test
