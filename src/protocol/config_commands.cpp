// Stored printer settings: landscape printing, MICR and FLIP. The printer keeps them in
// its EEPROM as switch bytes; bit 0 of the second switch byte is landscape.
#include "protocol/flash_cmd.h"

#include "protocol/printer_notices.h"

#include <array>

namespace kyv {
namespace {
using namespace std::chrono_literals;
} // namespace

int CFlashCmd::configureLandscape(JobEvents* dialog)
{
    if (!writeSetting(cmd::kEnterSettingsMode))
        return 0;
    sendStatus(dialog, "Checking for Landscape configuration in the printer ...");

    // The switch block is read over the port itself. A serial read is satisfied by one
    // byte; the buffer starts as FF so a missing second byte reads as landscape already
    // set and nothing is written.
    std::array<uint8_t, 2> switches{0xFF, 0xFF};
    if (!CDCBComm::write(cmd::kReadSwitchBlock) || !sleepFor(200ms) ||
        !CDCBComm::read(switches.data(), switches.size()))
        return 0;
    const uint8_t r0 = switches[0];
    const uint8_t r1 = switches[1];
    if (r1 & 0x01) {
        sendStatus(dialog, "Printer already configured for Landscape.");
        return 1;
    }
    sendStatus(dialog, "Configuring Printer for Landscape ...");
    if (!writeSetting(cmd::landscapeSwitchCommand(r0, r1)))
        return 0;
    sendStatus(dialog, "Printer Configuration completed successfully ... \r\n Resetting Printer");
    sendAndWaitRestart(cmd::kReset);
    return 1;
}

int CFlashCmd::disableMicr(JobEvents* dialog)
{
    sendStatus(dialog, "Disable MICR ...");
    return writeSetting(cmd::kDisableMicr);
}

int CFlashCmd::disableFlip(JobEvents* dialog)
{
    sendStatus(dialog, "Disable FLIP ...");
    return writeSetting(cmd::kDisableFlip);
}

} // namespace kyv
