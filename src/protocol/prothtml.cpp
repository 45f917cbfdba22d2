// The protocol as one self-contained HTML page (windows-1251, CR LF).
#include <algorithm>
#include <cstdint>
#include <cstring>
#include <initializer_list>
#include <string>
#include <string_view>
#include <vector>

#include "protocol/prot.h"
#include "protocol/protfile.h"
#include "base/amount.h"
#include "base/cp1251literal.h"

namespace brisolt {

namespace {

constexpr Cp1251Literal kAccrued(u8"Начислено");
constexpr Cp1251Literal kPaid(u8"Уплачено");
constexpr Cp1251Literal kSaldo(u8"Сальдо");

// Fixed texts are kept in UTF-8 in the source and turned into the page's code page once.

// Every text from the model is escaped on its own before the page's markup is put around it, so a
// name or a file name can neither break the page nor bring in a script.
std::string E(const std::string& text) { return EscapeMarkup(text, true); }

// A text from the model as the page shows it (AppendPageText), put in a chain of appends without
// a text of its own, or as a text where one is kept.
struct TPageText {
  std::string_view Text;
};
TProtocolFile& operator<<(TProtocolFile& out, TPageText text) { return out.PageText(text.Text); }
std::string PageText(std::string_view text) {
  std::string result;
  AppendPageText(result, text);
  return result;
}

// A person still at work has an empty dismissal cell.
std::string DismissalCell(const TDismissal& dismissal) {
  return dismissal.Kind == TDismissalKind::AtWork ? "&nbsp;" : E(DismissalText(dismissal, {}));
}

// An amount cell's line: the opening up to its value attribute's text, which the cell's text
// repeats, the middle and the closing with the line's end.
constexpr std::string_view kAmountCellOpening = "    <td style=\"text-align: center\" sdval=\"";
constexpr std::string_view kNegativeSaldoCellOpening = "    <td style=\"text-align: center; color: red;\" sdval=\"";
constexpr std::string_view kAmountCellMiddle = "\" sdnum=\"1033;0;#,##0.00\">&nbsp;";
constexpr std::string_view kAmountCellClosing = "&nbsp;</td>\r\n";
// The room PutAmountCell needs: the sum is copied whole, both times.
constexpr std::size_t kAmountCellRoom = std::max(kAmountCellOpening.size(), kNegativeSaldoCellOpening.size()) +
                                        kAmountCellMiddle.size() + kAmountCellClosing.size() + 2 * kSumTextSize;

// A row's opening line and a file numbers' cell up to its text.
constexpr std::string_view kRowOpening = "   <tr>\r\n";
constexpr std::string_view kFileCellOpening = "    <td style=\"text-align: center\">";

inline char* Put(char* to, std::string_view text) {
  std::memcpy(to, text.data(), text.size());
  return to + text.size();
}

// Writes an amount cell's line, CR LF included, at `to`, which has kAmountCellRoom bytes; returns
// its end. A red cell is a negative saldo. The sum is formatted once, in the attribute, and copied
// whole into the text: a copy of a fixed size is a few moves where one of the sum's own length is
// a call, and what follows overwrites the bytes past its end.
inline char* PutAmountCell(char* to, std::int64_t amount, bool red) {
  char* const sum = red ? Put(to, kNegativeSaldoCellOpening) : Put(to, kAmountCellOpening);
  const auto sumSize = static_cast<std::size_t>(FormatSumTo(sum, amount) - sum);
  to = Put(sum + sumSize, kAmountCellMiddle);
  std::memcpy(to, sum, kSumTextSize);
  return Put(to + sumSize, kAmountCellClosing);
}

const std::string kBoldCell = "    <td style=\"font-weight: bold\"";

class THtmlWriter {
 public:
  THtmlWriter(const TReport& report, TProtocolFile& out, const std::string& stamp)
      : report_(report), out_(out), stamp_(stamp) {}

  void Write() {
    WriteHead();
    WriteHeader();
    WriteFiles();
    WritePeriods();
    WriteErrors();
    if (report_.ProtForm == TProtForm::Compact) {
      WriteCompactTable();
    } else {
      WriteDetailedTable();
    }
    WriteTotals();
    WriteForgotten();
    WriteSZV63();
    out_.Line(" </body>");
    out_.Line("</html>");
  }

