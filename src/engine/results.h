// The results a clerk acts on (protocol/protresults.h), taken from the report the protocol prints
// and from what the fold kept of each person's submissions: balances, the periods where they
// arise, what to do, and the documents behind the figures.
#pragma once

#include "engine/sverka.h"
#include "protocol/prot.h"
#include "protocol/protresults.h"

namespace brisolt {

// Clears and fills `results` for every line of `report`, which BuildReport filled from `fileSet`.
// The sources are those the fold kept (TFileSet::KeepSources); with `withSources` they move from
// the listed persons of the file set into the results (millions of them in a large run), without
// it they stay where they are.
void BuildResults(TFileSet& fileSet, const TReport& report, bool withSources, TResults& results);

}  // namespace brisolt
