// The sheet sizes both spreadsheet writers work from, and the refusal of a workbook that the
// spreadsheet programs would open cut short.
#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>
#include <random>
#include <sstream>
#include <string>
#include <vector>

#include "protocol/prot.h"
#include "protocol/protsheets.h"
#include "sample_reports.h"
#include "base/encoding.h"

namespace brisolt {
namespace {

namespace fs = std::filesystem;
using testing::EmptyReport;
using testing::FullReport;
using testing::kFixedStamp;
using testing::OnePeriodReport;

using testing::ReadAll;

std::size_t CountOf(const std::string& text, const std::string& what) {
  std::size_t count = 0;
  for (std::size_t pos = text.find(what); pos != std::string::npos;
       pos = text.find(what, pos + what.size())) {
    ++count;
  }
  return count;
}

// A report of `persons` persons over `periods` periods and nothing else. Unless `filled`, the
// persons hold no period records, so memory stays small even for a million rows; only the
// counting can take such a report, not a writer.
TReport PersonsReport(std::size_t persons, std::size_t periods, TProtForm protForm,
                      bool filled = false) {
  TReport report;
  for (std::size_t period = 0; period < periods; ++period) {
    report.AddPeriod(std::to_string(period));
    report.AddTotal({});
  }
  report.MainLines.resize(persons);
  if (filled) {
    for (TMainLine& line : report.MainLines) {
      line.Periods.resize(periods);
    }
  }
  report.ProtForm = protForm;
  return report;
}

TEST(SpreadsheetSheetSizes, CountTheRowsAndColumnsTheXmlWriterWrites) {
  const std::vector<TReport> reports = {
      FullReport(TProtForm::Compact),      FullReport(TProtForm::Detailed),
      OnePeriodReport(TProtForm::Compact), OnePeriodReport(TProtForm::Detailed),
      EmptyReport(TProtForm::Compact),     EmptyReport(TProtForm::Detailed)};
  const fs::path file = fs::temp_directory_path() /
                        ("brisolt-sheets-" + std::to_string(std::random_device()()) + ".xml");
  for (const TReport& report : reports) {
    SCOPED_TRACE(Cp1251ToUtf8(report.OrgName) + " layout " +
                 std::to_string(static_cast<int>(report.ProtForm)));
    WriteXmlProtocol(report, NativeFromPath(file), kFixedStamp);
    const std::string text = ReadAll(file);
    const std::vector<TSheetSize> sizes = SpreadsheetSheetSizes(report);
    ASSERT_EQ(sizes.size(), CountOf(text, "<Worksheet "));
    std::size_t sheetStart = text.find("<Worksheet ");
    for (const TSheetSize& size : sizes) {
      const std::size_t sheetEnd = text.find("</Worksheet>", sheetStart);
      const std::string sheet = text.substr(sheetStart, sheetEnd - sheetStart);
      EXPECT_NE(sheet.find("ss:Name=\"" + SheetName(size.Sheet, report) + "\""),
                std::string::npos);
      EXPECT_EQ(size.Rows, CountOf(sheet, "<Row>")) << Cp1251ToUtf8(SheetName(size.Sheet, report));
      EXPECT_EQ(size.Columns, CountOf(sheet, "<Column ")) << Cp1251ToUtf8(SheetName(size.Sheet, report));
      sheetStart = text.find("<Worksheet ", sheetEnd);
    }
  }
  fs::remove(file);
}

TEST(CheckSpreadsheetSize, HoldsTheProgramsRealLimits) {
  struct Case {
    std::size_t persons;
    std::size_t periods;
    TProtForm protForm;
    const char* message;  // empty: fits
  };
  const Case cases[] = {
      // 65,535 persons over 16 periods: 1,048,560 rows and the three header rows.
      {65535, 16, TProtForm::Compact, ""},
      {65536, 16, TProtForm::Compact,
       "Протокол не записан: на листе \"Таблица\" было бы строк: 1048579, а Excel и LibreOffice "
       "Calc открывают не больше 1048576. Укажите наглядную форму протокола (protform=1) или "
       "отбор по сальдо (saldofilter)."},
      // The same persons side by side take a row each.
      {65536, 16, TProtForm::Detailed, ""},
      // 1,489 periods of 11 columns between the three person columns and the notes: 16,383.
      {0, 1489, TProtForm::Detailed, ""},
      {0, 1490, TProtForm::Detailed,
       "Протокол не записан: на листе \"Таблица\" было бы столбцов: 16394, а Excel и "
       "LibreOffice Calc открывают не больше 16384. Укажите компактную форму протокола: "
       "protform=0."},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(std::to_string(c.persons) + " x " + std::to_string(c.periods) + " layout " +
                 std::to_string(static_cast<int>(c.protForm)));
    const TReport report = PersonsReport(c.persons, c.periods, c.protForm);
    if (std::string(c.message).empty()) {
      EXPECT_NO_THROW(CheckSpreadsheetSize(report, TSheetLimits{}));
      continue;
    }
    try {
      CheckSpreadsheetSize(report, TSheetLimits{});
      ADD_FAILURE() << "no refusal";
    } catch (const ESpreadsheetTooLarge& refusal) {
      EXPECT_EQ(std::string(refusal.what()), c.message);
    }
  }
}

TEST(CheckSpreadsheetSize, NamesTheFirstSheetPastTheLimitWithAWayOut) {
  struct Case {
    TReport report;
    TSheetLimits limits;
    std::string sheet;
    std::string advice;        // the command line's parameters
    std::string windowAdvice;  // the window's options
  };
  TReport szv63 = OnePeriodReport(TProtForm::Compact);
  const std::size_t block = szv63.AddSZV63Block("", "");
  for (int line = 0; line < 10; ++line) {
    szv63.AddSZV63Line(block, "", {}, {}, {});
  }
  const Case cases[] = {
      {PersonsReport(10, 2, TProtForm::Detailed), {.Rows = 13, .Columns = 16384}, "Таблица",
       "Укажите отбор по сальдо (saldofilter) или протокол в формате HTML (protformat=0 и имя "
       "файла .html в protfilename, если оно указано).",
       "Выберите отбор в группе \"Выводить работников с сальдо\" или формат вывода HTML."},
      {PersonsReport(10, 2, TProtForm::Compact), {.Rows = 22, .Columns = 16384}, "Таблица",
       "Укажите наглядную форму протокола (protform=1) или отбор по сальдо (saldofilter).",
       "Выберите вид формы протокола \"Наглядная\" или отбор в группе \"Выводить работников с "
       "сальдо\"."},
      {PersonsReport(1, 3, TProtForm::Detailed), {.Rows = 1048576, .Columns = 30}, "Таблица",
       "Укажите компактную форму протокола: protform=0.",
       "Выберите вид формы протокола \"Компактная\"."},
      {PersonsReport(0, 20, TProtForm::Compact), {.Rows = 20, .Columns = 16384}, "Протокол",
       "Укажите протокол в формате HTML (protformat=0 и имя файла .html в protfilename, если "
       "оно указано).",
       "Выберите формат вывода HTML."},
      {szv63, {.Rows = 13, .Columns = 16384}, "Сверка СЗВ-6-3 2012 год",
       "Укажите протокол в формате HTML (protformat=0 и имя файла .html в protfilename, если "
       "оно указано).",
       "Выберите формат вывода HTML."},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.sheet);
    try {
      CheckSpreadsheetSize(c.report, c.limits);
      ADD_FAILURE() << "no refusal";
    } catch (const ESpreadsheetTooLarge& refusal) {
      // Both wordings tell the same refusal and differ only in the way out.
      const std::string text = refusal.what();
      const std::string window = refusal.WindowText();
      EXPECT_NE(text.find("на листе \"" + c.sheet + "\""), std::string::npos) << text;
      ASSERT_GT(text.size(), c.advice.size());
      ASSERT_GT(window.size(), c.windowAdvice.size());
      EXPECT_EQ(text.substr(text.size() - c.advice.size()), c.advice) << text;
      EXPECT_EQ(window.substr(window.size() - c.windowAdvice.size()), c.windowAdvice) << window;
      EXPECT_EQ(text.substr(0, text.size() - c.advice.size()),
                window.substr(0, window.size() - c.windowAdvice.size()));
    }
  }
}

// The limits come in through the writer's options, so a small report can reach them.
TEST(SpreadsheetWriters, RefuseATooLargeWorkbookBeforeWritingAnything) {
  const fs::path folder =
      fs::temp_directory_path() / ("brisolt-limit-" + std::to_string(std::random_device()()));
  fs::create_directories(folder);
  const TReport report = PersonsReport(10, 2, TProtForm::Compact, true);  // "Таблица": 3 + 20 rows
  const std::string earlier = NativeFromPath(folder / "earlier.xml");
  std::ofstream(PathFromNative(earlier), std::ios::binary) << "earlier protocol";
  const std::string fresh = NativeFromPath(folder / "fresh.xml");
  for (const std::string& target : {earlier, fresh}) {
    SCOPED_TRACE(target);
    EXPECT_THROW(WriteXmlProtocol(report, target, {.Stamp = kFixedStamp, .Limits = {.Rows = 22}}),
                 ESpreadsheetTooLarge);
  }
  EXPECT_EQ(ReadAll(folder / "earlier.xml"), "earlier protocol");
  EXPECT_FALSE(fs::exists(folder / "fresh.xml"));
  EXPECT_EQ(std::distance(fs::directory_iterator(folder), {}), 1);
  // At the limit itself the workbook is written.
  WriteXmlProtocol(report, fresh, {.Stamp = kFixedStamp, .Limits = {.Rows = 23}});
  EXPECT_TRUE(fs::exists(folder / "fresh.xml"));
  fs::remove_all(folder);
}

}  // namespace
}  // namespace brisolt
