#include "protocol/protlayout.h"

#include <algorithm>
#include <string_view>

#include "base/cp1251literal.h"
#include "base/encoding.h"

namespace brisolt {

namespace {

constexpr Cp1251Literal kAccrued(u8"Начислено");
constexpr Cp1251Literal kPaid(u8"Уплачено");
constexpr Cp1251Literal kSaldo(u8"Сальдо");
constexpr Cp1251Literal kInsPart(u8"Страховая часть");
constexpr Cp1251Literal kFundPart(u8"Накопительная часть");
constexpr Cp1251Literal kInPeriod(u8"В периоде");
constexpr Cp1251Literal kCumulative(u8"Нарастающим итогом");
constexpr Cp1251Literal kSNILS(u8"СНИЛС");
constexpr Cp1251Literal kFullName(u8"Фамилия, имя, отчество");

class TLayout {
 public:
  TLayout(const TReport& report, const std::string& stamp, TSheetSink& sink,
          TProtocolWarnings* warnings)
      : report_(report), stamp_(stamp), sink_(sink), warnings_(warnings),
        cells_(sink.TakesCells()) {}

  void Write() {
    WriteProtocolSheet();
    if (report_.ProtForm == TProtForm::Compact) {
      WriteCompactTableSheet();
    } else {
      WriteDetailedTableSheet();
    }
    WriteTotalsSheet();
    WriteForgottenSheet();
    if (HasSZV63Sheet(report_)) {
      WriteSZV63Sheet();
    }
  }

 private:
  // Every sheet, row and text goes to the sink through these: texts longer than a cell holds are
  // cut here, once for every format.
  void BeginSheet(const TSheetSetup& setup) {
    sheetName_ = setup.Name;
    row_ = 0;
    sink_.BeginSheet(setup);
  }

  void BeginRow(bool caption, int lines = 1) {
    ++row_;
    sink_.BeginRow(caption, lines);
  }

  void Text(TCellStyle style, const TCellPlace& place, const std::string& text) {
    if (text.size() <= kCellTextLimit) {
      sink_.Text(style, place, text);
      return;
    }
    std::string cut = text.substr(0, kCellTextLimit - 1);
    cut += kCutMark;
    Warn(text);
    sink_.Text(style, place, cut);
  }

  void Lines(TCellStyle style, const TCellPlace& place, const std::vector<std::string>& lines) {
    std::size_t length = 0;
    for (const std::string& line : lines) {
      length += line.size() + (&line == &lines.front() ? 0 : 1);  // a line break each after the first
    }
    if (length <= kCellTextLimit) {
      sink_.Lines(style, place, lines);
      return;
    }
    std::vector<std::string> cut;
    std::size_t room = kCellTextLimit - 1;  // for the lines and their breaks, before the mark
    for (const std::string& line : lines) {
      const std::size_t breakBefore = cut.empty() ? 0 : 1;
      if (breakBefore + line.size() <= room) {
        cut.push_back(line);
        room -= breakBefore + line.size();
        continue;
      }
      if (room >= breakBefore + 1 || cut.empty()) {
        cut.push_back(line.substr(0, room - breakBefore));
      }
      cut.back() += kCutMark;
      break;
    }
    Warn(lines.front());
    sink_.Lines(style, place, cut);
  }

  // A cut text named by its sheet, its row and its first words. A few are named one by one; the
  // rest are counted in the last warning.
  void Warn(const std::string& text) {
    static constexpr std::size_t kNamed = 10;
    if (warnings_ == nullptr) {
      return;
    }
    ++cutCount_;
    const std::string limit = "32 767";
    if (cutCount_ <= kNamed) {
      std::string start = Cp1251ToUtf8(text.substr(0, 60));
      warnings_->push_back("В протоколе сокращён до " + limit +
                           " знаков текст, который не помещается в ячейку (в конце \"…\"): лист \"" +
                           Cp1251ToUtf8(sheetName_) + "\", строка " + std::to_string(row_) + ", \"" +
                           start + "…\".");
      return;
    }
    const std::string more = "Сокращено ещё текстов длиннее " + limit + " знаков: ";
    if (cutCount_ > kNamed + 1) {
      warnings_->pop_back();
    }
    warnings_->push_back(more + std::to_string(cutCount_ - kNamed) + ".");
  }

