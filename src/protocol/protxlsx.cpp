#include "protocol/protxlsx.h"

#include <xlsxwriter.h>

#include <cstdio>
#include <ctime>
#include <initializer_list>
#include <string>
#include <string_view>
#include <vector>

#include "base/amount.h"
#include "base/encoding.h"
#include "protocol/protfile.h"
#include "protocol/protsheets.h"

namespace brisolt {

namespace {

// A model text as the library wants it: UTF-8, with the control characters that have no place in
// a workbook's XML shown as "?", as the XML spreadsheet shows them.
std::string U(const std::string& cp1251) {
  std::string text = cp1251;
  for (char& ch : text) {
    if (IsForbiddenInXml(ch)) {
      ch = '?';
    }
  }
  return Cp1251ToUtf8(text);
}

// The same placement as the XML spreadsheet's ss:Index, ss:MergeDown and ss:MergeAcross: a
// 1-based column (0: next to the previous cell) and the cells merged below and to the right.
struct TCellPlace {
  int Index = 0;
  int Down = 0;
  int Across = 0;
};

enum class TStyle {
  None, Bold, Borders, BordersRed, BordersBlack, BordersLeft, BordersBold, ShortDate,
  Hvp, Hv, P, Norm, Count
};

// Column widths of the XML spreadsheet are points; a column of the library is counted in
// characters of the default font, seven pixels each plus five of padding.
double ColumnWidth(int points) { return (points * 96.0 / 72.0 - 5.0) / 7.0; }

class TXlsxWriter {
 public:
  TXlsxWriter(const TReport& report, const std::string& stamp, const std::string& fileName)
      : report_(report), stamp_(stamp), fileName_(fileName) {}

  ~TXlsxWriter() {
    if (workbook_ != nullptr) {
      // Still open only after a failure: nothing more is written, the memory is given back.
      lxw_workbook_free(workbook_);
    }
  }
  TXlsxWriter(const TXlsxWriter&) = delete;
  TXlsxWriter& operator=(const TXlsxWriter&) = delete;

  void Write(const std::string& libraryFileName) {
    lxw_workbook_options options{};
    options.constant_memory = LXW_TRUE;
    workbook_ = workbook_new_opt(libraryFileName.c_str(), &options);
    if (workbook_ == nullptr) {
      Fail("не удалось создать книгу");
    }
    SetCreationTime();
    MakeStyles();
    WriteProtocolSheet();
    if (report_.ProtForm == 0) {
      WriteCompactTableSheet();
    } else {
      WriteDetailedTableSheet();
    }
    WriteTotalsSheet();
    WriteForgottenSheet();
    if (HasSZV63Sheet(report_)) {
      WriteSZV63Sheet();
    }
    lxw_workbook* workbook = workbook_;
    workbook_ = nullptr;
    Check(workbook_close(workbook));
  }

 private:
  [[noreturn]] void Fail(const std::string& what) {
    throw EProtocolWriteError(fileName_ + ": " + what);
  }

  void Check(lxw_error error) {
    if (error != LXW_NO_ERROR) {
      Fail(std::string("ошибка записи (") + lxw_strerror(error) + ")");
    }
  }

  // The workbook says when it was made; the protocol's own stamp, not the clock, so that the same
  // report and stamp give the same file.
  void SetCreationTime() {
    std::tm local{};
    if (std::sscanf(stamp_.c_str(), "%2d.%2d.%4d %2d:%2d:%2d", &local.tm_mday, &local.tm_mon,
                    &local.tm_year, &local.tm_hour, &local.tm_min, &local.tm_sec) != 6) {
      return;
    }
    local.tm_mon -= 1;
    local.tm_year -= 1900;
    local.tm_isdst = -1;
    lxw_doc_properties properties{};
    properties.created = std::mktime(&local);
    if (properties.created != static_cast<std::time_t>(-1)) {
      Check(workbook_set_properties(workbook_, &properties));
    }
  }

  // --- styles ---------------------------------------------------------------------------------

  lxw_format* NewFormat(TStyle style) {
    lxw_format* format = workbook_add_format(workbook_);
    if (format == nullptr) {
      Fail("не хватает памяти");
    }
    formats_[static_cast<std::size_t>(style)] = format;
    return format;
  }

