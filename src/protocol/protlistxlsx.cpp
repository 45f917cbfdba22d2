// The window's results table as an XLSX workbook of one sheet: the caption, the heading, then one
// row per person in the order shown, the balances as numbers in roubles, the periods and the
// actions as text (the actions one per line). The heading stays in view and carries a filter.
// Written whole beside the target and put in place once complete, as every protocol is.
#include <string>
#include <string_view>
#include <vector>

#include "base/amount.h"
#include "base/amountformat.h"
#include "base/encoding.h"
#include "protocol/protdata.h"
#include "protocol/protescape.h"
#include "protocol/protfile.h"

#ifdef BRISOLT_HAVE_XLSX
#include <stdexcept>

#include "protocol/zipstream.h"
#endif

namespace brisolt {

#ifdef BRISOLT_HAVE_XLSX

namespace {

constexpr std::string_view kXmlHead = "<?xml version=\"1.0\" encoding=\"UTF-8\" standalone=\"yes\"?>\n";
constexpr std::string_view kRelations = "http://schemas.openxmlformats.org/officeDocument/2006/relationships";

// The parts around the sheet; they do not depend on the list.
constexpr std::string_view kContentTypes =
    "<Types xmlns=\"http://schemas.openxmlformats.org/package/2006/content-types\">"
    "<Default Extension=\"rels\" ContentType=\"application/vnd.openxmlformats-package.relationships+xml\"/>"
    "<Default Extension=\"xml\" ContentType=\"application/xml\"/>"
    "<Override PartName=\"/xl/workbook.xml\" "
    "ContentType=\"application/vnd.openxmlformats-officedocument.spreadsheetml.sheet.main+xml\"/>"
    "<Override PartName=\"/xl/styles.xml\" "
    "ContentType=\"application/vnd.openxmlformats-officedocument.spreadsheetml.styles+xml\"/>"
    "<Override PartName=\"/xl/worksheets/sheet1.xml\" "
    "ContentType=\"application/vnd.openxmlformats-officedocument.spreadsheetml.worksheet+xml\"/>"
    "</Types>";
constexpr std::string_view kPackageRelations =
    "<Relationships xmlns=\"http://schemas.openxmlformats.org/package/2006/relationships\">"
    "<Relationship Id=\"rId1\" "
    "Type=\"http://schemas.openxmlformats.org/officeDocument/2006/relationships/officeDocument\" "
    "Target=\"xl/workbook.xml\"/></Relationships>";
constexpr std::string_view kWorkbookRelations =
    "<Relationships xmlns=\"http://schemas.openxmlformats.org/package/2006/relationships\">"
    "<Relationship Id=\"rId1\" "
    "Type=\"http://schemas.openxmlformats.org/officeDocument/2006/relationships/worksheet\" "
    "Target=\"worksheets/sheet1.xml\"/>"
    "<Relationship Id=\"rId2\" "
    "Type=\"http://schemas.openxmlformats.org/officeDocument/2006/relationships/styles\" "
    "Target=\"styles.xml\"/></Relationships>";
// Cell formats: 0 plain, 1 bold (caption and heading), 2 an amount, 3 text wrapped at its lines.
constexpr std::string_view kStyles =
    "<styleSheet xmlns=\"http://schemas.openxmlformats.org/spreadsheetml/2006/main\">"
    "<numFmts count=\"1\"><numFmt numFmtId=\"164\" formatCode=\"#,##0.00\"/></numFmts>"
    "<fonts count=\"2\"><font><sz val=\"11\"/><name val=\"Calibri\"/><family val=\"2\"/></font>"
    "<font><b/><sz val=\"11\"/><name val=\"Calibri\"/><family val=\"2\"/></font></fonts>"
    "<fills count=\"2\"><fill><patternFill patternType=\"none\"/></fill>"
    "<fill><patternFill patternType=\"gray125\"/></fill></fills>"
    "<borders count=\"1\"><border><left/><right/><top/><bottom/><diagonal/></border></borders>"
    "<cellStyleXfs count=\"1\"><xf numFmtId=\"0\" fontId=\"0\" fillId=\"0\" borderId=\"0\"/></cellStyleXfs>"
    "<cellXfs count=\"4\">"
    "<xf numFmtId=\"0\" fontId=\"0\" fillId=\"0\" borderId=\"0\" xfId=\"0\"/>"
    "<xf numFmtId=\"0\" fontId=\"1\" fillId=\"0\" borderId=\"0\" xfId=\"0\" applyFont=\"1\"/>"
    "<xf numFmtId=\"164\" fontId=\"0\" fillId=\"0\" borderId=\"0\" xfId=\"0\" applyNumberFormat=\"1\" "
    "applyAlignment=\"1\"><alignment vertical=\"top\"/></xf>"
    "<xf numFmtId=\"0\" fontId=\"0\" fillId=\"0\" borderId=\"0\" xfId=\"0\" applyAlignment=\"1\">"
    "<alignment vertical=\"top\" wrapText=\"1\"/></xf>"
    "</cellXfs></styleSheet>";

const std::string kSheetName = reinterpret_cast<const char*>(u8"Список");

enum TListStyle { kPlain = 0, kBold = 1, kAmount = 2, kWrapped = 3 };
constexpr char kLastColumn = 'F';
constexpr int kHeadingRow = 2;

// A sheet of inline strings and numbers, made row by row.
class TListSheet {
 public:
  explicit TListSheet(std::string& text) : text_(text) {}

