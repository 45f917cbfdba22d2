// What the main window calls in the engine: the insurer list of a folder and the run of the
// pipeline. Tests put in their own.
#pragma once

#include <functional>
#include <string>
#include <vector>

#include "app/pipeline.h"

namespace brisolt {

// Lists the insurers whose packs lie in a folder (ending in the separator): appends their names
// and registration numbers (windows-1251) in the order found. Called on a worker thread; the
// progress callback may be called there any number of times.
using TInsurerScanner = std::function<void(const std::string& folder, bool subDirs,
                                           std::vector<std::string>& names,
                                           std::vector<std::string>& regNumbs,
                                           const TProgressEvent& progress)>;

// One run of the pipeline. Called on a worker thread; the progress callback may be called there
// any number of times.
using TWindowRunner = std::function<TRunOutcome(const TRunRequest&, const TProgressEvent&)>;

struct TWindowEngine {
  TInsurerScanner ScanInsurers;
  TWindowRunner Run;
};

// The real engine and pipeline.
TWindowEngine DefaultWindowEngine();

}  // namespace brisolt