 private:
  void Lines(std::initializer_list<std::string_view> lines) {
    for (const std::string_view line : lines) {
      out_.Line(line);
    }
  }

  void WriteHead() {
    Lines({"<html>", " <head>",
           "  <meta http-equiv=\"Content-Type\" content=\"text/html;charset=windows-1251\">"});
    out_ << "  <title>" << E(report_.OrgName)
         << Cp1251Literal(u8" - Сверка начисленных и уплаченных сумм по сведениям в ПФР</title>");
    out_.EndLine();
    Lines({"  <style type=\"text/css\">", "   .hvp", "    {", "     color : red;",
           "     background : #66ffff;", "    }", "   .hv", "    {", "     background : #66ffff;",
           "    }", "   .p", "    {", "     color : red;", "    }", "   .norm", "    {",
           "     color : black;", "    }", "  </style>"});
    Lines({"  <script type=\"text/javascript\">", "  <!--"});
    Lines({"  function toggleFilelist()", "   {",
           "    if (document.getElementById (\"filelist\").style.display == \"\")", "     {",
           "      document.getElementById (\"filelist\").style.display = \"none\";"});
    out_.Line(Cp1251Literal(u8"      document.getElementById (\"filespan\").innerHTML = \"Показать\";"));
    Lines({"     }", "    else", "     {",
           "      document.getElementById (\"filelist\").style.display = \"\";"});
    out_.Line(Cp1251Literal(u8"      document.getElementById (\"filespan\").innerHTML = \"Скрыть\";"));
    Lines({"     }", "    // return false;", "   }"});
    if (report_.ProtForm == TProtForm::Detailed) {
      Lines({"     function togglePeriod (index,visible)",
             "      {",
             "       var d = \"\";",
             "       if (!visible) d = \"none\";",
             "       var t = document.getElementById (\"ta\");",
             "       t.rows [0].cells [index + 3].style.display = d;",
             "       var i = index * 3;",
             "       t.rows [1].cells [i].style.display = d;",
             "       t.rows [1].cells [i+1].style.display = d;",
             "       t.rows [1].cells [i+2].style.display = d;",
             "       i = index * 4;",
             "       for (var i1 = 0; i1 < 4; i1++) t.rows [2].cells [i+i1].style.display = d;",
             "       i = index * 11;",
             "       for (i1 = 0; i1 < 10; i1++) t.rows [3].cells [index*10+i1].style.display = d;",
             "       for (var i2 = 4; i2 < t.rows.length; i2++) for (i1 = 0; i1 < 11; i1++) "
             "t.rows [i2].cells [i+i1+3].style.display = d;",
             "      }"});
    }
    Lines({"  // -->", "  </script>", "  <style type=\"text/css\">",
           "   #ta td,#tb td,#tc td,#qs3 td", "    {", "     border: 1px solid black;",
           "     font-family: Arial;", "     text-align: center;", "     font-size: 10pt;",
           "     vertical-align: center;", "    }", "  </style>", " </head>"});
  }

  void WriteHeader() {
    out_.Line(" <body>");
    out_.Line(Cp1251Literal(u8"  <h2>Протокол сверки начисленных и уплаченных сумм по сведениям в ПФР</h2>"));
    // Without a site the name is plain text: an empty link would reload the protocol itself.
    if (report_.ProgURL.empty()) {
      out_ << Cp1251Literal(u8"  <p>Программа Brisolt<br/>") << E(report_.ProgVersion);
    } else {
      out_ << Cp1251Literal(u8"  <p>Программа <a href=\"") << E(report_.ProgURL)
           << "\" target=\"_blank\">Brisolt</a><br/>" << E(report_.ProgVersion);
    }
    if (!report_.ProgNote.empty()) {
      out_ << "<br/><font color=\"#FF0000\"><b>" << E(report_.ProgNote) << "</b></font>";
    }
    out_ << "</p>";
    out_.EndLine();
    out_ << Cp1251Literal(u8"  <p>Дата и время формирования протокола: ") << E(stamp_) << "</p>";
    out_.EndLine();
    out_.Line(Cp1251Literal(u8"  <h3>Сведения о страхователе:</h3>"));
    out_ << Cp1251Literal(u8"  <p>Наименование страхователя: ") << E(report_.OrgName) << "</p>";
    out_.EndLine();
    out_ << Cp1251Literal(u8"  <p>Регистрационный № в ПФР: ") << E(report_.RegNumb) << "</p>";
    out_.EndLine();
  }

