#include "protocol/protxlsx.h"

#include <algorithm>
#include <array>
#include <bit>
#include <chrono>
#include <charconv>
#include <cstdio>
#include <ctime>
#include <stdexcept>
#include <string>
#include <string_view>
#include <thread>
#include <vector>

#include "base/amountformat.h"
#include "base/amount.h"
#include "base/encoding.h"
#include "protocol/protescape.h"
#include "protocol/protfile.h"
#include "protocol/protlayout.h"
#include "protocol/protsheets.h"
#include "protocol/zipstream.h"

namespace brisolt {

namespace {

constexpr std::string_view kXmlHead = "<?xml version=\"1.0\" encoding=\"UTF-8\" standalone=\"yes\"?>\n";
constexpr std::string_view kMainNs = "http://schemas.openxmlformats.org/spreadsheetml/2006/main";
constexpr std::string_view kRelNs = "http://schemas.openxmlformats.org/officeDocument/2006/relationships";
constexpr std::string_view kDocType = "http://schemas.openxmlformats.org/officeDocument/2006/relationships/";
constexpr std::string_view kPackageRelNs = "http://schemas.openxmlformats.org/package/2006/relationships";
constexpr std::string_view kContentType = "application/vnd.openxmlformats-";

// A part's text up to the end of its root element's namespaces, which the caller may add to:
// the declaration, then <root xmlns="ns".
std::string PartStart(std::string_view root, std::string_view ns) {
  std::string text(kXmlHead);
  text += '<';
  text += root;
  text += " xmlns=\"";
  text += ns;
  text += '"';
  return text;
}

// The height of a line of text in the default font, points.
constexpr int kLineHeight = 15;

void AppendText(std::string& out, std::string_view cp1251) { AppendMarkup(out, cp1251, kXlsxText); }

// A model text as an attribute value.
std::string Attribute(const std::string& cp1251) {
  std::string text;
  AppendMarkup(text, cp1251, kXlsxAttribute);
  return text;
}

void AppendNumber(std::string& out, std::uint64_t value) {
  char text[24];
  out.append(text, std::to_chars(text, text + sizeof text, value).ptr);
}

// "A", "B", ... "Z", "AA", ...: the letters of a 0-based column.
std::string ColumnLetters(std::uint64_t column) {
  std::string letters;
  for (std::uint64_t rest = column + 1; rest > 0; rest = (rest - 1) / 26) {
    letters.insert(letters.begin(), static_cast<char>('A' + (rest - 1) % 26));
  }
  return letters;
}

std::string CellName(std::uint64_t row, std::uint64_t column) {
  return ColumnLetters(column) + std::to_string(row + 1);
}

// A sheet's name quoted for a formula: 'Таблица'!
std::string SheetReference(const std::string& cp1251Name) {
  std::string quoted;
  for (const char ch : cp1251Name) {
    quoted += ch;
    if (ch == '\'') {
      quoted += ch;
    }
  }
  return "'" + quoted + "'!";
}

// Column widths of the XML spreadsheet are points; a column of a workbook is counted in characters
// of the default font, seven pixels each plus five of padding, in 256ths.
std::string ColumnWidth(int points) {
  const double characters = (points * 96.0 / 72.0 - 5.0) / 7.0;
  const double width = static_cast<double>(static_cast<long long>(characters * 256.0)) / 256.0;
  char text[32];
  std::snprintf(text, sizeof text, "%.10g", width > 0 ? width : 0.0);
  return text;
}

// The stamp's local time as the UTC time the document properties hold; empty when the stamp does
// not read.
std::string CreationTime(const std::string& stamp) {
  std::tm local{};
  if (std::sscanf(stamp.c_str(), "%2d.%2d.%4d %2d:%2d:%2d", &local.tm_mday, &local.tm_mon,
                  &local.tm_year, &local.tm_hour, &local.tm_min, &local.tm_sec) != 6) {
    return {};
  }
  local.tm_mon -= 1;
  local.tm_year -= 1900;
  local.tm_isdst = -1;
  const std::time_t time = std::mktime(&local);
  if (time == static_cast<std::time_t>(-1)) {
    return {};
  }
  using namespace std::chrono;
  const sys_seconds moment{seconds{time}};
  const sys_days day = floor<days>(moment);
  const year_month_day date{day};
  const hh_mm_ss<seconds> clock{moment - day};
  char text[32];
  std::snprintf(text, sizeof text, "%04d-%02u-%02uT%02d:%02d:%02dZ", static_cast<int>(date.year()),
                static_cast<unsigned>(date.month()), static_cast<unsigned>(date.day()),
                static_cast<int>(clock.hours().count()), static_cast<int>(clock.minutes().count()),
                static_cast<int>(clock.seconds().count()));
  return text;
}

// The cell formats, one per TCellStyle in its order: the index is the cell's "s".
constexpr std::string_view kStyles =
    "<numFmts count=\"2\">"
    "<numFmt numFmtId=\"164\" formatCode=\"#,##0.00;[Red]\\-#,##0.00;\\ \\-\"/>"
    "<numFmt numFmtId=\"165\" formatCode=\"#,##0.00;\\-#,##0.00;\\ \\-\"/></numFmts>"
    "<fonts count=\"3\">"
    "<font><sz val=\"11\"/><name val=\"Calibri\"/><family val=\"2\"/></font>"
    "<font><b/><sz val=\"11\"/><name val=\"Calibri\"/><family val=\"2\"/></font>"
    "<font><sz val=\"11\"/><color rgb=\"FFFF0000\"/><name val=\"Calibri\"/><family val=\"2\"/></font>"
    "</fonts>"
    "<fills count=\"3\"><fill><patternFill patternType=\"none\"/></fill>"
    "<fill><patternFill patternType=\"gray125\"/></fill>"
    "<fill><patternFill patternType=\"solid\"><fgColor rgb=\"FF66FFFF\"/><bgColor indexed=\"64\"/>"
    "</patternFill></fill></fills>"
    "<borders count=\"3\"><border><left/><right/><top/><bottom/><diagonal/></border>"
    "<border><left style=\"thin\"><color auto=\"1\"/></left><right style=\"thin\"><color auto=\"1\"/>"
    "</right><top style=\"thin\"><color auto=\"1\"/></top><bottom style=\"thin\"><color auto=\"1\"/>"
    "</bottom><diagonal/></border>"
    "<border><left style=\"thin\"><color rgb=\"FF000000\"/></left><right style=\"thin\"><color "
    "rgb=\"FF000000\"/></right><top style=\"thin\"><color rgb=\"FF000000\"/></top><bottom "
    "style=\"thin\"><color rgb=\"FF000000\"/></bottom><diagonal/></border></borders>"
    "<cellStyleXfs count=\"1\"><xf numFmtId=\"0\" fontId=\"0\" fillId=\"0\" borderId=\"0\"/>"
    "</cellStyleXfs>"
    "<cellXfs count=\"12\">"
    // Plain, Heading
    "<xf numFmtId=\"0\" fontId=\"0\" fillId=\"0\" borderId=\"0\" xfId=\"0\"/>"
    "<xf numFmtId=\"0\" fontId=\"1\" fillId=\"0\" borderId=\"0\" xfId=\"0\" applyFont=\"1\"/>"
    // Amount, AmountRed, AmountBlack
    "<xf numFmtId=\"164\" fontId=\"0\" fillId=\"0\" borderId=\"1\" xfId=\"0\" applyNumberFormat=\"1\" "
    "applyBorder=\"1\" applyAlignment=\"1\"><alignment horizontal=\"center\" vertical=\"center\" "
    "wrapText=\"1\"/></xf>"
    "<xf numFmtId=\"165\" fontId=\"2\" fillId=\"0\" borderId=\"1\" xfId=\"0\" applyNumberFormat=\"1\" "
    "applyFont=\"1\" applyBorder=\"1\" applyAlignment=\"1\"><alignment horizontal=\"center\" "
    "vertical=\"center\" wrapText=\"1\"/></xf>"
    "<xf numFmtId=\"165\" fontId=\"0\" fillId=\"0\" borderId=\"1\" xfId=\"0\" applyNumberFormat=\"1\" "
    "applyBorder=\"1\" applyAlignment=\"1\"><alignment horizontal=\"center\" vertical=\"center\" "
    "wrapText=\"1\"/></xf>"
    // FramedLeft, Caption, Dismissal
    "<xf numFmtId=\"0\" fontId=\"0\" fillId=\"0\" borderId=\"1\" xfId=\"0\" applyBorder=\"1\" "
    "applyAlignment=\"1\"><alignment horizontal=\"left\" vertical=\"center\" wrapText=\"1\"/></xf>"
    "<xf numFmtId=\"164\" fontId=\"1\" fillId=\"0\" borderId=\"1\" xfId=\"0\" applyNumberFormat=\"1\" "
    "applyFont=\"1\" applyBorder=\"1\" applyAlignment=\"1\"><alignment horizontal=\"center\" "
    "vertical=\"center\" wrapText=\"1\"/></xf>"
    "<xf numFmtId=\"14\" fontId=\"0\" fillId=\"0\" borderId=\"2\" xfId=\"0\" applyNumberFormat=\"1\" "
    "applyBorder=\"1\" applyAlignment=\"1\"><alignment horizontal=\"center\" vertical=\"center\" "
    "wrapText=\"1\"/></xf>"
    // Person, PersonConflict, PersonDismissed, PersonConflictDismissed
    "<xf numFmtId=\"0\" fontId=\"0\" fillId=\"0\" borderId=\"2\" xfId=\"0\" applyBorder=\"1\" "
    "applyAlignment=\"1\"><alignment horizontal=\"left\" vertical=\"center\" wrapText=\"1\"/></xf>"
    "<xf numFmtId=\"0\" fontId=\"2\" fillId=\"0\" borderId=\"2\" xfId=\"0\" applyFont=\"1\" "
    "applyBorder=\"1\" applyAlignment=\"1\"><alignment horizontal=\"left\" vertical=\"center\" "
    "wrapText=\"1\"/></xf>"
    "<xf numFmtId=\"0\" fontId=\"0\" fillId=\"2\" borderId=\"2\" xfId=\"0\" applyFill=\"1\" "
    "applyBorder=\"1\" applyAlignment=\"1\"><alignment horizontal=\"left\" vertical=\"center\" "
    "wrapText=\"1\"/></xf>"
    "<xf numFmtId=\"0\" fontId=\"2\" fillId=\"2\" borderId=\"2\" xfId=\"0\" applyFont=\"1\" "
    "applyFill=\"1\" applyBorder=\"1\" applyAlignment=\"1\"><alignment horizontal=\"left\" "
    "vertical=\"center\" wrapText=\"1\"/></xf>"
    "</cellXfs>"
    "<cellStyles count=\"1\"><cellStyle name=\"Normal\" xfId=\"0\" builtinId=\"0\"/></cellStyles>"
    "<dxfs count=\"0\"/><tableStyles count=\"0\"/>";
static_assert(static_cast<int>(TCellStyle::Count) == 12, "one cell format per style, in order");

class TXlsxSink final : public TSheetSink {
 public:
  // `sheetCount`: how many sheets the layout will write, for the package's list of parts.
  TXlsxSink(TZipStream& zip, std::size_t sheetCount) : zip_(zip), sheetCount_(sheetCount) {}

