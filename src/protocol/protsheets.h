// The worksheets of a spreadsheet protocol as both spreadsheet writers lay them out: their names
// and how many rows and columns each takes, counted from the report before anything is written.
// Names are windows-1251.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

#include "protocol/prot.h"

namespace brisolt {

enum class TSheet { Protocol, Table, Totals, Forgotten, SZV63 };

std::string SheetName(TSheet sheet, const TReport& report);

// The СЗВ-6-3 sheet is written only for a year with blocks.
bool HasSZV63Sheet(const TReport& report);

struct TSheetSize {
  TSheet Sheet = TSheet::Protocol;
  std::uint64_t Rows = 0;
  std::uint64_t Columns = 0;
};

// Every sheet the report fills, in workbook order.
std::vector<TSheetSize> SpreadsheetSheetSizes(const TReport& report);

// Throws ESpreadsheetTooLarge naming the first sheet that passes the limits.
void CheckSpreadsheetSize(const TReport& report, const TSheetLimits& limits);

}  // namespace brisolt
