#pragma once
// A J5 printer taking its image in download mode: the header 1D 13 with the image kind and
// the length (most significant byte first), then the image as plain blocks with no answer
// until the last byte, then ACK; the CRC query 1D 12 answers ACK and the CRC (low byte
// first) of what came after the image's 16-byte header; 1D 82 drops a transfer. The
// J5_REFRESH preparation and the print-configuration command are taken without an answer.
// Faults are the session's business: each step names its command and the answer before them.

#include "sim/lib/printer_command.h"
#include "sim/lib/printer_state.h"
#include "sim/lib/transcript.h"

#include <optional>
#include <span>

namespace kyv::sim {

struct J5Step {
    // The command the bytes completed; none for a block in the middle of the image.
    std::optional<PrinterCommand> command;
    Bytes reply;                // what the printer answers, before faults; empty: nothing
    std::string note;           // for the transcript
    bool imageBlock = false;    // a block of the image (noted by its size only)
    bool imageComplete = false; // the whole image is in: image() holds it
};

class J5Download {
public:
    // What the host wrote, while the printer is up; nullopt when it is no part of the
    // download (the session then takes it).
    std::optional<J5Step> take(std::span<const uint8_t> bytes, const PrinterState& state);
    const Bytes& image() const { return image_; }
    // The letter of the image kind the header announced ('B', 'M', 'S').
    char kind() const { return kind_; }

private:
    bool receiving_ = false;
    uint64_t expected_ = 0;
    char kind_ = 0;
    Bytes image_;
};

} // namespace kyv::sim
