// How many rows and columns each worksheet of a spreadsheet protocol takes, counted by running the
// layout into a sink that only counts, and the refusal of a workbook that the spreadsheet programs
// would open cut short.
#pragma once

#include <cstdint>
#include <vector>

#include "protocol/prot.h"
#include "protocol/protlayout.h"

namespace brisolt {

struct TSheetSize {
  TSheet Sheet = TSheet::Protocol;
  std::uint64_t Rows = 0;
  std::uint64_t Columns = 0;
};

// Every sheet the report fills, in workbook order.
std::vector<TSheetSize> SpreadsheetSheetSizes(const TReport& report);

// Throws ESpreadsheetTooLarge naming the first sheet that passes the limits; gives the sizes
// otherwise.
std::vector<TSheetSize> CheckSpreadsheetSize(const TReport& report, const TSheetLimits& limits);

// Throws ESpreadsheetTooLarge for a sheet whose part of an XLSX package would pass the format's
// 4 GiB (`bytes`: at least that many, `limit`: the most a part may hold).
[[noreturn]] void RefuseXlsxSheetBytes(const TReport& report, TSheet sheet, std::uint64_t bytes,
                                       std::uint64_t limit);

}  // namespace brisolt
