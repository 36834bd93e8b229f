#include "transport/lines/line_factory.h"

#include "core/catalogue.h"
#include "transport/lines/channel_line.h"
#include "transport/lines/ibm_usb_line.h"
#include "transport/lines/idle_line.h"
#include "transport/lines/parallel_line.h"
#include "transport/lines/report_device_line.h"
#include "transport/lines/serial_line.h"

namespace kyv {

std::unique_ptr<Line> makeLine(PortKind kind)
{
    switch (kind) {
    case kSerialPort: return std::make_unique<SerialLine>();
    case kParallelPort: return std::make_unique<ParallelLine>();
    case kUsbReportDevice: return std::make_unique<ReportDeviceLine>();
    case kIbmUsb: return std::make_unique<IbmUsbLine>();
    case kUsbDeviceClass: return std::make_unique<ChannelLine>(printerClassChannel());
    default: return std::make_unique<IdleLine>();
    }
}

} // namespace kyv
