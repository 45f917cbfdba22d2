#include "protocol/protsheets.h"

#include "base/cp1251literal.h"
#include "base/encoding.h"

namespace brisolt {

namespace {

// Header rows above the first person of the person table, by layout.
constexpr std::uint64_t kCompactHeadRows = 3;
constexpr std::uint64_t kDetailedHeadRows = 4;
// Columns of the person table: compact 5 + 10 amounts + notes; detailed 3 + 11 per period + notes.
constexpr std::uint64_t kCompactColumns = 16;
constexpr std::uint64_t kColumnsPerPeriod = 11;

std::uint64_t ProtocolSheetRows(const TReport& report) {
  // Title, program, stamp, insurer heading, name, number, files heading, periods heading.
  std::uint64_t rows = 8 + report.FileList.size() + report.PeriodList.size();
  if (!report.ErrorList.empty()) {
    rows += 1 + report.ErrorList.size();
  }
  return rows;
}

std::string Advice(const TReport& report, const TSheetSize& size, bool rows) {
  if (!rows) {
    return "Выберите компактную форму протокола.";
  }
  if (size.Sheet == TSheet::Table && report.ProtForm == 0) {
    return "Выберите подробную форму протокола или отбор по сальдо.";
  }
  if (size.Sheet == TSheet::Table) {
    return "Выберите отбор по сальдо или протокол в формате HTML.";
  }
  return "Выберите протокол в формате HTML.";
}

}  // namespace

std::string SheetName(TSheet sheet, const TReport& report) {
  switch (sheet) {
    case TSheet::Protocol: return Cp1251Literal(u8"Протокол");
    case TSheet::Table: return Cp1251Literal(u8"Таблица");
    case TSheet::Totals: return Cp1251Literal(u8"Итоги по всем ЗЛ");
    case TSheet::Forgotten: return Cp1251Literal(u8"Забытые сотрудники");
    case TSheet::SZV63:
      return Cp1251Literal(u8"Сверка СЗВ-6-3 ") + std::to_string(report.SZV63Year) +
             Cp1251Literal(u8" год");
  }
  return {};
}

bool HasSZV63Sheet(const TReport& report) {
  return report.SZV63Year != 0 && !report.SZV63Blocks.empty();
}

std::vector<TSheetSize> SpreadsheetSheetSizes(const TReport& report) {
  const std::uint64_t periods = report.PeriodList.size();
  const std::uint64_t persons = report.MainLines.size();
  std::vector<TSheetSize> sizes;
  sizes.push_back({TSheet::Protocol, ProtocolSheetRows(report), 1});
  if (report.ProtForm == 0) {
    // Every person takes one row per period. Both factors are sizes of vectors in memory, so
    // the product stays far below 2^64.
    sizes.push_back({TSheet::Table, kCompactHeadRows + persons * periods, kCompactColumns});
  } else {
    sizes.push_back(
        {TSheet::Table, kDetailedHeadRows + persons, 3 + kColumnsPerPeriod * periods + 1});
  }
  // A sheet without data rows has one row saying so.
  sizes.push_back({TSheet::Totals, 3 + (periods == 0 ? 1 : periods), 19});
  const std::uint64_t forgotten = report.ForgottenLines.size();
  sizes.push_back({TSheet::Forgotten, 2 + (forgotten == 0 ? 1 : forgotten), 4});
  if (HasSZV63Sheet(report)) {
    std::uint64_t lines = 0;
    for (const TSZV63SverkaZL& block : report.SZV63Blocks) {
      lines += block.Lines.size();
    }
    sizes.push_back({TSheet::SZV63, 4 + lines, 15});
  }
  return sizes;
}

void CheckSpreadsheetSize(const TReport& report, const TSheetLimits& limits) {
  for (const TSheetSize& size : SpreadsheetSheetSizes(report)) {
    const bool tooManyRows = size.Rows > limits.Rows;
    if (!tooManyRows && size.Columns <= limits.Columns) {
      continue;
    }
    const std::string name = Cp1251ToUtf8(SheetName(size.Sheet, report));
    const std::string count = std::to_string(tooManyRows ? size.Rows : size.Columns);
    const std::string limit = std::to_string(tooManyRows ? limits.Rows : limits.Columns);
    throw ESpreadsheetTooLarge("Протокол не записан: на листе \"" + name + "\" было бы " +
                               (tooManyRows ? "строк: " : "столбцов: ") + count +
                               ", а Excel и LibreOffice Calc открывают не больше " + limit +
                               ". " + Advice(report, size, tooManyRows));
  }
}

}  // namespace brisolt