  // The lines a person's notes take in their column (400 points, some 65 characters a line).
  static int NoteLines(const std::vector<std::string>& notes) {
    constexpr std::size_t kLineCharacters = 65;
    constexpr std::size_t kMost = 409 / 15;  // a row is at most 409 points high
    std::size_t lines = 0;
    for (const std::string& note : notes) {
      lines += note.empty() ? 1 : (note.size() + kLineCharacters - 1) / kLineCharacters;
    }
    return static_cast<int>(std::clamp<std::size_t>(lines, 1, kMost));
  }

  void Caption(const TCellPlace& place, std::string_view text) {
    Text(TCellStyle::Caption, place, std::string(text));
  }

  // --- "Протокол" ------------------------------------------------------------------------------

  void ProtocolRow(bool heading, const std::string& text) {
    BeginRow(heading);
    if (cells_) {
      Text(heading ? TCellStyle::Heading : TCellStyle::Plain, {}, text);
    }
    sink_.EndRow();
  }

  void WriteProtocolSheet() {
    BeginSheet({.Sheet = TSheet::Protocol,
                .Name = SheetName(TSheet::Protocol, report_),
                .Columns = {{600}}});
    ProtocolRow(true, Cp1251Literal(u8"Протокол сверки начисленных и уплаченных сумм по сведениям в ПФР"));
    ProtocolRow(false, Cp1251Literal(u8"Программа Brisolt ") + report_.ProgVersion + " " + report_.ProgNote);
    ProtocolRow(false, Cp1251Literal(u8"Дата и время формирования протокола: ") + stamp_);
    ProtocolRow(true, Cp1251Literal(u8"Сведения о страхователе:"));
    ProtocolRow(false, Cp1251Literal(u8"Наименование страхователя: ") + report_.OrgName);
    ProtocolRow(false, Cp1251Literal(u8"Регистрационный № в ПФР: ") + report_.RegNumb);
    ProtocolRow(true, Cp1251Literal(u8"Обработаны файлы с инд. сведениями в следующем порядке:"));
    for (std::size_t index = 0; index < report_.FileList.size(); ++index) {
      ProtocolRow(false, std::to_string(index + 1) + ". " + report_.FileList[index] + ")");
    }
    ProtocolRow(true, Cp1251Literal(u8"Обработаны периоды:"));
    for (const std::string& period : report_.PeriodList) {
      ProtocolRow(false, period);
    }
    if (!report_.ErrorList.empty()) {
      ProtocolRow(true, Cp1251Literal(u8"Сведения об ошибках, обнаруженных на начальном этапе обработки:"));
      for (const std::string& error : report_.ErrorList) {
        ProtocolRow(false, error);
      }
    }
    sink_.EndSheet();
  }

  // --- "Таблица" -------------------------------------------------------------------------------

  void PersonCells(const TMainLine& line, const TCellPlace& place) {
    const TCellStyle style = PersonStyle(line.Mark);
    Text(style, place, FormatSNILS(line.SNILS));
    Text(style, place, line.FIO);
    Text(TCellStyle::Dismissal, place, DismissalText(line.Dismissal, "-"));
  }

  void PeriodCells(const TPeriodRec& period) {
    Text(TCellStyle::Amount, {}, period.FileNums);
    for (const std::int64_t amount :
         {period.InsAccrued, period.InsPaid, period.InsAccruedTotal, period.InsPaidTotal,
          period.InsSaldo, period.FundAccrued, period.FundPaid, period.FundAccruedTotal,
          period.FundPaidTotal, period.FundSaldo}) {
      sink_.Amount(TCellStyle::Amount, {}, amount);
    }
  }

  // The two parts' captions over one period: the part, then its spans.
  void PartCaptions(int firstIndex) {
    Caption({.Index = firstIndex, .Across = 1}, kInPeriod);
    Caption({.Across = 2}, kCumulative);
    Caption({.Across = 1}, kInPeriod);
    Caption({.Across = 2}, kCumulative);
  }

  void AmountCaptions(int firstIndex) {
    Caption({.Index = firstIndex}, kAccrued);
    for (const std::string_view caption :
         {kPaid.View(), kAccrued.View(), kPaid.View(), kSaldo.View(), kAccrued.View(),
          kPaid.View(), kAccrued.View(), kPaid.View(), kSaldo.View()}) {
      Caption({}, caption);
    }
  }

