// The protocol as an Office Open XML workbook (.xlsx): the sheets, cells, merges, styles and
// numbers of the XML spreadsheet, plus frozen panes, filters and print titles that every
// spreadsheet program keeps. The sheets' XML is made row by row straight from the layout and
// deflated on the machine's cores as it is made (TZipStream), so a workbook of a large insurer
// takes little more time than the XML spreadsheet. Model texts (windows-1251) are turned into
// UTF-8 once, cell by cell; amounts are the numbers the other writers print.
//
// Built only where zlib is (the CMake option BRISOLT_XLSX, BRISOLT_HAVE_XLSX in code), in a
// library of its own, so that the engine keeps to the standard library; elsewhere
// protxlsx_none.cpp stands in for it.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

#include "protocol/prot.h"
#include "protocol/protlayout.h"

namespace brisolt {

// Writes beside the target and renames over it once complete, as the other writers do. Raises
// ESpreadsheetTooLarge before anything is written when a sheet would pass the limits, and
// EProtocolWriteError when the file cannot be written.
// Without zlib it raises EProtocolWriteError and writes nothing.
void WriteXlsxProtocol(const TReport& report, const std::string& fileName,
                       const TSpreadsheetOptions& options);

// The bytes of XML each sheet takes at the least, in workbook order, counted by a pass over the
// layout that writes nothing: each row's and cell's markup, the texts, the amounts' whole roubles
// (escaping, UTF-8, kopecks and merges only add to them).
struct TXlsxSheetBytes {
  TSheet Sheet;
  std::uint64_t Bytes;
};
std::vector<TXlsxSheetBytes> XlsxSheetBytesAtLeast(const TReport& report);

// Throws ESpreadsheetTooLarge when a sheet's XML would pass the package's limit
// (TSheetLimits::XlsxSheetBytes) for certain, from a pass over the layout that writes nothing:
// well under a second where writing would take minutes.
void CheckXlsxSheetBytes(const TReport& report, const TSheetLimits& limits);

// Whether this build writes XLSX workbooks.
bool XlsxWriterBuilt();

}  // namespace brisolt
