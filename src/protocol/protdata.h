// The protocol as data for other programs: the whole report with the results a clerk acts on as
// JSON (UTF-8), and the action list as CSV for a Russian spreadsheet (UTF-8 with a byte-order
// mark, ";" between fields, decimal comma, CR LF). Both go through TProtocolFile: written beside
// the target and put in place only when complete, with the refusals of the other protocols.
#pragma once

#include <string>

#include "protocol/prot.h"
#include "protocol/protresults.h"

namespace brisolt {

// `results` was built from `report` (BuildResults); its sources are written when it holds them.
void WriteJsonProtocol(const TReport& report, const TResults& results, const std::string& fileName,
                       const std::string& stamp);

// One row per person and action, most owed first, then the totals.
void WriteCsvActions(const TReport& report, const TResults& results, const std::string& fileName);

}  // namespace brisolt
