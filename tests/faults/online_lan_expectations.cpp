#include "faults/fault_expectations.h"

namespace kyv::test {

// The job, each message on a connection of its own to the raw port: the status request,
// the model number, the setting (USU) asked and switched off, the printer's main-firmware
// version, the user area erased (the image is older), the block (header, pieces, the last
// piece that brings the answer), the setting on again, the reset, the ready poll, the
// recovery command, the diagnostics form. After the block only sends are checked. A
// printer cut off (drop, vanish) still takes connections and answers nothing.
const std::vector<Expectation>& onlineLanExpectations()
{
    static const std::vector<Expectation> table{
        // The status byte is a bit field: only bit 3 (needs recovery) counts.
        {"status", "nak", 0, "15 has the recovery bit clear: online"},
        {"status", "garbage", 0, "the garbled byte has the recovery bit clear: online"},
        {"status", "vanish", 1030, "answered, then deaf: no model number"},
        {"status", "wrong-crc", kNotApplicable, "the status carries no CRC"},
        {"status", "*", 1004, "no status and no IPL-mode answer"},
        // Any answer to the model query will do: it is not examined.
        {"model-number", "nak", 0, "an answer came; it is not examined"},
        {"model-number", "garbage", 0, "an answer came; it is not examined"},
        {"model-number", "short", 0, "an answer came; it is not examined"},
        {"model-number", "vanish", 1045, "answered, then deaf: the printer's version does not come"},
        {"model-number", "wrong-crc", kNotApplicable, "the model number carries no CRC"},
        {"model-number", "*", 1030, "no model number"},
        // Only an answer 01 means the setting is on and must go off for the transfer.
        {"usu-query", "delay", 1045, "busy past the version query"},
        {"usu-query", "drop", 1045, "deaf: the printer's version does not come"},
        {"usu-query", "vanish", 1045, "answered, then deaf: the printer's version does not come"},
        {"usu-query", "wrong-crc", kNotApplicable, "the setting carries no CRC"},
        {"usu-query", "*", 0, "no answer 01: the setting counts as off, nothing is switched"},
        // The setting is sent, never answered; the last arrival is the setting on again.
        {"usu-set", "nak", 0, "the setting is sent; its answer is not asked"},
        {"usu-set", "delay", 0, "the setting on is sent; what follows only needs sends"},
        {"usu-set", "drop", 0, "the block was taken; what follows only needs sends"},
        {"usu-set", "vanish", 0, "the block was taken; what follows only needs sends"},
        {"usu-set", "*", kNotApplicable, "the setting has no reply"},
        {"version", "delay", 1045, "the version does not come in time"},
        {"version", "drop", 1045, "no version"},
        {"version", "vanish", 1045, "answered, then deaf: the block is not answered"},
        {"version", "no-reply", 1045, "no version"},
        {"version", "wrong-crc", kNotApplicable, "the version carries no CRC"},
        {"version", "*", 0, "no number in the answer: the image is taken as compatible and the block goes"},
        // The erase is sent; the block's answer shows whether the printer still listens.
        {"erase-user-area", "delay", 1045, "busy past the block's last piece: no answer"},
        {"erase-user-area", "drop", 1045, "deaf: the block is not answered"},
        {"erase-user-area", "vanish", 1045, "deaf: the block is not answered"},
        {"erase-user-area", "wrong-crc", kNotApplicable, "the answer carries no CRC"},
        {"erase-user-area", "*", 0, "the erase is sent; its answer is not asked"},
        {"online-block", "nak", 1508, "NAK with error code 4: the flash write failed"},
        {"online-block", "wrong-crc", 0, "the printer's CRC is logged, not compared; it took the block"},
        {"online-block", "short", 0, "ACK came; only the CRC it brings, which is logged, is cut"},
        {"online-block", "vanish", 0, "taken and answered; what follows only needs sends"},
        {"online-block", "*", 1045, "no answer, or no ACK, to the block"},
        // After the block only sends are checked.
        {"reset", "nak", 0, "the reset is sent; its answer is not asked"},
        {"reset", "delay", 0, "the reset is sent; its answer is not asked"},
        {"reset", "drop", 0, "the reset is sent; what follows only needs sends"},
        {"reset", "vanish", 0, "the reset is sent; what follows only needs sends"},
        {"reset", "*", kNotApplicable, "the reset has no reply"},
        {"baud-probe", "nak", 0, "the ready poll is sent; its answer is not read"},
        {"baud-probe", "delay", 0, "the ready poll is sent; its answer is not read"},
        {"baud-probe", "drop", 0, "the ready poll is sent; what follows only needs sends"},
        {"baud-probe", "vanish", 0, "the ready poll is sent; what follows only needs sends"},
        {"baud-probe", "*", kNotApplicable, "the ready poll's answer is not read"},
        {"recover", "nak", 0, "the recovery command is sent; its answer is not asked"},
        {"recover", "delay", 0, "the recovery command is sent; its answer is not asked"},
        {"recover", "drop", 0, "deaf: the diagnostics form is still sent"},
        {"recover", "vanish", 0, "gone: the diagnostics form is still sent"},
        {"recover", "*", kNotApplicable, "the recovery command has no reply"},
        {"print-form", "nak", 0, "the form is sent; its answer is not asked"},
        {"print-form", "delay", 0, "the form is sent; its answer is not asked"},
        {"print-form", "drop", 0, "the last command: the form was sent"},
        {"print-form", "vanish", 0, "the last command: the form was sent"},
        {"print-form", "*", kNotApplicable, "the form has no reply"},
    };
    return table;
}

} // namespace kyv::test
