// Every spreadsheet sink against the one layout, read back from the written files: the XML
// spreadsheet and the XLSX workbook hold the same cells, each figure sits under its own captions,
// and the counting sink's sizes are the sheets' real extents.
#include <gtest/gtest.h>

#include <algorithm>
#include <filesystem>
#include <fstream>
#include <functional>
#include <map>
#include <random>
#include <sstream>
#include <string>
#include <vector>

#include "protocol/prot.h"
#include "protocol/protsheets.h"
#ifdef BRISOLT_HAVE_XLSX
#include "protocol/protxlsx.h"
#endif
#include "sample_reports.h"
#include "sheet_grid.h"

namespace brisolt {
namespace {

namespace fs = std::filesystem;
using testing::EmptyReport;
using testing::FullReport;
using testing::kFixedStamp;
using testing::OnePeriodReport;
using testing::TGrid;
using testing::TGridCell;
using testing::TGridSheet;

using testing::ReadAll;

struct TWritten {
  std::string Sink;
  TGrid Grid;
};

// The report written by every sink this build has, each read back.
// Each writer's warnings are added to `warnings` when given.
std::vector<TWritten> WriteEverySink(const TReport& report, TProtocolWarnings* warnings = nullptr) {
  const fs::path base = fs::temp_directory_path() /
                        ("brisolt-layout-" + std::to_string(std::random_device()()));
  std::vector<TWritten> written;
  // Named as paths throughout: a narrow string of a path is in another encoding on Windows.
  const fs::path xml = fs::path(base).concat(".xml");
  WriteXmlProtocol(report, NativeFromPath(xml),
                   {.Stamp = kFixedStamp, .Limits = {}, .Threads = 0, .Warnings = warnings});
  written.push_back({"xml", testing::XmlGrid(ReadAll(xml))});
  fs::remove(xml);
#ifdef BRISOLT_HAVE_XLSX
  const fs::path xlsx = fs::path(base).concat(".xlsx");
  TSpreadsheetOptions options;
  options.Stamp = kFixedStamp;
  options.Warnings = warnings;
  WriteXlsxProtocol(report, NativeFromPath(xlsx), options);
  written.push_back({"xlsx", testing::XlsxGrid(ReadAll(xlsx))});
  fs::remove(xlsx);
#endif
  return written;
}

// FullReport with every amount different, so that two figures swapped anywhere show.
TReport DistinctReport(TProtForm protForm) {
  TReport report = FullReport(protForm);
  std::int64_t next = 100;
  auto distinct = [&next](std::int64_t& amount) { amount = (next += 137) * 100; };
  for (TMainLine& line : report.MainLines) {
    for (TPeriodRec& period : line.Periods) {
      for (std::int64_t* amount :
           {&period.InsAccrued, &period.InsPaid, &period.InsAccruedTotal, &period.InsPaidTotal,
            &period.InsSaldo, &period.FundAccrued, &period.FundPaid, &period.FundAccruedTotal,
            &period.FundPaidTotal, &period.FundSaldo}) {
        distinct(*amount);
      }
    }
  }
  for (TTotalRec& total : report.PeriodTotals) {
    for (std::int64_t& value : total.Values) {
      distinct(value);
    }
  }
  for (TForgottenLine& line : report.ForgottenLines) {
    distinct(line.InsDebt);
    distinct(line.FundDebt);
  }
  for (TSZV63SverkaZL& block : report.SZV63Blocks) {
    for (TSZV63SverkaLine& line : block.Lines) {
      for (TSZV63Quarter& quarter : line.Quarters) {
        distinct(quarter.Calculated);
        distinct(quarter.FromIS);
        distinct(quarter.Difference);
      }
    }
  }
  return report;
}

const TGridSheet& Sheet(const TGrid& grid, const std::string& utf8Name) {
  for (const TGridSheet& sheet : grid) {
    if (sheet.Name == utf8Name) {
      return sheet;
    }
  }
  throw std::runtime_error("no sheet " + utf8Name);
}

// The captions over a column, top to bottom, joined by "/".
std::string CaptionsOver(const TGridSheet& sheet, int firstRow, int lastRow, int column) {
  std::string captions;
  for (int row = firstRow; row <= lastRow; ++row) {
    captions += (row > firstRow ? "/" : "") + sheet.CoveringText(row, column);
  }
  return captions;
}

int RowOf(const TGridSheet& sheet, const std::string& snils) {
  const std::string text = Cp1251ToUtf8(FormatSNILS(snils));
  for (const auto& [place, cell] : sheet.Cells) {
    if (place.second == 0 && cell.Text == text) {
      return place.first;
    }
  }
  return -1;
}

void ExpectAmount(const TGridSheet& sheet, int row, int column, const std::string& expectedCaptions,
                  const std::string& captions, std::int64_t amount) {
  SCOPED_TRACE(sheet.Name + " row " + std::to_string(row) + " column " + std::to_string(column));
  EXPECT_EQ(captions, expectedCaptions);
  const TGridCell* cell = sheet.At(row, column);
  ASSERT_NE(cell, nullptr);
  EXPECT_TRUE(cell->Number);
  EXPECT_DOUBLE_EQ(cell->Value, static_cast<double>(amount) / 10000.0);
}

struct TPeriodField {
  const char* Captions;
  std::int64_t TPeriodRec::*Field;
};

const TPeriodField kPeriodFields[] = {
    {"Страховая часть/В периоде/Начислено", &TPeriodRec::InsAccrued},
    {"Страховая часть/В периоде/Уплачено", &TPeriodRec::InsPaid},
    {"Страховая часть/Нарастающим итогом/Начислено", &TPeriodRec::InsAccruedTotal},
    {"Страховая часть/Нарастающим итогом/Уплачено", &TPeriodRec::InsPaidTotal},
    {"Страховая часть/Нарастающим итогом/Сальдо", &TPeriodRec::InsSaldo},
    {"Накопительная часть/В периоде/Начислено", &TPeriodRec::FundAccrued},
    {"Накопительная часть/В периоде/Уплачено", &TPeriodRec::FundPaid},
    {"Накопительная часть/Нарастающим итогом/Начислено", &TPeriodRec::FundAccruedTotal},
    {"Накопительная часть/Нарастающим итогом/Уплачено", &TPeriodRec::FundPaidTotal},
    {"Накопительная часть/Нарастающим итогом/Сальдо", &TPeriodRec::FundSaldo},
};

void ExpectPersonTable(const TReport& report, const TGridSheet& table) {
  const bool compact = report.ProtForm == TProtForm::Compact;
  const int headRows = compact ? 3 : 4;
  for (const TMainLine& line : report.MainLines) {
    const int row = RowOf(table, line.SNILS);
    ASSERT_GE(row, headRows) << line.SNILS;
    ASSERT_NE(table.At(row, 1), nullptr);
    EXPECT_EQ(table.At(row, 1)->Text, Cp1251ToUtf8(line.FIO));
    for (std::size_t period = 0; period < line.Periods.size(); ++period) {
      const int periodRow = compact ? row + static_cast<int>(period) : row;
      const int first = compact ? 5 : 4 + 11 * static_cast<int>(period);
      if (compact) {
        EXPECT_EQ(table.CoveringText(periodRow, 3), Cp1251ToUtf8(report.PeriodList[period]));
      } else {
        EXPECT_EQ(table.CoveringText(0, first), Cp1251ToUtf8(report.PeriodList[period]));
      }
      EXPECT_EQ(table.CoveringText(periodRow, first - 1),
                Cp1251ToUtf8(line.Periods[period].FileNums));
      for (int field = 0; field < 10; ++field) {
        ExpectAmount(table, periodRow, first + field, kPeriodFields[field].Captions,
                     CaptionsOver(table, headRows - 3, headRows - 1, first + field),
                     line.Periods[period].*kPeriodFields[field].Field);
      }
    }
    const int notesColumn = compact ? 15 : 3 + 11 * static_cast<int>(report.PeriodList.size());
    std::string notes;
    for (const std::string& note : line.Notes) {
      notes += (notes.empty() ? "" : "\n") + Cp1251ToUtf8(note);
    }
    EXPECT_EQ(table.CoveringText(row, notesColumn), notes);
    EXPECT_EQ(table.CoveringText(0, notesColumn), "Примечание");
  }
}

TEST(SpreadsheetSinks, PutEveryFigureUnderItsCaptions) {
  for (const TProtForm layout : {TProtForm::Compact, TProtForm::Detailed}) {
    const TReport report = DistinctReport(layout);
    for (const TWritten& written : WriteEverySink(report)) {
      SCOPED_TRACE(written.Sink + " layout " + std::to_string(static_cast<int>(layout)));
      ExpectPersonTable(report, Sheet(written.Grid, "Таблица"));

      const TGridSheet& totals = Sheet(written.Grid, "Итоги по всем ЗЛ");
      const char* parts[] = {"Страховая часть", "Накопительная часть"};
      const char* spans[] = {"В периоде", "Нарастающим итогом с начала года",
                             "Нарастающим итогом с 01.01.2010 г."};
      const char* kinds[] = {"Начислено", "Уплачено", "Сальдо"};
      for (std::size_t period = 0; period < report.PeriodTotals.size(); ++period) {
        const int row = 3 + static_cast<int>(period);
        EXPECT_EQ(totals.CoveringText(row, 0), Cp1251ToUtf8(report.PeriodList[period]));
        for (std::size_t index = 0; index < TTotalRec::Count; ++index) {
          const int column = 1 + static_cast<int>(index);
          ExpectAmount(totals, row, column,
                       std::string(parts[index / 9]) + "/" + spans[index / 3 % 3] + "/" +
                           kinds[index % 3],
                       CaptionsOver(totals, 0, 2, column),
                       report.PeriodTotals[period].Values[index]);
        }
      }

      const TGridSheet& forgotten = Sheet(written.Grid, "Забытые сотрудники");
      for (std::size_t index = 0; index < report.ForgottenLines.size(); ++index) {
        const TForgottenLine& line = report.ForgottenLines[index];
        const int row = 2 + static_cast<int>(index);
        EXPECT_EQ(forgotten.CoveringText(row, 0), Cp1251ToUtf8(FormatSNILS(line.SNILS)));
        EXPECT_EQ(forgotten.CoveringText(row, 1), Cp1251ToUtf8(line.FIO));
        ExpectAmount(forgotten, row, 2, "Суммы задолженности/Страховая часть",
                     CaptionsOver(forgotten, 0, 1, 2), line.InsDebt);
        ExpectAmount(forgotten, row, 3, "Суммы задолженности/Накопительная часть",
                     CaptionsOver(forgotten, 0, 1, 3), line.FundDebt);
      }

      const TGridSheet& szv63 = Sheet(written.Grid, "Сверка СЗВ-6-3 2012 год");
      int row = 4;
      for (const TSZV63SverkaZL& block : report.SZV63Blocks) {
        EXPECT_EQ(szv63.CoveringText(row, 1), Cp1251ToUtf8(block.FIO));
        for (const TSZV63SverkaLine& line : block.Lines) {
          EXPECT_EQ(szv63.CoveringText(row, 0), Cp1251ToUtf8(FormatSNILS(block.SNILS)));
          EXPECT_EQ(szv63.CoveringText(row, 2), Cp1251ToUtf8(line.CategoryCode));
          for (int quarter = 0; quarter < 4; ++quarter) {
            const std::string over =
                "Сумма взносов за " + std::to_string(quarter + 1) + " квартал/";
            const TSZV63Quarter& figures = line.Quarters[static_cast<std::size_t>(quarter)];
            const int column = 3 + 3 * quarter;
            ExpectAmount(szv63, row, column, over + "Расчётно по СЗВ-6-3",
                         CaptionsOver(szv63, 2, 3, column), figures.Calculated);
            ExpectAmount(szv63, row, column + 1, over + "Из инд. сведений",
                         CaptionsOver(szv63, 2, 3, column + 1), figures.FromIS);
            ExpectAmount(szv63, row, column + 2, over + "Сальдо",
                         CaptionsOver(szv63, 2, 3, column + 2), figures.Difference);
          }
          ++row;
        }
      }
    }
  }
}

// The column of a person's notes: the last of "Таблица".
int NotesColumn(const TSheetSize& size) {
  return size.Sheet == TSheet::Table ? static_cast<int>(size.Columns) - 1 : -1;
}

// The XLSX filters rows one by one, so where it has a filter it repeats on each row what the XML
// spreadsheet merges down over several; but a person's notes it writes once, on the first row
// (`onceColumn`), the cells below left blank.
TGridSheet MergesDownRepeated(TGridSheet sheet, int firstRow, int onceColumn) {
  std::map<std::pair<int, int>, TGridCell> cells;
  for (auto [place, cell] : sheet.Cells) {
    const int down = place.first < firstRow ? 0 : cell.Down;
    if (down > 0 && place.second == onceColumn) {
      cell.Down = 0;
      if (!cell.Text.empty()) {
        cells[place] = cell;
      }
      continue;
    }
    if (down > 0) {
      cell.Down = 0;
      if (cell.Text.empty() && cell.Across == 0) {
        continue;  // an empty cell unmerged is no cell
      }
    }
    for (int row = 0; row <= down; ++row) {
      cells[{place.first + row, place.second}] = cell;
    }
  }
  sheet.Cells = cells;
  return sheet;
}

// Each kind of cell looks as the clerk is told in the guide, in every format: a conflict's person
// in red, a debt left at dismissal on cyan, negative balances red in the plain amount columns and
// black in the red ones, dismissal dates as dates, captions in bold.
TEST(SpreadsheetSinks, GiveEachKindOfCellItsLook) {
  const std::string red = "#FF0000";
  const std::string cyan = "#66FFFF";
  const std::string redNegatives = "#,##0.00;[Red]\\-#,##0.00;\\ \\-";
  const std::string plainNegatives = "#,##0.00;\\-#,##0.00;\\ \\-";
  struct Case {
    const char* sheet;
    const char* text;  // the first cell of the sheet with this text, left to right, top down
    int across;        // the cell this many columns to its right
    testing::TGridLook look;
  };
  const Case cases[] = {
      {"Протокол", "Сведения о страхователе:", 0, {"", true, "", ""}},
      {"Таблица", "Иванов", 0, {red, false, "", ""}},
      {"Таблица", "Петрова", 0, {"", false, cyan, ""}},
      {"Таблица", "Сидоров", 0, {"", false, "", ""}},
      {"Таблица", "15.05.2010", 0, {"", false, "", "Short Date"}},
      {"Таблица", "Страховой номер", 0, {"", true, "", redNegatives}},
      {"Таблица", "Иванов", 2, {"", false, "", redNegatives}},
      {"Сверка", "ВЖНР", 0, {"", false, "", plainNegatives}},
      {"Сверка", "ВЖНР", 3, {red, false, "", plainNegatives}},
  };
  for (const TProtForm layout : {TProtForm::Compact, TProtForm::Detailed}) {
    const std::vector<TWritten> written = WriteEverySink(FullReport(layout));
    for (const TWritten& sink : written) {
      for (const Case& c : cases) {
        SCOPED_TRACE(sink.Sink + " " + c.sheet + " " + c.text + " layout " +
                     std::to_string(static_cast<int>(layout)));
        const TGridSheet* sheet = nullptr;
        for (const TGridSheet& each : sink.Grid) {
          if (each.Name.find(c.sheet) != std::string::npos && sheet == nullptr) sheet = &each;
        }
        ASSERT_NE(sheet, nullptr);
        const TGridCell* found = nullptr;
        for (const auto& [place, cell] : sheet->Cells) {
          if (found == nullptr && cell.Text.find(c.text) != std::string::npos) {
            found = sheet->At(place.first, place.second + c.across);
          }
        }
        ASSERT_NE(found, nullptr);
        EXPECT_EQ(Describe(found->Look), Describe(c.look)) << found->Text;
      }
    }
  }
}

// Beyond the figures: texts, merges, frozen panes and sizes, the same in every format and the
// same as the counting sink says. Where the XLSX has a filter, its rows hold each person's cells
// unmerged, and its panes keep every caption row in sight.
TEST(SpreadsheetSinks, HoldTheSameCellsInEveryFormatAndTheCountedSize) {
  const std::vector<TReport> reports = {
      FullReport(TProtForm::Compact),      FullReport(TProtForm::Detailed),
      OnePeriodReport(TProtForm::Compact), OnePeriodReport(TProtForm::Detailed),
      EmptyReport(TProtForm::Compact),     EmptyReport(TProtForm::Detailed),
      DistinctReport(TProtForm::Compact),  DistinctReport(TProtForm::Detailed)};
  for (const TReport& report : reports) {
    SCOPED_TRACE(Cp1251ToUtf8(report.OrgName) + " layout " +
                 std::to_string(static_cast<int>(report.ProtForm)));
    const std::vector<TSheetSize> sizes = SpreadsheetSheetSizes(report);
    const std::vector<TWritten> written = WriteEverySink(report);
    for (const TWritten& sink : written) {
      SCOPED_TRACE(sink.Sink);
      ASSERT_EQ(sink.Grid.size(), sizes.size());
      for (std::size_t index = 0; index < sizes.size(); ++index) {
        const TGridSheet& sheet = sink.Grid[index];
        EXPECT_EQ(sheet.Name, Cp1251ToUtf8(SheetName(sizes[index].Sheet, report)));
        EXPECT_EQ(static_cast<std::uint64_t>(sheet.Rows), sizes[index].Rows) << sheet.Name;
        for (const auto& [place, cell] : sheet.Cells) {
          EXPECT_LT(static_cast<std::uint64_t>(place.second + cell.Across), sizes[index].Columns)
              << sheet.Name;
        }
      }
    }
    for (std::size_t other = 1; other < written.size(); ++other) {
      SCOPED_TRACE(written[other].Sink + " against " + written[0].Sink);
      for (std::size_t index = 0; index < sizes.size(); ++index) {
        const TGridSheet& right = written[other].Grid[index];
        const TGridSheet left = right.FilterDataRow < 0
                                    ? written[0].Grid[index]
                                    : MergesDownRepeated(written[0].Grid[index], right.FilterDataRow,
                                                         NotesColumn(sizes[index]));
        SCOPED_TRACE(left.Name);
        EXPECT_EQ(right.FrozenRows, left.FrozenRows > 0 ? std::max(left.FrozenRows, right.FilterDataRow)
                                                        : left.FrozenRows);
        EXPECT_EQ(left.FrozenColumns, right.FrozenColumns);
        EXPECT_EQ(left.Cells.size(), right.Cells.size());
        for (const auto& [place, cell] : left.Cells) {
          const TGridCell* match = right.At(place.first, place.second);
          ASSERT_NE(match, nullptr) << place.first << ":" << place.second << " " << cell.Text;
          EXPECT_EQ(match->Number, cell.Number) << cell.Text;
          if (cell.Number) {
            EXPECT_DOUBLE_EQ(match->Value, cell.Value);
          } else {
            EXPECT_EQ(match->Text, cell.Text);
          }
          EXPECT_EQ(match->Down, cell.Down) << cell.Text;
          EXPECT_EQ(match->Across, cell.Across) << cell.Text;
          EXPECT_EQ(Describe(match->Look), Describe(cell.Look)) << cell.Text;
        }
      }
    }
  }
}

// A text longer than a cell holds (a name of 60,000 characters, the notes of hundreds of periods)
// goes in cut to the limit with "…" at its end, the same in every format, and each writer names it
// by its sheet and row. Cut lines of notes stay lines; a line that no longer fits is left out.
TEST(Layout, CutsATextLongerThanACellHoldsWithAMarkAndSaysWhich) {
  TReport report = FullReport(TProtForm::Compact);
  report.OrgName = std::string(60000, 'N');
  for (int note = 0; note < 400; ++note) {
    report.AddLineNote(0, std::string(99, static_cast<char>('a' + note % 26)));
  }
  const auto characters = [](const std::string& utf8) {
    return std::count_if(utf8.begin(), utf8.end(), [](char ch) { return (ch & 0xC0) != 0x80; });
  };
  TProtocolWarnings warnings;
  const std::vector<TWritten> written = WriteEverySink(report, &warnings);
  for (const TWritten& format : written) {
    SCOPED_TRACE(format.Sink);
    const std::string name = format.Grid.at(0).At(4, 0)->Text;
    EXPECT_EQ(characters(name), 32767);
    EXPECT_TRUE(name.starts_with("Наименование страхователя: NNN"));
    EXPECT_TRUE(name.ends_with("NNN…"));
    const std::string notes = format.Grid.at(1).At(3, 15)->Text;
    EXPECT_EQ(characters(notes), 32767);
    EXPECT_TRUE(notes.starts_with("Ошибка: 1/2010"));
    EXPECT_TRUE(notes.ends_with("…"));
    EXPECT_EQ(notes.find("\n…"), std::string::npos);
    // Whole lines up to the last, which is cut.
    const std::string lastLine = notes.substr(notes.rfind('\n') + 1);
    EXPECT_LE(lastLine.size(), 99u + 3u);
    EXPECT_EQ(lastLine.find_first_not_of(lastLine.front()), lastLine.size() - 3);
  }
  ASSERT_EQ(warnings.size(), 2 * written.size());
  for (std::size_t index = 0; index < warnings.size(); index += 2) {
    EXPECT_NE(warnings[index].find("лист \"Протокол\", строка 5, \"Наименование страхователя: NNN"),
              std::string::npos) << warnings[index];
    EXPECT_NE(warnings[index + 1].find("лист \"Таблица\", строка 4, \"Ошибка: 1/2010"),
              std::string::npos) << warnings[index + 1];
    EXPECT_NE(warnings[index].find("32 767"), std::string::npos);
  }
  // A text at the limit itself is left whole and named nowhere.
  report = FullReport(TProtForm::Detailed);
  report.OrgName = std::string(32767 - testing::W("Наименование страхователя: ").size(), 'N');
  warnings.clear();
  for (const TWritten& format : WriteEverySink(report, &warnings)) {
    EXPECT_TRUE(format.Grid.at(0).At(4, 0)->Text.ends_with("NNN")) << format.Sink;
  }
  EXPECT_TRUE(warnings.empty());
}

}  // namespace
}  // namespace brisolt
