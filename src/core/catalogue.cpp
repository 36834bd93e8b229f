#include "core/catalogue.h"

namespace kyv {
namespace {

// One line per model: the start sectors per download type, in the column order below;
// 0 means the type is not offered.
struct Sectors {
    int main, ipl, ank, iplLan, bootInit, slip2B, rcpt2B, asian, slipAsian, rcptAsian, cp932, sbcs,
        dbcs, table, sdbcs;
};

struct Flags {
    int longWait = 0;
    int altCrc = 0;
    int configTableOffered = 0;
    char signature = 0;
};

ModelInfo makeRow(const char* displayName, const char* family, const SectorMap& map, Sectors s,
                  Flags flags = {})
{
    ModelInfo row;
    row.displayName = displayName;
    row.family = family != nullptr ? family : displayName;
    row.sectorMap = &map;
    row.mainSector = s.main;
    row.iplSector = s.ipl;
    row.ankSector = s.ank;
    row.iplLanSector = s.iplLan;
    row.bootInitialSector = s.bootInit;
    row.slip2ByteSector = s.slip2B;
    row.receipt2ByteSector = s.rcpt2B;
    row.asianFontSector = s.asian;
    row.slipAsianSector = s.slipAsian;
    row.receiptAsianSector = s.rcptAsian;
    row.cp932Sector = s.cp932;
    row.sbcsSector = s.sbcs;
    row.dbcsSector = s.dbcs;
    row.tableSector = s.table;
    row.sdbcsSector = s.sdbcs;
    row.longWait = flags.longWait;
    row.altCrc = flags.altCrc;
    row.configTableOffered = flags.configTableOffered;
    row.imageSignature = flags.signature;
    return row;
}

constexpr const char* kSame = nullptr; // family equals the display name

} // namespace

ModelCatalogue::ModelCatalogue()
    : rows_{{
          //                                                      main ipl ank lan boot s2b r2b asia sAs rAs 932 sbcs dbcs tbl sdbcs
          makeRow("R241", "R241", sectorMapL3(),                  {6, 4, 18, 0, 0, 0, 0, 0, 41, 20, 0, 0, 0, 0, 0}),
          makeRow("R241-Y480", "R241", sectorMapL3(),             {6, 4, 18, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0}),
          makeRow("R241-Y270", "R241-Y270", sectorMapL5(),        {6, 4, 22, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0}),
          makeRow("R241-2XX8/3XX8/4XX8", kSame, sectorMapL1(),    {27, 25, 9, 0, 24, 0, 0, 0, 13, 51, 0, 0, 0, 0, 0}),
          makeRow("R241-3044-7004", kSame, sectorMapL1(),         {27, 25, 9, 0, 0, 0, 0, 0, 13, 51, 0, 0, 0, 0, 0}),
          makeRow("R241-9354-7004", kSame, sectorMapL1(),         {27, 25, 9, 0, 0, 0, 0, 0, 13, 51, 0, 0, 0, 0, 0}),
          makeRow("R242", kSame, sectorMapL5(),                   {7, 5, 62, 0, 4, 46, 26, 0, 0, 0, 0, 0, 0, 0, 0}),
          makeRow("R242-57X6/56X6/1456", kSame, sectorMapL5(),    {7, 5, 62, 0, 4, 46, 26, 0, 0, 0, 0, 0, 0, 0, 0}),
          makeRow("R242-2XX6/3XX6", kSame, sectorMapL2(),         {4, 2, 50, 0, 0, 0, 0, 0, 57, 73, 0, 0, 0, 0, 0}),
          makeRow("R451", kSame, sectorMapL4(),                   {6, 4, 18, 0, 0, 0, 0, 20, 0, 0, 18, 0, 0, 0, 0}),
          makeRow("R451-2XX8/3XX8/4XX8/6XX8", kSame, sectorMapL1(), {27, 25, 0, 45, 0, 0, 0, 0, 0, 0, 0, 15, 51, 0, 0}),
          makeRow("R452", kSame, sectorMapL5(),                   {7, 5, 62, 0, 4, 0, 26, 0, 0, 0, 0, 0, 0, 0, 0}),
          makeRow("Q874-E611", kSame, sectorMapL1(),              {27, 25, 0, 0, 0, 0, 0, 0, 0, 0, 0, 15, 51, 0, 0}),
          makeRow("J5", "J5", sectorMapL3(),                      {9, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 8, 0, 0, 0}),
          makeRow("J5_REFRESH", "J5", sectorMapL3(),              {9, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 8, 0, 0, 0}),
          makeRow("Q621-J738", "Q62X-J73X", sectorMapL4(),        {6, 4, 18, 0, 0, 0, 0, 20, 0, 0, 0, 0, 0, 0, 0}, {.longWait = 1}),
          makeRow("Q622-J738", "Q62X-J73X", sectorMapL4(),        {6, 4, 18, 0, 0, 0, 0, 20, 0, 0, 0, 0, 0, 0, 0}, {.longWait = 1}),
          makeRow("J736", "Q62X-J73X", sectorMapL4(),             {6, 4, 18, 0, 0, 0, 0, 20, 0, 0, 0, 0, 0, 0, 0}, {.longWait = 1}),
          makeRow("Q581-E616", "Q58X-E616", sectorMapL4(),        {6, 4, 18, 0, 0, 0, 0, 20, 0, 0, 18, 0, 0, 0, 0}),
          makeRow("Q585-E616", "Q58X-E616", sectorMapL4(),        {6, 4, 18, 0, 0, 0, 0, 20, 0, 0, 18, 0, 0, 0, 0}),
          makeRow("KSX4-1ST/2ST", kSame, sectorMapL6(),           {33, 21, 0, 0, 0, 0, 0, 0, 0, 0, 0, 45, 47, 43, 0}, {.altCrc = 1, .signature = 'P'}),
          makeRow("Q58X-E617/Q306", kSame, sectorMapL5(),         {33, 21, 0, 0, 0, 0, 0, 0, 0, 0, 0, 45, 47, 0, 0}, {.altCrc = 1}),
          makeRow("Q58X-E619", kSame, sectorMapL1(),              {21, 9, 0, 0, 0, 0, 0, 0, 0, 0, 0, 33, 35, 0, 0}, {.altCrc = 1}),
          makeRow("R453", kSame, sectorMapL7(),                   {36, 32, 0, 0, 0, 0, 0, 0, 0, 0, 0, 91, 97, 77, 0}, {.altCrc = 1, .configTableOffered = 1, .signature = 'J'}),
          makeRow("R243", kSame, sectorMapL8(),                   {36, 32, 0, 0, 0, 0, 0, 0, 0, 0, 0, 91, 120, 77, 210}, {.altCrc = 1, .configTableOffered = 1, .signature = 'G'}),
          makeRow("Q913-E615", kSame, sectorMapL6(),              {33, 21, 0, 0, 0, 0, 0, 0, 0, 0, 0, 45, 47, 43, 0}, {.altCrc = 1, .signature = 'p'}),
      }}
{
    rows_[10].job.interfaceName = "LAN"; // the R451-2XX8/3XX8/4XX8/6XX8 row starts on LAN
}

int ModelCatalogue::indexOf(const std::string& displayName) const
{
    for (int i = 0; i < kRowCount; ++i)
        if (rows_[static_cast<size_t>(i)].displayName == displayName)
            return i;
    return -1;
}

} // namespace kyv
