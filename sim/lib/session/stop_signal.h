#pragma once
// Tells a serving thread to end: an eventfd that becomes readable once raised, so the
// thread can poll it next to its own descriptors, and waits that end early when it is.

#include "core/clock.h"
#include "core/unique_fd.h"

#include <string>

namespace kyv::sim {

class StopSignal {
public:
    // A fresh, lowered signal. False with errorText() when no eventfd can be made.
    bool open();
    void close() { fd_.reset(); }
    // Safe from any thread; stays raised until the next open().
    void raise();
    int fd() const { return fd_.get(); }
    // Waits the protocol time; false when the signal was raised before it was over.
    bool waitFor(ProtocolMs time) const;
    const std::string& errorText() const { return error_; }

private:
    UniqueFd fd_;
    std::string error_;
};

} // namespace kyv::sim
