#pragma once
// Every kind of printer the simulator can play, as the printer knows itself: the name a
// flash tool selects it by, the model number it reports, the speed it starts at, its flash
// as it numbers the sectors, the CRC it computes, and where it puts what it is sent.

#include "sim/lib/printer/flash_crc.h"
#include "sim/lib/printer/flash_layout.h"

#include <span>
#include <string_view>

namespace kyv::sim {

struct PrinterType {
    std::string_view name;        // as the flash tool's model list names it
    std::string_view modelNumber; // answered to 1D 49 40 27 unless told otherwise
    int baud = 115200;            // line speed at power-on
    const FlashLayout* flash = nullptr;
    CrcKind crc = CrcKind::Arc;
    // First sector of each image the printer takes; 0 = it takes no such image. A new
    // boot program written at bootSector restarts the printer into it. The online block
    // of type 0, 1, 2, 3, 4 and 6 goes to the boot, main, SBCS, DBCS, table and SDBCS sector.
    int bootSector = 0;
    int mainSector = 0;
    int sbcsSector = 0;
    int dbcsSector = 0;
    int tableSector = 0;
    int sdbcsSector = 0;
};

// All types, in the order of the flash tool's model list.
std::span<const PrinterType> printerTypes();
// The type of that name (exact match); nullptr when there is none.
const PrinterType* findPrinterType(std::string_view name);

} // namespace kyv::sim
