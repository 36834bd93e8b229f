#include "faults/fault_expectations.h"

namespace kyv::test {

// The job: the status request (by datagram, then on the raw port), the printer's MAC by a
// search (its network interface answers that one itself, whatever the printer does), the
// model number, the download-mode switch, the printer found again by its MAC, the
// download-mode query, per part an FTP upload and the select that writes it, the image
// CRC, the reset, the printer found again, the recovery command, the two area clears and
// the diagnostics form. Each message goes on a connection of its own; a printer cut off
// (drop, vanish) still takes connections and searches, and answers nothing.
const std::vector<Expectation>& lanExpectations()
{
    static const std::vector<Expectation> table{
        // The status byte is a bit field: only bit 3 (needs recovery) counts, and both 15
        // and the garbage (91) have it clear.
        {"status", "nak", 0, "15 has the recovery bit clear: normal mode"},
        {"status", "garbage", 0, "91 has the recovery bit clear: normal mode"},
        {"status", "vanish", 1030, "answered, then deaf: no model number"},
        {"status", "wrong-crc", kNotApplicable, "the status carries no CRC"},
        {"status", "*", 1004, "no status by datagram nor on the raw port, no download-mode answer"},
        {"model-number", "short", 0, "the number without its CR is still the whole number"},
        {"model-number", "nak", 1211, "an empty model number does not match (command-line mode)"},
        {"model-number", "garbage", 1211, "a garbled model number does not match (command-line mode)"},
        {"model-number", "vanish", 1010, "answered, then deaf: the printer found again gives no download-mode answer"},
        {"model-number", "wrong-crc", kNotApplicable, "the model number carries no CRC"},
        {"model-number", "*", 1030, "no model number"},
        // The switch is sent, never answered.
        {"download-mode", "nak", 1010, "refused: the printer found again is not in download mode"},
        {"download-mode", "delay", 1054, "the printer is busy past the four MAC searches"},
        {"download-mode", "drop", 1010, "deaf: the printer found again gives no download-mode answer"},
        {"download-mode", "vanish", 1010, "gone: the printer found again gives no download-mode answer"},
        {"download-mode", "*", kNotApplicable, "the switch has no reply"},
        // Only an answer that does not come counts after the printer is found again.
        {"ipl-query", "vanish", 1046, "answered, then deaf: the select after the upload is not answered"},
        {"ipl-query", "nak", 0, "any answer means download mode"},
        {"ipl-query", "short", 0, "any answer means download mode"},
        {"ipl-query", "garbage", 0, "any answer means download mode"},
        {"ipl-query", "wrong-crc", kNotApplicable, "the answer carries no CRC"},
        {"ipl-query", "*", 1010, "no answer from the printer found again in download mode"},
        // A select the printer answers with anything but NAK has written its part; the
        // image CRC then shows whether it did.
        {"select", "nak", 1049, "the part is refused"},
        {"select", "garbage", 0, "not a NAK: the part is written and the image CRC agrees"},
        {"select", "vanish", 1006, "the last part written, then deaf: no image CRC"},
        {"select", "wrong-crc", kNotApplicable, "the acknowledge carries no CRC"},
        {"select", "*", 1046, "the select after the upload is not answered"},
        // Only here does the printer's word prove the flash.
        {"main-crc", "wrong-crc", 1052, "the image CRC differs from the file's"},
        {"main-crc", "vanish", 1003, "answered, then deaf: the download area clear is not answered"},
        {"main-crc", "*", 1006, "no image CRC, or one that is no ACK and two bytes"},
        // After the reset the printer must be found by its MAC; the searches are answered
        // by its network interface unless the printer is busy.
        {"reset", "nak", 0, "the reset is sent; its answer is not asked"},
        {"reset", "delay", 1054, "the printer is busy past the four MAC searches"},
        {"reset", "drop", 1003, "deaf: the download area clear is not answered"},
        {"reset", "vanish", 1003, "restarted, then deaf: the download area clear is not answered"},
        {"reset", "*", kNotApplicable, "the reset has no reply"},
        {"recover", "nak", 0, "the recovery command is sent; its answer is not asked"},
        {"recover", "delay", 1003, "busy: the download area clear is not answered"},
        {"recover", "drop", 1003, "deaf: the download area clear is not answered"},
        {"recover", "vanish", 1003, "gone: the download area clear is not answered"},
        {"recover", "*", kNotApplicable, "the recovery command has no reply"},
        // Both clears must be answered with 0D.
        {"erase-user-area", "nak", 1044, "15 is not the cleared answer 0D"},
        {"erase-user-area", "garbage", 1044, "the garbled answer is not 0D"},
        {"erase-user-area", "wrong-crc", kNotApplicable, "the answer carries no CRC"},
        {"erase-user-area", "*", 1003, "the first clear is not answered, or the second after it"},
        {"clear-download-area-2", "nak", 1044, "15 is not the cleared answer 0D"},
        {"clear-download-area-2", "garbage", 1044, "the garbled answer is not 0D"},
        {"clear-download-area-2", "vanish", 0, "answered, then deaf: the diagnostics form is still sent"},
        {"clear-download-area-2", "wrong-crc", kNotApplicable, "the answer carries no CRC"},
        {"clear-download-area-2", "*", 1003, "the second clear is not answered"},
        {"print-form", "nak", 0, "the form is sent; its answer is not asked"},
        {"print-form", "delay", 0, "the form is sent; its answer is not asked"},
        {"print-form", "drop", 0, "the last command: the form was sent"},
        {"print-form", "vanish", 0, "the last command: the form was sent"},
        {"print-form", "*", kNotApplicable, "the form has no reply"},
    };
    return table;
}

} // namespace kyv::test
