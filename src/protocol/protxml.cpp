// The protocol as an XML Spreadsheet 2003 workbook (windows-1251, CR LF), read by Excel and Calc:
// the sink that writes the spreadsheet layout's cells as this format's elements.
#include <string>
#include <string_view>

#include "protocol/prot.h"

#include "base/amount.h"
#include "protocol/protfile.h"
#include "protocol/protlayout.h"
#include "protocol/protsheets.h"

namespace brisolt {

namespace {

// Cell texts are escaped so that a name holding "&" or "<" cannot make the workbook unreadable.
std::string E(const std::string& text) { return EscapeMarkup(text, false); }

constexpr std::string_view kSpreadsheetNs = "urn:schemas-microsoft-com:office:spreadsheet";
constexpr std::string_view kExcelNs = "urn:schemas-microsoft-com:office:excel";

std::string_view StyleId(TCellStyle style) {
  switch (style) {
    case TCellStyle::Plain: return "";
    case TCellStyle::Heading: return "Bold";
    case TCellStyle::Amount: return "Borders";
    case TCellStyle::AmountRed: return "BordersRed";
    case TCellStyle::AmountBlack: return "BordersBlack";
    case TCellStyle::FramedLeft: return "BordersLeft";
    case TCellStyle::Caption: return "BordersBold";
    case TCellStyle::Dismissal: return "s98";
    case TCellStyle::Person: return "norm";
    case TCellStyle::PersonConflict: return "p";
    case TCellStyle::PersonDismissed: return "hv";
    case TCellStyle::PersonConflictDismissed: return "hvp";
    case TCellStyle::Count: break;
  }
  return "";
}

class TXmlSink final : public TSheetSink {
 public:
  explicit TXmlSink(TProtocolFile& out) : out_(out) {}

  void BeginWorkbook() {
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
  }

  void EndWorkbook() { out_.Line("</Workbook>"); }

  void BeginSheet(const TSheetSetup& setup) override {
    sheet_ = setup.Sheet;
    out_ << "<Worksheet ss:Name=\"" << setup.Name << "\" xmlns:ss=\"" << kSpreadsheetNs << "\">";
    out_.EndLine();
    if (setup.HeaderRows > 0) {
      PrintTitles(setup);
    }
    WorksheetOptions(setup);
    out_ << "<Table x:FullColumns=\"1\" x:FullRows=\"1\" xmlns:x=\"" << kExcelNs << "\">";
    out_.EndLine();
    // The first column says it is the first: Calc otherwise goes on counting the columns of the
    // sheets before, and gives this sheet's widths to columns further right.
    bool first = true;
    for (const TColumnRun& run : setup.Columns) {
      const std::string width = std::to_string(run.Width);
      for (std::size_t index = 0; index < run.Count; ++index) {
        out_ << "<Column " << (first ? "ss:Index=\"1\" " : "") << "ss:Width=\"" << width << "\"/>";
        out_.EndLine();
        first = false;
      }
    }
  }

  // The sheets after the person table write a caption cell's style after its placement, and the
  // forgotten persons' rows all on one line: the workbook's bytes as they have always been.
  void BeginRow(bool caption, int) override {
    const bool laterSheet =
        sheet_ == TSheet::Totals || sheet_ == TSheet::Forgotten || sheet_ == TSheet::SZV63;
    styleLast_ = caption && laterSheet;
    oneLine_ = !caption && sheet_ == TSheet::Forgotten;
    if (oneLine_) {
      out_ << "<Row>";
      lineOpen_ = true;
    } else {
      out_.Line("<Row>");
    }
  }

  void Text(TCellStyle style, const TCellPlace& place, const std::string& text) override {
    Cell(style, place, false, E(text));
  }

  void Amount(TCellStyle style, const TCellPlace& place, std::int64_t amount) override {
    char text[kSumTextSize];
    Cell(style, place, true,
         std::string_view(text, static_cast<std::size_t>(FormatSumTo(text, amount) - text)));
  }

  void Lines(TCellStyle style, const TCellPlace& place,
             const std::vector<std::string>& lines) override {
    std::string joined;
    for (std::size_t index = 0; index < lines.size(); ++index) {
      if (index > 0) {
        joined += "&#10;";
      }
      joined += E(lines[index]);
    }
    Cell(style, place, false, joined);
  }

  void EndRow() override {
    if (oneLine_) {
      out_ << "</Row>";
    } else {
      out_.Line("</Row>");
    }
  }