  // Centred or left, middle, wrapped, framed: the look of every table cell.
  static void TableCell(lxw_format* format, bool left, bool blackBorders) {
    format_set_align(format, left ? LXW_ALIGN_LEFT : LXW_ALIGN_CENTER);
    format_set_align(format, LXW_ALIGN_VERTICAL_CENTER);
    format_set_text_wrap(format);
    format_set_border(format, LXW_BORDER_THIN);
    if (blackBorders) {
      format_set_border_color(format, LXW_COLOR_BLACK);
    }
  }

  void MakeStyles() {
    // Negative amounts in red and zero as a dash, or the same without the red.
    static constexpr const char* kRedNegatives = "0.00;[Red]\\-0.00;\\ \\-";
    static constexpr const char* kPlainNegatives = "0.00;\\-0.00;\\ \\-";
    static constexpr lxw_color_t kRed = 0xFF0000;
    static constexpr lxw_color_t kCyan = 0x66FFFF;
    static constexpr std::uint8_t kShortDate = 14;
    format_set_bold(NewFormat(TStyle::Bold));

    lxw_format* format = NewFormat(TStyle::Borders);
    TableCell(format, false, false);
    format_set_num_format(format, kRedNegatives);

    format = NewFormat(TStyle::BordersRed);
    TableCell(format, false, false);
    format_set_num_format(format, kPlainNegatives);
    format_set_font_color(format, kRed);

    format = NewFormat(TStyle::BordersBlack);
    TableCell(format, false, false);
    format_set_num_format(format, kPlainNegatives);

    TableCell(NewFormat(TStyle::BordersLeft), true, false);

    format = NewFormat(TStyle::BordersBold);
    TableCell(format, false, false);
    format_set_num_format(format, kRedNegatives);
    format_set_bold(format);

    format = NewFormat(TStyle::ShortDate);
    TableCell(format, false, true);
    format_set_num_format_index(format, kShortDate);

    for (const TStyle style : {TStyle::Hvp, TStyle::Hv, TStyle::P, TStyle::Norm}) {
      format = NewFormat(style);
      TableCell(format, true, true);
      if (style == TStyle::Hvp || style == TStyle::P) {
        format_set_font_color(format, kRed);
      }
      if (style == TStyle::Hvp || style == TStyle::Hv) {
        format_set_bg_color(format, kCyan);
        format_set_pattern(format, LXW_PATTERN_SOLID);
      }
    }
  }

  // A person's style class; one the workbook does not define leaves the cell plain, as a style
  // the XML spreadsheet does not define does.
  static TStyle ClassStyle(const std::string& styleClass) {
    if (styleClass == "hvp") return TStyle::Hvp;
    if (styleClass == "hv") return TStyle::Hv;
    if (styleClass == "p") return TStyle::P;
    if (styleClass == "norm") return TStyle::Norm;
    return TStyle::None;
  }

  lxw_format* Format(TStyle style) const { return formats_[static_cast<std::size_t>(style)]; }

  // --- worksheets, rows and cells ---------------------------------------------------------------

  void BeginWorksheet(TSheet sheet, std::initializer_list<int> widths, int repeatedWidth = 0,
                      std::size_t repeatCount = 0, int lastWidth = 0) {
    sheet_ = workbook_add_worksheet(workbook_, U(SheetName(sheet, report_)).c_str());
    if (sheet_ == nullptr) {
      Fail("не удалось добавить лист");
    }
    lxw_col_t column = 0;
    for (const int width : widths) {
      Check(worksheet_set_column(sheet_, column, column, ColumnWidth(width), nullptr));
      ++column;
    }
    if (repeatCount > 0) {
      const auto last = static_cast<lxw_col_t>(column + repeatCount - 1);
      Check(worksheet_set_column(sheet_, column, last, ColumnWidth(repeatedWidth), nullptr));
      column = static_cast<lxw_col_t>(last + 1);
    }
    if (lastWidth != 0) {
      Check(worksheet_set_column(sheet_, column, column, ColumnWidth(lastWidth), nullptr));
    }
    row_ = -1;
  }

  void BeginRow() {
    ++row_;
    column_ = 0;
  }

  // In constant-memory mode a row is on disk once the next one begins, and a merge writes blank
  // cells over its whole area. So a merge that spans rows is declared once its last row is
  // written: its earlier rows are gone by then and only its last row's blanks are taken.
  void EndRow() {
    for (std::size_t index = 0; index < pendingMerges_.size();) {
      const TMerge& merge = pendingMerges_[index];
      if (merge.LastRow == static_cast<lxw_row_t>(row_)) {
        worksheet_merge_range(sheet_, merge.FirstRow, merge.FirstCol, merge.LastRow,
                              merge.LastCol, "", merge.Format);
        pendingMerges_.erase(pendingMerges_.begin() + static_cast<std::ptrdiff_t>(index));
      } else {
        ++index;
      }
    }
  }

