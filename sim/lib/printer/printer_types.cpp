#include "sim/lib/printer/printer_types.h"

#include <array>

namespace kyv::sim {
namespace {

// The flash chips, sector 1 first.
const FlashLayout& flash8x8K63x64K()
{
    static const FlashLayout layout{{8, 8}, {63, 64}};
    return layout;
}
const FlashLayout& flash112x64K()
{
    static const FlashLayout layout{{112, 64}};
    return layout;
}
// Two banks, each with a 16 KB, two 8 KB and a 32 KB boot block at its bottom.
const FlashLayout& flashTwoBanks31And15x64K()
{
    static const FlashLayout layout{{1, 16}, {2, 8}, {1, 32}, {31, 64}, {1, 16}, {2, 8}, {1, 32}, {15, 64}};
    return layout;
}
const FlashLayout& flashBootBlocks31x64K()
{
    static const FlashLayout layout{{1, 16}, {2, 8}, {1, 32}, {31, 64}};
    return layout;
}
const FlashLayout& flashBootBlocks63x64K()
{
    static const FlashLayout layout{{1, 16}, {2, 8}, {1, 32}, {63, 64}};
    return layout;
}
const FlashLayout& flashBootBlocks81x64K()
{
    static const FlashLayout layout{{1, 16}, {2, 8}, {1, 32}, {81, 64}};
    return layout;
}
const FlashLayout& flash31x4K126x64K()
{
    static const FlashLayout layout{{31, 4}, {126, 64}};
    return layout;
}
const FlashLayout& flash15x4K254x64K16x4K()
{
    static const FlashLayout layout{{15, 4}, {254, 64}, {16, 4}};
    return layout;
}

struct Places {
    int boot, main, sbcs, dbcs, table, sdbcs;
};

PrinterType type(std::string_view name, std::string_view modelNumber, const FlashLayout& flash, CrcKind crc,
                 Places at, int baud = 115200)
{
    return {name, modelNumber, baud, &flash, crc, at.boot, at.main, at.sbcs, at.dbcs, at.table, at.sdbcs};
}

constexpr CrcKind kArc = CrcKind::Arc;
constexpr CrcKind kDirect = CrcKind::Direct;

const std::array<PrinterType, 26>& allTypes()
{
    // Model numbers: names without a sub-model digit get one the flash tool's model check
    // accepts, X placeholders become 0, and a name with alternatives reports its first.
    static const std::array<PrinterType, 26> types{{
        //                                                                                     boot main sbcs dbcs table sdbcs
        type("R241", "R241-2001", flashTwoBanks31And15x64K(), kArc,                           {4, 6, 0, 0, 0, 0}),
        type("R241-Y480", "R241-Y480", flashTwoBanks31And15x64K(), kArc,                      {4, 6, 0, 0, 0, 0}),
        type("R241-Y270", "R241-Y270", flashBootBlocks63x64K(), kArc,                         {4, 6, 0, 0, 0, 0}),
        type("R241-2XX8/3XX8/4XX8", "R241-2008", flash8x8K63x64K(), kArc,                     {25, 27, 0, 0, 0, 0}),
        type("R241-3044-7004", "R241-3044-7004", flash8x8K63x64K(), kArc,                     {25, 27, 0, 0, 0, 0}),
        type("R241-9354-7004", "R241-9354-7004", flash8x8K63x64K(), kArc,                     {25, 27, 0, 0, 0, 0}),
        type("R242", "R242-2001", flashBootBlocks63x64K(), kArc,                              {5, 7, 0, 0, 0, 0}),
        type("R242-57X6/56X6/1456", "R242-5706", flashBootBlocks63x64K(), kArc,               {5, 7, 0, 0, 0, 0}),
        type("R242-2XX6/3XX6", "R242-2006", flash112x64K(), kArc,                             {2, 4, 0, 0, 0, 0}),
        type("R451", "R451-2001", flashBootBlocks31x64K(), kArc,                              {4, 6, 0, 0, 0, 0}),
        type("R451-2XX8/3XX8/4XX8/6XX8", "R451-2008", flash8x8K63x64K(), kArc,                {25, 27, 15, 51, 0, 0}),
        type("R452", "R452-1073", flashBootBlocks63x64K(), kArc,                              {5, 7, 0, 0, 0, 0}),
        type("Q874-E611", "Q874-E611", flash8x8K63x64K(), kArc,                               {25, 27, 15, 51, 0, 0}),
        type("J5", "J5", flashTwoBanks31And15x64K(), kArc,                                    {0, 9, 8, 0, 0, 0}),
        type("J5_REFRESH", "J5_REFRESH", flashTwoBanks31And15x64K(), kArc,                    {0, 9, 8, 0, 0, 0}),
        type("Q621-J738", "Q621-J738", flashBootBlocks31x64K(), kArc,                         {4, 6, 0, 0, 0, 0}),
        type("Q622-J738", "Q622-J738", flashBootBlocks31x64K(), kArc,                         {4, 6, 0, 0, 0, 0}),
        type("J736", "Q621-J736", flashBootBlocks31x64K(), kArc,                              {4, 6, 0, 0, 0, 0}),
        type("Q581-E616", "Q581-E616", flashBootBlocks31x64K(), kArc,                         {4, 6, 0, 0, 0, 0}),
        type("Q585-E616", "Q585-E616", flashBootBlocks31x64K(), kArc,                         {4, 6, 0, 0, 0, 0}),
        type("KSX4-1ST/2ST", "KS04-1ST", flashBootBlocks81x64K(), kDirect,                    {21, 33, 45, 47, 43, 0}),
        type("Q58X-E617/Q306", "Q580-E617", flashBootBlocks63x64K(), kDirect,                 {21, 33, 45, 47, 0, 0}),
        type("Q58X-E619", "Q580-E619", flash8x8K63x64K(), kDirect,                            {9, 21, 33, 35, 0, 0}),
        type("R453", "R453", flash31x4K126x64K(), kDirect,                                    {32, 36, 91, 97, 77, 0}, 19200),
        type("R243", "R243", flash15x4K254x64K16x4K(), kDirect,                               {32, 36, 91, 120, 77, 210}, 19200),
        type("Q913-E615", "Q913-E615", flashBootBlocks81x64K(), kDirect,                      {21, 33, 45, 47, 43, 0}),
    }};
    return types;
}

} // namespace

std::span<const PrinterType> printerTypes() { return allTypes(); }

const PrinterType* findPrinterType(std::string_view name)
{
    for (const PrinterType& type : allTypes())
        if (type.name == name)
            return &type;
    return nullptr;
}

} // namespace kyv::sim
