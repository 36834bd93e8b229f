#include "protocol/local/command_set_table.h"

#include "core/catalogue.h"
#include "protocol/local/ibm_usb_port_commands.h"
#include "protocol/local/parallel_port_commands.h"
#include "protocol/local/port_commands.h"
#include "protocol/local/printer_class_port_commands.h"
#include "protocol/local/report_port_commands.h"

#include <array>

namespace kyv {
namespace {

using Maker = std::unique_ptr<PrinterCommands> (*)(CDCBComm&, CommandContext&);

template <class Commands>
std::unique_ptr<PrinterCommands> make(CDCBComm& port, CommandContext& context)
{
    return std::make_unique<Commands>(port, context);
}

struct Row {
    PortKind kind;
    Maker maker;
};

constexpr std::array kRows{
    Row{kSerialPort, &make<PortCommands>},
    Row{kParallelPort, &make<ParallelPortCommands>},
    Row{kUsbReportDevice, &make<ReportPortCommands>},
    Row{kUsbDeviceClass, &make<PrinterClassPortCommands>},
    Row{kIbmUsb, &make<IbmUsbPortCommands>},
};

} // namespace

std::unique_ptr<PrinterCommands> makePortCommands(PortKind kind, CDCBComm& port, CommandContext& context)
{
    for (const Row& row : kRows)
        if (row.kind == kind)
            return row.maker(port, context);
    // A kind the port cannot open: its writes fail, so every command fails at its first.
    return make<PortCommands>(port, context);
}

} // namespace kyv