  void EndWorksheet() {
    // A merge reaching below the last row (none does in this layout) is still declared.
    for (const TMerge& merge : pendingMerges_) {
      worksheet_merge_range(sheet_, merge.FirstRow, merge.FirstCol, merge.LastRow, merge.LastCol,
                            "", merge.Format);
    }
    pendingMerges_.clear();
  }

  lxw_col_t Place(const TCellPlace& place) {
    if (place.Index > 0) {
      column_ = place.Index - 1;
    }
    const auto column = static_cast<lxw_col_t>(column_);
    column_ += 1 + place.Across;
    return column;
  }

  void Text(TStyle style, const TCellPlace& place, const std::string& utf8) {
    const lxw_col_t column = Place(place);
    const auto row = static_cast<lxw_row_t>(row_);
    lxw_format* format = Format(style);
    if (place.Down > 0) {
      pendingMerges_.push_back({row, column, static_cast<lxw_row_t>(row_ + place.Down),
                                static_cast<lxw_col_t>(column + place.Across), format});
    } else if (place.Across > 0) {
      // Within one row the merge can write its text and blanks at once.
      Check(worksheet_merge_range(sheet_, row, column, row,
                                  static_cast<lxw_col_t>(column + place.Across), utf8.c_str(),
                                  format));
      return;
    }
    Check(worksheet_write_string(sheet_, row, column, utf8.c_str(), format));
  }

  void Amount(TStyle style, std::int64_t amount) {
    const lxw_col_t column = Place({});
    Check(worksheet_write_number(sheet_, static_cast<lxw_row_t>(row_), column,
                                 XlsxAmountValue(amount), Format(style)));
  }

  void HeadCell(const TCellPlace& place, std::string_view utf8Text) {
    Text(TStyle::BordersBold, place, std::string(utf8Text));
  }

  // --- "Протокол" ------------------------------------------------------------------------------

  void ProtocolRow(bool heading, const std::string& utf8) {
    BeginRow();
    Text(heading ? TStyle::Bold : TStyle::None, {}, utf8);
    EndRow();
  }

  void WriteProtocolSheet() {
    BeginWorksheet(TSheet::Protocol, {600});
    ProtocolRow(true, "Протокол сверки начисленных и уплаченных сумм по сведениям в ПФР");
    ProtocolRow(false,
                "Программа Brisolt " + U(report_.ProgVersion) + " " + U(report_.ProgNote));
    ProtocolRow(false, "Дата и время формирования протокола: " + U(stamp_));
    ProtocolRow(true, "Сведения о страхователе:");
    ProtocolRow(false, "Наименование страхователя: " + U(report_.OrgName));
    ProtocolRow(false, "Регистрационный № в ПФР: " + U(report_.RegNumb));
    ProtocolRow(true, "Обработаны файлы с инд. сведениями в следующем порядке:");
    for (std::size_t index = 0; index < report_.FileList.size(); ++index) {
      ProtocolRow(false, std::to_string(index + 1) + ". " + U(report_.FileList[index]) + ")");
    }
    ProtocolRow(true, "Обработаны периоды:");
    for (const std::string& period : report_.PeriodList) {
      ProtocolRow(false, U(period));
    }
    if (!report_.ErrorList.empty()) {
      ProtocolRow(true, "Сведения об ошибках, обнаруженных на начальном этапе обработки:");
      for (const std::string& error : report_.ErrorList) {
        ProtocolRow(false, U(error));
      }
    }
    EndWorksheet();
  }

  // --- "Таблица" -----------------------------------------------------------------------------

  static std::string DismissText(const std::string& dismissDate) {
    if (dismissDate.empty()) {
      return "Отсутствует";
    }
    if (dismissDate == "0") {
      return "-";
    }
    return U(dismissDate);
  }

  static std::string NotesText(const std::vector<std::string>& notes) {
    std::string joined;
    for (std::size_t index = 0; index < notes.size(); ++index) {
      if (index > 0) {
        joined += '\n';
      }
      joined += notes[index];
    }
    return U(joined);
  }