  void BeginSheet(const TSheetSetup& setup) override {
    sheets_.push_back({setup.Name, setup.HeaderRows, setup.FilterColumns});
    zip_.BeginMember("xl/worksheets/sheet" + std::to_string(sheets_.size()) + ".xml");
    std::string& out = zip_.Text();
    out += PartStart("worksheet", kMainNs);
    out += "><sheetPr><pageSetUpPr fitToPage=\"1\"/></sheetPr><sheetViews><sheetView ";
    if (sheets_.size() == 1) {
      out += "tabSelected=\"1\" ";
    }
    out += "workbookViewId=\"0\"";
    if (setup.FrozenRows > 0 || setup.FrozenColumns > 0) {
      // Every caption row stays in sight, also where the XML spreadsheet's panes keep only the
      // title.
      const int rows = std::max(setup.FrozenRows, setup.HeaderRows);
      const int columns = setup.FrozenColumns;
      const char* pane = rows > 0 && columns > 0 ? "bottomRight" : rows > 0 ? "bottomLeft" : "topRight";
      out += "><pane";
      if (columns > 0) {
        out += " xSplit=\"" + std::to_string(columns) + "\"";
      }
      if (rows > 0) {
        out += " ySplit=\"" + std::to_string(rows) + "\"";
      }
      out += " topLeftCell=\"" + CellName(static_cast<std::uint64_t>(rows), static_cast<std::uint64_t>(columns)) +
             "\" activePane=\"" + pane + "\" state=\"frozen\"/><selection pane=\"" + pane +
             "\"/></sheetView>";
    } else {
      out += "/>";
    }
    out += "</sheetViews><sheetFormatPr defaultRowHeight=\"15\"/>";
    std::uint64_t column = 1;
    bool anyColumn = false;
    for (const TColumnRun& run : setup.Columns) {
      if (run.Count == 0) {
        continue;
      }
      out += anyColumn ? "" : "<cols>";
      anyColumn = true;
      out += "<col min=\"" + std::to_string(column) + "\" max=\"" +
             std::to_string(column + run.Count - 1) + "\" width=\"" + ColumnWidth(run.Width) +
             "\" customWidth=\"1\"/>";
      column += run.Count;
    }
    out += anyColumn ? "</cols><sheetData>" : "<sheetData>";
    filterHeaderRows_ = setup.FilterColumns > 0 ? setup.HeaderRows : 0;
    carried_.clear();
    merges_.clear();
    mergeCount_ = 0;
    row_ = -1;
  }