  void WriteFiles() {
    out_.Line(Cp1251Literal(u8"  <p>Обработаны файлы с инд. сведениями в следующем порядке: "));
    out_.Line(Cp1251Literal(u8"  <span id=\"filespan\" style=\"text-decoration: underline; color: blue; "
                "cursor: pointer\" onClick=\"javascript: toggleFilelist()\">Скрыть</span>"));
    Lines({"   <div id=\"filelist\">", "    <ol>"});
    for (const std::string& file : report_.FileList) {
      out_ << "     <li>" << E(file) << "</li>";
      out_.EndLine();
    }
    Lines({"    </ol>", "   </div>", "  </p>"});
  }

  void WritePeriods() {
    out_.Line(Cp1251Literal(u8"  <p>Обработаны периоды:"));
    out_.Line("   <ul>");
    for (std::size_t index = 0; index < report_.PeriodList.size(); ++index) {
      if (report_.ProtForm == TProtForm::Compact) {
        out_ << "    <li>";
      } else {
        out_ << "    <li><input type=checkbox checked onClick=\"javascript: togglePeriod ("
             << std::to_string(index) << ",this.checked)\"/>";
      }
      out_ << E(report_.PeriodList[index]) << "</li>";
      out_.EndLine();
    }
    Lines({"   </ul>", "  </p>"});
  }

  void WriteErrors() {
    if (report_.ErrorList.empty()) {
      return;
    }
    out_.Line(Cp1251Literal(u8"  <h3>Сведения об ошибках, обнаруженных на первом этапе обработки:</h3>"));
    for (const std::string& error : report_.ErrorList) {
      out_ << "  <p>" << E(error) << "</p>";
      out_.EndLine();
    }
  }

  // The three tables write their bold header cells each in its own layout: the compact table's
  // spans after the style, the detailed table's before it, the totals table's deeper indented.
  enum class THeaderLayout { Compact, Detailed, Totals };

  struct THeaderCell {
    std::string_view Span;  // " rowspan=3" for the compact and totals tables, "rowspan=3" for the detailed
    std::string_view Text;  // windows-1251
  };

  void HeaderCell(THeaderLayout layout, const THeaderCell& cell) {
    switch (layout) {
      case THeaderLayout::Compact:
        out_ << kBoldCell << cell.Span << '>';
        break;
      case THeaderLayout::Detailed:
        out_ << "    <td " << cell.Span << " style=\"font-weight: bold\">";
        break;
      case THeaderLayout::Totals:
        out_ << "      <td style=\"font-weight: bold\"" << cell.Span << '>';
        break;
    }
    out_ << cell.Text << "</td>";
    out_.EndLine();
  }

  void HeaderCells(THeaderLayout layout, std::initializer_list<THeaderCell> cells) {
    for (const THeaderCell& cell : cells) {
      HeaderCell(layout, cell);
    }
  }

  // The same captions under the insurance part and again under the funded part.
  void CaptionsOfBothParts(THeaderLayout layout, std::initializer_list<THeaderCell> cells) {
    for (int part = 0; part < 2; ++part) {
      HeaderCells(layout, cells);
    }
  }

  void AmountHeaderCells() {
    HeaderCells(THeaderLayout::Compact, {{"", kAccrued}, {"", kPaid}, {"", kAccrued}, {"", kPaid}, {"", kSaldo}});
  }

  static std::string NotesText(const std::vector<std::string>& notes) {
    if (notes.empty()) {
      return HtmlText("&nbsp;");
    }
    std::string joined;
    for (std::size_t index = 0; index < notes.size(); ++index) {
      if (index > 0) {
        joined += "<br/>";
      }
      joined += E(notes[index]);
    }
    return HtmlText(joined);
  }

  // The value and number format of an amount cell for a spreadsheet that opens the page or takes
  // it pasted: the shown text has a decimal point, which a Russian Calc would keep as text. The
  // format is in English notation, which Calc shows in its own locale (19 800,00); a browser
  // ignores both.
  void AmountAttributes(std::int64_t amount) {
    out_ << " sdval=\"";
    out_.Amount(amount) << "\" sdnum=\"1033;0;#,##0.00\"";
  }

