// The protocol as an XML Spreadsheet 2003 workbook (windows-1251, CR LF), read by Excel and Calc.
#include <string>
#include <string_view>

#include "protocol/prot.h"

#include "base/amount.h"
#include "protocol/protfile.h"
#include "protocol/protsheets.h"
#include "base/cp1251literal.h"

namespace brisolt {

namespace {

constexpr Cp1251Literal kAccrued(u8"Начислено");
constexpr Cp1251Literal kPaid(u8"Уплачено");
constexpr Cp1251Literal kSaldo(u8"Сальдо");


// Cell texts are escaped so that a name holding "&" or "<" cannot make the workbook unreadable.
std::string E(const std::string& text) { return EscapeMarkup(text, false); }

constexpr std::string_view kSpreadsheetNs = "urn:schemas-microsoft-com:office:spreadsheet";
constexpr std::string_view kExcelNs = "urn:schemas-microsoft-com:office:excel";

struct TCellPlace {
  int Index = 0;    // 1-based column, 0: none
  int Down = -1;    // ss:MergeDown, -1: none
  int Across = -1;  // ss:MergeAcross, -1: none
};

// One frozen pane of a WorksheetOptions block; -1 leaves the active cell out.
struct TPane {
  int Number;
  int ActiveRow = -1;
  int ActiveCol = -1;
};

class TXmlWriter {
 public:
  TXmlWriter(const TReport& report, TProtocolFile& out, const std::string& stamp)
      : report_(report), out_(out), stamp_(stamp) {}

  void Write() {
    out_.Line("<?xml version=\"1.0\" encoding=\"windows-1251\"?>");
    // Tells Windows that the file is a workbook, so a double click opens the spreadsheet
    // program instead of a browser or an XML editor.
    out_.Line("<?mso-application progid=\"Excel.Sheet\"?>");
    out_ << "<Workbook xmlns=\"" << kSpreadsheetNs << "\" xmlns:ss=\"" << kSpreadsheetNs << "\">";
    out_.EndLine();
    out_ << "<ExcelWorkbook xmlns=\"" << kExcelNs << "\">";
    out_.EndLine();
    out_.Line("<ActiveSheet>0</ActiveSheet>");
    out_.Line("<ProtectStructure>False</ProtectStructure>");
    out_.Line("<ProtectWindows>False</ProtectWindows>");
    out_.Line("</ExcelWorkbook>");
    out_.Line(
        "<DocumentProperties Author=\"\" LastAuthor=\"\" Created=\"\" LastSaved=\"\" "
        "Company=\"\" Version=\"1.0\" />");
    WriteStyles();
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
    out_.Line("</Workbook>");
  }

 private:
  // --- styles -------------------------------------------------------------------------------

  void BeginStyle(std::string_view id) {
    out_ << "<Style ss:ID=\"" << id << "\" xmlns:ss=\"" << kSpreadsheetNs << "\">";
    out_.EndLine();
  }

  void Alignment(std::string_view horizontal, bool withIndent) {
    out_ << "<Alignment ss:Horizontal=\"" << horizontal << "\" ss:Vertical=\"Center\""
         << (withIndent ? " ss:Indent=\"0\"" : "") << " ss:WrapText=\"1\"/>";
    out_.EndLine();
  }

  void PlainBorders() {
    out_.Line("<Borders>");
    for (const char* position : {"Left", "Top", "Right", "Bottom"}) {
      out_ << "<Border ss:Position=\"" << position
           << "\" ss:LineStyle=\"Continuous\" ss:Weight=\"1\"/>";
      out_.EndLine();
    }
    out_.Line("</Borders>");
  }

  void BlackBorders() {
    out_.Line("<Borders>");
    for (const char* position : {"Bottom", "Left", "Right", "Top"}) {
      out_ << "<Border ss:Position=\"" << position
           << "\" ss:LineStyle=\"Continuous\" ss:Weight=\"1\" ss:Color=\"#000000\"/>";
      out_.EndLine();
    }
    out_.Line("</Borders>");
  }