  void BeginRow(bool, int lines) override {
    ++row_;
    column_ = 0;
    nextCarried_ = 0;
    std::erase_if(carried_, [this](const TCarried& carried) { return carried.LastRow < row_; });
    std::string& out = zip_.Text();
    out += "<row r=\"";
    AppendNumber(out, static_cast<std::uint64_t>(row_ + 1));
    if (lines > 1) {
      out += "\" ht=\"";
      AppendNumber(out, static_cast<std::uint64_t>(kLineHeight * lines));
      out += "\" customHeight=\"1";
    }
    out += "\">";
  }

  void Text(TCellStyle style, const TCellPlace& place, const std::string& text) override {
    WriteText(style, place, text);
  }

  void Lines(TCellStyle style, const TCellPlace& place,
             const std::vector<std::string>& lines) override {
    std::string joined;
    for (std::size_t index = 0; index < lines.size(); ++index) {
      if (index > 0) {
        joined += '\n';
      }
      joined += lines[index];
    }
    WriteText(style, place, joined);
  }

  void Amount(TCellStyle style, const TCellPlace& place, std::int64_t amount) override {
    const std::uint64_t column = Place(place);
    std::string& out = zip_.Text();
    OpenCell(out, column, style);
    out += "><v>";
    // The printed sum without the zeros that end its kopecks: the same number, fewer bytes.
    static constexpr TSumFormat kShortest{'.', {}, true};
    AppendSum(out, amount, kShortest);
    out += "</v></c>";
  }

