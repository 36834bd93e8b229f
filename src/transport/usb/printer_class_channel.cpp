#include "transport/usb/printer_class_channel.h"
#include "transport/usb/printer_class_path.h"

#include <algorithm>
#include <vector>

namespace kyv {

int PrinterClassChannel::findReportDevice(const std::string& pidFilter, int usageSelector)
{
    for (int attempt = 1; attempt <= kFindAttempts; ++attempt) {
        FoundReportDevice found;
        if (std::unique_ptr<VendorReportLink> link = kyv::findReportDevice(backend_, pidFilter, usageSelector, found)) {
            close();
            report_ = std::move(link);
            device_ = found;
            return 1;
        }
        if (attempt < kFindAttempts && !sleepFor(kFindPause))
            return 0;
    }
    return 0;
}

int PrinterClassChannel::attach(bool reportMode, const std::string& pidFilter)
{
    if (reportMode) {
        // Reads through the channel are feature reports: a device without one is no channel.
        if (report_ && report_->layout().feature.present && report_->handle() >= 0)
            return 1;
        close();
        return 0;
    }
    close();
    int examined = 0;
    const std::string path = findPrinterClassPath(backend_, pidFilter, examined);
    std::unique_ptr<UsbHandle> handle;
    uint16_t vid = 0;
    uint16_t pid = 0;
    if (path.empty() || backend_.open(path, handle) != UsbError::None || handle->info(vid, pid) != UsbError::None)
        return 0;
    printer_ = std::move(handle);
    device_ = FoundReportDevice{path, {}, vid, pid, pidText(pid)};
    return 1;
}

void PrinterClassChannel::close()
{
    report_.reset();
    printer_.reset();
    device_ = FoundReportDevice{};
}

bool PrinterClassChannel::isOpen() const
{
    if (report_)
        return report_->handle() >= 0;
    return printer_ && !printer_->gone();
}

int PrinterClassChannel::write(std::span<const uint8_t> data)
{
    if (!isOpen())
        return 0;
    for (size_t done = 0; done < data.size(); done += kWritePiece) {
        const std::span<const uint8_t> piece = data.subspan(done, std::min(kWritePiece, data.size() - done));
        if (report_) {
            if (!report_->writeReport(piece.data(), piece.size()))
                return 0;
            continue;
        }
        size_t written = 0;
        if (printer_->write(piece, written) != UsbError::None || written != piece.size())
            return 0;
    }
    return 1;
}

int PrinterClassChannel::read(uint8_t* buffer, size_t count, size_t& got, size_t* delivered)
{
    got = 0;
    for (int attempt = 1; attempt <= kReadAttempts; ++attempt) {
        if (!isOpen())
            return 0; // a device that left answers nothing more
        if (readOnce(buffer, count, got, delivered))
            return 1;
        if (attempt < kReadAttempts && !sleepFor(kReadPause))
            return 0;
    }
    return 0;
}

int PrinterClassChannel::readOnce(uint8_t* buffer, size_t count, size_t& got, size_t* delivered)
{
    uint8_t reply[kReadBytes] = {};
    size_t filled = 0;
    if (report_) {
        // Two header bytes before the feature data, as the printers' replies are counted.
        const ReportLayout& layout = report_->layout();
        size_t dataCount = 0;
        if (!report_->readReport(reply + 2, kReadBytes - 2, dataCount))
            return 0;
        reply[0] = layout.feature.reportId;
        reply[1] = static_cast<uint8_t>(dataCount);
        filled = 2 + dataCount;
    } else if (size_t held = 0; printer_->read(reply, ProtocolMs(0), held) != UsbError::None || held == 0) {
        return 0;
    } else {
        filled = held;
    }
    if (delivered != nullptr)
        *delivered = std::min(filled, kReadBytes);
    // The caller's count is copied from the zeroed reply, however much of it the device filled.
    got = std::min(count, kReadBytes);
    std::copy_n(reply, got, buffer);
    return 1;
}

int PrinterClassChannel::readReply(uint8_t* buffer, size_t count, size_t& got, ProtocolMs timeout, size_t* delivered)
{
    got = 0;
    if (!isOpen())
        return 0;
    uint8_t reply[kReadBytes] = {};
    size_t filled = 0;
    if (report_) {
        size_t dataCount = 0;
        if (!report_->readInputReport(reply + 2, kReadBytes - 2, dataCount, timeout))
            return 0;
        reply[0] = report_->layout().input.reportId;
        reply[1] = static_cast<uint8_t>(dataCount);
        filled = 2 + dataCount;
    } else if (size_t held = 0; printer_->read(reply, timeout, held) != UsbError::None || held == 0) {
        return 0;
    } else {
        filled = held;
    }
    if (delivered != nullptr)
        *delivered = std::min(filled, kReadBytes);
    got = std::min(count, kReadBytes);
    std::copy_n(reply, got, buffer);
    return 1;
}

void PrinterClassChannel::discardInput()
{
    constexpr int kMostDiscarded = 4096; // a printer that never stops talking ends it too
    uint8_t scratch[kReadBytes];
    for (int i = 0; i < kMostDiscarded && isOpen(); ++i) {
        size_t held = 0;
        if (report_) {
            if (!report_->readInputReport(scratch, sizeof scratch, held, ProtocolMs(0)))
                return;
        } else if (printer_->read(scratch, ProtocolMs(0), held) != UsbError::None || held == 0) {
            return;
        }
    }
}

PrinterClassChannel& printerClassChannel()
{
    static PrinterClassChannel channel(usbBackend());
    return channel;
}

} // namespace kyv