  void NumberFormat(std::string_view format) {
    out_ << "<NumberFormat ss:Format=\"" << format << "\"/>";
    out_.EndLine();
  }

  void RedFont() { out_.Line("<Font ss:Color=\"#FF0000\"/>"); }
  void BoldFont() { out_.Line("<Font ss:Bold=\"1\"/>"); }
  void CyanFill() { out_.Line("<Interior ss:Color=\"#66FFFF\" ss:Pattern=\"Solid\"/>"); }
  void EndStyle() { out_.Line("</Style>"); }

  void WriteStyles() {
    static constexpr std::string_view kRedNegatives = "0.00;[Red]\\-0.00;\\ \\-";
    static constexpr std::string_view kPlainNegatives = "0.00;\\-0.00;\\ \\-";
    out_.Line("<Styles>");
    BeginStyle("Bold");
    BoldFont();
    EndStyle();
    BeginStyle("Borders");
    Alignment("Center", true);
    PlainBorders();
    NumberFormat(kRedNegatives);
    EndStyle();
    BeginStyle("BordersRed");
    Alignment("Center", true);
    PlainBorders();
    NumberFormat(kPlainNegatives);
    RedFont();
    EndStyle();
    BeginStyle("BordersBlack");
    Alignment("Center", true);
    PlainBorders();
    NumberFormat(kPlainNegatives);
    EndStyle();
    BeginStyle("BordersLeft");
    Alignment("Left", true);
    PlainBorders();
    EndStyle();
    BeginStyle("BordersBold");
    BoldFont();
    Alignment("Center", true);
    PlainBorders();
    NumberFormat(kRedNegatives);
    EndStyle();
    BeginStyle("s96");
    Alignment("Left", false);
    BlackBorders();
    RedFont();
    EndStyle();
    BeginStyle("s98");
    Alignment("Center", false);
    BlackBorders();
    NumberFormat("Short Date");
    EndStyle();
    BeginStyle("hvp");
    Alignment("Left", false);
    BlackBorders();
    RedFont();
    CyanFill();
    EndStyle();
    BeginStyle("hv");
    Alignment("Left", false);
    BlackBorders();
    CyanFill();
    EndStyle();
    BeginStyle("p");
    Alignment("Left", false);
    BlackBorders();
    RedFont();
    EndStyle();
    BeginStyle("norm");
    Alignment("Left", false);
    BlackBorders();
    EndStyle();
    out_.Line("</Styles>");
  }

  // --- worksheets and cells -------------------------------------------------------------------

  void BeginWorksheet(const std::string& cp1251Name, std::initializer_list<int> columnWidths,
                      int repeatedWidth = 0, std::size_t repeatCount = 0,
                      int lastWidth = 0) {
    out_ << "<Worksheet ss:Name=\"" << cp1251Name << "\" xmlns:ss=\"" << kSpreadsheetNs << "\">";
    out_.EndLine();
    pendingColumns_.assign(columnWidths);
    for (std::size_t index = 0; index < repeatCount; ++index) {
      pendingColumns_.push_back(repeatedWidth);
    }
    if (lastWidth != 0) {
      pendingColumns_.push_back(lastWidth);
    }
  }

  void FrozenPanes(int rows, int columns, int activePane,
                   std::initializer_list<TPane> panes) {
    out_ << "<WorksheetOptions xmlns=\"" << kExcelNs << "\">";
    out_.EndLine();
    out_.Line("<Selected/>");
    out_.Line("<FreezePanes/>");
    out_.Line("<FrozenNoSplit/>");
    out_.Line("<SplitHorizontal>" + std::to_string(rows) + "</SplitHorizontal>");
    out_.Line("<TopRowBottomPane>" + std::to_string(rows) + "</TopRowBottomPane>");
    if (columns > 0) {
      out_.Line("<SplitVertical>" + std::to_string(columns) + "</SplitVertical>");
      out_.Line("<LeftColumnRightPane>" + std::to_string(columns) + "</LeftColumnRightPane>");
    }
    out_.Line("<ActivePane>" + std::to_string(activePane) + "</ActivePane>");
    out_.Line("<Panes>");
    for (const TPane& pane : panes) {
      out_.Line("<Pane>");
      out_.Line("<Number>" + std::to_string(pane.Number) + "</Number>");
      if (pane.ActiveRow >= 0) {
        out_.Line("<ActiveRow>" + std::to_string(pane.ActiveRow) + "</ActiveRow>");
        out_.Line("<ActiveCol>" + std::to_string(pane.ActiveCol) + "</ActiveCol>");
      }
      out_.Line("</Pane>");
    }
    out_.Line("</Panes>");
    out_.Line("</WorksheetOptions>");
  }

