// The protocol as an Office Open XML workbook (.xlsx), written through libxlsxwriter row by row in
// its constant-memory mode: the sheets, cells, merges, styles and numbers of the XML spreadsheet,
// plus frozen panes and filters that every spreadsheet program keeps. Model texts (windows-1251)
// are turned into the library's UTF-8 once, cell by cell; amounts become numbers rounded to
// kopecks exactly as the other writers print them.
//
// Built only where libxlsxwriter is (the CMake option BRISOLT_XLSX, BRISOLT_HAVE_XLSX in code),
// in a library of its own, so that the engine keeps to the standard library.
#pragma once

#include <cstdint>
#include <string>

#include "protocol/prot.h"

namespace brisolt {

// Writes beside the target and renames over it once complete, as the other writers do. Raises
// ESpreadsheetTooLarge before anything is written when a sheet would pass the limits, and
// EProtocolWriteError when the file cannot be written.
void WriteXlsxProtocol(const TReport& report, const std::string& fileName,
                       const TSpreadsheetOptions& options);

// The number a spreadsheet cell holds for an amount: FormatSum's kopecks as a double, the same
// double a program reading FormatSum's text would make.
double XlsxAmountValue(std::int64_t amount);

}  // namespace brisolt
