#include "faults/fault_expectations.h"

namespace kyv::test {

// The job: the download-mode query, MAC and mask, version items and model number (model
// check), the download-mode switch, the printer found again (MAC, download-mode query), per
// sector erase, select, data and sector CRC on a connection of its own, the image CRC, the
// reset, the recovery command, the download area cleared, the diagnostics form.
// A sector whose erase, select, data or CRC is not acknowledged is written again, at most
// ten more times; past that the job ends with 1045. A connection reset (drop) leaves the
// printer deaf on its raw port: new connections are taken, nothing is answered.
const std::vector<Expectation>& wifiExpectations()
{
    static const std::vector<Expectation> table{
        {"ipl-query", "nak", 1010, "the printer found again does not answer in download mode"},
        {"ipl-query", "garbage", 0, "any answer means download mode"},
        {"ipl-query", "vanish", 1045, "answered, then deaf: every sector goes unanswered"},
        {"ipl-query", "wrong-crc", kNotApplicable, "the answer carries no CRC"},
        {"ipl-query", "*", 1010, "no answer from the printer found again in download mode"},
        {"mac-query", "vanish", 1010, "the MAC found again, then deaf: no download-mode answer"},
        {"mac-query", "wrong-crc", kNotApplicable, "the MAC carries no CRC"},
        {"mac-query", "*", 1055, "no MAC address"},
        {"mask-query", "vanish", 1058, "answered, then gone: the version items cannot be sent"},
        {"mask-query", "wrong-crc", kNotApplicable, "the mask carries no CRC"},
        {"mask-query", "*", 1059, "no subnet mask"},
        {"version", "delay", 1030, "silent past the model-number read"},
        {"version", "drop", 1030, "deaf before the model number"},
        {"version", "vanish", 1030, "deaf before the model number"},
        {"version", "wrong-crc", kNotApplicable, "a version item carries no CRC"},
        {"version", "*", 0, "an unanswered or garbled version item only leaves its line empty"},
        {"model-number", "garbage", 1211, "a garbled model number does not match (command-line mode)"},
        {"model-number", "vanish", 1055, "answered, then gone: the printer is not found again"},
        {"model-number", "wrong-crc", kNotApplicable, "the model number carries no CRC"},
        {"model-number", "*", 1030, "no model number"},
        // The switch is sent, never answered.
        {"download-mode", "nak", 1010, "refused: the printer found again is not in download mode"},
        {"download-mode", "delay", 1055, "silent: no MAC from the printer found again"},
        {"download-mode", "drop", 1055, "deaf: no MAC from the printer found again"},
        {"download-mode", "vanish", 1055, "gone: no MAC from the printer found again"},
        {"download-mode", "*", kNotApplicable, "the switch has no reply"},
        {"erase", "delay", 0, "a late acknowledge is a failed try: the sector is written again"},
        {"erase", "wrong-crc", kNotApplicable, "the acknowledge carries no CRC"},
        {"erase", "*", 1045, "never acknowledged: more than ten tries of the sector"},
        {"select", "delay", 0, "a late acknowledge is a failed try: the sector is written again"},
        {"select", "vanish", 1003, "acknowledged, then gone: the data cannot be sent"},
        {"select", "wrong-crc", kNotApplicable, "the acknowledge carries no CRC"},
        {"select", "*", 1045, "never acknowledged: more than ten tries of the sector"},
        {"sector-data", "delay", 0, "a late acknowledge is a failed try: the sector is written again"},
        {"sector-data", "wrong-crc", kNotApplicable, "the acknowledge carries no CRC"},
        {"sector-data", "*", 1045, "never acknowledged: more than ten tries of the sector"},
        {"sector-crc", "delay", 0, "a late CRC is a failed try: the sector is written again"},
        {"sector-crc", "vanish", 1011, "the last sector proved, then gone: the reset cannot be sent"},
        {"sector-crc", "*", 1045, "never a matching CRC: more than ten tries of the sector"},
        // The image CRC ends the job only when it differs; no answer goes on to the reset.
        {"main-crc", "wrong-crc", 1052, "the image CRC differs from the file's"},
        {"main-crc", "*", 0, "no image CRC goes on: every sector was proved"},
        // After the image CRC only sends are checked; answers that do not come go on.
        {"reset", "nak", 0, "the reset is sent; its answer is not asked"},
        {"reset", "drop", 0, "the reset is sent; the rest only needs sends to go"},
        {"reset", "vanish", 0, "the reset is sent; the rest only needs sends to go"},
        {"reset", "delay", 0, "the reset is sent; its answer is not asked"},
        {"reset", "*", kNotApplicable, "the reset has no reply"},
        {"recover", "drop", 1003, "deaf and reset: the diagnostics form cannot be sent"},
        {"recover", "vanish", 1003, "gone: the diagnostics form cannot be sent"},
        {"recover", "nak", 0, "the recovery command is sent; its answer is not asked"},
        {"recover", "delay", 0, "the recovery command is sent; its answer is not asked"},
        {"recover", "*", kNotApplicable, "the recovery command has no reply"},
        {"erase-user-area", "drop", 1003, "deaf and reset: the diagnostics form cannot be sent"},
        {"erase-user-area", "wrong-crc", kNotApplicable, "the acknowledge carries no CRC"},
        {"erase-user-area", "*", 0, "an unacknowledged clear only logs and goes on"},
        {"print-form", "drop", 0, "the last command: the form was sent"},
        {"print-form", "vanish", 0, "the last command: the form was sent"},
        {"print-form", "nak", 0, "the form is sent; its answer is not asked"},
        {"print-form", "delay", 0, "the form is sent; its answer is not asked"},
        {"print-form", "*", kNotApplicable, "the form has no reply"},
    };
    return table;
}

} // namespace kyv::test
