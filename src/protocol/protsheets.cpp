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

// The way out of a sheet that passes the limits, as the user changes it: in the window's options
// or in the command line's parameters. One choice of advice, two wordings of it.
std::string Advice(const TReport& report, const TSheetSize& size, bool rows, bool window) {
  if (!rows) {
    return window ? "Выберите вид формы протокола \"Компактная\"."
                  : "Укажите компактную форму протокола: protform=0.";
  }
  if (size.Sheet == TSheet::Table && report.ProtForm == TProtForm::Compact) {
    return window ? "Выберите вид формы протокола \"Наглядная\" или отбор в группе \"Выводить "
                    "работников с сальдо\"."
                  : "Укажите наглядную форму протокола (protform=1) или отбор по сальдо "
                    "(saldofilter).";
  }
  if (size.Sheet == TSheet::Table) {
    return window ? "Выберите отбор в группе \"Выводить работников с сальдо\" или формат вывода "
                    "HTML."
                  : "Укажите отбор по сальдо (saldofilter) или протокол в формате HTML "
                    "(protformat=0 и имя файла .html в protfilename, если оно указано).";
  }
  return window ? "Выберите формат вывода HTML."
                : "Укажите протокол в формате HTML (protformat=0 и имя файла .html в "
                  "protfilename, если оно указано).";
}

}  // namespace

std::vector<TSheetSize> SpreadsheetSheetSizes(const TReport& report) {
  TCountingSink counter;
  LayOutWorkbook(report, std::string(), counter);
  return counter.sizes;
}

std::vector<TSheetSize> CheckSpreadsheetSize(const TReport& report, const TSheetLimits& limits) {
  std::vector<TSheetSize> sizes = SpreadsheetSheetSizes(report);
  for (const TSheetSize& size : sizes) {
    const bool tooManyRows = size.Rows > limits.Rows;
    if (!tooManyRows && size.Columns <= limits.Columns) {
      continue;
    }
    const std::string name = Cp1251ToUtf8(SheetName(size.Sheet, report));
    const std::string count = std::to_string(tooManyRows ? size.Rows : size.Columns);
    const std::string limit = std::to_string(tooManyRows ? limits.Rows : limits.Columns);
    const std::string refusal = "Протокол не записан: на листе \"" + name + "\" было бы " +
                                (tooManyRows ? "строк: " : "столбцов: ") + count +
                                ", а Excel и LibreOffice Calc открывают не больше " + limit +
                                ". ";
    throw ESpreadsheetTooLarge(refusal + Advice(report, size, tooManyRows, false),
                               refusal + Advice(report, size, tooManyRows, true));
  }
  return sizes;
}

void RefuseXlsxSheetBytes(const TReport& report, TSheet sheet, std::uint64_t bytes,
                          std::uint64_t limit) {
  const std::string name = Cp1251ToUtf8(SheetName(sheet, report));
  const std::string refusal = "Протокол не записан: лист \"" + name +
                              "\" занял бы в книге XLSX не меньше " + std::to_string(bytes) +
                              " байт, а в ней лист не может быть больше " + std::to_string(limit) +
                              " байт (4 ГБ). ";
  const TSheetSize size{sheet, 0, 0};
  throw ESpreadsheetTooLarge(refusal + Advice(report, size, true, false),
                             refusal + Advice(report, size, true, true));
}

}  // namespace brisolt
