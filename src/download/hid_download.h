#pragma once
// The HID download of the J5 family: identify, version and mode over the printer's HID
// interface, the switch to download mode, the image as a stream of 1021-byte blocks with
// one CRC query at the end, the reset, and the wait for the printer to come back.

#include "core/job_end.h"
#include "download/worker_job.h"

#include <array>
#include <cstdint>
#include <span>

namespace kyv {

class UsbBackend;

JobEnd RunHidDownload(WorkerJob job);
// The same on a given USB backend (tests).
JobEnd RunHidDownload(WorkerJob job, UsbBackend& usb);

// The image is older than the printer's firmware, which then asks before it is sent: by
// its version stamp (header bytes 7, 8, 5, 6, 3, 4 against bytes 8, 9, 6, 7, 4, 5 of the
// printer's version reply) or by its firmware version (header 9, 10, 12, 13 against reply
// 10, 11, 13, 14). False for a header shorter than an image's 16 bytes.
bool j5ImageIsOlder(std::span<const uint8_t> header, const std::array<uint8_t, 64>& reply);

} // namespace kyv
