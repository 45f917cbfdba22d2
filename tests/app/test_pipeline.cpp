// Handing a written protocol to the program that shows it, with stand-in programs on the search
// path that note how they were called.
#include <gtest/gtest.h>

#ifndef _WIN32

#include <chrono>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <random>
#include <sstream>
#include <string>
#include <system_error>
#include <thread>
#include <vector>

#include "app/pipeline.h"
#include "../protocol/full_disk.h"
#include "../protocol/sample_reports.h"
#include "base/encoding.h"

namespace brisolt {
namespace {

namespace fs = std::filesystem;

struct TOpenCase {
  const char* name;
  std::vector<std::string> installed;  // stand-ins besides xdg-open
  TProtFormat protFormat;
  std::string expected;  // the program and its arguments, as the stand-in noted them
};

TEST(OpenProtocol, SpreadsheetsOpenInCalcWhereInstalledElseOnTheDesktop) {
  std::random_device random;
  const fs::path scratch = fs::temp_directory_path() / ("brisolt-open-" + std::to_string(random()));
  const fs::path bin = scratch / "bin";
  fs::create_directories(bin);
  const std::string savedPath = std::getenv("PATH") ? std::getenv("PATH") : "";
  const std::string protocol = (scratch / "087-001-000001.xml").string();

  const std::vector<TOpenCase> cases = {
      {"Excel chosen, LibreOffice Calc installed", {"localc", "soffice"}, TProtFormat::ExcelXml, "localc " + protocol},
      {"OpenOffice Calc chosen", {"localc"}, TProtFormat::CalcXml, "localc " + protocol},
      {"only the office suite's launcher", {"soffice"}, TProtFormat::ExcelXml, "soffice --calc " + protocol},
      {"no spreadsheet program", {}, TProtFormat::ExcelXml, "xdg-open " + protocol},
      {"HTML goes to the desktop", {"localc"}, TProtFormat::Html, "xdg-open " + protocol},
      {"the XLSX workbook as Excel's", {"localc"}, TProtFormat::Xlsx, "localc " + protocol},
  };
  for (const TOpenCase& test : cases) {
    SCOPED_TRACE(test.name);
    fs::remove_all(bin);
    fs::create_directories(bin);
    const fs::path record = scratch / "called.txt";
    fs::remove(record);
    std::vector<std::string> programs = test.installed;
    programs.push_back("xdg-open");
    for (const std::string& program : programs) {
      const fs::path script = bin / program;
      std::ofstream(script) << "#!/bin/sh\necho \"" << program << " $*\" > \"" << record.string()
                            << ".part\" && /bin/mv \"" << record.string() << ".part\" \""
                            << record.string() << "\"\n";
      fs::permissions(script, fs::perms::owner_all);
    }
    // The search path holds the stand-ins alone, so that no real program is started.
    setenv("PATH", bin.string().c_str(), 1);
    OpenProtocol(protocol, test.protFormat);
    setenv("PATH", savedPath.c_str(), 1);

    const auto deadline = std::chrono::steady_clock::now() + std::chrono::seconds(20);
    while (!fs::exists(record) && std::chrono::steady_clock::now() < deadline) {
      std::this_thread::sleep_for(std::chrono::milliseconds(20));
    }
    std::ifstream in(record);
    std::string called;
    std::getline(in, called);
    EXPECT_EQ(called, test.expected);
  }
  fs::remove_all(scratch);
}

// A thread the system refuses under a memory limit throws EAGAIN ("Resource temporarily
// unavailable"); the user reads that the memory ran out. The load's progress report stands in for
// the thread's start.
TEST(RunProtocol, AThreadRefusedForWantOfMemoryIsReportedAsSuch) {
  const fs::path folder = fs::temp_directory_path() / ("brisolt-memory-" + std::to_string(std::random_device()()));
  fs::create_directories(folder);
  std::ofstream(folder / "PFR-700-Y-2011-ORG-1.xml") << "<?xml version=\"1.0\"?><a/>";
  for (const std::errc code : {std::errc::resource_unavailable_try_again, std::errc::not_enough_memory}) {
    TRunRequest request;
    request.Path = NativeFromPath(folder);
    request.RegNumb = "087-001-012345";
    request.ProtFileName = NativeFromPath(folder / "protocol.html");
    const TRunOutcome outcome = RunProtocol(request, [code](const std::string&, const std::string&, int, int) {
      throw std::system_error(std::make_error_code(code));
    });
    EXPECT_EQ(outcome.Result, TRunResult::Failed);
    EXPECT_EQ(outcome.Message, "Недостаточно памяти для обработки.");
  }
  fs::remove_all(folder);
}

#ifdef BRISOLT_HAVE_XLSX
// The XLSX library prints English lines naming its own sources when a write fails; the user sees
// only the program's message, with the system's reason.
TEST(WriteProtocolCopy, AnXlsxFailureIsTheProgramsMessageNotTheLibrarysLines) {
  if (!TFullDiskAfter::kAvailable) {
    GTEST_SKIP() << "no file size limit on this platform";
  }
  const fs::path folder = fs::temp_directory_path() / ("brisolt-copy-" + std::to_string(std::random_device()()));
  fs::create_directories(folder);
  const std::string target = NativeFromPath(folder / "copy.xlsx");
  TRunOutcome outcome;
  ::testing::internal::CaptureStderr();
  {
    TFullDiskAfter full(2000);
    outcome = WriteProtocolCopy(testing::FullReport(TProtForm::Compact), testing::kFixedStamp, TProtFormat::Xlsx,
                                target);
  }
  const std::string said = ::testing::internal::GetCapturedStderr();
  EXPECT_EQ(said, "");
  EXPECT_EQ(outcome.Result, TRunResult::ProtocolNotWritten);
  EXPECT_EQ(outcome.Message.rfind(target + ": ", 0), 0u) << outcome.Message;
  EXPECT_NE(outcome.Message.find(std::make_error_code(std::errc::file_too_large).message()), std::string::npos)
      << outcome.Message;
  EXPECT_FALSE(fs::exists(folder / "copy.xlsx"));
  fs::remove_all(folder);
}
#endif

}  // namespace
}  // namespace brisolt

