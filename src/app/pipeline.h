// One reconciliation run, from a folder of packs to a written protocol file. The batch run and the
// window both go through here; the window calls it on a worker thread with its own progress
// callback and version text.
#pragma once

#include <cstdint>
#include <functional>
#include <memory>
#include <set>
#include <string>
#include <string_view>
#include <vector>

#include "engine/sverka.h"  // TProgressEvent: stage, detail (UTF-8), position, maximum
#include "protocol/prot.h"
#include "protocol/protformats.h"  // TProtFormat, TProtocolType: the table of formats
#include "protocol/protresults.h"

namespace brisolt {

// The extension of a protocol file of the format: ".html", ".xml" or ".xlsx".
std::string_view ProtocolExtension(TProtFormat format);

// What a run writes instead of an HTML page a browser would open slowly, as the user chose.
enum class TLargeHtmlChoice {
  WriteHtml,    // the page all the same
  WriteXlsx,    // an XLSX workbook of the same protocol, named with its own extension
  DebtsOnly,    // the page of the persons with a debt ("С задолженностью")
  ResultsOnly,  // no protocol: the results alone, for the window's table
  Cancel,       // nothing
};

struct TRunRequest {
  std::string Path;          // platform encoding; the folder of the packs
  bool SubDirs = false;
  bool CalcCorr = false;
  std::string RegNumb;       // windows-1251, one number or several separated by commas
  std::string OrgName;       // windows-1251
  TSaldoFilter SaldoFilter = TSaldoFilter::All;
  TProtForm ProtForm = TProtForm::Compact;
  TProtFormat ProtFormat = TProtFormat::Html;
  std::string ProtFileName;  // platform encoding; the protocol's full name
  std::string VersionText;   // windows-1251; see BatchVersionText
  int Threads = 0;           // threads of the load and the report (TFileSet::Threads); 0: one per core
  bool KeepReport = false;   // hand the written report back, to be saved in another format
  // The way out of a too large spreadsheet is named as the window's options rather than as the
  // command line's parameters.
  bool WindowWording = false;
  // Insurance numbers (11 digits) of the only persons the protocol is about; empty: everyone.
  std::set<std::string> OnlyPersons;
  bool Sources = false;      // a JSON protocol lists every person's documents
  bool KeepResults = false;  // hand the report and its results, with sources, back (the window)
  // For a process that ends after the run (batch mode): the run's persons and report are left
  // for the system to take back with the process, instead of being freed block by block, which
  // takes a tenth of a large run. Only the last run's are held.
  bool LeaveMemoryToExit = false;
  // When set, called on the run's thread once the report is built and before an HTML page is
  // written, with the counting pass's estimate of its bytes (EstimateHtmlProtocolBytes); the run
  // writes what it answers. The window asks the user about a page past kLargeHtmlProtocol. When
  // empty, such a page is written with a warning that names the ways out.
  std::function<TLargeHtmlChoice(std::uint64_t bytes)> ChooseHtml;
};

enum class TRunResult {
  Written,             // the protocol is in place
  WrittenIncomplete,   // the protocol is in place, but some files or folders could not be read
  NoPersons,           // no insured person in the folder for these numbers; nothing written
  ProtocolNotWritten,  // the protocol could not be written; an earlier one is left as it was
  ProtocolTooLarge,    // a spreadsheet sheet would pass the programs' limits; nothing written
  ResultsOnly,         // the user chose the results without a protocol (ChooseHtml); nothing written
  Cancelled,           // the user stopped the run before anything was written (ChooseHtml)
  Failed,              // anything else (an unreadable pack date, ...)
};

// A run's report and what a clerk acts on, as the window shows them.
struct TRunResults {
  TReport Report;
  TResults Results;
};

struct TRunOutcome {
  TRunResult Result = TRunResult::Failed;
  std::string Message;  // UTF-8, one line, for the user; empty when written completely
  // UTF-8, one line for each file or folder the load could not read, with the reason; whatever
  // the outcome, as they may be its cause.
  std::vector<std::string> ReadFailures;
  // UTF-8, one line each: a registration number of several that has no pack in the folder, when
  // the others gave a protocol (it holds nothing of that insurer); a text the writer cut to fit a
  // spreadsheet's cell (TProtocolWarnings); an HTML page so large that a browser opens it slowly
  // (EstimateHtmlProtocolBytes; only without ChooseHtml).
  std::vector<std::string> Warnings;
  // Only when written and asked for by KeepReport: the report and the stamp it was written with.
  std::shared_ptr<const TReport> Report;
  std::string Stamp;
  // Of OnlyPersons, those the run did not find, as "NNN-NNN-NNN NN".
  std::vector<std::string> UnknownPersons;
  // The protocol's file and format: the request's, or those of the workbook written instead of a
  // page (ChooseHtml).
  std::string ProtFileName;  // platform encoding
  TProtFormat ProtFormat = TProtFormat::Html;
  // Only when written (or ResultsOnly) and asked for by KeepResults.
  std::shared_ptr<const TRunResults> Results;
};

// What a run writes. A file name ending in .xlsx (any letter case) asks for an XLSX workbook
// whatever protFormat says; protFormat then only picks the program that opens it.
// Likewise .json asks for the protocol as JSON data and .csv for the action list (WrittenFormat).
TProtocolType ProtocolType(TProtFormat protFormat, const std::string& fileName);

// "Протокол HTML займёт около N МБ: браузер будет открывать его очень долго." (UTF-8), for a page
// of `bytes`; the batch run and the window each add their ways out.
std::string LargeHtmlNotice(std::uint64_t bytes);

// Whether this build writes XLSX (it needs zlib, which a build may leave out).
bool XlsxAvailable();

// Runs the whole pipeline. Never throws for a data or file problem: the outcome says what
// happened. `progress` may be empty.
TRunOutcome RunProtocol(const TRunRequest& request, const TProgressEvent& progress);

// Writes the report of an earlier run again in `format` (one written from the report alone) with
// that run's stamp (the window's "save as"). Written, ProtocolTooLarge or ProtocolNotWritten, with
// the message for the user in the window's words.
TRunOutcome WriteProtocolCopy(const TReport& report, const std::string& stamp, TProtFormat format,
                              const std::string& fileName);

// The version texts the protocol carries (windows-1251): "<product version> от <release date>"
// in batch mode, with "Версия " in front in the window.
std::string BatchVersionText();

// Hands a written protocol to the program that shows it: the desktop's program for HTML; for the
// spreadsheet formats Excel (the Excel and XLSX workbooks, Windows only), else OpenOffice or
// LibreOffice Calc, else the desktop's program. Started detached; whether the program then opens
// the file is not checked.
void OpenProtocol(const std::string& fileName, TProtFormat protFormat);

}  // namespace brisolt