  // An amount in a cell, as one line of the table.
  void AmountCell(std::int64_t amount) {
    char cell[kAmountCellRoom];
    out_.Lines(std::string_view(cell, static_cast<std::size_t>(PutAmountCell(cell, amount, false) - cell)));
  }

  // A period's cells after `before` (whole lines, then the file numbers' cell up to its text):
  // the file numbers and the ten amounts, and the row's end where `closeRow` says. Everything
  // after the file numbers is put together on the stack and handed to the file as one piece: a
  // protocol has millions of amounts.
  void PeriodCells(std::string_view before, const TPeriodRec& period, bool closeRow) {
    static constexpr std::string_view kFileCellClosing = "</td>\r\n";
    static constexpr std::string_view kRowClosing = "   </tr>\r\n";
    out_ << before;
    if (period.FileNums.empty()) {
      out_ << "&nbsp;";
    } else {
      out_.Markup(period.FileNums, kPageAttribute);
    }
    char cells[kFileCellClosing.size() + 10 * kAmountCellRoom + kRowClosing.size()];
    char* at = Put(cells, kFileCellClosing);
    at = PutAmountCell(at, period.InsAccrued, false);
    at = PutAmountCell(at, period.InsPaid, false);
    at = PutAmountCell(at, period.InsAccruedTotal, false);
    at = PutAmountCell(at, period.InsPaidTotal, false);
    at = PutAmountCell(at, period.InsSaldo, period.InsSaldo < 0);
    at = PutAmountCell(at, period.FundAccrued, false);
    at = PutAmountCell(at, period.FundPaid, false);
    at = PutAmountCell(at, period.FundAccruedTotal, false);
    at = PutAmountCell(at, period.FundPaidTotal, false);
    at = PutAmountCell(at, period.FundSaldo, period.FundSaldo < 0);
    if (closeRow) {
      at = Put(at, kRowClosing);
    }
    out_.Lines(std::string_view(cells, static_cast<std::size_t>(at - cells)));
  }

  void WriteCompactTable() {
    const std::size_t periodCount = report_.PeriodList.size();
    const std::string rowspan = std::to_string(periodCount);
    out_.Line("  <table cellpadding=0 cellspacing=0 id=\"ta\">");
    out_.Line("   <tr>");
    HeaderCells(THeaderLayout::Compact, {{" rowspan=3", Cp1251Literal(u8"Страховой&nbsp;номер")},
                                         {" rowspan=3", Cp1251Literal(u8"Фамилия,&nbsp;имя,&nbsp;отчество")},
                                         {" rowspan=3", Cp1251Literal(u8"Дата&nbsp;увольнения")},
                                         {" rowspan=3", Cp1251Literal(u8"Период")},
                                         {" rowspan=3", Cp1251Literal(u8"№&nbsp;файла")},
                                         {" colspan=5", Cp1251Literal(u8"Страховая&nbsp;часть")},
                                         {" colspan=5", Cp1251Literal(u8"Накопительная&nbsp;часть")},
                                         {" rowspan=3", Cp1251Literal(u8"Примечание")}});
    out_.Line("   </tr>");
    out_.Line("   <tr>");
    CaptionsOfBothParts(THeaderLayout::Compact, {{" colspan=2", Cp1251Literal(u8"В&nbsp;периоде")},
                                                 {" colspan=3", Cp1251Literal(u8"Нарастающим&nbsp;итогом")}});
    out_.Line("   </tr>");
    out_.Line("   <tr>");
    AmountHeaderCells();
    AmountHeaderCells();
    out_.Line("   </tr>");

    // Every person repeats the same period names: each row but a person's first opens with the
    // same lines up to the file numbers, the first with them after the person's cells.
    std::vector<std::string> rowOpenings;
    for (const std::string& period : report_.PeriodList) {
      rowOpenings.push_back(std::string(kRowOpening) + "    <td style=\"text-align: left\">" + PageText(period) +
                            "</td>\r\n" + std::string(kFileCellOpening));
    }
    for (const TMainLine& line : report_.MainLines) {
      if (periodCount == 0) {
        continue;
      }
      // The person's cells span all the person's rows and open the first.
      out_.Line("   <tr>");
      out_ << "    <td style=\"text-align: center\" class=\"" << LineMarkClass(line.Mark) << "\" rowspan=" << rowspan
           << '>' << TPageText{FormatSNILS(line.SNILS)} << "</td>";
      out_.EndLine();
      out_ << "    <td style=\"text-align: left\" class=\"" << LineMarkClass(line.Mark) << "\" rowspan=" << rowspan
           << '>' << TPageText{line.FIO} << "</td>";
      out_.EndLine();
      out_ << "    <td style=\"text-align: center\" rowspan=" << rowspan << '>' << DismissalCell(line.Dismissal)
           << "</td>";
      out_.EndLine();
      PeriodCells(std::string_view(rowOpenings[0]).substr(kRowOpening.size()), line.Periods.at(0), false);
      out_ << "    <td style=\"text-align: left\" rowspan=" << rowspan << '>' << NotesText(line.Notes) << "</td>";
      out_.EndLine();
      out_.Line("   </tr>");
      for (std::size_t periodIndex = 1; periodIndex < periodCount; ++periodIndex) {
        PeriodCells(rowOpenings[periodIndex], line.Periods.at(periodIndex), true);
      }
    }
    out_.Line("  </table>");
  }