  void WriteCompactTableSheet() {
    const std::size_t periodCount = report_.PeriodList.size();
    const int lastPeriod = static_cast<int>(periodCount) - 1;
    BeginSheet({.Sheet = TSheet::Table,
                .Name = SheetName(TSheet::Table, report_),
                .Columns = {{80}, {190}, {70}, {110}, {60}, {80, 10}, {400}},
                .FrozenRows = 3,
                .FrozenColumns = 5,
                .ActivePane = 0,
                .Panes = {{3}, {1}, {2}, {0, 4, 5}},
                .HeaderRows = 3,
                .FilterColumns = 16});
    BeginRow(true);
    if (cells_) {
      Caption({.Down = 2}, Cp1251Literal(u8"Страховой номер"));
      Caption({.Down = 2}, kFullName);
      Caption({.Down = 2}, Cp1251Literal(u8"Дата увольнения"));
      Caption({.Down = 2}, Cp1251Literal(u8"Период"));
      Caption({.Down = 2}, Cp1251Literal(u8"№ файла"));
      Caption({.Across = 4}, kInsPart);
      Caption({.Across = 4}, kFundPart);
      Caption({.Down = 2}, Cp1251Literal(u8"Примечание"));
    }
    sink_.EndRow();
    BeginRow(true);
    if (cells_) {
      PartCaptions(6);
    }
    sink_.EndRow();
    BeginRow(true);
    if (cells_) {
      AmountCaptions(6);
    }
    sink_.EndRow();

    for (const TMainLine& line : report_.MainLines) {
      for (std::size_t periodIndex = 0; periodIndex < periodCount; ++periodIndex) {
        BeginRow(false, periodIndex == 0 ? NoteLines(line.Notes) : 1);
        if (cells_) {
          if (periodIndex == 0) {
            PersonCells(line, {.Down = lastPeriod});
          }
          Text(TCellStyle::Amount, {.Index = periodIndex > 0 ? 4 : 0},
                     report_.PeriodList[periodIndex]);
          PeriodCells(line.Periods.at(periodIndex));
          if (periodIndex == 0) {
            Lines(TCellStyle::FramedLeft, {.Down = lastPeriod, .Once = true}, line.Notes);
          }
        }
        sink_.EndRow();
      }
    }
    sink_.EndSheet();
  }

  void WriteDetailedTableSheet() {
    const std::size_t periodCount = report_.PeriodList.size();
    BeginSheet({.Sheet = TSheet::Table,
                .Name = SheetName(TSheet::Table, report_),
                .Columns = {{80}, {210}, {70}, {60, 11 * periodCount}, {400}},
                .FrozenRows = 4,
                .FrozenColumns = 3,
                .ActivePane = 0,
                .Panes = {{3, 4, 3}, {1}, {2}, {0}},
                .HeaderRows = 4,
                .FilterColumns = 3 + 11 * periodCount + 1});
    BeginRow(true);
    if (cells_) {
      Caption({.Down = 3}, Cp1251Literal(u8"Страховой номер"));
      Caption({.Down = 3}, kFullName);
      Caption({.Down = 3}, Cp1251Literal(u8"Дата увольнения"));
      for (const std::string& period : report_.PeriodList) {
        Caption({.Across = 10}, period);
      }
      Caption({.Down = 3}, Cp1251Literal(u8"Примечание"));
    }
    sink_.EndRow();
    BeginRow(true);
    for (std::size_t index = 0; cells_ && index < periodCount; ++index) {
      Caption({.Index = index == 0 ? 4 : 0, .Down = 2}, Cp1251Literal(u8"№ файла (№№ файлов)"));
      Caption({.Across = 4}, kInsPart);
      Caption({.Across = 4}, kFundPart);
    }
    sink_.EndRow();
    BeginRow(true);
    for (std::size_t index = 0; cells_ && index < periodCount; ++index) {
      PartCaptions(11 * static_cast<int>(index) + 5);
    }
    sink_.EndRow();
    BeginRow(true);
    for (std::size_t index = 0; cells_ && index < periodCount; ++index) {
      AmountCaptions(11 * static_cast<int>(index) + 5);
    }
    sink_.EndRow();

    for (const TMainLine& line : report_.MainLines) {
      BeginRow(false, NoteLines(line.Notes));
      if (cells_) {
        PersonCells(line, {});
        for (std::size_t periodIndex = 0; periodIndex < periodCount; ++periodIndex) {
          PeriodCells(line.Periods.at(periodIndex));
        }
        Lines(TCellStyle::FramedLeft, {}, line.Notes);
      }
      sink_.EndRow();
    }
    sink_.EndSheet();
  }

