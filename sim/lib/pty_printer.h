#pragma once
// A simulated printer on a pseudo-terminal. The host opens slavePath() (or the symlink
// given to start()) as if it were a serial port; the printer (a PrinterSession) answers
// on its own thread until stop().
//
//   kyv::sim::PrinterOptions options;          // R241 at 115200 8N1, online
//   kyv::sim::PtyPrinter printer(options);
//   ASSERT_TRUE(printer.start());
//   open(printer.slavePath().c_str(), ...);
//
// Like a real printer at another speed, it ignores the host (or answers garbage) while
// the host's baud rate or stop bits differ from its own. A pty cannot carry parity (the
// driver clears PARENB), so parity is never compared.

#include "sim/lib/printer_options.h"
#include "sim/lib/printer_state.h"
#include "sim/lib/transcript.h"

#include <cstdint>
#include <memory>
#include <string>

namespace kyv::sim {

class PtyPrinter {
public:
    explicit PtyPrinter(PrinterOptions options = {});
    ~PtyPrinter(); // stops
    PtyPrinter(const PtyPrinter&) = delete;
    PtyPrinter& operator=(const PtyPrinter&) = delete;

    // Opens the pty and starts serving. With a link path, a symlink to the slave is made
    // there (its directory is created; an existing symlink is replaced, any other file is
    // left alone and start fails). False on failure, with errorText().
    bool start(const std::string& linkPath = {});
    // Stops serving, closes the pty, removes the link, writes the transcript and flash
    // dump named in the options. Safe to call twice. False when a file could not be
    // written (errorText() says which).
    bool stop();
    bool running() const;
    const std::string& errorText() const;

    const std::string& slavePath() const; // /dev/pts/N
    const std::string& linkPath() const;  // empty without a link
    const std::string& portPath() const;  // the link when there is one, else the slave

    // Transcript of the line, from entry number `from` on.
    std::vector<TranscriptEntry> transcript(size_t from = 0) const;
    Bytes bytesFromHost() const;
    Bytes bytesToHost() const;
    void clearTranscript();
    bool writeTranscript(const std::string& path) const;

    // Flash memory.
    Bytes flash() const;
    // Bytes of sector number `sector` (numbered from 1 in flash order); empty when none.
    Bytes sectorBytes(int sector) const;
    // True when the file's bytes lie in flash from the offset (or the sector's start) on;
    // `why` tells the first difference otherwise.
    bool flashHoldsFile(const std::string& path, uint64_t flashOffset, std::string* why = nullptr) const;
    bool sectorsHoldFile(const std::string& path, int firstSector, std::string* why = nullptr) const;
    bool dumpFlash(const std::string& path) const;

    PrinterState state() const;
    std::string modelNumber() const;
    // Faults may be added while the printer serves.
    void addFault(const Fault& fault);
    void clearFaults();
    // After the line dropped (or the printer vanished) and stop(): the printer keeps its mode
    // and flash and hears the host again once start() opens a new pty.
    void replugLine();

private:
    struct Impl;
    std::unique_ptr<Impl> impl_;
};

} // namespace kyv::sim
