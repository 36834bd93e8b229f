#include "faults/usb_bus_rig.h"

#include "core/unique_fd.h"
#include "sim/lib/session/printer_session.h"
#include "support/scratch_dir.h"

#include <sys/socket.h>
#include <sys/un.h>

#include <cstdlib>
#include <cstring>

namespace kyv::test {
namespace {

// Chosen while the program starts, before main.
const bool kBusChosen = [] { return ::setenv("KYVFLASH_USB_BUS", ("unix:" + usbBusPath()).c_str(), 1) == 0; }();

} // namespace

const std::string& usbBusPath()
{
    static const ScratchDir dir;
    static const std::string path = dir / "usb.sock";
    return path;
}

bool usbBusChosen() { return kBusChosen; }

void UsbBusRig::startPrinter(std::vector<sim::Fault> faults)
{
    sim::UsbPrinterOptions options;
    options.printer.model = model_;
    options.printer.restartTime = ProtocolMs{3000};
    options.printer.faults = std::move(faults);
    options.busPath = usbBusPath();
    options.interface = interface_;
    options.port = port_;
    printer_ = std::make_unique<sim::UsbPrinter>(options);
    ASSERT_TRUE(printer_->start()) << printer_->errorText();
}

std::vector<sim::TranscriptEntry> UsbBusRig::transcript() const
{
    return printer_->session().transcript().entries();
}

bool UsbBusRig::opensAgain()
{
    UniqueFd socket(::socket(AF_UNIX, SOCK_STREAM | SOCK_CLOEXEC, 0));
    sockaddr_un to{};
    to.sun_family = AF_UNIX;
    std::strncpy(to.sun_path, usbBusPath().c_str(), sizeof to.sun_path - 1);
    return socket.valid() && ::connect(socket.get(), reinterpret_cast<sockaddr*>(&to), sizeof to) == 0;
}

void UsbBusRig::bringBack()
{
    printer_->stop();
    printer_->plugBackIn();
    ASSERT_TRUE(printer_->start()) << printer_->errorText();
}

void UsbPathMatrix::SetUp()
{
    ASSERT_TRUE(usbBusChosen());
    setTimeScale(0.01);
    clearStopRequest();
}

} // namespace kyv::test
