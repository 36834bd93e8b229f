#pragma once
// The parallel port a printer hangs on (/dev/lp0 unless the settings name another device).
// Writes and reads follow the port's own pacing: a short settle before each write, a long
// settle before each reply, and the reply fetched one byte at a time.

#include "transport/fd_io.h"
#include "core/unique_fd.h"

#include <cstddef>
#include <cstdint>
#include <string>

namespace kyv {

class ParallelPort {
public:
    // Pacing of the port, in protocol time.
    static constexpr ProtocolMs kSettleBeforeWrite{100};
    static constexpr ProtocolMs kWriteLimit{50000};
    static constexpr ProtocolMs kSettleBeforeRead{1000};
    static constexpr ProtocolMs kByteWait{10000};

    ParallelPort() = default;
    ~ParallelPort() { close(); }
    ParallelPort(const ParallelPort&) = delete;
    ParallelPort& operator=(const ParallelPort&) = delete;

    // Opens the device exclusively. Returns 0 or the errno of the failure.
    int open(const std::string& devicePath);
    bool isOpen() const { return fd_.valid(); }
    int fd() const { return fd_.get(); }

    // Settles, then writes the whole buffer within the write limit.
    Transfer write(const uint8_t* buffer, size_t length);
    // Settles, then reads exactly length bytes, each within the byte wait. Fewer bytes
    // than asked is a failed read (the count of those that came is still reported).
    Transfer read(uint8_t* buffer, size_t length);
    void purgeInput();

    // The printer's busy line from the port's status register: 1 busy, 0 not busy,
    // -1 when the device has no status register (then callers go ahead and read).
    int busy() const;
    void close();

private:
    UniqueFd fd_;
};

} // namespace kyv