  void EndRow() override {
    WriteCarried(UINT64_MAX);
    zip_.Text() += "</row>";
    zip_.Spill();
  }

  void EndSheet() override {
    std::string& out = zip_.Text();
    out += "</sheetData>";
    TSheetEntry& sheet = sheets_.back();
    if (filterHeaderRows_ > 0) {
      // The filter sits on the last header row and reaches down to the last row written.
      const long long headerRow = filterHeaderRows_ - 1;
      const auto lastRow = static_cast<std::uint64_t>(std::max(row_, headerRow));
      sheet.Filter = "$A$" + std::to_string(headerRow + 1) + ":$" +
                     ColumnLetters(sheet.FilterColumns - 1) + "$" + std::to_string(lastRow + 1);
      out += "<autoFilter ref=\"A" + std::to_string(headerRow + 1) + ":" +
             CellName(lastRow, sheet.FilterColumns - 1) + "\"/>";
    }
    if (mergeCount_ > 0) {
      out += "<mergeCells count=\"" + std::to_string(mergeCount_) + "\">";
      out += merges_;
      out += "</mergeCells>";
    }
    out +=
        "<pageMargins left=\"0.7\" right=\"0.7\" top=\"0.75\" bottom=\"0.75\" header=\"0.3\" "
        "footer=\"0.3\"/><pageSetup paperSize=\"9\" orientation=\"landscape\" "
        "fitToHeight=\"0\"/></worksheet>";
    zip_.EndMember();
    merges_.clear();
    merges_.shrink_to_fit();
  }