  void PeriodCells(const TPeriodRec& period) {
    Text(TStyle::Borders, {}, U(period.FileNums));
    for (const std::int64_t amount :
         {period.StrahAccrued, period.StrahPaid, period.StrahAccruedTotal, period.StrahPaidTotal,
          period.StrahSaldo, period.NakopAccrued, period.NakopPaid, period.NakopAccruedTotal,
          period.NakopPaidTotal, period.NakopSaldo}) {
      Amount(TStyle::Borders, amount);
    }
  }

  void AmountCaptions(int firstIndex) {
    HeadCell({.Index = firstIndex}, "Начислено");
    for (const char* caption :
         {"Уплачено", "Начислено", "Уплачено", "Сальдо", "Начислено", "Уплачено", "Начислено",
          "Уплачено", "Сальдо"}) {
      HeadCell({}, caption);
    }
  }

  // The filter sits on the last header row and reaches down to the last row written.
  void Filter(int headerRows, std::uint64_t columns) {
    const auto lastRow = static_cast<lxw_row_t>(row_ < headerRows - 1 ? headerRows - 1 : row_);
    Check(worksheet_autofilter(sheet_, static_cast<lxw_row_t>(headerRows - 1), 0, lastRow,
                               static_cast<lxw_col_t>(columns - 1)));
  }

  void WriteCompactTableSheet() {
    const std::size_t periodCount = report_.PeriodList.size();
    const int lastPeriod = static_cast<int>(periodCount) - 1;
    BeginWorksheet(TSheet::Table, {80, 190, 70, 110, 60}, 80, 10, 400);
    worksheet_freeze_panes(sheet_, 3, 5);
    BeginRow();
    HeadCell({.Down = 2}, "Страховой номер");
    HeadCell({.Down = 2}, "Фамилия, имя, отчество");
    HeadCell({.Down = 2}, "Дата увольнения");
    HeadCell({.Down = 2}, "Период");
    HeadCell({.Down = 2}, "№ файла");
    HeadCell({.Across = 4}, "Страховая часть");
    HeadCell({.Across = 4}, "Накопительная часть");
    HeadCell({.Down = 2}, "Примечание");
    EndRow();
    BeginRow();
    HeadCell({.Index = 6, .Across = 1}, "В периоде");
    HeadCell({.Across = 2}, "Нарастающим итогом");
    HeadCell({.Across = 1}, "В периоде");
    HeadCell({.Across = 2}, "Нарастающим итогом");
    EndRow();
    BeginRow();
    AmountCaptions(6);
    EndRow();

    for (const TMainLine& line : report_.MainLines) {
      const TStyle personStyle = ClassStyle(line.StyleClass);
      for (std::size_t periodIndex = 0; periodIndex < periodCount; ++periodIndex) {
        BeginRow();
        if (periodIndex == 0) {
          Text(personStyle, {.Down = lastPeriod}, U(FormatSNILS(line.SNILS)));
          Text(personStyle, {.Down = lastPeriod}, U(line.FIO));
          Text(TStyle::ShortDate, {.Down = lastPeriod}, DismissText(line.DismissDate));
        }
        Text(TStyle::Borders, {.Index = periodIndex > 0 ? 4 : 0},
             U(report_.PeriodList[periodIndex]));
        PeriodCells(line.Periods.at(periodIndex));
        if (periodIndex == 0) {
          Text(TStyle::BordersLeft, {.Down = lastPeriod}, NotesText(line.Notes));
        }
        EndRow();
      }
    }
    Filter(3, 16);
    EndWorksheet();
  }