  void BeginTable() {
    out_ << "<Table x:FullColumns=\"1\" x:FullRows=\"1\" xmlns:x=\"" << kExcelNs << "\">";
    out_.EndLine();
    for (const int width : pendingColumns_) {
      out_.Line("<Column ss:Width=\"" + std::to_string(width) + "\"/>");
    }
  }

  void EndWorksheet() {
    out_.Line("</Table>");
    out_.Line("</Worksheet>");
  }

  // Appends one cell to the current line. styleFirst puts ss:StyleID before the placement
  // attributes, as the data rows have it; the header rows of the later sheets have it last.
  void Cell(std::string_view style, const TCellPlace& place, bool number,
            std::string_view content, bool styleFirst = true) {
    out_ << "<Cell";
    if (styleFirst && !style.empty()) {
      out_ << " ss:StyleID=\"" << style << '"';
    }
    if (place.Index > 0) {
      out_ << " ss:Index=\"" << std::to_string(place.Index) << '"';
    }
    if (place.Down >= 0) {
      out_ << " ss:MergeDown=\"" << std::to_string(place.Down) << '"';
    }
    if (place.Across >= 0) {
      out_ << " ss:MergeAcross=\"" << std::to_string(place.Across) << '"';
    }
    if (!styleFirst && !style.empty()) {
      out_ << " ss:StyleID=\"" << style << '"';
    }
    out_ << "><Data ss:Type=\"" << (number ? "Number" : "String") << "\">" << content
         << "</Data></Cell>";
  }

  void CellLine(std::string_view style, const TCellPlace& place, bool number,
                std::string_view content, bool styleFirst = true) {
    Cell(style, place, number, content, styleFirst);
    out_.EndLine();
  }

  void TextCell(std::string_view style, const TCellPlace& place, const std::string& modelText) {
    CellLine(style, place, false, E(modelText));
  }

  void AmountCell(std::int64_t amount) {
    char text[kSumTextSize];
    CellLine("Borders", {}, true, std::string_view(text, static_cast<std::size_t>(FormatSumTo(text, amount) - text)));
  }

  // A header cell of fixed text (UTF-8 in the source).
  void HeadCell(const TCellPlace& place, std::string_view cp1251Text, bool styleFirst) {
    CellLine("BordersBold", place, false, cp1251Text, styleFirst);
  }

  void HeadCell(const TCellPlace& place, std::string_view cp1251Text) {
    HeadCell(place, cp1251Text, true);
  }

  void LaterHeadCell(const TCellPlace& place, std::string_view cp1251Text) {
    HeadCell(place, cp1251Text, false);
  }

  void BeginRow() { out_.Line("<Row>"); }
  void EndRow() { out_.Line("</Row>"); }

  // --- "Протокол" ------------------------------------------------------------------------------

  void ProtocolRow(bool heading, const std::string& cp1251Text) {
    BeginRow();
    CellLine(heading ? "Bold" : "", {}, false, cp1251Text);
    EndRow();
  }

