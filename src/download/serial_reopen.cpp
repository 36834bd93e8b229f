#include "download/serial_reopen.h"

#include "protocol/flash_cmd.h"

namespace kyv {

bool openSerialLine(CFlashCmd& cmd, const FlashJob& job)
{
    return cmd.open(kSerialPort, job.interfaceName) &&
           cmd.configure(job.interfaceName, job.baudRate, job.parity, 8, job.stopBits);
}

bool reopenSerialLine(CFlashCmd& cmd, const FlashJob& job)
{
    cmd.close();
    return openSerialLine(cmd, job);
}

bool isEdgeportPort(CFlashCmd& cmd, const std::string& name)
{
    cmd.findEdgeportPorts();
    return !name.empty() && cmd.edgeportPorts.find(name + ",") != std::string::npos;
}

} // namespace kyv