  // --- "Итоги по всем ЗЛ" ----------------------------------------------------------------------

  void WriteTotalsSheet() {
    BeginSheet({.Sheet = TSheet::Totals,
                .Name = SheetName(TSheet::Totals, report_),
                .Columns = {{120}, {80, 18}},
                .HeaderRows = 3});
    BeginRow(true);
    if (cells_) {
      Caption({.Down = 2}, Cp1251Literal(u8"Период"));
      Caption({.Across = 8}, kInsPart);
      Caption({.Across = 8}, kFundPart);
    }
    sink_.EndRow();
    BeginRow(true);
    if (cells_) {
      for (int part = 0; part < 2; ++part) {
        Caption({.Index = part == 0 ? 2 : 0, .Across = 2}, kInPeriod);
        Caption({.Across = 2}, Cp1251Literal(u8"Нарастающим итогом с начала года"));
        Caption({.Across = 2}, Cp1251Literal(u8"Нарастающим итогом с 01.01.2010 г."));
      }
    }
    sink_.EndRow();
    BeginRow(true);
    for (int span = 0; cells_ && span < 6; ++span) {
      Caption({.Index = span == 0 ? 2 : 0}, kAccrued);
      Caption({}, kPaid);
      Caption({}, kSaldo);
    }
    sink_.EndRow();
    if (report_.PeriodList.empty()) {
      BeginRow(true);
      if (cells_) {
        Caption({.Across = 12}, Cp1251Literal(u8"Сведения отсутствуют"));
      }
      sink_.EndRow();
    }
    for (std::size_t index = 0; index < report_.PeriodList.size(); ++index) {
      BeginRow(false);
      if (cells_) {
        Text(TCellStyle::Amount, {}, report_.PeriodList[index]);
        for (const std::int64_t value : report_.PeriodTotals.at(index).Values) {
          sink_.Amount(TCellStyle::Amount, {}, value);
        }
      }
      sink_.EndRow();
    }
    sink_.EndSheet();
  }

  // --- "Забытые сотрудники" --------------------------------------------------------------------

  void WriteForgottenSheet() {
    BeginSheet({.Sheet = TSheet::Forgotten,
                .Name = SheetName(TSheet::Forgotten, report_),
                .Columns = {{80}, {210}, {80}, {80}},
                .FrozenRows = 2,
                .ActivePane = 2,
                .Panes = {{1}, {2, 2, 1}},
                .HeaderRows = 2});
    BeginRow(true);
    if (cells_) {
      Caption({.Down = 1}, kSNILS);
      Caption({.Down = 1}, kFullName);
      Caption({.Across = 1}, Cp1251Literal(u8"Суммы задолженности"));
    }
    sink_.EndRow();
    BeginRow(true);
    if (cells_) {
      Caption({.Index = 3}, kInsPart);
      Caption({}, kFundPart);
    }
    sink_.EndRow();
    if (report_.ForgottenLines.empty()) {
      BeginRow(true);
      if (cells_) {
        Caption({.Across = 3}, Cp1251Literal(u8"Проблем не обнаружено"));
      }
      sink_.EndRow();
    }
    for (const TForgottenLine& line : report_.ForgottenLines) {
      BeginRow(false);
      if (cells_) {
        Text(TCellStyle::Amount, {}, FormatSNILS(line.SNILS));
        Text(TCellStyle::Amount, {}, line.FIO);
        sink_.Amount(TCellStyle::Amount, {}, line.InsDebt);
        sink_.Amount(TCellStyle::Amount, {}, line.FundDebt);
      }
      sink_.EndRow();
    }
    sink_.EndSheet();
  }

  // --- СЗВ-6-3 ---------------------------------------------------------------------------------