  void WriteDetailedTable() {
    out_.Line("  <table cellpadding=0 cellspacing=0 id=\"ta\">");
    out_.Line("   <tr>" + std::string(41, ' '));
    constexpr THeaderLayout kLayout = THeaderLayout::Detailed;
    HeaderCells(kLayout, {{"rowspan=4", Cp1251Literal(u8"Страховой&nbsp;номер")},
                          {"rowspan=4", Cp1251Literal(u8"Фамилия,&nbsp;имя,&nbsp;отчество")},
                          {"rowspan=4", Cp1251Literal(u8"Дата&nbsp;увольнения")}});
    for (const std::string& name : report_.PeriodList) {
      const std::string text = PageText(name);
      HeaderCell(kLayout, {"colspan=11", text});
    }
    HeaderCell(kLayout, {"rowspan=4", Cp1251Literal(u8"Примечание")});
    out_.Line("   </tr>");
    out_.Line("   <tr>");
    for (std::size_t index = 0; index < report_.PeriodList.size(); ++index) {
      HeaderCells(kLayout, {{"rowspan=3", Cp1251Literal(u8"№ файла (№№ файлов)")},
                            {"colspan=5", Cp1251Literal(u8"Страховая&nbsp;часть")},
                            {"colspan=5", Cp1251Literal(u8"Накопительная&nbsp;часть")}});
    }
    out_.Line("   </tr>");
    out_.Line("   <tr>");
    for (std::size_t index = 0; index < report_.PeriodList.size(); ++index) {
      CaptionsOfBothParts(kLayout, {{"colspan=2", Cp1251Literal(u8"В периоде")},
                                    {"colspan=3", Cp1251Literal(u8"Нарастающим итогом")}});
    }
    out_.Line("   </tr>");
    out_.Line("   <tr>");
    for (std::size_t index = 0; index < report_.PeriodList.size(); ++index) {
      AmountHeaderCells();
      AmountHeaderCells();
    }
    out_.Line("   </tr>");

    for (const TMainLine& line : report_.MainLines) {
      out_.Line("   <tr>");
      out_ << "    <td style=\"text-align: center\" class=\"" << LineMarkClass(line.Mark) << "\">"
           << TPageText{FormatSNILS(line.SNILS)} << "</td>";
      out_.EndLine();
      out_ << "    <td style=\"text-align: left\" class=\"" << LineMarkClass(line.Mark) << "\">"
           << TPageText{line.FIO} << "</td>";
      out_.EndLine();
      out_ << "    <td style=\"text-align: center\">" << DismissalCell(line.Dismissal) << "</td>";
      out_.EndLine();
      for (std::size_t periodIndex = 0; periodIndex < report_.PeriodList.size(); ++periodIndex) {
        PeriodCells(kFileCellOpening, line.Periods.at(periodIndex), false);
      }
      out_ << "    <td style=\"text-align: left\">" << NotesText(line.Notes) << "</td>";
      out_.EndLine();
      out_.Line("   </tr>");
    }
    out_.Line("  </table>");
  }

