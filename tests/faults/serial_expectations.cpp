#include "faults/fault_expectations.h"

namespace kyv::test {

// The job: status query (mode), version items and model number (model check), the speed
// asked in settings mode, the switch to download mode, the download-mode poll, per sector
// erase, select, data and sector CRC, the main firmware CRC, the reset, the configuration
// print. The printer is online at 115200, so the speed is asked and never changed.
const std::vector<Expectation>& serialExpectations()
{
    static const std::vector<Expectation> table{
        // The status byte is a bit field, not ACK/NAK: only bit 3 (not ready) counts, and
        // both 15 and the garbage (91) have it clear, so the printer reads as ready.
        {"status", "nak", 0, "15 has the not-ready bit clear: online"},
        {"status", "garbage", 0, "91 has the not-ready bit clear: online"},
        {"status", "wrong-crc", kNotApplicable, "the status carries no CRC"},
        {"status", "vanish", 1058, "answered, then gone: the version items cannot be written"},
        {"status", "*", 1004, "no status and no download-mode ACK: mode 2, no acknowledge"},
        // A version item that does not come leaves its line empty and the job goes on; one that
        // comes 400 s late or not at all (the line gone) leaves the model number unanswered.
        {"version", "delay", 1030, "the printer is silent past the model-number read"},
        {"version", "drop", 1030, "the line is gone before the model number"},
        {"version", "vanish", 1030, "the printer is gone before the model number"},
        {"version", "wrong-crc", kNotApplicable, "a version item carries no CRC"},
        {"version", "*", 0, "an unanswered or garbled version item only leaves its line empty"},
        {"model-number", "vanish", 1028, "answered, then gone: the speed is not answered"},
        {"model-number", "short", 0, "the number without its CR is still the whole number"},
        {"model-number", "wrong-crc", kNotApplicable, "the model number carries no CRC"},
        {"model-number", "*", 1030, "no model number"},
        // 1F 7A 74 01 / 00 go unanswered: only faults that silence or cut the printer count.
        {"settings-mode", "nak", 1028, "a stray NAK is taken for the speed reply's place"},
        {"settings-mode", "delay", 1009, "the printer is silent until after the download-mode poll"},
        {"settings-mode", "drop", 1010, "the download-mode switch cannot be written"},
        {"settings-mode", "vanish", 1010, "the download-mode switch cannot be written"},
        {"settings-mode", "*", kNotApplicable, "the command has no reply"},
        // Every byte decodes to a speed: 15 and 91 decode to 4800 and 9600, which the job
        // changes to 115200 (the printer's own) and restores at the end.
        {"baud-query-settings", "vanish", 1010, "answered, then gone: the download-mode switch cannot be written"},
        {"baud-query-settings", "nak", 0, "15 decodes as 4800: changed to 115200 and back"},
        {"baud-query-settings", "garbage", 0, "91 decodes as 9600: changed to 115200 and back"},
        {"baud-query-settings", "wrong-crc", kNotApplicable, "the speed carries no CRC"},
        {"baud-query-settings", "*", 1028, "no speed reply"},
        // The serial switch is not answered; a refused one leaves the printer online.
        {"download-mode", "nak", 1009, "refused: the printer never answers the download-mode poll"},
        {"download-mode", "delay", 1009, "silent past the download-mode poll"},
        {"download-mode", "drop", 1017, "the port cannot be opened again in step 7"},
        {"download-mode", "vanish", 1017, "the port cannot be opened again in step 7"},
        {"download-mode", "*", kNotApplicable, "the serial switch has no reply"},
        {"ipl-query", "vanish", 1001, "answered, then gone: the erase cannot be written"},
        {"ipl-query", "wrong-crc", kNotApplicable, "the ACK carries no CRC"},
        {"ipl-query", "*", 1009, "the 30th download-mode poll fails"},
        {"erase", "vanish", 1002, "acknowledged, then gone: the select cannot be written"},
        {"erase", "wrong-crc", kNotApplicable, "the ACK carries no CRC"},
        {"erase", "*", 1001, "the erase is not acknowledged"},
        {"select", "vanish", 1003, "acknowledged, then gone: the data cannot be written"},
        {"select", "wrong-crc", kNotApplicable, "the ACK carries no CRC"},
        {"select", "*", 1002, "the select is not acknowledged"},
        // On the serial line any byte but NAK after the data counts as taken; the sector CRC
        // then shows whether it was.
        {"sector-data", "vanish", 1004, "acknowledged, then gone: no sector CRC"},
        {"sector-data", "garbage", 0, "any byte but NAK acknowledges the data; the sector CRC agrees"},
        {"sector-data", "wrong-crc", kNotApplicable, "the ACK carries no CRC"},
        {"sector-data", "*", 1003, "the data is not acknowledged"},
        {"sector-crc", "vanish", 1006, "the last sector proved, then gone: no recalculated CRC"},
        {"sector-crc", "wrong-crc", 1005, "the printer's sector CRC differs"},
        {"sector-crc", "garbage", 1005, "the garbled CRC differs"},
        {"sector-crc", "*", 1004, "no sector CRC"},
        // The image CRC is shown, not compared, on the serial line: the sector CRCs have
        // already proved every sector.
        {"main-crc", "vanish", 1004, "answered, then gone: the unchecked reset goes nowhere, the configuration print fails"},
        {"main-crc", "wrong-crc", 0, "the recalculated CRC is shown, every sector was proved"},
        {"main-crc", "*", 1006, "no recalculated CRC"},
        // The reset is written and waited out, never answered.
        {"reset", "nak", 0, "the reset is not answered; its result is not checked"},
        {"reset", "drop", 1004, "the configuration print cannot be written after the reset"},
        {"reset", "vanish", 1004, "the configuration print cannot be written after the reset"},
        {"reset", "*", kNotApplicable, "the reset has no reply"},
        {"print-configuration", "drop", 0, "the last command: the flash is done and proved"},
        {"print-configuration", "vanish", 0, "the last command: the flash is done and proved"},
        {"print-configuration", "*", kNotApplicable, "the configuration print has no reply"},
    };
    return table;
}

} // namespace kyv::test