  void WriteSZV63Sheet() {
    const std::string year = std::to_string(report_.SZV63Year);
    BeginSheet({.Sheet = TSheet::SZV63,
                .Name = SheetName(TSheet::SZV63, report_),
                .Columns = {{80}, {210}, {80}, {80, 12}},
                .FrozenRows = 2,
                .ActivePane = 2,
                .Panes = {{1}, {2, 5, 1}},
                .HeaderRows = 4,
                .FilterColumns = 15});
    BeginRow(true);
    if (cells_) {
      Caption({.Across = 14},
              Cp1251Literal(u8"Сверка СЗВ-6-3 за ") + year + Cp1251Literal(u8" год"));
    }
    sink_.EndRow();
    // About 330 characters across 15 columns: two lines in the usual fonts, three in wider ones.
    BeginRow(true, 3);
    if (cells_) {
      Text(TCellStyle::FramedLeft, {.Across = 14},
                 Cp1251Literal(
                     u8"Внимание: Расчётные суммы взносов из СЗВ-6-3 рассчитаны простым умножением "
                     "суммы начислений на тариф взносов в конкретном году без учёта возможности "
                     "превышения предельной базы. Недопустимые разницы сумм взносов между "
                     "СЗВ-6-3 и ИС (более 3 коп. за квартал, за исключением превышения базы и "
                     "кода НР) подсвечены красным цветом. "));
    }
    sink_.EndRow();
    BeginRow(true);
    if (cells_) {
      Caption({.Down = 1}, kSNILS);
      Caption({.Down = 1}, kFullName);
      Caption({.Down = 1}, Cp1251Literal(u8"Код категории"));
      for (int quarter = 1; quarter <= 4; ++quarter) {
        Caption({.Across = 2}, Cp1251Literal(u8"Сумма взносов за ") + std::to_string(quarter) +
                                   Cp1251Literal(u8" квартал"));
      }
    }
    sink_.EndRow();
    BeginRow(true);
    for (int quarter = 1; cells_ && quarter <= 4; ++quarter) {
      Caption({.Index = 3 * quarter + 1}, Cp1251Literal(u8"Расчётно по СЗВ-6-3"));
      Caption({}, Cp1251Literal(u8"Из инд. сведений"));
      Caption({}, kSaldo);
    }
    sink_.EndRow();
    for (const TSZV63SverkaZL& block : report_.SZV63Blocks) {
      const int lineCount = static_cast<int>(block.Lines.size());
      const TCellPlace personPlace{.Down = lineCount > 1 ? lineCount - 1 : -1};
      for (int lineIndex = 0; lineIndex < lineCount; ++lineIndex) {
        const TSZV63SverkaLine& line = block.Lines[static_cast<std::size_t>(lineIndex)];
        BeginRow(false);
        if (cells_) {
          if (lineIndex == 0) {
            Text(TCellStyle::AmountBlack, personPlace, FormatSNILS(block.SNILS));
            Text(TCellStyle::AmountBlack, personPlace, block.FIO);
          }
          Text(TCellStyle::AmountBlack, {.Index = 3}, line.CategoryCode);
          for (const TSZV63Quarter& quarter : line.Quarters) {
            sink_.Amount(TCellStyle::AmountBlack, {}, quarter.Calculated);
            sink_.Amount(TCellStyle::AmountBlack, {}, quarter.FromIS);
            sink_.Amount(quarter.Mismatch ? TCellStyle::AmountRed : TCellStyle::AmountBlack, {},
                         quarter.Difference);
          }
        }
        sink_.EndRow();
      }
    }
    sink_.EndSheet();
  }

  const TReport& report_;
  const std::string& stamp_;
  TSheetSink& sink_;
  TProtocolWarnings* warnings_;
  const bool cells_;
  std::string sheetName_;
  std::uint64_t row_ = 0;
  std::size_t cutCount_ = 0;
};

}  // namespace

TCellStyle PersonStyle(TLineMark mark) {
  switch (mark) {
    case TLineMark::Plain: return TCellStyle::Person;
    case TLineMark::Conflict: return TCellStyle::PersonConflict;
    case TLineMark::DismissalDebt: return TCellStyle::PersonDismissed;
    case TLineMark::ConflictAndDismissalDebt: return TCellStyle::PersonConflictDismissed;
  }
  return TCellStyle::Person;
}

std::uint64_t TSheetSetup::ColumnCount() const {
  std::uint64_t count = 0;
  for (const TColumnRun& run : Columns) {
    count += run.Count;
  }
  return count;
}

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

void LayOutWorkbook(const TReport& report, const std::string& stamp, TSheetSink& sink,
                    TProtocolWarnings* warnings) {
  TLayout(report, stamp, sink, warnings).Write();
}

}  // namespace brisolt