  void WriteProtocolSheet() {
    BeginWorksheet(SheetName(TSheet::Protocol, report_), {600});
    BeginTable();
    ProtocolRow(true, Cp1251Literal(u8"Протокол сверки начисленных и уплаченных сумм по сведениям в ПФР"));
    ProtocolRow(false,
                Cp1251Literal(u8"Программа Brisolt ") + E(report_.ProgVersion) + " " + E(report_.ProgNote));
    ProtocolRow(false, Cp1251Literal(u8"Дата и время формирования протокола: ") + E(stamp_));
    ProtocolRow(true, Cp1251Literal(u8"Сведения о страхователе:"));
    ProtocolRow(false, Cp1251Literal(u8"Наименование страхователя: ") + E(report_.OrgName));
    ProtocolRow(false, Cp1251Literal(u8"Регистрационный № в ПФР: ") + E(report_.RegNumb));
    ProtocolRow(true, Cp1251Literal(u8"Обработаны файлы с инд. сведениями в следующем порядке:"));
    for (std::size_t index = 0; index < report_.FileList.size(); ++index) {
      ProtocolRow(false, std::to_string(index + 1) + ". " + E(report_.FileList[index]) + ")");
    }
    ProtocolRow(true, Cp1251Literal(u8"Обработаны периоды:"));
    for (const std::string& period : report_.PeriodList) {
      ProtocolRow(false, E(period));
    }
    if (!report_.ErrorList.empty()) {
      ProtocolRow(true, Cp1251Literal(u8"Сведения об ошибках, обнаруженных на начальном этапе обработки:"));
      for (const std::string& error : report_.ErrorList) {
        ProtocolRow(false, E(error));
      }
    }
    EndWorksheet();
  }

  // --- "Таблица" -----------------------------------------------------------------------------

  static std::string NotesText(const std::vector<std::string>& notes) {
    std::string joined;
    for (std::size_t index = 0; index < notes.size(); ++index) {
      if (index > 0) {
        joined += "&#10;";
      }
      joined += E(notes[index]);
    }
    return joined;
  }

  void PeriodCells(const TPeriodRec& period) {
    TextCell("Borders", {}, period.FileNums);
    AmountCell(period.StrahAccrued);
    AmountCell(period.StrahPaid);
    AmountCell(period.StrahAccruedTotal);
    AmountCell(period.StrahPaidTotal);
    AmountCell(period.StrahSaldo);
    AmountCell(period.NakopAccrued);
    AmountCell(period.NakopPaid);
    AmountCell(period.NakopAccruedTotal);
    AmountCell(period.NakopPaidTotal);
    AmountCell(period.NakopSaldo);
  }

  void AmountCaptions(int firstIndex) {
    HeadCell({.Index = firstIndex}, kAccrued);
    for (const std::string_view caption : {kPaid.View(), kAccrued.View(), kPaid.View(), kSaldo.View(), kAccrued.View(),
                                           kPaid.View(), kAccrued.View(), kPaid.View(), kSaldo.View()}) {
      HeadCell({}, caption);
    }
  }

  void WriteCompactTableSheet() {
    const std::size_t periodCount = report_.PeriodList.size();
    const int lastPeriod = static_cast<int>(periodCount) - 1;
    BeginWorksheet(SheetName(TSheet::Table, report_), {80, 190, 70, 110, 60}, 80, 10, 400);
    FrozenPanes(3, 5, 0, {{3}, {1}, {2}, {0, 4, 5}});
    BeginTable();
    BeginRow();
    HeadCell({.Down = 2}, Cp1251Literal(u8"Страховой номер"));
    HeadCell({.Down = 2}, Cp1251Literal(u8"Фамилия, имя, отчество"));
    HeadCell({.Down = 2}, Cp1251Literal(u8"Дата увольнения"));
    HeadCell({.Down = 2}, Cp1251Literal(u8"Период"));
    HeadCell({.Down = 2}, Cp1251Literal(u8"№ файла"));
    HeadCell({.Across = 4}, Cp1251Literal(u8"Страховая часть"));
    HeadCell({.Across = 4}, Cp1251Literal(u8"Накопительная часть"));
    HeadCell({.Down = 2}, Cp1251Literal(u8"Примечание"));
    EndRow();
    BeginRow();
    HeadCell({.Index = 6, .Across = 1}, Cp1251Literal(u8"В периоде"));
    HeadCell({.Across = 2}, Cp1251Literal(u8"Нарастающим итогом"));
    HeadCell({.Across = 1}, Cp1251Literal(u8"В периоде"));
    HeadCell({.Across = 2}, Cp1251Literal(u8"Нарастающим итогом"));
    EndRow();
    BeginRow();
    AmountCaptions(6);
    EndRow();

    for (const TMainLine& line : report_.MainLines) {
      for (std::size_t periodIndex = 0; periodIndex < periodCount; ++periodIndex) {
        BeginRow();
        if (periodIndex == 0) {
          TextCell(line.StyleClass, {.Down = lastPeriod}, FormatSNILS(line.SNILS));
          TextCell(line.StyleClass, {.Down = lastPeriod}, line.FIO);
          CellLine("s98", {.Down = lastPeriod}, false, DismissText(line.DismissDate, "-", false));
        }
        TextCell("Borders", {.Index = periodIndex > 0 ? 4 : 0}, report_.PeriodList[periodIndex]);
        PeriodCells(line.Periods.at(periodIndex));
        if (periodIndex == 0) {
          CellLine("BordersLeft", {.Down = lastPeriod}, false, NotesText(line.Notes));
        }
        EndRow();
      }
    }
    EndWorksheet();
  }