  void WriteDetailedTableSheet() {
    const std::size_t periodCount = report_.PeriodList.size();
    BeginWorksheet(TSheet::Table, {80, 210, 70}, 60, 11 * periodCount, 400);
    worksheet_freeze_panes(sheet_, 4, 3);
    BeginRow();
    HeadCell({.Down = 3}, "Страховой номер");
    HeadCell({.Down = 3}, "Фамилия, имя, отчество");
    HeadCell({.Down = 3}, "Дата увольнения");
    for (const std::string& period : report_.PeriodList) {
      Text(TStyle::BordersBold, {.Across = 10}, U(period));
    }
    HeadCell({.Down = 3}, "Примечание");
    EndRow();
    BeginRow();
    for (std::size_t index = 0; index < periodCount; ++index) {
      HeadCell({.Index = index == 0 ? 4 : 0, .Down = 2}, "№ файла (№№ файлов)");
      HeadCell({.Across = 4}, "Страховая часть");
      HeadCell({.Across = 4}, "Накопительная часть");
    }
    EndRow();
    BeginRow();
    for (std::size_t index = 0; index < periodCount; ++index) {
      HeadCell({.Index = 11 * static_cast<int>(index) + 5, .Across = 1}, "В периоде");
      HeadCell({.Across = 2}, "Нарастающим итогом");
      HeadCell({.Across = 1}, "В периоде");
      HeadCell({.Across = 2}, "Нарастающим итогом");
    }
    EndRow();
    BeginRow();
    for (std::size_t index = 0; index < periodCount; ++index) {
      AmountCaptions(11 * static_cast<int>(index) + 5);
    }
    EndRow();

    for (const TMainLine& line : report_.MainLines) {
      const TStyle personStyle = ClassStyle(line.StyleClass);
      BeginRow();
      Text(personStyle, {}, U(FormatSNILS(line.SNILS)));
      Text(personStyle, {}, U(line.FIO));
      Text(TStyle::ShortDate, {}, DismissText(line.DismissDate));
      for (std::size_t periodIndex = 0; periodIndex < periodCount; ++periodIndex) {
        PeriodCells(line.Periods.at(periodIndex));
      }
      Text(TStyle::BordersLeft, {}, NotesText(line.Notes));
      EndRow();
    }
    Filter(4, 3 + 11 * periodCount + 1);
    EndWorksheet();
  }

  // --- "Итоги по всем ЗЛ" --------------------------------------------------------------------

  void WriteTotalsSheet() {
    BeginWorksheet(TSheet::Totals, {120}, 80, 18);
    BeginRow();
    HeadCell({.Down = 2}, "Период");
    HeadCell({.Across = 8}, "Страховая часть");
    HeadCell({.Across = 8}, "Накопительная часть");
    EndRow();
    BeginRow();
    HeadCell({.Index = 2, .Across = 2}, "В периоде");
    HeadCell({.Across = 2}, "Нарастающим итогом с начала года");
    HeadCell({.Across = 2}, "Нарастающим итогом с 01.01.2010 г.");
    HeadCell({.Across = 2}, "В периоде");
    HeadCell({.Across = 2}, "Нарастающим итогом с начала года");
    HeadCell({.Across = 2}, "Нарастающим итогом с 01.01.2010 г.");
    EndRow();
    BeginRow();
    for (int span = 0; span < 6; ++span) {
      HeadCell({.Index = span == 0 ? 2 : 0}, "Начислено");
      HeadCell({}, "Уплачено");
      HeadCell({}, "Сальдо");
    }
    EndRow();
    if (report_.PeriodList.empty()) {
      BeginRow();
      HeadCell({.Across = 12}, "Сведения отсутствуют");
      EndRow();
    } else {
      for (std::size_t index = 0; index < report_.PeriodList.size(); ++index) {
        BeginRow();
        Text(TStyle::Borders, {}, U(report_.PeriodList[index]));
        for (const std::int64_t value : report_.PeriodTotals.at(index).Values) {
          Amount(TStyle::Borders, value);
        }
        EndRow();
      }
    }
    EndWorksheet();
  }

  // --- "Забытые сотрудники" ------------------------------------------------------------------

  void WriteForgottenSheet() {
    BeginWorksheet(TSheet::Forgotten, {80, 210, 80, 80});
    worksheet_freeze_panes(sheet_, 2, 0);
    BeginRow();
    HeadCell({.Down = 1}, "СНИЛС");
    HeadCell({.Down = 1}, "Фамилия, имя, отчество");
    HeadCell({.Across = 1}, "Суммы задолженности");
    EndRow();
    BeginRow();
    HeadCell({.Index = 3}, "Страховая часть");
    HeadCell({}, "Накопительная часть");
    EndRow();
    if (report_.ForgottenLines.empty()) {
      BeginRow();
      HeadCell({.Across = 3}, "Проблем не обнаружено");
      EndRow();
    }
    for (const TForgottenLine& line : report_.ForgottenLines) {
      BeginRow();
      Text(TStyle::Borders, {}, U(FormatSNILS(line.SNILS)));
      Text(TStyle::Borders, {}, U(line.FIO));
      Amount(TStyle::Borders, line.StrahDebt);
      Amount(TStyle::Borders, line.NakopDebt);
      EndRow();
    }
    EndWorksheet();
  }