  // The parts that describe the workbook, once its sheets are written.
  void WriteWorkbook(const std::string& stamp) {
    std::string workbook = PartStart("workbook", kMainNs);
    workbook += " xmlns:r=\"";
    workbook += kRelNs;
    workbook +=
        "\"><bookViews><workbookView xWindow=\"240\" yWindow=\"15\" windowWidth=\"16095\" "
        "windowHeight=\"9660\"/></bookViews><sheets>";
    std::string names;
    std::string relations = PartStart("Relationships", kPackageRelNs) + ">";
    for (std::size_t index = 0; index < sheets_.size(); ++index) {
      const TSheetEntry& sheet = sheets_[index];
      const std::string number = std::to_string(index + 1);
      workbook += "<sheet name=\"" + Attribute(sheet.Name) + "\" sheetId=\"" + number +
                  "\" r:id=\"rId" + number + "\"/>";
      relations += "<Relationship Id=\"rId" + number + "\" Type=\"" + std::string(kDocType) +
                   "worksheet\" Target=\"worksheets/sheet" + number + ".xml\"/>";
      const std::string local = "\" localSheetId=\"" + std::to_string(index) + "\"";
      if (!sheet.Filter.empty()) {
        names += "<definedName name=\"_xlnm._FilterDatabase" + local + " hidden=\"1\">" +
                 Attribute(SheetReference(sheet.Name) + sheet.Filter) + "</definedName>";
      }
      if (sheet.HeaderRows > 0) {
        names += "<definedName name=\"_xlnm.Print_Titles" + local + ">" +
                 Attribute(SheetReference(sheet.Name) + "$1:$" + std::to_string(sheet.HeaderRows)) +
                 "</definedName>";
      }
    }
    workbook += "</sheets>";
    if (!names.empty()) {
      workbook += "<definedNames>" + names + "</definedNames>";
    }
    workbook += "</workbook>";
    relations += "<Relationship Id=\"rId" + std::to_string(sheets_.size() + 1) + "\" Type=\"" +
                 std::string(kDocType) + "styles\" Target=\"styles.xml\"/></Relationships>";
    Member("xl/workbook.xml", workbook);
    Member("xl/_rels/workbook.xml.rels", relations);

    std::string styles = PartStart("styleSheet", kMainNs) + ">";
    styles += kStyles;
    styles += "</styleSheet>";
    Member("xl/styles.xml", styles);

    // When the workbook was made: the protocol's own stamp, not the clock, so that the same
    // report and stamp give the same file.
    std::string core(kXmlHead);
    core +=
        "<cp:coreProperties "
        "xmlns:cp=\"http://schemas.openxmlformats.org/package/2006/metadata/core-properties\" "
        "xmlns:dcterms=\"http://purl.org/dc/terms/\" "
        "xmlns:xsi=\"http://www.w3.org/2001/XMLSchema-instance\">";
    if (const std::string created = CreationTime(stamp); !created.empty()) {
      core += "<dcterms:created xsi:type=\"dcterms:W3CDTF\">" + created +
              "</dcterms:created><dcterms:modified xsi:type=\"dcterms:W3CDTF\">" + created +
              "</dcterms:modified>";
    }
    core += "</cp:coreProperties>";
    Member("docProps/core.xml", core);
  }

  // The first parts of the package: what each part is and where the workbook starts. They come
  // first, where programs that tell a file's kind by its first bytes look for them.
  void WritePackage() {
    std::string types = PartStart("Types", "http://schemas.openxmlformats.org/package/2006/content-types");
    types +=
        "><Default Extension=\"rels\" ContentType=\"application/"
        "vnd.openxmlformats-package.relationships+xml\"/>"
        "<Default Extension=\"xml\" ContentType=\"application/xml\"/>";
    const auto override = [&types](std::string_view part, std::string_view type) {
      types += "<Override PartName=\"/";
      types += part;
      types += "\" ContentType=\"";
      types += kContentType;
      types += type;
      types += "\"/>";
    };
    override("docProps/core.xml", "package.core-properties+xml");
    override("xl/styles.xml", "officedocument.spreadsheetml.styles+xml");
    override("xl/workbook.xml", "officedocument.spreadsheetml.sheet.main+xml");
    for (std::size_t index = 1; index <= sheetCount_; ++index) {
      override("xl/worksheets/sheet" + std::to_string(index) + ".xml",
               "officedocument.spreadsheetml.worksheet+xml");
    }
    types += "</Types>";
    Member("[Content_Types].xml", types);

    std::string relations = PartStart("Relationships", kPackageRelNs);
    relations += "><Relationship Id=\"rId1\" Type=\"";
    relations += kDocType;
    relations +=
        "officeDocument\" Target=\"xl/workbook.xml\"/><Relationship Id=\"rId2\" "
        "Type=\"http://schemas.openxmlformats.org/package/2006/relationships/metadata/"
        "core-properties\" Target=\"docProps/core.xml\"/></Relationships>";
    Member("_rels/.rels", relations);
  }

