#include "sim/lib/usb/usb_printer.h"

#include "sim/lib/session/printer_session.h"
#include "sim/lib/usb/bus_socket_server.h"
#include "sim/lib/usb/ibm_sector_packets.h"
#include "sim/lib/usb/ibm_usb_frames.h"
#include "sim/lib/usb/j5_commands.h"
#include "sim/lib/usb/j5_download.h"
#include "sim/lib/printer/printer_replies.h"
#include "sim/lib/usb/printer_reports.h"
#include "sim/lib/usb/usb_bus.h"

#include <algorithm>
#include <cerrno>
#include <cstdio>
#include <poll.h>
#include <system_error>
#include <thread>

namespace kyv::sim {
namespace {

constexpr const char* kManufacturer = "POS Printer";
constexpr const char* kSerial = "SIM00001";

std::string hex4(uint16_t value)
{
    char text[8];
    std::snprintf(text, sizeof text, "%04x", value);
    return text;
}

} // namespace

// Carries one printer session over the bus: the printer's devices, the replies in their
// reports, and their leaving and coming back on restarts. Serving thread only, but for
// the session's own thread-safe members.
struct UsbPrinter::Impl final : HostLink, UsbBusDevices {
    explicit Impl(UsbPrinterOptions o) : options(withUsbSwitch(std::move(o))), session(options.printer), bus(*this) {}

    // On its USB report device the printer takes the download-mode switch at its next reset.
    static UsbPrinterOptions withUsbSwitch(UsbPrinterOptions o)
    {
        o.printer.switchAtReset = o.interface == UsbInterface::Usb;
        return o;
    }

    struct Shown {
        int number = 0;
        UsbDeviceForm form;
    };

    UsbPrinterOptions options;
    PrinterSession session;
    UsbBus bus;
    BusSocketServer server;
    std::thread thread;
    std::string error;

    std::vector<Shown> shown;   // the printer's devices on the bus now
    std::vector<int> decoys;
    int shownResets = -1;       // the printer's reset count when its devices came
    bool unplugged = false;     // the printer dropped its line: gone for good

    // Where the reply to the command being served goes.
    const Shown* target = nullptr;
    uint8_t inputId = 0;
    Bytes featureReply;         // the vendor page's feature data since the last write
    J5Download j5Download; // a J5 printer's image as it comes
    Bytes ibmCommand, ibmReply; // the last IBM command and what it was answered
    Bytes ibmStatus = ibmStatusReport({});
    IbmSectorPackets ibmSector; // a sector arriving in IBM USB packets

    bool takeJ5(const Shown& device, const Bytes& bytes);
    void takeIbmReport(const Shown& device, const Bytes& bytes);
    void runSwapCommand(const Shown& device, const Bytes& command);

    void serve();
    void syncDevices();
    void showDevices(PrinterMode mode);
    void hideDevices();
    const Shown* find(int number) const;
    bool feed(const Shown& device, std::span<const uint8_t> bytes);

