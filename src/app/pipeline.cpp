#include "app/pipeline.h"

#include <exception>
#include <memory>
#include <new>
#include <string_view>
#include <system_error>
#include <utility>
#include <vector>

#include "app/platform.h"
#include "app/verdata.h"
#include "engine/protocoltarget.h"
#include "engine/report.h"
#include "engine/results.h"
#include "engine/sverka.h"
#include "protocol/prot.h"
#include "protocol/protformats.h"
#include "base/encoding.h"

namespace brisolt {

namespace {

// The folder text with one separator at its end, however many the user typed: the protocol
// prints it in front of every file name.
std::string FolderWithSeparator(std::string folder) {
  const char separator = platform::PathSeparator();
  while (!folder.empty() && (folder.back() == '/' || folder.back() == separator)) {
    folder.pop_back();
  }
  return folder + separator;
}

void WriteProtocol(const TReport& report, const TResults* results, const TProtFormatRow& format,
                   const std::string& fileName, const std::string& stamp, int threads,
                   TProtocolWarnings* warnings) {
  format.Write({report, results, fileName, stamp, threads, warnings});
}

// The advice for a page a browser opens slowly, where the run's words are the command line's.
std::string LargeHtmlAdvice(std::uint64_t bytes) {
  return LargeHtmlNotice(bytes) +
         " Для большого числа сотрудников удобнее книга XLSX (имя файла .xlsx в protfilename), "
         "отбор \"С задолженностью\" (saldofilter=2) или вкладка \"Результаты\" в окне программы.";
}

// The protocol's name with the extension of `format` in place of the one of `written`.
std::string NameWithExtension(const std::string& fileName, const TProtFormatRow& written,
                              const TProtFormatRow& format) {
  std::string stem = fileName;
  if (stem.size() > written.Extension.size() && EndsWithExtension(stem, written.Extension)) {
    stem.erase(stem.size() - written.Extension.size());
  }
  return stem + std::string(format.Extension);
}

std::string VersionText() {
  TFileVersionInfo info;
  ReadFileVersionInfo(platform::ExecutablePath(), info);
  return info.ProductVersion + " от " + ReleaseDate;
}

}  // namespace

std::string LargeHtmlNotice(std::uint64_t bytes) {
  return "Протокол HTML займёт около " + std::to_string((bytes + 500'000) / 1'000'000) +
         " МБ: браузер будет открывать его очень долго.";
}

std::string_view ProtocolExtension(TProtFormat format) { return ProtFormatRow(format).Extension; }

TProtocolType ProtocolType(TProtFormat protFormat, const std::string& fileName) {
  return WrittenFormat(protFormat, fileName).Type;
}

bool XlsxAvailable() { return FormatBuilt(ProtFormatRow(TProtFormat::Xlsx)); }

std::string BatchVersionText() { return Utf8ToCp1251(VersionText()); }


namespace {

// See TRunRequest::LeaveMemoryToExit.
void LeaveToExit(TFileSet fileSet, TReport report) {
  struct THeld {
    TFileSet FileSet;
    TReport Report;
  };
  // Never freed: the end of the process takes it. Reachable from here, so leak checkers keep quiet.
  static THeld* const held = new THeld;
  held->FileSet = std::move(fileSet);
  held->Report = std::move(report);
}

}  // namespace

namespace {

constexpr const char* kOutOfMemory = "Недостаточно памяти для обработки.";

// A thread or a mapping the system refused for want of memory reports EAGAIN or ENOMEM, which
// the user should read as what it is.
bool IsOutOfMemory(const std::system_error& failure) {
  return failure.code() == std::errc::resource_unavailable_try_again ||
         failure.code() == std::errc::not_enough_memory;
}

}  // namespace

TRunOutcome RunProtocol(const TRunRequest& request, const TProgressEvent& progress) {
  TRunOutcome outcome;
  TFileSet fileSet;
  TReport report;
  outcome.ProtFileName = request.ProtFileName;
  outcome.ProtFormat = request.ProtFormat;
  if (const std::string tooLong = platform::FileNameTooLong(request.ProtFileName); !tooLong.empty()) {
    outcome.Result = TRunResult::ProtocolNotWritten;
    outcome.Message = "Не удалось записать протокол: " + tooLong;
    return outcome;
  }
  try {
    std::vector<std::string> messages;
    fileSet.Threads = request.Threads;
    fileSet.KeepSources = request.Sources || request.KeepResults;
    const TProgressEvent loadProgress =
        progress ? progress
                 : TProgressEvent([](const std::string&, const std::string&, int, int) {});
    fileSet.LoadSubmissions(FolderWithSeparator(request.Path), request.SubDirs,
                            request.CalcCorr, request.RegNumb, messages, loadProgress);
    outcome.ReadFailures = fileSet.ReadFailures;
    if (fileSet.Sotrs.empty()) {
      outcome.Result = TRunResult::NoPersons;
      outcome.Message = "Не удалось извлечь сведения о сотрудниках.";
      return outcome;
    }
    for (const std::string& number : fileSet.RegNumbsWithoutPacks) {
      outcome.Warnings.push_back("По регистрационному номеру " + Cp1251ToUtf8(number) +
                                 " не найдено ни одной пачки СЗВ-6: его сведений в протоколе нет.");
    }
    // Named persons the packs do not hold are named back; a run with none of them has nobody to
    // write about.
    std::size_t found = 0;
    for (const std::string& snils : request.OnlyPersons) {
      if (fileSet.FindSotr(snils) >= 0) {
        ++found;
      } else {
        outcome.UnknownPersons.push_back(FormatSNILS(snils));
      }
    }
    if (!request.OnlyPersons.empty() && found == 0) {
      outcome.Result = TRunResult::NoPersons;
      outcome.Message = "Не удалось найти сотрудников с указанными СНИЛС.";
      return outcome;
    }
    const std::string targetConflict =
        ProtocolTargetConflict(request.ProtFileName, fileSet.PackFileNames, fileSet.WalkedFolders);
    if (!targetConflict.empty()) {
      outcome.Result = TRunResult::ProtocolNotWritten;
      outcome.Message = targetConflict;
      return outcome;
    }
    const TProtFormatRow* format = &WrittenFormat(request.ProtFormat, request.ProtFileName);
    // The results cover every person whatever the balance filter lists: what the insurer owes
    // does not depend on what a protocol shows.
    const bool withResults = format->NeedsResults || request.KeepResults;
    TReportInputs inputs{.Messages = std::move(messages),
                         .ProgVersion = request.VersionText,
                         .ProgNote = PublicTestBuild ? Utf8ToCp1251(PublicTestNote) : std::string(),
                         .ProgURL = Utf8ToCp1251(HomePageURL),
                         .OrgName = request.OrgName,
                         .RegNumb = request.RegNumb,
                         .SaldoFilter = request.SaldoFilter,
                         .OnlyPersons = request.OnlyPersons,
                         .WithUnlisted = withResults};
    BuildReport(fileSet, inputs, report);
    report.ProtForm = request.ProtForm;
    // A large page: the batch run says so beside the outcome, the window's user chooses what to
    // write instead, before the results take the sources out of the file set.
    bool writeProtocol = true;
    if (format->Type == TProtocolType::Html) {
      const std::uint64_t bytes = EstimateHtmlProtocolBytes(report);
      if (!request.ChooseHtml) {
        if (bytes > kLargeHtmlProtocol) outcome.Warnings.push_back(LargeHtmlAdvice(bytes));
      } else {
        switch (request.ChooseHtml(bytes)) {
          case TLargeHtmlChoice::WriteHtml:
            break;
          case TLargeHtmlChoice::WriteXlsx: {
            const TProtFormatRow& xlsx = ProtFormatRow(TProtFormat::Xlsx);
            const std::string xlsxName = NameWithExtension(request.ProtFileName, *format, xlsx);
            std::string refused = platform::FileNameTooLong(xlsxName);
            if (!refused.empty()) {
              refused = "Не удалось записать протокол: " + refused;
            } else {
              refused = ProtocolTargetConflict(xlsxName, fileSet.PackFileNames, fileSet.WalkedFolders);
            }
            if (!refused.empty()) {
              outcome.Result = TRunResult::ProtocolNotWritten;
              outcome.Message = refused;
              return outcome;
            }
            format = &xlsx;
            outcome.ProtFileName = xlsxName;
            outcome.ProtFormat = TProtFormat::Xlsx;
            break;
          }
          case TLargeHtmlChoice::DebtsOnly:
            inputs.SaldoFilter = TSaldoFilter::Debt;
            BuildReport(fileSet, inputs, report);
            report.ProtForm = request.ProtForm;
            break;
          case TLargeHtmlChoice::ResultsOnly:
            writeProtocol = false;
            outcome.Result = TRunResult::ResultsOnly;
            break;
          case TLargeHtmlChoice::Cancel:
            outcome.Result = TRunResult::Cancelled;
            return outcome;
        }
      }
    }
    TResults results;
    if (withResults) {
      BuildResults(fileSet, report, request.KeepResults || (request.Sources && format->ListsSources),
                   results);
    }
    const std::string stamp = CurrentProtocolStamp();
    try {
      if (writeProtocol) {
        WriteProtocol(report, &results, *format, outcome.ProtFileName, stamp, request.Threads,
                      &outcome.Warnings);
      }
    } catch (const ESpreadsheetTooLarge& failure) {
      outcome.Result = TRunResult::ProtocolTooLarge;
      outcome.Message = request.WindowWording ? failure.WindowText() : failure.what();
      return outcome;
    } catch (const EProtocolWriteError& failure) {
      outcome.Result = TRunResult::ProtocolNotWritten;
      const std::string reason = failure.what();
      if (!format->HeldOpenHint) {
        outcome.Message = "Не удалось записать протокол: " + reason;
      } else {
        outcome.Message =
            "Не удалось открыть протокол. Пожалуйста, проверьте, не открыт ли у Вас протокол в "
            "Excel по этому же страхователю (" + reason + ")";
      }
      return outcome;
    }
    if (!writeProtocol) {
      // The results are handed back below; nothing was written.
    } else if (fileSet.ReadFailures.empty()) {
      outcome.Result = TRunResult::Written;
    } else {
      outcome.Result = TRunResult::WrittenIncomplete;
      outcome.Message = "Протокол сформирован, но не все файлы удалось прочитать.";
    }
    if (request.KeepResults) {
      auto kept = std::make_shared<TRunResults>();
      kept->Report = std::move(report);
      kept->Results = std::move(results);
      if (request.KeepReport) {
        outcome.Report = std::shared_ptr<const TReport>(kept, &kept->Report);
        outcome.Stamp = stamp;
      }
      outcome.Results = std::move(kept);
    } else if (request.KeepReport) {
      outcome.Report = std::make_shared<const TReport>(std::move(report));
      outcome.Stamp = stamp;
    }
  } catch (const std::bad_alloc&) {
    outcome.Result = TRunResult::Failed;
    outcome.Message = kOutOfMemory;
  } catch (const std::system_error& failure) {
    outcome.Result = TRunResult::Failed;
    outcome.Message = IsOutOfMemory(failure) ? kOutOfMemory : failure.what();
  } catch (const std::exception& failure) {
    outcome.Result = TRunResult::Failed;
    outcome.Message = failure.what();
  }
  if (request.LeaveMemoryToExit) {
    LeaveToExit(std::move(fileSet), std::move(report));
  }
  return outcome;
}

TRunOutcome WriteProtocolCopy(const TReport& report, const std::string& stamp, TProtFormat format,
                              const std::string& fileName) {
  TRunOutcome outcome;
  try {
    WriteProtocol(report, nullptr, ProtFormatRow(format), fileName, stamp, 0, &outcome.Warnings);
    outcome.Result = TRunResult::Written;
  } catch (const ESpreadsheetTooLarge& failure) {
    outcome.Result = TRunResult::ProtocolTooLarge;
    outcome.Message = failure.WindowText();
  } catch (const std::bad_alloc&) {
    outcome.Result = TRunResult::ProtocolNotWritten;
    outcome.Message = kOutOfMemory;
  } catch (const std::system_error& failure) {
    outcome.Result = TRunResult::ProtocolNotWritten;
    outcome.Message = IsOutOfMemory(failure) ? kOutOfMemory : failure.what();
  } catch (const std::exception& failure) {
    outcome.Result = TRunResult::ProtocolNotWritten;
    outcome.Message = failure.what();
  }
  return outcome;
}

void OpenProtocol(const std::string& fileName, TProtFormat protFormat) {
  const TProtocolOpener opener = ProtFormatRow(protFormat).Opener;
  if (opener == TProtocolOpener::Desktop) {
    platform::ShellOpen(fileName);
    return;
  }
  // The spreadsheet program asked for, else the other one, else whatever the desktop associates
  // with the file (often a browser, which shows the workbook as bare XML).
  if (!platform::StartSpreadsheet(fileName, opener == TProtocolOpener::ExcelFirst)) {
    platform::ShellOpen(fileName);
  }
}

}  // namespace brisolt