  void WriteDetailedTableSheet() {
    const std::size_t periodCount = report_.PeriodList.size();
    BeginWorksheet(SheetName(TSheet::Table, report_), {80, 210, 70}, 60, 11 * periodCount, 400);
    FrozenPanes(4, 3, 0, {{3, 4, 3}, {1}, {2}, {0}});
    BeginTable();
    BeginRow();
    HeadCell({.Down = 3}, Cp1251Literal(u8"Страховой номер"));
    HeadCell({.Down = 3}, Cp1251Literal(u8"Фамилия, имя, отчество"));
    HeadCell({.Down = 3}, Cp1251Literal(u8"Дата увольнения"));
    for (const std::string& period : report_.PeriodList) {
      TextCell("BordersBold", {.Across = 10}, period);
    }
    HeadCell({.Down = 3}, Cp1251Literal(u8"Примечание"));
    EndRow();
    BeginRow();
    for (std::size_t index = 0; index < periodCount; ++index) {
      HeadCell({.Index = index == 0 ? 4 : 0, .Down = 2}, Cp1251Literal(u8"№ файла (№№ файлов)"));
      HeadCell({.Across = 4}, Cp1251Literal(u8"Страховая часть"));
      HeadCell({.Across = 4}, Cp1251Literal(u8"Накопительная часть"));
    }
    EndRow();
    BeginRow();
    for (std::size_t index = 0; index < periodCount; ++index) {
      HeadCell({.Index = 11 * static_cast<int>(index) + 5, .Across = 1}, Cp1251Literal(u8"В периоде"));
      HeadCell({.Across = 2}, Cp1251Literal(u8"Нарастающим итогом"));
      HeadCell({.Across = 1}, Cp1251Literal(u8"В периоде"));
      HeadCell({.Across = 2}, Cp1251Literal(u8"Нарастающим итогом"));
    }
    EndRow();
    BeginRow();
    for (std::size_t index = 0; index < periodCount; ++index) {
      AmountCaptions(11 * static_cast<int>(index) + 5);
    }
    EndRow();

    for (const TMainLine& line : report_.MainLines) {
      BeginRow();
      TextCell(line.StyleClass, {}, FormatSNILS(line.SNILS));
      TextCell(line.StyleClass, {}, line.FIO);
      CellLine("s98", {}, false, DismissText(line.DismissDate, "-", false));
      for (std::size_t periodIndex = 0; periodIndex < periodCount; ++periodIndex) {
        PeriodCells(line.Periods.at(periodIndex));
      }
      CellLine("BordersLeft", {}, false, NotesText(line.Notes));
      EndRow();
    }
    EndWorksheet();
  }

  // --- "Итоги по всем ЗЛ" --------------------------------------------------------------------