    BusError write(int device, const Bytes& data) override;
    std::optional<Bytes> feature(int device, uint8_t reportId) override;
    bool setFeature(int device, const Bytes& report) override;
    bool sendReply(const Bytes& reply) override;
    void dropLine() override { unplugged = true; }
};

const UsbPrinter::Impl::Shown* UsbPrinter::Impl::find(int number) const
{
    for (const Shown& s : shown)
        if (s.number == number)
            return &s;
    return nullptr;
}

void UsbPrinter::Impl::showDevices(PrinterMode mode)
{
    for (const UsbDeviceForm& form : usbDevicesFor(options.printer.model, options.interface, mode)) {
        BusDeviceInfo info;
        info.hid = form.kind != UsbDeviceKind::PrinterClass;
        info.vendorId = kPrinterVendor;
        info.productId = form.productId;
        info.manufacturer = kManufacturer;
        info.product = form.product;
        info.serial = kSerial;
        info.port = options.port;
        if (form.kind == UsbDeviceKind::VendorReports)
            info.descriptor = vendorDescriptor();
        else if (form.kind == UsbDeviceKind::IbmReports)
            info.descriptor = ibmUsbDescriptor();
        int number = bus.add(std::move(info));
        shown.push_back({number, form});
        session.note("usb: " + bus.path(number) + " arrived, " + hex4(kPrinterVendor) + ":" + hex4(form.productId) +
                     " on port " + options.port);
    }
}

void UsbPrinter::Impl::hideDevices()
{
    for (const Shown& s : shown) {
        bus.remove(s.number);
        session.note("usb: " + bus.path(s.number) + " left");
    }
    shown.clear();
    target = nullptr;
    featureReply.clear();
    ibmCommand.clear();
    ibmReply.clear();
    ibmStatus = ibmStatusReport({});
}

// The printer is on the bus while it is up, and comes anew after each restart.
void UsbPrinter::Impl::syncDevices()
{
    const PrinterState state = session.state();
    if (!shown.empty() && (unplugged || state.restarting || state.resetCount != shownResets))
        hideDevices();
    if (shown.empty() && !unplugged && !state.restarting) {
        showDevices(state.mode);
        shownResets = state.resetCount;
    }
}

bool UsbPrinter::Impl::feed(const Shown& device, std::span<const uint8_t> bytes)
{
    target = &device;
    return session.receive(bytes, nullptr, *this);
}

BusError UsbPrinter::Impl::write(int number, const Bytes& data)
{
    const Shown* device = find(number);
    if (device == nullptr)
        return BusError::None; // a decoy takes anything and does nothing
    switch (device->form.kind) {
    case UsbDeviceKind::PrinterClass: feed(*device, data); break;
    case UsbDeviceKind::VendorReports: {
        std::optional<Bytes> bytes = vendorOutputData(data);
        if (!bytes)
            return BusError::Io;
        inputId = vendorInputIdFor(data[0]);
        featureReply.clear();
        if (options.interface == UsbInterface::Hid && takeJ5(*device, *bytes))
            break;
        feed(*device, *bytes);
        break;
    }
    case UsbDeviceKind::IbmReports: {
        std::optional<Bytes> bytes = ibmOutputData(data);
        if (!bytes)
            return BusError::Io;
        takeIbmReport(*device, *bytes);
        break;
    }
    }
    target = nullptr;
    // A printer that restarts leaves the bus before the host hears that its write went in.
    syncDevices();
    session.tookHostWrite();
    return BusError::None;
}

// A J5 printer answers its own commands and takes its image on the HID interface; false
// for bytes that are none of them (the switch to download mode, the reset).
bool UsbPrinter::Impl::takeJ5(const Shown& device, const Bytes& bytes)
{
    const PrinterState state = session.state();
    if (state.restarting)
        return false;
    std::optional<J5Step> step = j5Download.take(bytes, state);
    if (!step) {
        std::optional<J5Answer> answer = j5Answer(bytes, state, options.j5Firmware.value_or(J5Firmware{}));
        if (!answer)
            return false;
        step = J5Step{answer->command, std::move(answer->reply), "j5"};
    }
    if (step->imageComplete && session.refusesNext(PrinterCommand::J5Image)) {
        step->note = "j5 image complete, refused"; // the flash keeps what it held
    } else if (step->imageComplete && !session.storeImage(j5Download.kind(), j5Download.image())) {
        step->note = "j5 image complete, does not fit";
        step->reply = Bytes{kNak};
    }
    // The image's blocks are noted by size: the transcript stays readable.
    session.transcript().add(Direction::ToPrinter, step->imageBlock ? Bytes{} : bytes, step->note);
    if (step->command) {
        target = &device;
        session.answerParsed(*step->command, std::move(step->reply), *this);
    }
    return true;
}

void UsbPrinter::Impl::takeIbmReport(const Shown& device, const Bytes& bytes)
{
    std::optional<Bytes> sector;
    const size_t blocksBefore = ibmSector.blocksDone();
    if (ibmSector.take(bytes, sector)) {
        if (ibmSector.blocksDone() > blocksBefore)
            session.note("ibm usb: block " + std::to_string(ibmSector.blocksDone()) + " of a sector arrived");
        if (sector) {
            session.note("ibm usb: a sector of 4 blocks arrived");
            ibmCommand = Bytes(sector->begin(), sector->begin() + 6);
            ibmReply.clear();
            feed(device, *sector);
        }
        return;
    }
    for (const IbmPiece& piece : splitIbmFrames(bytes)) {
        if (piece.statusRequest) {
            ibmStatus = ibmStatusReport(ibmAnswer(ibmCommand, ibmReply));
            continue;
        }
        ibmCommand = piece.bytes;
        ibmReply.clear();
        if (piece.swapPage) {
            runSwapCommand(device, piece.bytes);
            continue;
        }
        if (!feed(device, piece.bytes))
            break;
    }
}

// The firmware-bank commands of the printers with two banks: the bank query answers at once
// in the status report (no bank flag set: it can swap); the swap commands are accepted, and
// the CRC after the swap is that of the image just written.
void UsbPrinter::Impl::runSwapCommand(const Shown& device, const Bytes& command)
{
    constexpr uint8_t kAckByte = 0x06;
    auto is = [&](std::initializer_list<uint8_t> prefix) {
        return command.size() >= prefix.size() && std::equal(prefix.begin(), prefix.end(), command.begin());
    };
    session.transcript().add(Direction::ToPrinter, command, "swap");
    if (is({0x10, 0x0A, 0x10, 0x80})) {
        ibmStatus = ibmStatusReport({});
    } else if (is({0x10, 0x0A, 0x01}) || is({0x10, 0x0A, 0x02})) {
        session.note(command[2] == 0x01 ? "ibm usb: swap memory prepared" : "ibm usb: firmware banks swapped");
        ibmReply = {kAckByte};
    } else if (is({0x10, 0x07, 0x00})) {
        const Bytes mainCrc{0x1D, 0x0F};
        ibmCommand = mainCrc;
        feed(device, mainCrc);
    }
}

bool UsbPrinter::Impl::sendReply(const Bytes& reply)
{
    if (target == nullptr || !bus.present(target->number))
        return true; // nobody to hear it: the printer goes on
    switch (target->form.kind) {
    case UsbDeviceKind::PrinterClass: bus.deliverBytes(target->number, reply); break;
    case UsbDeviceKind::IbmReports: ibmReply.insert(ibmReply.end(), reply.begin(), reply.end()); break;
    case UsbDeviceKind::VendorReports:
        featureReply.insert(featureReply.end(), reply.begin(), reply.end());
        for (size_t at = 0; at < reply.size(); at += kVendorReplyData) {
            size_t count = std::min(kVendorReplyData, reply.size() - at);
            bus.deliverInput(target->number,
                             vendorReplyReport(inputId, std::span<const uint8_t>(reply).subspan(at, count)));
        }
        break;
    }
    return true;
}

std::optional<Bytes> UsbPrinter::Impl::feature(int number, uint8_t reportId)
{
    const Shown* device = find(number);
    if (device == nullptr)
        return std::nullopt;
    if (device->form.kind == UsbDeviceKind::VendorReports && isVendorFeatureId(reportId)) {
        std::span<const uint8_t> data(featureReply);
        return vendorReplyReport(reportId, data.first(std::min(data.size(), kVendorReplyData)));
    }
    if (device->form.kind == UsbDeviceKind::IbmReports && reportId == kIbmFeatureId)
        return ibmStatus;
    return std::nullopt;
}

bool UsbPrinter::Impl::setFeature(int number, const Bytes& report)
{
    const Shown* device = find(number);
    if (device == nullptr)
        return false;
    if (device->form.kind == UsbDeviceKind::VendorReports)
        return isVendorFeatureId(report[0]);
    return device->form.kind == UsbDeviceKind::IbmReports && report[0] == kIbmFeatureId;
}

void UsbPrinter::Impl::serve()
{
    std::vector<pollfd> fds;
    while (true) {
        session.finishRestartIfDue();
        syncDevices();
        server.finishReads(bus);
        fds.assign(1, pollfd{session.stopFd(), POLLIN, 0});
        server.addPollFds(fds);
        int restart = session.pollTimeoutMs();
        int read = bus.pollTimeoutMs(UsbBus::Clock::now());
        int timeout = restart < 0 ? read : read < 0 ? restart : std::min(restart, read);
        int ready = ::poll(fds.data(), fds.size(), timeout);
        if (ready < 0 && errno == EINTR)
            continue;
        if (ready < 0 || fds[0].revents != 0)
            break;
        server.serve(fds, bus);
    }
}

UsbPrinter::UsbPrinter(UsbPrinterOptions options) : impl_(std::make_unique<Impl>(std::move(options))) {}

UsbPrinter::~UsbPrinter() { stop(); }

bool UsbPrinter::start()
{
    Impl& d = *impl_;
    if (d.thread.joinable()) {
        d.error = "the printer is already serving";
        return false;
    }
    if (!d.session.valid()) {
        d.error = d.session.errorText();
        return false;
    }
    std::string why;
    if (usbDevicesFor(d.options.printer.model, d.options.interface, PrinterMode::Online, &why).empty()) {
        d.error = why;
        return false;
    }
    if (!d.server.listen(d.options.busPath)) {
        d.error = d.server.errorText();
        return false;
    }
    for (const UsbDecoy& decoy : d.decoys.empty() ? d.options.decoys : std::vector<UsbDecoy>{}) {
        BusDeviceInfo info;
        info.vendorId = decoy.vendorId;
        info.productId = decoy.productId;
        info.manufacturer = "Other Vendor";
        info.product = "USB Optical Mouse";
        info.port = "2-" + std::to_string(d.decoys.size() + 1);
        info.descriptor = mouseDescriptor();
        d.decoys.push_back(d.bus.add(std::move(info)));
    }
    if (!d.session.beginServing("on the USB bus " + d.options.busPath + " as " +
                                std::string(usbInterfaceName(d.options.interface)))) {
        d.error = d.session.errorText();
        d.server.close();
        return false;
    }
    d.syncDevices();
    try {
        d.thread = std::thread([&d] { d.serve(); });
    } catch (const std::system_error& failure) {
        d.error = std::string("cannot start the printer's thread: ") + failure.what();
        stop();
        return false;
    }
    return true;
}

bool UsbPrinter::stop()
{
    Impl& d = *impl_;
    if (d.thread.joinable()) {
        d.session.requestStop();
        d.thread.join();
    }
    d.server.close();
    if (d.session.endServing())
        return true;
    d.error = d.session.errorText();
    return false;
}

const std::string& UsbPrinter::errorText() const { return impl_->error; }
PrinterState UsbPrinter::state() const { return impl_->session.state(); }
std::vector<TranscriptEntry> UsbPrinter::transcript(size_t from) const
{
    return impl_->session.transcript().entries(from);
}
Bytes UsbPrinter::sectorBytes(int sector) const { return impl_->session.sectorBytes(sector); }
bool UsbPrinter::sectorsHoldFile(const std::string& path, int firstSector, std::string* why) const
{
    return impl_->session.sectorsHoldFile(path, firstSector, why);
}
std::string UsbPrinter::modelNumber() const { return impl_->session.modelNumber(); }
PrinterSession& UsbPrinter::session() { return impl_->session; }

void UsbPrinter::plugBackIn()
{
    Impl& d = *impl_;
    if (d.thread.joinable())
        return; // the serving thread owns the bus state
    d.unplugged = false;
    // Powered on again: an image or sector half-received is gone with the power.
    d.j5Download = J5Download{};
    d.session.withModel([](PrinterModel& model) {
        model.clearFaults();
        model.reconnectLine();
    });
}

} // namespace kyv::sim