  void BeginRow(std::size_t row) {
    row_ = std::to_string(row);
    column_ = 'A';
    text_ += "<row r=\"" + row_ + "\">";
  }
  void EndRow() { text_ += "</row>"; }

  // A windows-1251 text.
  void Text(std::string_view cp1251, TListStyle style) {
    Open(style);
    text_ += " t=\"inlineStr\"><is><t xml:space=\"preserve\">";
    AppendMarkup(text_, cp1251, kXlsxText);
    text_ += "</t></is></c>";
  }
  // UTF-8 that needs no escaping.
  void Heading(const char8_t* utf8) {
    Open(kBold);
    text_ += " t=\"inlineStr\"><is><t>";
    text_ += reinterpret_cast<const char*>(utf8);
    text_ += "</t></is></c>";
  }
  void Amount(std::int64_t amount) {
    Open(kAmount);
    text_ += "><v>";
    AppendSum(text_, amount, TSumFormat{});
    text_ += "</v></c>";
  }

 private:
  void Open(TListStyle style) {
    text_ += "<c r=\"";
    text_ += column_++;
    text_ += row_ + '"';
    if (style != kPlain) text_ += " s=\"" + std::to_string(static_cast<int>(style)) + '"';
  }

  std::string& text_;
  std::string row_;
  char column_ = 'A';
};

void Member(TZipStream& zip, const char* name, std::string_view text) {
  zip.BeginMember(name);
  zip.Text() += kXmlHead;
  zip.Text() += text;
  zip.EndMember();
}

}  // namespace

void WriteXlsxList(const TListJob& job) {
  TProtocolFile out(job.FileName);
  try {
    // One thread: the list is small beside a protocol.
    TZipStream zip([&out](std::string_view bytes) { out.Write(bytes); }, 0);
    Member(zip, "[Content_Types].xml", kContentTypes);
    Member(zip, "_rels/.rels", kPackageRelations);
    Member(zip, "xl/workbook.xml",
           "<workbook xmlns=\"http://schemas.openxmlformats.org/spreadsheetml/2006/main\" xmlns:r=\"" +
               std::string(kRelations) +
               "\"><sheets><sheet name=\"" + kSheetName +
               "\" sheetId=\"1\" r:id=\"rId1\"/></sheets><definedNames>"
               "<definedName name=\"_xlnm._FilterDatabase\" localSheetId=\"0\" hidden=\"1\">" +
               kSheetName + "!$A$2:$" + kLastColumn + "$" +
               std::to_string(kHeadingRow + job.Persons.size()) +
               "</definedName><definedName name=\"_xlnm.Print_Titles\" localSheetId=\"0\">" +
               kSheetName + "!$1:$2</definedName></definedNames></workbook>");
    Member(zip, "xl/_rels/workbook.xml.rels", kWorkbookRelations);
    Member(zip, "xl/styles.xml", kStyles);

    zip.BeginMember("xl/worksheets/sheet1.xml");
    std::string& text = zip.Text();
    text += kXmlHead;
    text +=
        "<worksheet xmlns=\"http://schemas.openxmlformats.org/spreadsheetml/2006/main\">"
        "<sheetViews><sheetView workbookViewId=\"0\"><pane ySplit=\"2\" topLeftCell=\"A3\" "
        "activePane=\"bottomLeft\" state=\"frozen\"/></sheetView></sheetViews>"
        "<cols><col min=\"1\" max=\"1\" width=\"16\" customWidth=\"1\"/>"
        "<col min=\"2\" max=\"2\" width=\"36\" customWidth=\"1\"/>"
        "<col min=\"3\" max=\"4\" width=\"16\" customWidth=\"1\"/>"
        "<col min=\"5\" max=\"5\" width=\"24\" customWidth=\"1\"/>"
        "<col min=\"6\" max=\"6\" width=\"80\" customWidth=\"1\"/></cols><sheetData>";
    TListSheet sheet(text);
    sheet.BeginRow(1);
    sheet.Text(job.Caption, kBold);
    sheet.EndRow();
    sheet.BeginRow(kHeadingRow);
    for (const char8_t* name : {u8"СНИЛС", u8"ФИО", u8"Сальдо страховой части", u8"Сальдо накопительной части",
                                u8"Периоды", u8"Что сделать"}) {
      sheet.Heading(name);
    }
    sheet.EndRow();
    std::size_t row = kHeadingRow;
    std::string joined;
    for (const std::size_t personAt : job.Persons) {
      const TPersonResult& person = job.Results.Persons[personAt];
      const TMainLine& line = job.Report.PersonLine(person.Line);
      sheet.BeginRow(++row);
      sheet.Text(FormatSNILS(line.SNILS), kPlain);
      sheet.Text(line.FIO, kPlain);
      sheet.Amount(person.InsBalance);
      sheet.Amount(person.FundBalance);
      joined.clear();
      for (const std::int32_t period : person.Periods) {
        if (!joined.empty()) joined += ", ";
        joined += job.Report.PeriodList[static_cast<std::size_t>(period)];
      }
      sheet.Text(joined, kWrapped);
      joined.clear();
      for (const TAction& action : person.Actions) {
        if (!joined.empty()) joined += '\n';
        joined += action.Text;
      }
      sheet.Text(joined, kWrapped);
      sheet.EndRow();
      zip.Spill();
    }
    text += "</sheetData><autoFilter ref=\"A2:";
    text += kLastColumn;
    text += std::to_string(row) +
            "\"/><pageMargins left=\"0.4\" right=\"0.4\" top=\"0.5\" bottom=\"0.5\" header=\"0.3\" footer=\"0.3\"/>"
            "<pageSetup paperSize=\"9\" orientation=\"landscape\"/></worksheet>";
    zip.EndMember();
    zip.Finish();
  } catch (const std::length_error&) {
    throw EProtocolWriteError(job.FileName, "книга больше 4 ГБ, такой файл XLSX не открыть");
  } catch (const std::logic_error& failure) {
    throw EProtocolWriteError(job.FileName, std::string("ошибка сжатия книги: ") + failure.what());
  }
  out.Commit();
}

#else

void WriteXlsxList(const TListJob& job) {
  throw EProtocolWriteError(job.FileName, "эта сборка программы не записывает файлы XLSX");
}

#endif

}  // namespace brisolt