 private:
  // A person's cells repeated on each row down to its last (inside a filter), or the blank cells
  // of a merge below its first row, written in their place among the row's own cells.
  struct TCarried {
    std::uint64_t FirstColumn;
    std::uint64_t LastColumn;
    long long LastRow;
    TCellStyle Style;
    std::string Text;  // escaped UTF-8; empty: blank cells
  };
  struct TSheetEntry {
    std::string Name;
    int HeaderRows;
    std::size_t FilterColumns;
    std::string Filter{};  // $A$4:$BR$18, when the sheet has one
  };

  void Member(const std::string& name, const std::string& text) {
    zip_.BeginMember(name);
    zip_.Text() = text;
    zip_.EndMember();
  }

  std::uint64_t Place(const TCellPlace& place) {
    if (place.Index > 0) {
      column_ = static_cast<std::uint64_t>(place.Index - 1);
    }
    const std::uint64_t column = column_;
    column_ += 1 + static_cast<std::uint64_t>(place.Across > 0 ? place.Across : 0);
    WriteCarried(column);
    return column;
  }

  void OpenCell(std::string& out, std::uint64_t column, TCellStyle style) {
    if (column >= columnNames_.size()) {
      for (std::uint64_t next = columnNames_.size(); next <= column; ++next) {
        columnNames_.push_back(ColumnLetters(next));
      }
    }
    out += "<c r=\"";
    out += columnNames_[column];
    AppendNumber(out, static_cast<std::uint64_t>(row_ + 1));
    out += '"';
    if (style != TCellStyle::Plain) {
      out += " s=\"";
      AppendNumber(out, static_cast<std::uint64_t>(style));
      out += '"';
    }
  }

  void TextCell(std::string& out, std::uint64_t column, TCellStyle style, std::string_view escaped,
                bool preserve) {
    OpenCell(out, column, style);
    out += preserve ? " t=\"inlineStr\"><is><t xml:space=\"preserve\">" : " t=\"inlineStr\"><is><t>";
    out += escaped;
    out += "</t></is></c>";
  }

  void BlankCells(std::string& out, std::uint64_t first, std::uint64_t last, TCellStyle style) {
    for (std::uint64_t column = first; column <= last; ++column) {
      OpenCell(out, column, style);
      out += "/>";
    }
  }

  // The carried cells left of `column` in this row.
  void WriteCarried(std::uint64_t column) {
    std::string& out = zip_.Text();
    for (; nextCarried_ < carried_.size() && carried_[nextCarried_].FirstColumn < column;
         ++nextCarried_) {
      const TCarried& carried = carried_[nextCarried_];
      if (carried.Text.empty()) {
        BlankCells(out, carried.FirstColumn, carried.LastColumn, carried.Style);
      } else {
        TextCell(out, carried.FirstColumn, carried.Style, carried.Text, Preserve(carried.Text));
      }
    }
  }

  // Leading or trailing blanks stay only where the text says so.
  static bool Preserve(std::string_view text) {
    if (text.empty()) {
      return false;
    }
    const auto blank = [](char ch) { return ch == ' ' || ch == '\t' || ch == '\n' || ch == '\r'; };
    return blank(text.front()) || blank(text.back());
  }