  void WriteTotalsSheet() {
    BeginWorksheet(SheetName(TSheet::Totals, report_), {120}, 80, 18);
    BeginTable();
    BeginRow();
    LaterHeadCell({.Down = 2}, Cp1251Literal(u8"Период"));
    LaterHeadCell({.Across = 8}, Cp1251Literal(u8"Страховая часть"));
    LaterHeadCell({.Across = 8}, Cp1251Literal(u8"Накопительная часть"));
    EndRow();
    BeginRow();
    LaterHeadCell({.Index = 2, .Across = 2}, Cp1251Literal(u8"В периоде"));
    LaterHeadCell({.Across = 2}, Cp1251Literal(u8"Нарастающим итогом с начала года"));
    LaterHeadCell({.Across = 2}, Cp1251Literal(u8"Нарастающим итогом с 01.01.2010 г."));
    LaterHeadCell({.Across = 2}, Cp1251Literal(u8"В периоде"));
    LaterHeadCell({.Across = 2}, Cp1251Literal(u8"Нарастающим итогом с начала года"));
    LaterHeadCell({.Across = 2}, Cp1251Literal(u8"Нарастающим итогом с 01.01.2010 г."));
    EndRow();
    BeginRow();
    for (int span = 0; span < 6; ++span) {
      LaterHeadCell({.Index = span == 0 ? 2 : 0}, kAccrued);
      LaterHeadCell({}, kPaid);
      LaterHeadCell({}, kSaldo);
    }
    EndRow();
    if (report_.PeriodList.empty()) {
      BeginRow();
      LaterHeadCell({.Across = 12}, Cp1251Literal(u8"Сведения отсутствуют"));
      EndRow();
    } else {
      for (std::size_t index = 0; index < report_.PeriodList.size(); ++index) {
        BeginRow();
        TextCell("Borders", {}, report_.PeriodList[index]);
        for (const std::int64_t value : report_.PeriodTotals.at(index).Values) {
          AmountCell(value);
        }
        EndRow();
      }
    }
    EndWorksheet();
  }

  // --- "Забытые сотрудники" ------------------------------------------------------------------

  void WriteForgottenSheet() {
    BeginWorksheet(SheetName(TSheet::Forgotten, report_), {80, 210, 80, 80});
    FrozenPanes(2, 0, 2, {{1}, {2, 2, 1}});
    BeginTable();
    BeginRow();
    LaterHeadCell({.Down = 1}, Cp1251Literal(u8"СНИЛС"));
    LaterHeadCell({.Down = 1}, Cp1251Literal(u8"Фамилия, имя, отчество"));
    LaterHeadCell({.Across = 1}, Cp1251Literal(u8"Суммы задолженности"));
    EndRow();
    BeginRow();
    LaterHeadCell({.Index = 3}, Cp1251Literal(u8"Страховая часть"));
    LaterHeadCell({}, Cp1251Literal(u8"Накопительная часть"));
    EndRow();
    if (report_.ForgottenLines.empty()) {
      BeginRow();
      LaterHeadCell({.Across = 3}, Cp1251Literal(u8"Проблем не обнаружено"));
      EndRow();
    } else {
      for (const TForgottenLine& line : report_.ForgottenLines) {
        out_ << "<Row>";
        Cell("Borders", {}, false, E(FormatSNILS(line.SNILS)));
        Cell("Borders", {}, false, E(line.FIO));
        Cell("Borders", {}, true, FormatSum(line.StrahDebt));
        Cell("Borders", {}, true, FormatSum(line.NakopDebt));
        out_ << "</Row>";
      }
      out_.EndLine();
    }
    EndWorksheet();
  }

  // --- СЗВ-6-3 -------------------------------------------------------------------------------

