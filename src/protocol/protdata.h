// The protocol as data for other programs: the whole report with the results a clerk acts on as
// JSON (UTF-8), and the action list as CSV for a Russian spreadsheet (UTF-8 with a byte-order
// mark, ";" between fields, decimal comma, CR LF). Both go through TProtocolFile: written beside
// the target and put in place only when complete, with the refusals of the other protocols.
#pragma once

#include <cstddef>
#include <cstdint>
#include <string>
#include <vector>

#include "protocol/prot.h"
#include "protocol/protresults.h"

namespace brisolt {

// `results` was built from `report` (BuildResults); its sources are written when it holds them.
void WriteJsonProtocol(const TReport& report, const TResults& results, const std::string& fileName,
                       const std::string& stamp);

// One row per action of every person of the results, most owed first.
void WriteCsvActions(const TReport& report, const TResults& results, const std::string& fileName);

// The results table as the window shows it: the persons given (indices into results.Persons), in
// that order, each with both balances, the periods where they arise and what to do. `Caption`
// (windows-1251) names the insurer, the search and the filter.
struct TListJob {
  const TReport& Report;
  const TResults& Results;
  const std::vector<std::size_t>& Persons;
  const std::string& Caption;
  const std::string& FileName;  // platform encoding
};
using TListWriter = void (*)(const TListJob& job);

// As CSV (one row per person, the same quoting as the action list), as JSON (schema version 2's
// person fields), as an XLSX workbook (one sheet: the caption, the heading, one row per person,
// amounts as numbers), or as a page to print (HTML, UTF-8, A4 landscape, the browser's print
// dialog opened with it, headed by the caption). The formats table (protformats.h) offers the
// first three for saving.
void WriteCsvList(const TListJob& job);
void WriteJsonList(const TListJob& job);
void WriteXlsxList(const TListJob& job);  // raises EProtocolWriteError in a build without XLSX
void WritePrintableList(const TListJob& job);

}  // namespace brisolt
