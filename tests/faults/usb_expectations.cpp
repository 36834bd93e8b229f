#include "faults/fault_expectations.h"

namespace kyv::test {

// The job: the mode query (item C3), version items and model number (model check), the
// download-mode switch, the printer found again on its port, the download-mode poll, per
// sector erase, select, data (four blocks of packets) and sector CRC, the main firmware CRC,
// the reset, the printer found again, the download area cleared (1B 23 01 and 02, unframed,
// unanswered), the configuration print (1B 78, unanswered). Every framed command's answer is
// fetched with ESC I from the status report.
const std::vector<Expectation>& ibmUsbExpectations()
{
    static const std::vector<Expectation> table{
        // Over IBM USB a mode query that is not answered "0", "1" or "2" means download mode:
        // the job goes straight to the download-mode poll, which an online printer never acks.
        {"mode-query", "short", 0, "the state byte without its CR is still \"0\": online"},
        {"mode-query", "wrong-crc", kNotApplicable, "the state carries no CRC"},
        {"mode-query", "*", 1009, "taken for download mode: the 30th download-mode poll fails"},
        // An unanswered item leaves its line empty; a printer that hangs or is gone before the
        // status request can be written ends the version query.
        {"version", "delay", 1058, "the status request cannot be written while the printer hangs"},
        {"version", "drop", 1058, "gone before the status request"},
        {"version", "vanish", 1058, "answered, then gone before the status request"},
        {"version", "wrong-crc", kNotApplicable, "a version item carries no CRC"},
        {"version", "*", 0, "an unanswered or garbled version item only leaves its line empty"},
        {"model-number", "wrong-crc", kNotApplicable, "the model number carries no CRC"},
        {"model-number", "*", 1030, "no model number up to a CR in five attempts"},
        // The switch is not answered: a refusal leaves the printer online on the bus.
        {"download-mode", "nak", 1009, "refused: the printer, still there, never acks the download-mode poll"},
        {"download-mode", "delay", 1010, "the switch cannot be written while the printer hangs"},
        {"download-mode", "drop", 1017, "the printer never comes back on its port"},
        {"download-mode", "vanish", 1017, "the printer never comes back on its port"},
        {"download-mode", "*", kNotApplicable, "the switch has no reply"},
        {"ipl-query", "wrong-crc", kNotApplicable, "the ACK carries no CRC"},
        {"ipl-query", "*", 1009, "the 30th download-mode poll fails"},
        {"erase", "wrong-crc", kNotApplicable, "the ACK carries no CRC"},
        {"erase", "*", 1001, "the erase is not acknowledged"},
        {"select", "wrong-crc", kNotApplicable, "the ACK carries no CRC"},
        {"select", "*", 1002, "the select is not acknowledged"},
        // Over IBM USB the sector is taken only with the status ACK after its last block.
        {"sector-data", "wrong-crc", kNotApplicable, "the ACK carries no CRC"},
        {"sector-data", "*", 1003, "the sector is not acknowledged"},
        {"sector-crc", "wrong-crc", 1005, "the printer's sector CRC differs"},
        {"sector-crc", "short", 1005, "the CRC without its high byte differs"},
        {"sector-crc", "*", 1004, "no sector CRC"},
        // The image CRC is shown, not compared: the sector CRCs have proved every sector.
        {"main-crc", "wrong-crc", 0, "the recalculated CRC is shown, every sector was proved"},
        {"main-crc", "short", 0, "the recalculated CRC is shown, every sector was proved"},
        {"main-crc", "*", 1006, "no recalculated CRC"},
        // A printer that does not restart never leaves the bus, so it is not found again.
        {"reset", "nak", 1044, "not restarted: the printer is not found again, the download area cannot be cleared"},
        {"reset", "delay", 1011, "the reset cannot be written while the printer hangs"},
        {"reset", "drop", 1044, "gone after the reset: the download area cannot be cleared"},
        {"reset", "vanish", 1044, "gone after the reset: the download area cannot be cleared"},
        {"reset", "*", kNotApplicable, "the reset has no reply"},
        {"ibm-clear-download-area", "delay", 1044, "the second clear cannot be written while the printer hangs"},
        {"ibm-clear-download-area", "drop", 1004, "cleared, then gone: the configuration print cannot be written"},
        {"ibm-clear-download-area", "vanish", 1004, "cleared, then gone: the configuration print cannot be written"},
        {"ibm-clear-download-area", "*", kNotApplicable, "the clear has no reply"},
        {"ibm-print-configuration", "delay", 1004, "the configuration print cannot be written while the printer hangs"},
        {"ibm-print-configuration", "drop", 0, "the last command: the flash is done and proved"},
        {"ibm-print-configuration", "vanish", 0, "the last command: the flash is done and proved"},
        {"ibm-print-configuration", "*", kNotApplicable, "the configuration print has no reply"},
    };
    return table;
}

} // namespace kyv::test