  void WriteTotals() {
    out_.Line(Cp1251Literal(u8"  <h3>Итоги по всем застрахованным лицам:</h3>"));
    out_.Line("  <table id=\"tb\" cellSpacing=0 cellPadding=0>");
    out_.Line("    <tr>");
    constexpr THeaderLayout kLayout = THeaderLayout::Totals;
    HeaderCells(kLayout, {{" rowspan=3", Cp1251Literal(u8"Период")},
                          {" colspan=9", Cp1251Literal(u8"Страховая часть")},
                          {" colspan=9", Cp1251Literal(u8"Накопительная часть")}});
    out_.Line("    </tr>");
    out_.Line("    <tr>");
    CaptionsOfBothParts(kLayout, {{" colspan=3", Cp1251Literal(u8"В периоде")},
                                  {" colspan=3", Cp1251Literal(u8"Нарастающим итогом с начала года")},
                                  {" colspan=3", Cp1251Literal(u8"Нарастающим итогом с 01.01.2010")}});
    out_.Line("    </tr>");
    out_.Line("    <tr>");
    for (int span = 0; span < 6; ++span) {
      HeaderCells(kLayout, {{"", kAccrued}, {"", kPaid}, {"", kSaldo}});
    }
    out_.Line("    </tr>");
    if (report_.PeriodList.empty()) {
      out_.Line(Cp1251Literal(u8"      <tr><td style=\"font-style: italic\">Сведения отсутствуют</td></tr>"));
    } else {
      for (std::size_t index = 0; index < report_.PeriodList.size(); ++index) {
        out_.Line("    <tr>");
        out_ << "    <td style=\"text-align: left\">" << TPageText{report_.PeriodList[index]}
             << "</td>";
        out_.EndLine();
        for (const std::int64_t value : report_.PeriodTotals.at(index).Values) {
          AmountCell(value);
        }
        out_.Line("    </tr>");
      }
    }
    out_.Line("  </table>");
  }

  void WriteForgotten() {
    out_.Line(Cp1251Literal(u8"  <h3>Сотрудники, на которых не представлены необходимые инд. сведения за "
                "последний период</h3>"));
    out_.Line("  <table cellSpacing=0 cellPadding=0 id=\"tc\">");
    out_.Line("    <tr>");
    out_.Line(Cp1251Literal(u8"      <td style=\"text-align: center; font-weight: bold\" rowspan=2>СНИЛС</td>"));
    out_.Line(Cp1251Literal(u8"      <td style=\"text-align: center; font-weight: bold\" rowspan=2>Фамилия, "
                "имя, отчество</td>"));
    out_.Line(Cp1251Literal(u8"      <td style=\"text-align: center; font-weight: bold\" "
                "colspan=2>Задолженность</td>"));
    out_.Line("    </tr>");
    out_.Line("    <tr>");
    out_.Line(Cp1251Literal(u8"      <td style=\"text-align: center; font-weight: bold\">Страховая часть</td>"));
    out_.Line(
        Cp1251Literal(u8"      <td style=\"text-align: center; font-weight: bold\">Накопительная часть</td>"));
    out_.Line("    </tr>");
    if (report_.ForgottenLines.empty()) {
      out_.Line(Cp1251Literal(u8"<tr><td colspan=4>Проблем не обнаружено</td></tr>"));
    } else {
      for (const TForgottenLine& line : report_.ForgottenLines) {
        out_ << "<tr> <td style=\"text-align: left\">" << TPageText{FormatSNILS(line.SNILS)}
             << "</td> <td style=\"text-align: left\">" << TPageText{line.FIO}
             << "</td> <td style=\"text-align: center\"";
        AmountAttributes(line.InsDebt);
        out_ << '>' << HtmlAmount(line.InsDebt) << "</td> <td style=\"text-align: center\"";
        AmountAttributes(line.FundDebt);
        out_ << '>' << HtmlAmount(line.FundDebt) << "</td></tr>";
      }
      out_.EndLine();
    }
    out_.Line(" </table>");
  }

