// Batch mode: the command line turned into checked run parameters, and the run itself.
#pragma once

#include <string>
#include <utility>
#include <vector>

namespace brisolt {

// Exit statuses of a batch run, so that a calling script can tell the outcomes apart.
enum ExitStatus : int {
  kExitSuccess = 0,
  kExitFailure = 1,         // anything not listed below, e.g. an unreadable date in a pack
  kExitBadParameter = 2,
  kExitNoPersons = 3,
  kExitProtocolNotWritten = 4,
};

struct TRunParams {
  std::string Path;           // platform encoding, used as given for every file-system call
  bool SubDirs = false;
  bool CalcCorr = false;
  std::string ProtFileName;   // platform encoding
  int ProtForm = 0;           // 0 compact, 1 detailed
  int ProtFormat = 0;         // 0 HTML, 1 spreadsheet for Excel, 2 spreadsheet for Calc
  bool ProtOpen = false;
  std::string OrgName;        // windows-1251
  std::string RegNumb;        // windows-1251, one number or several separated by commas
  int SaldoFilter = 0;        // 0 all, 1 non-zero balance, 2 debt, 3 overpayment
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

// Checks the arguments and runs one batch; returns the process's exit status.
int RunBatch(const std::vector<std::string>& args);

// The whole pipeline for checked parameters; returns the process's exit status.
int ProcessBatch(const TRunParams& params);

}  // namespace brisolt