#endif

// What the window's user chooses instead of a page a browser would open slowly: the run asks once
// the report is built, with the counting pass's estimate of the page, and writes what it is told.
#include <filesystem>
#include <fstream>
#include <iterator>
#include <random>
#include <string>
#include <vector>

#include "app/pipeline.h"
#include "base/encoding.h"

namespace brisolt {
namespace {

namespace fs = std::filesystem;

// A protocol's bytes without the line of the time it was written.
std::vector<std::string> LinesWithoutStamp(const fs::path& file) {
  std::ifstream in(file, std::ios::binary);
  const std::string stampLine = Utf8ToCp1251("Дата и время формирования протокола: ");
  std::vector<std::string> lines;
  for (std::string line; std::getline(in, line);) {
    if (line.find(stampLine) == std::string::npos) lines.push_back(line);
  }
  return lines;
}

TEST(RunProtocol, WritesWhatTheUserChoseInsteadOfALargePage) {
  const fs::path scratch =
      fs::temp_directory_path() / ("brisolt-choice-" + std::to_string(std::random_device()()));
  fs::create_directories(scratch);
  TRunRequest base;
  base.Path = std::string(BRISOLT_SOURCE_DIR) + "/examples";
  base.RegNumb = "087-001-012345";
  base.OrgName = "X";
  base.VersionText = "1";
  base.KeepResults = true;
  // The pages the batch run writes for everyone and for the debts.
  TRunRequest all = base;
  all.ProtFileName = NativeFromPath(scratch / "all.html");
  const TRunOutcome allWritten = RunProtocol(all, {});
  ASSERT_EQ(allWritten.Result, TRunResult::Written) << allWritten.Message;
  TRunRequest debts = all;
  debts.SaldoFilter = TSaldoFilter::Debt;
  debts.ProtFileName = NativeFromPath(scratch / "debts.html");
  ASSERT_EQ(RunProtocol(debts, {}).Result, TRunResult::Written);
  ASSERT_NE(LinesWithoutStamp(scratch / "all.html"), LinesWithoutStamp(scratch / "debts.html"));

  struct TCase {
    TLargeHtmlChoice choice;
    TRunResult result;
    const char* written;  // the file in the folder afterwards; empty: none
    TProtFormat format;
    const char* sameAs;   // the batch page it equals; empty: not a page
    bool results;         // handed back for the window's table
  };
  std::vector<TCase> cases = {
      {TLargeHtmlChoice::WriteHtml, TRunResult::Written, "p.html", TProtFormat::Html, "all.html", true},
      {TLargeHtmlChoice::DebtsOnly, TRunResult::Written, "p.html", TProtFormat::Html, "debts.html", true},
      {TLargeHtmlChoice::ResultsOnly, TRunResult::ResultsOnly, "", TProtFormat::Html, "", true},
      {TLargeHtmlChoice::Cancel, TRunResult::Cancelled, "", TProtFormat::Html, "", false},
  };
  if (XlsxAvailable()) {
    cases.push_back({TLargeHtmlChoice::WriteXlsx, TRunResult::Written, "P.xlsx", TProtFormat::Xlsx, "", true});
  }
  for (const TCase& test : cases) {
    SCOPED_TRACE(static_cast<int>(test.choice));
    const fs::path folder = scratch / "run";
    fs::remove_all(folder);
    fs::create_directories(folder);
    TRunRequest request = base;
    // The workbook takes the page's name with its own extension, whatever the page's letter case.
    request.ProtFileName = NativeFromPath(folder / (test.format == TProtFormat::Xlsx ? "P.HTML" : "p.html"));
    std::vector<std::uint64_t> asked;
    request.ChooseHtml = [&asked, &test](std::uint64_t bytes) {
      asked.push_back(bytes);
      return test.choice;
    };
    const TRunOutcome outcome = RunProtocol(request, {});
    EXPECT_EQ(outcome.Result, test.result) << outcome.Message;
    EXPECT_EQ(asked, std::vector<std::uint64_t>{EstimateHtmlProtocolBytes(allWritten.Results->Report)});
    std::vector<std::string> files;
    for (const fs::directory_entry& entry : fs::directory_iterator(folder)) {
      files.push_back(entry.path().filename().string());
    }
    EXPECT_EQ(files, std::string(test.written).empty() ? std::vector<std::string>{}
                                                       : std::vector<std::string>{test.written});
    EXPECT_TRUE(outcome.Warnings.empty());
    if (!std::string(test.written).empty()) {
      EXPECT_EQ(outcome.ProtFileName, NativeFromPath(folder / test.written));
      EXPECT_EQ(outcome.ProtFormat, test.format);
    }
    if (*test.sameAs != '\0') {
      EXPECT_EQ(LinesWithoutStamp(folder / test.written), LinesWithoutStamp(scratch / test.sameAs));
    } else if (test.format == TProtFormat::Xlsx) {
      std::ifstream in(folder / test.written, std::ios::binary);
      std::string magic(2, '\0');
      in.read(magic.data(), 2);
      EXPECT_EQ(magic, "PK");
    }
    ASSERT_EQ(outcome.Results != nullptr, test.results);
    if (test.results) {
      // The table lists everyone whatever the protocol lists.
      EXPECT_EQ(outcome.Results->Results.Persons.size(), allWritten.Results->Results.Persons.size());
    }
  }

  // A spreadsheet is not asked about.
  TRunRequest workbook = base;
  workbook.ProtFormat = TProtFormat::ExcelXml;
  workbook.ProtFileName = NativeFromPath(scratch / "p.xml");
  bool asked = false;
  workbook.ChooseHtml = [&asked](std::uint64_t) {
    asked = true;
    return TLargeHtmlChoice::Cancel;
  };
  EXPECT_EQ(RunProtocol(workbook, {}).Result, TRunResult::Written);
  EXPECT_FALSE(asked);
  fs::remove_all(scratch);
}

}  // namespace
}  // namespace brisolt