  // --- СЗВ-6-3 -------------------------------------------------------------------------------

  void WriteSZV63Sheet() {
    const std::string year = std::to_string(report_.SZV63Year);
    BeginWorksheet(TSheet::SZV63, {80, 210, 80}, 80, 12);
    worksheet_freeze_panes(sheet_, 2, 0);
    BeginRow();
    HeadCell({.Across = 14}, "Сверка СЗВ-6-3 за " + year + " год");
    EndRow();
    BeginRow();
    Text(TStyle::BordersLeft, {.Across = 14},
         "Внимание: Расчётные суммы взносов из СЗВ-6-3 рассчитаны простым умножением суммы "
         "начислений на тариф взносов в конкретном году без учёта возможности превышения "
         "предельной базы. Недопустимые разницы сумм взносов между СЗВ-6-3 и ИС (более 3 коп. за "
         "квартал, за исключением превышения базы и кода НР) подсвечены красным цветом. ");
    EndRow();
    BeginRow();
    HeadCell({.Down = 1}, "СНИЛС");
    HeadCell({.Down = 1}, "Фамилия, имя, отчество");
    HeadCell({.Down = 1}, "Код категории");
    for (int quarter = 1; quarter <= 4; ++quarter) {
      HeadCell({.Across = 2}, "Сумма взносов за " + std::to_string(quarter) + " квартал");
    }
    EndRow();
    BeginRow();
    for (int quarter = 1; quarter <= 4; ++quarter) {
      HeadCell({.Index = 3 * quarter + 1}, "Расчётно по СЗВ-6-3");
      HeadCell({}, "Из инд. сведений");
      HeadCell({}, "Сальдо");
    }
    EndRow();
    for (const TSZV63SverkaZL& block : report_.SZV63Blocks) {
      const int lineCount = static_cast<int>(block.Lines.size());
      const TCellPlace personPlace{.Down = lineCount > 1 ? lineCount - 1 : 0};
      for (int lineIndex = 0; lineIndex < lineCount; ++lineIndex) {
        const TSZV63SverkaLine& line = block.Lines[static_cast<std::size_t>(lineIndex)];
        BeginRow();
        if (lineIndex == 0) {
          Text(TStyle::BordersBlack, personPlace, U(FormatSNILS(block.SNILS)));
          Text(TStyle::BordersBlack, personPlace, U(block.FIO));
        }
        Text(TStyle::BordersBlack, {.Index = 3}, U(line.CategoryCode));
        for (const TSZV63Quarter& quarter : line.Quarters) {
          Amount(TStyle::BordersBlack, quarter.Calculated);
          Amount(TStyle::BordersBlack, quarter.FromIS);
          Amount(quarter.Mismatch ? TStyle::BordersRed : TStyle::BordersBlack,
                 quarter.Difference);
        }
        EndRow();
      }
    }
    Filter(4, 15);
    EndWorksheet();
  }

  struct TMerge {
    lxw_row_t FirstRow;
    lxw_col_t FirstCol;
    lxw_row_t LastRow;
    lxw_col_t LastCol;
    lxw_format* Format;
  };

  const TReport& report_;
  const std::string& stamp_;
  const std::string& fileName_;
  lxw_workbook* workbook_ = nullptr;
  lxw_worksheet* sheet_ = nullptr;
  lxw_format* formats_[static_cast<std::size_t>(TStyle::Count)] = {};
  long long row_ = -1;
  int column_ = 0;
  std::vector<TMerge> pendingMerges_;
};

}  // namespace

double XlsxAmountValue(std::int64_t amount) {
  // FormatSum's rounding, then one rounding more, as reading "1234.50" makes: exact below 2^53
  // kopecks (90 trillion roubles).
  return static_cast<double>(RoundToKopecks(amount)) / 100.0;
}

void WriteXlsxProtocol(const TReport& report, const std::string& fileName,
                       const TSpreadsheetOptions& options) {
  CheckSpreadsheetSize(report, options.Limits);
  const std::string stamp = options.Stamp.empty() ? CurrentProtocolStamp() : options.Stamp;
  TProtocolFile out(fileName);
  {
    TXlsxWriter writer(report, stamp, fileName);
    writer.Write(out.HandOverTemporary());
  }
  out.Commit();
}

}  // namespace brisolt
