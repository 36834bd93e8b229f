#include "faults/fault_expectations.h"

namespace kyv::test {

// The job: the status query (mode), version items and model number (model check), USU
// asked and switched off, the speed asked (19200) and raised to 115200 (parameter, reset,
// status), then in online mode the printer's own version, the user area erased (the image
// is older), the block, the reset and the ready query (the model number) until the printer
// answers; the speed given back (status, parameter, reset, status), USU on again, the
// configuration print. Cut-offs hit a command's last arrival.
const std::vector<Expectation>& onlineSerialExpectations()
{
    static const std::vector<Expectation> table{
        // The status byte is a bit field: only bit 3 (not ready) counts.
        {"status", "nak", 0, "15 has the not-ready bit clear: online"},
        {"status", "garbage", 0, "the garbled byte has the not-ready bit clear: online"},
        {"status", "wrong-crc", kNotApplicable, "the status carries no CRC"},
        {"status", "delay", 1003, "the mode query after the speed is given back goes unanswered: mode 2"},
        {"status", "drop", 1003, "the line is gone at the mode query after the speed is given back: mode 2"},
        {"status", "vanish", 1004, "answered, then gone: the configuration print cannot be written"},
        {"status", "*", 1004, "no status and no download-mode ACK: mode 2, no acknowledge"},
        // The version report leaves an unanswered item empty; the printer's own version
        // (1D 49 40 33, its last arrival) decides on the user area.
        {"version", "drop", 1045, "the line is gone at the printer's version: the block cannot be written"},
        {"version", "vanish", 1045, "the version read (newer than the image), then gone: the erase cannot be written"},
        {"version", "delay", 0, "the printer's version comes too late to count: the user area stays, the block goes"},
        {"version", "wrong-crc", kNotApplicable, "a version item carries no CRC"},
        {"version", "*", 0, "no version number: the image is taken as compatible and the block goes"},
        // The first arrival is the model check, the last one the ready query after the reset.
        {"model-number", "short", 0, "the number without its CR is still the whole number"},
        {"model-number", "delay", 1009, "silent past the ready queries and the status polls of the speed change back"},
        {"model-number", "drop", 1009, "the line is gone after the reset: the speed cannot be given back"},
        {"model-number", "vanish", 1009, "ready, then gone: the speed cannot be given back"},
        {"model-number", "wrong-crc", kNotApplicable, "the model number carries no CRC"},
        {"model-number", "*", 1030, "no model number at the model check"},
        {"usu-query", "nak", 0, "15 is not 1: USU counts as off, nothing is switched"},
        {"usu-query", "garbage", 0, "the garbled byte is not 1: USU counts as off"},
        {"usu-query", "vanish", 1028, "answered, then gone: the speed is not answered"},
        {"usu-query", "wrong-crc", kNotApplicable, "the USU answer carries no CRC"},
        {"usu-query", "*", 1003, "no USU answer"},
        // 1D 1F 00 and 1D 1F 01 are not answered; the last arrival is USU on again.
        {"usu-set", "nak", 0, "the switch is written and never read back"},
        {"usu-set", "delay", 0, "USU on is written; the configuration print needs no answer"},
        {"usu-set", "drop", 1004, "the configuration print cannot be written after USU on"},
        {"usu-set", "vanish", 1004, "the configuration print cannot be written after USU on"},
        {"usu-set", "*", kNotApplicable, "the USU switch has no reply"},
        // Every byte decodes to a speed below 115200: raised and given back to it.
        {"baud-query", "nak", 0, "15 decodes as 4800: raised to 115200 and back"},
        {"baud-query", "garbage", 0, "the garbled byte decodes to a speed: raised to 115200 and back"},
        {"baud-query", "vanish", 1009, "answered, then gone: the speed change finds no ready printer"},
        {"baud-query", "wrong-crc", kNotApplicable, "the speed carries no CRC"},
        {"baud-query", "*", 1028, "no speed reply"},
        // The speed parameter is not answered; it takes effect at the reset after it.
        {"set-parameter", "nak", 1004, "refused: the printer stays at 19200, the mode query at 115200 is not heard"},
        {"set-parameter", "delay", 1003, "silent past the mode query after the speed is given back"},
        {"set-parameter", "drop", 1009, "the line cannot be opened again at the old speed"},
        {"set-parameter", "vanish", 1009, "the line cannot be opened again at the old speed"},
        {"set-parameter", "*", kNotApplicable, "the speed parameter has no reply"},
        {"reset", "nak", 1004, "refused: no restart, the new speed is not taken, the mode query is not heard"},
        {"reset", "delay", 1003, "silent past the mode query after the speed is given back"},
        {"reset", "drop", 1009, "the line cannot be opened again at the old speed"},
        {"reset", "vanish", 1009, "the line cannot be opened again at the old speed"},
        {"reset", "*", kNotApplicable, "the reset has no reply"},
        // Its one-byte answer is read: left on the line it would pass for the block's status.
        {"erase-user-area", "garbage", 0, "any answer but NAK takes the erase as done"},
        {"erase-user-area", "wrong-crc", kNotApplicable, "the answer carries no CRC"},
        {"erase-user-area", "*", 1045, "the erase the older image needs is refused or not answered"},
        {"online-block", "nak", 1508, "NAK with error code 4: the flash write failed"},
        {"online-block", "wrong-crc", 0, "the printer's CRC is logged, not compared; it took the block"},
        {"online-block", "vanish", 1009, "taken, then gone: the ready queries fail, the speed cannot be given back"},
        {"online-block", "*", 1045, "no status byte, or no bytes after it"},
        {"print-configuration", "drop", 0, "the last command: the flash is done"},
        {"print-configuration", "vanish", 0, "the last command: the flash is done"},
        {"print-configuration", "nak", 0, "the print is written, never answered"},
        {"print-configuration", "delay", 0, "the print is written, never answered"},
        {"print-configuration", "*", kNotApplicable, "the configuration print has no reply"},
    };
    return table;
}

} // namespace kyv::test
