// What the main window hands to the processing pipeline for one run, and what comes back. The run
// itself happens on a worker thread; see TMain_Form::Process_ButtonClick.
#pragma once

#include <functional>
#include <string>
#include <vector>

namespace brisolt {

struct TWindowRunRequest {
  std::string Folder;        // platform encoding, ending in the platform's separator
  bool SubDirs = false;
  bool CalcCorr = false;
  std::string RegNumb;       // windows-1251, as typed
  std::string OrgName;       // windows-1251
  std::string VersionText;   // windows-1251, the text of the version label
  int SaldoFilter = 0;       // the selected item of the balance-filter group (-1: none)
  int ProtForm = 0;          // the selected item of the layout group (-1: none)
  int ProtFormat = 0;        // the selected item of the format group (-1: none)
  std::string ProtFileName;  // platform encoding
};

enum class TWindowRunResult {
  Written,            // the protocol file is complete
  NoPersons,          // nobody of the insurer was found; nothing written
  SpreadsheetFailed,  // the spreadsheet protocol could not be written
  Failed,             // anything else (HTML not written, unreadable pack date, ...); see ErrorText
};

struct TWindowRunOutcome {
  TWindowRunResult Result = TWindowRunResult::Failed;
  std::string ErrorText;  // UTF-8, for Failed
};

// Progress from the pipeline: stage, detail (UTF-8), position, maximum. Called on the worker.
using TRunProgress =
    std::function<void(const std::string& stage, const std::string& detail, int position,
                       int maximum)>;

// Runs the pipeline once; must not throw. Called on a worker thread.
using TWindowRunner =
    std::function<TWindowRunOutcome(const TWindowRunRequest&, const TRunProgress&)>;

// Lists the insurers whose packs lie in a folder (ending in the separator): appends their names
// and registration numbers (windows-1251) in the order found. Called on the window's thread.
using TInsurerScanner = std::function<void(const std::string& folder, bool subDirs,
                                           std::vector<std::string>& names,
                                           std::vector<std::string>& regNumbs)>;

// What the window calls in the engine; tests put in their own.
struct TWindowEngine {
  TInsurerScanner ScanInsurers;
  TWindowRunner Run;
};

// The real engine and pipeline.
TWindowEngine DefaultWindowEngine();

}  // namespace brisolt
