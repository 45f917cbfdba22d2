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
// that order, each with both balances, the periods where they arise and what to do. As CSV (one
// row per person, the same quoting as the action list), as JSON (schema version 2's person
// fields), or as a page to print (HTML, UTF-8, A4 landscape, the browser's print dialog opened
// with it). `caption` (windows-1251) heads the page: the insurer, the search and the filter.
enum class TListFormat : std::uint8_t { Csv, Json, Html };
void WriteResultsList(const TReport& report, const TResults& results, const std::vector<std::size_t>& persons,
                      TListFormat format, const std::string& caption, const std::string& fileName);

}  // namespace brisolt