  void WriteSZV63() {
    if (report_.SZV63Year == 0 || report_.SZV63Blocks.empty()) {
      return;
    }
    out_ << Cp1251Literal(u8"  <h3>Сверка ИС и СЗВ-6-3 за ") << std::to_string(report_.SZV63Year)
         << Cp1251Literal(u8" год</h3>");
    out_.EndLine();
    out_.Line(Cp1251Literal(u8"  <p><b>Внимание:</b> Расчётные суммы взносов из СЗВ-6-3 рассчитаны простым "
                "умножением суммы начислений на тариф взносов в конкретном году без учёта "
                "возможности превышения предельной базы. Недопустимые разницы сумм взносов "
                "между СЗВ-6-3 и ИС (более 3 коп. за квартал, за исключением превышения базы и "
                "кода НР) подсвечены красным цветом.</p>"));
    const std::string head = "    <td style=\"text-align: center; font-weight: bold\"";
    out_.Line("  <table cellSpacing=0 cellPadding=0 id=\"qs3\">");
    out_.Line("   <tr>");
    out_.Line(head + Cp1251Literal(u8" rowspan=2>СНИЛС</td>"));
    out_.Line(head + Cp1251Literal(u8" rowspan=2>Фамилия, имя, отчество</td>"));
    out_.Line(head + Cp1251Literal(u8" rowspan=2>Код категории</td>"));
    for (int quarter = 1; quarter <= 4; ++quarter) {
      out_.Line(head + Cp1251Literal(u8" colspan=3>Сумма взносов за ") + std::to_string(quarter) +
                Cp1251Literal(u8" квартал</td>"));
    }
    out_.Line("   </tr>");
    out_.Line("   <tr>");
    for (int quarter = 1; quarter <= 4; ++quarter) {
      out_.Line(head + Cp1251Literal(u8">Расчётно по СЗВ-6-3</td>"));
      out_.Line(head + Cp1251Literal(u8">Из инд. сведений</td>"));
      out_.Line(head + Cp1251Literal(u8">Сальдо</td>"));
    }
    out_.Line("   </tr>");
    for (const TSZV63SverkaZL& block : report_.SZV63Blocks) {
      const std::string rowspan = std::to_string(block.Lines.size());
      out_.Line("   <tr>");
      out_ << "    <td style=\"text-align: left\" rowspan=" << rowspan << '>'
           << TPageText{FormatSNILS(block.SNILS)} << "</td>";
      out_.EndLine();
      out_ << "    <td style=\"text-align: left\" rowspan=" << rowspan << '>'
           << TPageText{block.FIO} << "</td>";
      out_.EndLine();
      for (std::size_t lineIndex = 0; lineIndex < block.Lines.size(); ++lineIndex) {
        const TSZV63SverkaLine& line = block.Lines[lineIndex];
        if (lineIndex > 0) {
          out_.Line("   <tr>");
        }
        out_ << "    <td>" << TPageText{line.CategoryCode} << "</td>";
        out_.EndLine();
        for (const TSZV63Quarter& quarter : line.Quarters) {
          AmountCell(quarter.Calculated);
          AmountCell(quarter.FromIS);
          out_ << "    <td style=\"text-align: center" << (quarter.Mismatch ? "; color: red" : "")
               << '"';
          AmountAttributes(quarter.Difference);
          out_ << '>' << HtmlAmount(quarter.Difference) << "</td>";
          out_.EndLine();
        }
        out_.Line("   </tr>");
      }
    }
    out_.Line(" </table>");
  }

