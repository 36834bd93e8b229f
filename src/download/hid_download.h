#pragma once
// The HID download of the J5 family: identify, version and mode over the printer's HID
// interface, the switch to download mode, the image as a stream of 1021-byte blocks with
// one CRC query at the end, the reset, and the wait for the printer to come back.

#include "core/job_end.h"
#include "download/worker_job.h"

namespace kyv {

class UsbBackend;

JobEnd RunHidDownload(WorkerJob job);
// The same on a given USB backend (tests).
JobEnd RunHidDownload(WorkerJob job, UsbBackend& usb);

} // namespace kyv