  void EndSheet() override {
    if (lineOpen_) {
      out_.EndLine();
      lineOpen_ = false;
    }
    out_.Line("</Table>");
    out_.Line("</Worksheet>");
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
    // Thousands grouped: a Russian Excel shows 19 800,00.
    static constexpr std::string_view kRedNegatives = "#,##0.00;[Red]\\-#,##0.00;\\ \\-";
    static constexpr std::string_view kPlainNegatives = "#,##0.00;\\-#,##0.00;\\ \\-";
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
    // The filled styles come last: Calc gives a style without a fill of its own the fill of the
    // style before it.
    BeginStyle("p");
    Alignment("Left", false);
    BlackBorders();
    RedFont();
    EndStyle();
    BeginStyle("norm");
    Alignment("Left", false);
    BlackBorders();
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
    out_.Line("</Styles>");
  }

  // The header rows atop every printed page.
  void PrintTitles(const TSheetSetup& setup) {
    out_.Line("<Names>");
    out_ << "<NamedRange ss:Name=\"Print_Titles\" ss:RefersTo=\"='" << setup.Name << "'!R1:R"
         << std::to_string(setup.HeaderRows) << "\"/>";
    out_.EndLine();
    out_.Line("</Names>");
  }

  // Landscape A4 pages, as wide as the sheet and as many down as it takes; then the frozen panes.
  void WorksheetOptions(const TSheetSetup& setup) {
    out_ << "<WorksheetOptions xmlns=\"" << kExcelNs << "\">";
    out_.EndLine();
    out_.Line("<PageSetup>");
    out_ << "<Layout xmlns:x=\"" << kExcelNs << "\" x:Orientation=\"Landscape\"/>";
    out_.EndLine();
    out_.Line("</PageSetup>");
    out_.Line("<FitToPage/>");
    out_.Line("<Print>");
    out_.Line("<FitHeight>0</FitHeight>");
    out_.Line("<ValidPrinterInfo/>");
    out_.Line("<PaperSizeIndex>9</PaperSizeIndex>");  // A4
    out_.Line("</Print>");
    if (setup.FrozenRows > 0 || setup.FrozenColumns > 0) {
      FrozenPanes(setup);
    }
    out_.Line("</WorksheetOptions>");
  }

  void FrozenPanes(const TSheetSetup& setup) {
    out_.Line("<Selected/>");
    out_.Line("<FreezePanes/>");
    out_.Line("<FrozenNoSplit/>");
    out_.Line("<SplitHorizontal>" + std::to_string(setup.FrozenRows) + "</SplitHorizontal>");
    out_.Line("<TopRowBottomPane>" + std::to_string(setup.FrozenRows) + "</TopRowBottomPane>");
    if (setup.FrozenColumns > 0) {
      out_.Line("<SplitVertical>" + std::to_string(setup.FrozenColumns) + "</SplitVertical>");
      out_.Line("<LeftColumnRightPane>" + std::to_string(setup.FrozenColumns) +
                "</LeftColumnRightPane>");
    }
    out_.Line("<ActivePane>" + std::to_string(setup.ActivePane) + "</ActivePane>");
    out_.Line("<Panes>");
    for (const TPane& pane : setup.Panes) {
      out_.Line("<Pane>");
      out_.Line("<Number>" + std::to_string(pane.Number) + "</Number>");
      if (pane.ActiveRow >= 0) {
        out_.Line("<ActiveRow>" + std::to_string(pane.ActiveRow) + "</ActiveRow>");
        out_.Line("<ActiveCol>" + std::to_string(pane.ActiveCol) + "</ActiveCol>");
      }
      out_.Line("</Pane>");
    }
    out_.Line("</Panes>");
  }

  void Cell(TCellStyle cellStyle, const TCellPlace& place, bool number, std::string_view content) {
    const std::string_view style = StyleId(cellStyle);
    out_ << "<Cell";
    if (!styleLast_ && !style.empty()) {
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
    if (styleLast_ && !style.empty()) {
      out_ << " ss:StyleID=\"" << style << '"';
    }
    out_ << "><Data ss:Type=\"" << (number ? "Number" : "String") << "\">" << content
         << "</Data></Cell>";
    if (!oneLine_) {
      out_.EndLine();
    }
  }

  TProtocolFile& out_;
  TSheet sheet_ = TSheet::Protocol;
  bool styleLast_ = false;
  bool oneLine_ = false;
  bool lineOpen_ = false;
};

}  // namespace

void WriteXmlProtocol(const TReport& report, const std::string& fileName,
                      const TSpreadsheetOptions& options) {
  // A sheet too large for the spreadsheet programs would open cut short: refuse before the
  // file exists.
  CheckSpreadsheetSize(report, options.Limits);
  const std::string stamp = options.Stamp.empty() ? CurrentProtocolStamp() : options.Stamp;
  TProtocolFile out(fileName);
  TXmlSink sink(out);
  sink.BeginWorkbook();
  LayOutWorkbook(report, stamp, sink, options.Warnings);
  sink.EndWorkbook();
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