  const TReport& report_;
  TProtocolFile& out_;
  const std::string& stamp_;
};

// --- The page's size, estimated -----------------------------------------------------------------
// Each part's markup counted as the writer above prints it (a line ends in CR LF), the texts at
// their length; a person's amounts are formatted for a sample of persons only, so that a run of
// any size is measured in a few milliseconds.

constexpr std::uint64_t L(std::string_view text) { return text.size() + 2; }  // a line with CR LF

// A text as the page shows it (AppendPageText): the text, "&nbsp;" for each blank and on both sides.
std::uint64_t PageTextBytes(std::string_view text) {
  std::uint64_t bytes = 12 + text.size();
  for (const char ch : text) {
    bytes += ch == ' ' ? 5 : 0;
  }
  return bytes;
}

std::uint64_t AmountCellBytes(std::int64_t amount, bool saldo) {
  char text[kSumTextSize];
  const auto length = static_cast<std::uint64_t>(FormatSumTo(text, amount) - text);
  return L("    <td style=\"text-align: center\" sdval=\"\" sdnum=\"1033;0;#,##0.00\">&nbsp;&nbsp;</td>") +
         2 * length + (saldo && amount < 0 ? std::size("; color: red;") - 1 : 0);
}

std::uint64_t PeriodCellsBytes(const TPeriodRec& period) {
  std::uint64_t bytes = L("    <td style=\"text-align: center\"></td>") +
                        (period.FileNums.empty() ? 6 : period.FileNums.size());
  for (const std::int64_t amount : {period.InsAccrued, period.InsPaid, period.InsAccruedTotal,
                                    period.InsPaidTotal, period.FundAccrued, period.FundPaid,
                                    period.FundAccruedTotal, period.FundPaidTotal}) {
    bytes += AmountCellBytes(amount, false);
  }
  return bytes + AmountCellBytes(period.InsSaldo, true) + AmountCellBytes(period.FundSaldo, true);
}

// A person's rows in the table of the report's layout.
std::uint64_t PersonBytes(const TReport& report, const TMainLine& line) {
  const bool compact = report.ProtForm == TProtForm::Compact;
  const std::uint64_t rowspan = compact ? std::size(" rowspan=") - 1 + 3 : 0;
  std::uint64_t notes = line.Notes.empty() ? 18 : 0;
  for (const std::string& note : line.Notes) {
    notes += PageTextBytes(note) - 12 + 5;  // "<br/>" between them
  }
  std::uint64_t bytes = L("   <tr>") + L("   </tr>") +
                        2 * (L("    <td style=\"text-align: center\" class=\"norm\"></td>") + rowspan) +
                        PageTextBytes(FormatSNILS(line.SNILS)) + PageTextBytes(line.FIO) +
                        L("    <td style=\"text-align: center\"></td>") + rowspan + 10 +
                        L("    <td style=\"text-align: left\"></td>") + rowspan + notes + 12;
  for (std::size_t index = 0; index < line.Periods.size(); ++index) {
    bytes += PeriodCellsBytes(line.Periods[index]);
    if (compact) {
      bytes += (index > 0 ? L("   <tr>") + L("   </tr>") : 0) +
               L("    <td style=\"text-align: left\"></td>") +
               PageTextBytes(index < report.PeriodList.size() ? report.PeriodList[index] : "");
    }
  }
  return bytes;
}

}  // namespace

std::uint64_t EstimateHtmlProtocolBytes(const TReport& report) {
  // The head, the captions and the headings: under 6 KB, and a caption row per period.
  std::uint64_t bytes = 5700 + 2 * report.OrgName.size() + report.ProgVersion.size() +
                        report.ProgNote.size() + report.ProgURL.size();
  for (const std::string& file : report.FileList) {
    bytes += L("     <li></li>") + file.size();
  }
  for (const std::string& period : report.PeriodList) {
    bytes += 100 + 3 * PageTextBytes(period);
    if (report.ProtForm == TProtForm::Detailed) {
      bytes += 600;  // its check box and its captions over the table
    }
  }
  for (const std::string& error : report.ErrorList) {
    bytes += L("  <p></p>") + error.size();
  }
  for (const TTotalRec& total : report.PeriodTotals) {
    bytes += L("    <tr>") + L("    </tr>") + 50;
    for (const std::int64_t value : total.Values) {
      bytes += AmountCellBytes(value, false);
    }
  }
  for (const TForgottenLine& line : report.ForgottenLines) {
    bytes += 250 + 2 * (PageTextBytes(line.FIO) + 10);
  }
  for (const TSZV63SverkaZL& block : report.SZV63Blocks) {
    bytes += 130 + PageTextBytes(block.FIO) + 31;
    bytes += block.Lines.size() * (L("   <tr>") + L("   </tr>") + 12 * 100);
  }
  // The persons: every one of a sample of at most about a thousand, spread over the table.
  const std::size_t persons = report.MainLines.size();
  const std::size_t step = persons / 1000 + 1;
  std::uint64_t sampleBytes = 0;
  std::size_t sampled = 0;
  for (std::size_t index = 0; index < persons; index += step) {
    sampleBytes += PersonBytes(report, report.MainLines[index]);
    ++sampled;
  }
  if (sampled > 0) {
    bytes += static_cast<std::uint64_t>(static_cast<double>(sampleBytes) *
                                        static_cast<double>(persons) / static_cast<double>(sampled));
  }
  return bytes;
}

void WriteHtmlProtocol(const TReport& report, const std::string& fileName,
                       const std::string& stamp) {
  TProtocolFile out(fileName);
  THtmlWriter(report, out, stamp).Write();
  out.Commit();
}

void WriteHtmlProtocol(const TReport& report, const std::string& fileName) {
  WriteHtmlProtocol(report, fileName, CurrentProtocolStamp());
}

}  // namespace brisolt