  void WriteSZV63Sheet() {
    const std::string year = std::to_string(report_.SZV63Year);
    BeginWorksheet(SheetName(TSheet::SZV63, report_), {80, 210, 80}, 80, 12);
    FrozenPanes(2, 0, 2, {{1}, {2, 5, 1}});
    BeginTable();
    BeginRow();
    CellLine("BordersBold", {.Across = 14}, false, Cp1251Literal(u8"Сверка СЗВ-6-3 за ") + year + Cp1251Literal(u8" год"),
             false);
    EndRow();
    BeginRow();
    CellLine("BordersLeft", {.Across = 14}, false,
             Cp1251Literal(u8"Внимание: Расчётные суммы взносов из СЗВ-6-3 рассчитаны простым умножением "
               "суммы начислений на тариф взносов в конкретном году без учёта возможности "
               "превышения предельной базы. Недопустимые разницы сумм взносов между СЗВ-6-3 и "
               "ИС (более 3 коп. за квартал, за исключением превышения базы и кода НР) "
               "подсвечены красным цветом. "),
             false);
    EndRow();
    BeginRow();
    LaterHeadCell({.Down = 1}, Cp1251Literal(u8"СНИЛС"));
    LaterHeadCell({.Down = 1}, Cp1251Literal(u8"Фамилия, имя, отчество"));
    LaterHeadCell({.Down = 1}, Cp1251Literal(u8"Код категории"));
    for (int quarter = 1; quarter <= 4; ++quarter) {
      CellLine("BordersBold", {.Across = 2}, false,
               Cp1251Literal(u8"Сумма взносов за ") + std::to_string(quarter) + Cp1251Literal(u8" квартал"), false);
    }
    EndRow();
    BeginRow();
    for (int quarter = 1; quarter <= 4; ++quarter) {
      LaterHeadCell({.Index = 3 * quarter + 1}, Cp1251Literal(u8"Расчётно по СЗВ-6-3"));
      LaterHeadCell({}, Cp1251Literal(u8"Из инд. сведений"));
      LaterHeadCell({}, kSaldo);
    }
    EndRow();
    for (const TSZV63SverkaZL& block : report_.SZV63Blocks) {
      const int lineCount = static_cast<int>(block.Lines.size());
      const TCellPlace personPlace{.Down = lineCount > 1 ? lineCount - 1 : -1};
      for (int lineIndex = 0; lineIndex < lineCount; ++lineIndex) {
        const TSZV63SverkaLine& line = block.Lines[static_cast<std::size_t>(lineIndex)];
        BeginRow();
        if (lineIndex == 0) {
          TextCell("BordersBlack", personPlace, FormatSNILS(block.SNILS));
          TextCell("BordersBlack", personPlace, block.FIO);
        }
        TextCell("BordersBlack", {.Index = 3}, line.CategoryCode);
        for (const TSZV63Quarter& quarter : line.Quarters) {
          CellLine("BordersBlack", {}, true, FormatSum(quarter.Calculated));
          CellLine("BordersBlack", {}, true, FormatSum(quarter.FromIS));
          CellLine(quarter.Mismatch ? "BordersRed" : "BordersBlack", {}, true,
                   FormatSum(quarter.Difference));
        }
        EndRow();
      }
    }
    EndWorksheet();
  }

  const TReport& report_;
  TProtocolFile& out_;
  const std::string& stamp_;
  std::vector<int> pendingColumns_;
};

}  // namespace

void WriteXmlProtocol(const TReport& report, const std::string& fileName,
                      const TSpreadsheetOptions& options) {
  // A sheet too large for the spreadsheet programs would open cut short: refuse before the
  // file exists.
  CheckSpreadsheetSize(report, options.Limits);
  const std::string stamp = options.Stamp.empty() ? CurrentProtocolStamp() : options.Stamp;
  TProtocolFile out(fileName);
  TXmlWriter(report, out, stamp).Write();
  out.Commit();
}

void WriteXmlProtocol(const TReport& report, const std::string& fileName,
                      const std::string& stamp) {
  TSpreadsheetOptions options;
  options.Stamp = stamp;
  WriteXmlProtocol(report, fileName, options);
}

void WriteXmlProtocol(const TReport& report, const std::string& fileName) {
  WriteXmlProtocol(report, fileName, TSpreadsheetOptions{});
}

}  // namespace brisolt
