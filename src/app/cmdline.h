// Batch mode: the command line turned into checked run parameters, and the run itself.
#pragma once

#include <set>
#include <string>
#include <utility>
#include <vector>

#include "app/pipeline.h"

namespace brisolt {

// Exit statuses of a batch run, so that a calling script can tell the outcomes apart.
enum ExitStatus : int {
  kExitSuccess = 0,
  kExitFailure = 1,         // anything not listed below, e.g. an unreadable date in a pack
  kExitBadParameter = 2,
  kExitNoPersons = 3,
  kExitProtocolNotWritten = 4,
  kExitSomeFilesUnread = 5,  // the protocol was written, but some files could not be read
};

// The run a command line asks for (TRunRequest: the folder, the numbers, the protocol; its
// VersionText stays empty here) and what only the command line has.
struct TRunParams : TRunRequest {
  bool ProtOpen = false;
  std::vector<std::pair<std::string, std::string>> Params;  // arguments as given (platform encoding)
  std::string ErrorText;      // UTF-8, empty on success
};

// `args` are the arguments without the program's own name, as the platform split them.
bool ParseCommandLine(const std::vector<std::string>& args, TRunParams& params);
bool ReadParamList(const std::vector<std::string>& args, TRunParams& params);
bool ParseParam(TRunParams& params, const std::string& argument);

// Registration numbers in windows-1251: NNN-NNN-NNNNNN, several separated by commas.
bool CheckRegNumbList(const std::string& text);
bool CheckRegNumb(const std::string& text);
bool IsAllDigits(const std::string& text);
// Insurance numbers NNN-NNN-NNN NN, several separated by commas, added to `numbers` as their 11
// digits. False, at the first one of another form, for anything else.
bool ReadSnils(const std::string& text, std::string& digits);
bool ReadSnilsList(const std::string& text, std::set<std::string>& numbers);

// Checks the arguments and runs one batch; returns the process's exit status.
int RunBatch(const std::vector<std::string>& args);

// The whole pipeline for checked parameters; returns the process's exit status.
int ProcessBatch(const TRunParams& params);

}  // namespace brisolt
