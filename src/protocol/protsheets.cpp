#include "protocol/protsheets.h"

#include "base/cp1251literal.h"
#include "base/encoding.h"

namespace brisolt {

namespace {

// Counts the rows of each sheet; the columns are those the sheet sets widths for.
class TCountingSink final : public TSheetSink {
 public:
  bool TakesCells() const override { return false; }
  void BeginSheet(const TSheetSetup& setup) override {
    sizes.push_back({setup.Sheet, 0, setup.ColumnCount()});
  }
  void BeginRow(bool, int) override { ++sizes.back().Rows; }
  void Text(TCellStyle, const TCellPlace&, const std::string&) override {}
  void Amount(TCellStyle, const TCellPlace&, std::int64_t) override {}
  void Lines(TCellStyle, const TCellPlace&, const std::vector<std::string>&) override {}
  void EndRow() override {}
  void EndSheet() override {}

  std::vector<TSheetSize> sizes;
};

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

std::vector<TSheetSize> SpreadsheetSheetSizes(const TReport& report) {
  TCountingSink counter;
  LayOutWorkbook(report, std::string(), counter);
  return counter.sizes;
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
