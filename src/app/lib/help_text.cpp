#include "app/lib/help_text.h"

#include "core/version.h"

namespace kyv {

std::string kyvFlashHelpText()
{
    return R"(Usage: KyvFlash
       KyvFlash MODEL TYPE INTERFACE [SETTINGS] FILE [OPTION]...
       KyvFlash --dry-run MODEL TYPE INTERFACE [SETTINGS] FILE [OPTION]...
       KyvFlash --help | --version

Writes firmware, fonts, code tables and configuration tables into the flash of a
receipt printer and verifies them. Without arguments it opens its dialog; with a job's
arguments it runs that job unattended and exits with its result.

  MODEL       a model name, e.g. R241, R242, R451-2XX8/3XX8/4XX8/6XX8, R453, J5
  TYPE        download type letter: M main firmware, I IPL, L IPL LAN, B boot initial,
              F IMF file, A ANK font, S Asian font, RS receipt Asian/2-byte font,
              SS slip Asian/2-byte font, SB SBCS font, DB DBCS font, SDB SDBCS font,
              T table, C configuration table (the model must offer it)
  INTERFACE   COM1..COM50, USB, CPMI, NHPI, PRTR, IBMUSB, HID, LAN, WIFI
  SETTINGS    for COMn: BAUD PARITY STOPBITS (115200|57600|38400|19200|9600,
              NONE|EVEN|ODD, 1|2); for LAN and WIFI: the printer's IP address
  FILE        the image, relative to the current directory unless absolute
  OPTION      PRINT or NOPRINT (print the configuration form afterwards, default PRINT),
              RETSTAT, NORETSTAT, and first SKIP or NOSKIP (accepted, no effect)

Every argument may start with "/" and is compared in any case; --dry-run, --help and
--version count only as the first argument.

  --dry-run   check the job as an unattended run would, print it, touch no printer
  --help      print this text
  --version   print the version

Environment: KYVFLASH_RESULT_FD (write the exact result code there), KYVFLASH_REPORT
(write a JSON job report there), KYVFLASH_TIME_SCALE, KYVFLASH_USB_BUS.
Files: BREVANT_LOG.txt (session log, current directory), BrevantConfig.ini,
$XDG_CONFIG_HOME/KyvFlash/KyvFlash.ini (settings). See KyvFlash(1).
)";
}

std::string kyvFlashVersionText() { return std::string("KyvFlash ") + kVersionNumber + "\n"; }

} // namespace kyv
