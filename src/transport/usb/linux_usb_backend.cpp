#include "transport/usb/linux_usb_backend.h"

#include "transport/fd_io.h"
#include "core/unique_fd.h"
#include "transport/usb/linux_sysfs.h"

#include <fcntl.h>
#include <linux/hidraw.h>
#include <sys/ioctl.h>

#include <algorithm>
#include <cerrno>

namespace kyv {
namespace {

// usblp answers its vendor and product id (two ints) to this request.
constexpr unsigned long kUsblpGetVidPid = _IOC(_IOC_READ, 'P', 6, sizeof(int) * 2);
// A write that the device does not take within this time fails (a printer that stopped
// taking data is reported, not waited for).
constexpr ProtocolMs kWriteTimeout{10000};
// Largest report a hidraw node moves in one request.
constexpr size_t kMaxHidReport = 16384;

// hidraw and usblp answer requests on a device that has left with ENODEV; EIO or EPIPE from a
// request is the device refusing that one report (read and write take EIO as gone, fd_io).
bool requestFoundGone(int error) { return error == ENODEV || error == ENXIO || error == ESHUTDOWN; }

UsbError openError(int error)
{
    switch (error) {
    case ENOENT: return UsbError::NoEntry;
    case EBUSY: return UsbError::Busy;
    case ENODEV:
    case ENXIO: return UsbError::Gone;
    default: return UsbError::Io;
    }
}

// Common part: the descriptor and the latch that keeps a gone device gone.
class LinuxHandle : public UsbHandle {
public:
    explicit LinuxHandle(UniqueFd fd) : fd_(std::move(fd)) {}
    bool gone() const override { return gone_; }

    UsbError write(std::span<const uint8_t> data, size_t& written) override
    {
        written = 0;
        if (gone_)
            return UsbError::Gone;
        if (data.empty())
            return UsbError::Invalid;
        const Transfer t = writeWithin(fd_.get(), data.data(), data.size(), Deadline(kWriteTimeout));
        written = t.bytes;
        if (t.dropped)
            return leave();
        return t.bytes == data.size() ? UsbError::None : UsbError::Io;
    }

    UsbError read(std::span<uint8_t> buffer, ProtocolMs timeout, size_t& got) override
    {
        got = 0;
        if (gone_)
            return UsbError::Gone;
        const Transfer t = readWithin(fd_.get(), buffer.data(), buffer.size(), Deadline(timeout));
        if (t.dropped)
            return leave();
        got = t.bytes;
        return UsbError::None;
    }

protected:
    UsbError leave()
    {
        gone_ = true;
        return UsbError::Gone;
    }
    UsbError failure(int error) { return requestFoundGone(error) ? leave() : UsbError::Io; }

    UniqueFd fd_;
    bool gone_ = false;
};

class HidrawHandle final : public LinuxHandle {
public:
    using LinuxHandle::LinuxHandle;

    UsbError info(uint16_t& vendorId, uint16_t& productId) override
    {
        if (gone_)
            return UsbError::Gone;
        hidraw_devinfo raw{};
        if (::ioctl(fd_.get(), HIDIOCGRAWINFO, &raw) < 0)
            return failure(errno);
        vendorId = static_cast<uint16_t>(raw.vendor);
        productId = static_cast<uint16_t>(raw.product);
        return UsbError::None;
    }

    UsbError getFeature(std::span<uint8_t> report) override
    {
        if (gone_)
            return UsbError::Gone;
        if (report.empty() || report.size() > kMaxHidReport)
            return UsbError::Invalid;
        const int n = ::ioctl(fd_.get(), HIDIOCGFEATURE(report.size()), report.data());
        if (n < 0)
            return failure(errno);
        // The kernel says how many bytes the report had; the rest of the buffer reads as zero.
        std::fill(report.begin() + std::min<size_t>(static_cast<size_t>(n), report.size()), report.end(), 0);
        return UsbError::None;
    }

    UsbError setFeature(std::span<const uint8_t> report) override
    {
        if (gone_)
            return UsbError::Gone;
        if (report.empty() || report.size() > kMaxHidReport)
            return UsbError::Invalid;
        if (::ioctl(fd_.get(), HIDIOCSFEATURE(report.size()), report.data()) < 0)
            return failure(errno);
        return UsbError::None;
    }
};

class UsblpHandle final : public LinuxHandle {
public:
    using LinuxHandle::LinuxHandle;

    UsbError info(uint16_t& vendorId, uint16_t& productId) override
    {
        if (gone_)
            return UsbError::Gone;
        int ids[2] = {0, 0};
        if (::ioctl(fd_.get(), kUsblpGetVidPid, ids) < 0)
            return failure(errno);
        vendorId = static_cast<uint16_t>(ids[0]);
        productId = static_cast<uint16_t>(ids[1]);
        return UsbError::None;
    }
    UsbError getFeature(std::span<uint8_t> /*report*/) override { return gone_ ? UsbError::Gone : UsbError::Invalid; }
    UsbError setFeature(std::span<const uint8_t> /*report*/) override { return gone_ ? UsbError::Gone : UsbError::Invalid; }
};

} // namespace

UsbError LinuxUsbBackend::enumerate(std::vector<UsbDeviceInfo>& devices)
{
    devices = listSysfsUsbDevices(sysRoot_, devRoot_);
    return UsbError::None;
}

UsbError LinuxUsbBackend::open(const std::string& path, std::unique_ptr<UsbHandle>& handle)
{
    handle.reset();
    int raw;
    do {
        raw = ::open(path.c_str(), O_RDWR | O_CLOEXEC | O_NONBLOCK | O_NOCTTY);
    } while (raw < 0 && errno == EINTR);
    if (raw < 0)
        return openError(errno);
    UniqueFd fd(raw);
    const std::string name = path.substr(path.find_last_of('/') + 1);
    if (name.rfind("hidraw", 0) == 0)
        handle = std::make_unique<HidrawHandle>(std::move(fd));
    else
        handle = std::make_unique<UsblpHandle>(std::move(fd));
    return UsbError::None;
}

} // namespace kyv
