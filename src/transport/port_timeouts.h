#pragma once
// The five time-out values of a port, in protocol milliseconds.
//
// With readInterval and readMultiplier at their maximum (how setReadTimeout leaves them)
// a read returns at once with what has arrived, or waits up to readConstant for the first
// byte and returns as soon as one arrives. A write may take up to
// writeMultiplier x length + writeConstant.

#include <cstddef>
#include <cstdint>

#include "core/clock.h"

namespace kyv {

struct PortTimeouts {
    static constexpr uint32_t kMaximum = 0xFFFFFFFFu;

    uint32_t readInterval = 0;
    uint32_t readMultiplier = 0;
    uint32_t readConstant = 0;
    uint32_t writeMultiplier = 0;
    uint32_t writeConstant = 0;

    // How long a read waits for its first byte.
    ProtocolMs firstByteWait() const { return ProtocolMs{readConstant}; }
    // The longest a write of length bytes may take.
    ProtocolMs writeLimit(size_t length) const
    {
        return ProtocolMs{static_cast<int64_t>(writeMultiplier) * static_cast<int64_t>(length) +
                          static_cast<int64_t>(writeConstant)};
    }
};

} // namespace kyv