  void WriteText(TCellStyle style, const TCellPlace& place, const std::string& cp1251) {
    const std::uint64_t column = Place(place);
    std::string& out = zip_.Text();
    const auto across = static_cast<std::uint64_t>(place.Across > 0 ? place.Across : 0);
    if (place.Down > 0 && filterHeaderRows_ > 0 && row_ >= filterHeaderRows_) {
      // A merge inside the filtered rows would hide the person from every row but its first
      // once a filter or a sort is applied: the text is repeated on each row instead.
      std::string escaped;
      AppendText(escaped, cp1251);
      TextCell(out, column, style, escaped, Preserve(cp1251));
      Carry({column, column, row_ + place.Down, style, place.Once ? std::string() : std::move(escaped)});
      return;
    }
    OpenCell(out, column, style);
    if (cp1251.empty()) {
      out += "/>";  // blank, as a cell without text is
    } else {
      out += Preserve(cp1251) ? " t=\"inlineStr\"><is><t xml:space=\"preserve\">"
                              : " t=\"inlineStr\"><is><t>";
      AppendText(out, cp1251);
      out += "</t></is></c>";
    }
    if (across > 0) {
      BlankCells(out, column + 1, column + across, style);
    }
    if (place.Down > 0) {
      Carry({column, column + across, row_ + place.Down, style, std::string()});
    }
    if (place.Down > 0 || across > 0) {
      merges_ += "<mergeCell ref=\"";
      merges_ += CellName(static_cast<std::uint64_t>(row_), column);
      merges_ += ':';
      merges_ += CellName(static_cast<std::uint64_t>(row_ + (place.Down > 0 ? place.Down : 0)),
                          column + across);
      merges_ += "\"/>";
      ++mergeCount_;
    }
  }

  // Carried cells are kept in column order; this row's are already written.
  void Carry(TCarried carried) {
    auto at = carried_.begin();
    while (at != carried_.end() && at->FirstColumn < carried.FirstColumn) {
      ++at;
    }
    const auto index = static_cast<std::size_t>(at - carried_.begin());
    carried_.insert(at, std::move(carried));
    if (index <= nextCarried_) {
      ++nextCarried_;
    }
  }

  TZipStream& zip_;
  std::size_t sheetCount_;
  std::vector<TSheetEntry> sheets_;
  std::vector<std::string> columnNames_;
  std::vector<TCarried> carried_;
  std::size_t nextCarried_ = 0;
  std::string merges_;
  std::size_t mergeCount_ = 0;
  long long row_ = -1;
  std::uint64_t column_ = 0;
  int filterHeaderRows_ = 0;
};

constexpr std::uint64_t Digits(std::uint64_t value) {
  std::uint64_t digits = 1;
  for (; value >= 10; value /= 10) {
    ++digits;
  }
  return digits;
}

// Runs the layout without writing and adds up, per sheet, the bytes of XML that TXlsxSink must
// write at the least: each row's and cell's fixed markup, each text's bytes, each amount's whole
// roubles. Escaping, UTF-8, kopecks, merges and the parts around the rows only add to it, so a
// sheet this count puts past the package's limit cannot be written; one it leaves under may still
// pass it, which the ZIP stream then reports.
class TXlsxBoundSink final : public TSheetSink {
 public:
  void BeginSheet(const TSheetSetup& setup) override {
    sheets_.push_back({setup.Sheet, 0});
    filterHeaderRows_ = setup.FilterColumns > 0 ? setup.HeaderRows : 0;
    row_ = 0;
  }
  void BeginRow(bool, int) override {
    ++row_;
    rowDigits_ = Digits(row_);
    column_ = 0;
    sheets_.back().Bytes += std::size("<row r=\"\"></row>") - 1 + rowDigits_;
  }
  void Text(TCellStyle style, const TCellPlace& place, const std::string& text) override {
    TextCell(style, place, text.size());
  }
  void Lines(TCellStyle style, const TCellPlace& place,
             const std::vector<std::string>& lines) override {
    std::uint64_t size = lines.empty() ? 0 : lines.size() - 1;
    for (const std::string& line : lines) {
      size += line.size();
    }
    TextCell(style, place, size);
  }
  void Amount(TCellStyle style, const TCellPlace& place, std::int64_t amount) override {
    const auto roubles = static_cast<std::uint64_t>(amount < 0 ? -(amount / 10000) : amount / 10000);
    // At least floor(log10(2) * (bits - 1)) + 1 digits: counted without a division, as the
    // millions of amounts of a large insurer pass here.
    const auto bits = static_cast<std::uint64_t>(std::bit_width(roubles));
    const std::uint64_t digits = bits > 1 ? (bits - 1) * 77 / 256 + 1 : 1;
    sheets_.back().Bytes += Open(Place(place), style) + std::size("><v></v></c>") - 1 + digits +
                            (amount < 0 ? 1 : 0);
  }
  void EndRow() override {}
  void EndSheet() override {}

