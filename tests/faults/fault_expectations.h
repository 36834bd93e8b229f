#pragma once
// The code each injected fault must end a job with, per path: one row per command and fault
// kind (kind "*" for every kind the command's row does not name before it), with the reason.

#include "faults/fault_run.h"

#include <vector>

namespace kyv::test {

// An R241 on its serial line, main firmware, printer online at 115200.
const std::vector<Expectation>& serialExpectations();
// An R242 over IBM USB on the simulated bus, main firmware, printer online.
const std::vector<Expectation>& ibmUsbExpectations();
// A J5 over its HID interface, main firmware as a block stream, printer online.
const std::vector<Expectation>& hidExpectations();
// An R451 on WiFi (raw TCP port), main firmware, printer online.
const std::vector<Expectation>& wifiExpectations();
// An R451 on Ethernet (FTP upload, raw TCP port, status and search datagrams), main
// firmware in its two parts, printer online.
const std::vector<Expectation>& lanExpectations();
// An R453 on its serial line at 19200, USU on, main firmware older than the printer's,
// taken in online mode as one block.
const std::vector<Expectation>& onlineSerialExpectations();
// An R243 on Ethernet (raw TCP port only), USU on, main firmware older than the printer's,
// taken in online mode as one block in pieces.
const std::vector<Expectation>& onlineLanExpectations();

} // namespace kyv::test
