#include "core/job_end.h"

namespace kyv {

JobEnd jobEndOf(const FlashJob& job)
{
    JobEnd end;
    end.interfaceName = job.interfaceName;
    end.interfaceKind = job.interfaceKind;
    end.baudRate = job.baudRate;
    end.parity = job.parity;
    end.stopBits = job.stopBits;
    return end;
}

void applyJobEnd(const JobEnd& end, FlashJob& job, ProcessValues& values)
{
    job.interfaceName = end.interfaceName;
    job.interfaceKind = end.interfaceKind;
    job.baudRate = end.baudRate;
    job.parity = end.parity;
    job.stopBits = end.stopBits;
    values.userAreaErased = end.userAreaErased;
    if (end.detectedUsbType)
        values.detectedUsbType = *end.detectedUsbType;
}

} // namespace kyv