  const std::vector<TXlsxSheetBytes>& Sheets() const { return sheets_; }

 private:
  std::uint64_t Place(const TCellPlace& place) {
    if (place.Index > 0) {
      column_ = static_cast<std::uint64_t>(place.Index - 1);
    }
    const std::uint64_t column = column_;
    column_ += 1 + static_cast<std::uint64_t>(place.Across > 0 ? place.Across : 0);
    return column;
  }

  // <c r="A1" s="3"
  std::uint64_t Open(std::uint64_t column, TCellStyle style) const {
    const std::uint64_t letters = 1 + (column >= 26 ? 1 : 0) + (column >= 26 + 26 * 26 ? 1 : 0) +
                                  (column >= 26 + 26 * 26 + 26 * 26 * 26 ? 1 : 0);
    return std::size("<c r=\"\"") - 1 + letters + rowDigits_ +
           (style == TCellStyle::Plain ? 0 : std::size(" s=\"\"") - 1 + (static_cast<int>(style) >= 10 ? 2 : 1));
  }

  void TextCell(TCellStyle style, const TCellPlace& place, std::uint64_t size) {
    const std::uint64_t column = Place(place);
    const std::uint64_t open = Open(column, style);
    const std::uint64_t cell =
        open + (size == 0 ? 2 : std::size(" t=\"inlineStr\"><is><t></t></is></c>") - 1 + size);
    const auto across = static_cast<std::uint64_t>(place.Across > 0 ? place.Across : 0);
    const auto down = static_cast<std::uint64_t>(place.Down > 0 ? place.Down : 0);
    std::uint64_t& bytes = sheets_.back().Bytes;
    if (down > 0 && filterHeaderRows_ > 0 && row_ > static_cast<std::uint64_t>(filterHeaderRows_)) {
      bytes += cell + down * (place.Once ? open + 2 : cell);  // repeated or blank on each row below
      return;
    }
    // The blank cells of a merge, right and below.
    bytes += cell + ((across + 1) * (down + 1) - 1) * (open + 2);
  }

  std::vector<TXlsxSheetBytes> sheets_;
  int filterHeaderRows_ = 0;
  std::uint64_t row_ = 0;
  std::uint64_t rowDigits_ = 1;
  std::uint64_t column_ = 0;
};

}  // namespace

bool XlsxWriterBuilt() { return true; }

std::vector<TXlsxSheetBytes> XlsxSheetBytesAtLeast(const TReport& report) {
  TXlsxBoundSink bound;
  LayOutWorkbook(report, std::string(), bound);
  return bound.Sheets();
}

void CheckXlsxSheetBytes(const TReport& report, const TSheetLimits& limits) {
  for (const TXlsxSheetBytes& sheet : XlsxSheetBytesAtLeast(report)) {
    if (sheet.Bytes > limits.XlsxSheetBytes) {
      RefuseXlsxSheetBytes(report, sheet.Sheet, sheet.Bytes, limits.XlsxSheetBytes);
    }
  }
}

void WriteXlsxProtocol(const TReport& report, const std::string& fileName,
                       const TSpreadsheetOptions& options) {
  const std::size_t sheetCount = CheckSpreadsheetSize(report, options.Limits).size();
  CheckXlsxSheetBytes(report, options.Limits);
  const std::string stamp = options.Stamp.empty() ? CurrentProtocolStamp() : options.Stamp;
  TProtocolFile out(fileName);
  // The machine's cores deflate while this thread lays the sheets out; the bytes do not depend on
  // how many.
  const unsigned threads = options.Threads > 0 ? static_cast<unsigned>(options.Threads)
                                               : std::thread::hardware_concurrency();
  try {
    TZipStream zip([&out](std::string_view bytes) { out.Write(bytes); }, threads > 1 ? threads : 0);
    TXlsxSink sink(zip, sheetCount);
    sink.WritePackage();
    LayOutWorkbook(report, stamp, sink, options.Warnings);
    sink.WriteWorkbook(stamp);
    zip.Finish();
  } catch (const std::length_error&) {
    throw EProtocolWriteError(fileName, "книга больше 4 ГБ, такой файл XLSX не открыть");
  } catch (const std::logic_error& failure) {
    throw EProtocolWriteError(fileName, std::string("ошибка сжатия книги: ") + failure.what());
  }
  out.Commit();
}

}  // namespace brisolt
