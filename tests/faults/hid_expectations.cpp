#include "faults/fault_expectations.h"

namespace kyv::test {

// The job: identify, the version query (image kind 1), the mode query, the switch to
// download mode, the printer opened again and asked its mode, the download header, the
// image as 1021-byte blocks with one ACK after the last, the CRC query, the reset 1D 80,
// the printer found again, the configuration print. Every reply is one input report; a
// printer that hangs in a command (the late reply) does not take the next write either.
const std::vector<Expectation>& hidExpectations()
{
    static const std::vector<Expectation> table{
        {"j5-identify", "nak", 1303, "byte 1 of the answer is zero: no printer there"},
        {"j5-identify", "short", 1303, "the answer without byte 1: no printer there"},
        {"j5-identify", "garbage", 0, "byte 1 is not zero: a printer is there"},
        {"j5-identify", "delay", 1004, "the identify's write does not complete while the printer hangs"},
        {"j5-identify", "wrong-crc", kNotApplicable, "the answer carries no CRC"},
        {"j5-identify", "*", 1009, "no answer to the identify"},
        // An unanswered version query leaves nothing to compare; a printer that hangs or is
        // gone does not take the mode query that follows.
        {"j5-version", "garbage", 1507, "garbled fields read as newer firmware: the unattended run refuses the older image"},
        {"j5-version", "delay", 1009, "the mode query cannot be written while the printer hangs"},
        {"j5-version", "drop", 1009, "gone: the mode query cannot be written"},
        {"j5-version", "vanish", 1009, "answered, then gone: the mode query cannot be written"},
        {"j5-version", "wrong-crc", kNotApplicable, "the answer carries no CRC"},
        {"j5-version", "*", 0, "nothing newer in the answer: the image is not older"},
        // Any answer but ACK says download mode. The online printer then gets the image as
        // commands, restarts at a reset among them, and the next block cannot be written.
        {"j5-mode-query", "nak", 1009, "taken for download mode: a block cannot be written to the restarted printer"},
        {"j5-mode-query", "garbage", 1009, "taken for download mode: a block cannot be written to the restarted printer"},
        // After the switch the printer is asked again on every reopen; cut off there, it is
        // never found in download mode.
        {"j5-mode-query", "drop", 1004, "gone after the switch: ten reopens without download mode"},
        {"j5-mode-query", "vanish", 1004, "the answer goes with the printer: ten reopens without download mode"},
        {"j5-mode-query", "wrong-crc", kNotApplicable, "the answer carries no CRC"},
        {"j5-mode-query", "*", 1009, "no answer to the mode query, or its write does not complete"},
        // The switch's answer is read and ignored.
        {"download-mode", "nak", 1004, "refused: ten reopens find the printer online"},
        {"download-mode", "delay", 1009, "the switch's write does not complete while the printer hangs"},
        {"download-mode", "drop", 1004, "gone: ten reopens without the printer"},
        {"download-mode", "vanish", 1004, "switched, then gone: ten reopens without the printer"},
        {"download-mode", "wrong-crc", kNotApplicable, "the answer carries no CRC"},
        {"download-mode", "*", 0, "the switch's answer is not looked at"},
        {"j5-header", "delay", 1009, "the header's write does not complete while the printer hangs"},
        {"j5-header", "drop", 1009, "gone: the first block cannot be written"},
        {"j5-header", "vanish", 1009, "gone: the first block cannot be written"},
        {"j5-header", "*", kNotApplicable, "the header has no answer"},
        {"j5-image", "delay", 1009, "the last block's write does not complete while the printer hangs"},
        {"j5-image", "wrong-crc", kNotApplicable, "the ACK carries no CRC"},
        {"j5-image", "*", 1300, "the image is not acknowledged"},
        {"j5-crc", "delay", 1009, "the CRC query's write does not complete while the printer hangs"},
        {"j5-crc", "no-reply", 1009, "no CRC"},
        {"j5-crc", "drop", 1009, "gone: no CRC"},
        {"j5-crc", "vanish", 1009, "the CRC goes with the printer"},
        {"j5-crc", "*", 1005, "the printer's CRC differs from the image's"},
        // The reset's answer is read and ignored; the image is proved by its CRC.
        {"restart", "nak", 0, "the printer, still on the bus, is opened again: the image is proved"},
        {"restart", "delay", 1011, "the reset's write does not complete while the printer hangs"},
        {"restart", "drop", 1009, "gone after the reset: twenty looks without the printer"},
        {"restart", "vanish", 1009, "reset, then never back: twenty looks without the printer"},
        {"restart", "wrong-crc", kNotApplicable, "the answer carries no CRC"},
        {"restart", "*", 0, "the reset's answer is not looked at"},
        {"j5-print-configuration", "delay", 1011, "the configuration print's write does not complete"},
        {"j5-print-configuration", "drop", 0, "the last command, written: the flash is done and proved"},
        {"j5-print-configuration", "vanish", 0, "the last command, written: the flash is done and proved"},
        {"j5-print-configuration", "*", kNotApplicable, "the configuration print has no answer"},
    };
    return table;
}

} // namespace kyv::test
