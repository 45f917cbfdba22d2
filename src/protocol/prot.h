// The reconciliation protocol: its in-memory model and the writers of the HTML page and the XML
// spreadsheet (the XLSX workbook's is protxlsx.h, the data formats' protdata.h, the table of all
// of them protformats.h).
// Every text held here is windows-1251; every amount is in ten-thousandths of a rouble.
#pragma once

#include <array>
#include <cstddef>
#include <cstdint>
#include <stdexcept>
#include <string>
#include <string_view>
#include <utility>
#include <vector>

#include "protocol/protresults.h"

namespace brisolt {

// One period of a person's line: the file numbers, then for the insurance part (Ins) and the
// funded part (Fund) the period's accrued and paid, the running totals and the balance.
struct TPeriodRec {
  std::string FileNums;
  std::int64_t InsAccrued = 0;
  std::int64_t InsPaid = 0;
  std::int64_t InsAccruedTotal = 0;
  std::int64_t InsPaidTotal = 0;
  std::int64_t InsSaldo = 0;
  std::int64_t FundAccrued = 0;
  std::int64_t FundPaid = 0;
  std::int64_t FundAccruedTotal = 0;
  std::int64_t FundPaidTotal = 0;
  std::int64_t FundSaldo = 0;
};

// How a person's line is marked: in red for a conflict in the person's data, on cyan for a debt
// left at dismissal, both or neither.
enum class TLineMark : std::uint8_t { Plain, Conflict, DismissalDebt, ConflictAndDismissalDebt };

// The HTML page's class of a mark: "norm", "p", "hv", "hvp".
std::string_view LineMarkClass(TLineMark mark);

// When a person's work ended, as the table's dismissal column shows it.
enum class TDismissalKind : std::uint8_t {
  NoWork,  // no period of work at all: "Отсутствует"
  AtWork,  // the last period of work reaches the end of the last reporting period
  Left,    // the last period of work ended earlier, on Date
};

struct TDismissal {
  TDismissalKind Kind = TDismissalKind::NoWork;
  std::string Date;  // Left only: "DD.MM.YYYY", the last day of work

  static TDismissal NoWork() { return {}; }
  static TDismissal AtWork() { return {TDismissalKind::AtWork, {}}; }
  static TDismissal Left(std::string date) { return {TDismissalKind::Left, std::move(date)}; }
  friend bool operator==(const TDismissal&, const TDismissal&) = default;
};

// The dismissal column's text: "Отсутствует" without any period of work, `atWorkText` for a person
// still at work, the date otherwise. Unescaped: each writer escapes what it prints.
std::string DismissalText(const TDismissal& dismissal, std::string_view atWorkText);

// The protocol's layout: the compact table, or the detailed one with every period's columns
// ("Компактная", "Наглядная").
enum class TProtForm : std::uint8_t { Compact, Detailed };

class TMainLine {
 public:
  TLineMark Mark = TLineMark::Plain;
  std::string FIO;
  std::string SNILS;
  TDismissal Dismissal;
  std::vector<TPeriodRec> Periods;
  std::vector<std::string> Notes;
  std::vector<TFinding> NoteFindings;  // what each note is about, one per note
};

// Totals over all persons for one period. For the insurance part and then the funded part, three
// spans (period, year to date, since 01.01.2010), each accrued, paid, balance: 18 values printed
// left to right in this order.
struct TTotalRec {
  enum : std::size_t {
    InsPeriodAccrued, InsPeriodPaid, InsPeriodSaldo,
    InsYearAccrued, InsYearPaid, InsYearSaldo,
    InsAllAccrued, InsAllPaid, InsAllSaldo,
    FundPeriodAccrued, FundPeriodPaid, FundPeriodSaldo,
    FundYearAccrued, FundYearPaid, FundYearSaldo,
    FundAllAccrued, FundAllPaid, FundAllSaldo,
    Count
  };
  std::array<std::int64_t, Count> Values{};
};

struct TForgottenLine {
  std::string FIO;
  std::string SNILS;
  std::int64_t InsDebt = 0;
  std::int64_t FundDebt = 0;
};

struct TSZV63Quarter {
  std::int64_t Calculated = 0;
  std::int64_t FromIS = 0;
  std::int64_t Difference = 0;
  bool Mismatch = false;
};

struct TSZV63SverkaLine {
  std::string CategoryCode;
  std::array<TSZV63Quarter, 4> Quarters{};
};

class TSZV63SverkaZL {
 public:
  std::string FIO;
  std::string SNILS;
  std::vector<TSZV63SverkaLine> Lines;
};

class TReport {
 public:
  TProtForm ProtForm = TProtForm::Compact;  // kept by Clear
  std::string ProgName;
  std::string ProgVersion;
  std::string ProgURL;
  std::string ProgNote;
  std::string OrgName;
  std::string RegNumb;
  std::vector<std::string> FileList;
  std::vector<std::string> PeriodList;
  std::vector<std::string> ErrorList;
  std::vector<TFinding> ErrorFindings;  // what each message is about, one per message
  std::vector<TMainLine> MainLines;
  // The persons the balance filter leaves out of MainLines, in the same order, when the run asked
  // for them (its results cover everyone); no writer prints them.
  std::vector<TMainLine> UnlistedLines;
  std::vector<TTotalRec> PeriodTotals;
  std::vector<TForgottenLine> ForgottenLines;
  std::int32_t SZV63Year = 0;
  std::vector<TSZV63SverkaZL> SZV63Blocks;

  void Clear();
  void AddFile(const std::string& text);
  void AddPeriod(const std::string& text);
  void AddError(const std::string& text, const TFinding& finding = {});
  // A person's line by TPersonResult::Line: the listed lines, then the unlisted ones.
  const TMainLine& PersonLine(std::size_t line) const {
    return line < MainLines.size() ? MainLines[line] : UnlistedLines[line - MainLines.size()];
  }
  std::size_t AddMainLine(TLineMark mark, const std::string& fio,
                          const std::string& snils, const TDismissal& dismissal);
  void AddLinePeriod(std::size_t lineIndex, const TPeriodRec& period);
  void AddLineNote(std::size_t lineIndex, const std::string& text, const TFinding& finding = {});
  void AddTotal(const TTotalRec& total);
  // Number first, name second: the argument order of the callers, not of the record.
  void AddForgottenLine(const std::string& snils, const std::string& fio, std::int64_t insDebt,
                        std::int64_t fundDebt);
  void SetSZV63Year(std::int32_t year);
  std::size_t AddSZV63Block(const std::string& fio, const std::string& snils);
  // Per quarter 1..4: calculated amount, amount from individual data, mismatch flag. The
  // difference is always derived here, never taken from the caller.
  void AddSZV63Line(std::size_t blockIndex, const std::string& categoryCode,
                    const std::array<std::int64_t, 4>& calculated,
                    const std::array<std::int64_t, 4>& fromIS,
                    const std::array<bool, 4>& mismatch);
};

// Raised by the writers when the protocol file cannot be created, written or put in place.
// what() is UTF-8: the file's name (given in the platform's encoding), ": " and `what` (UTF-8).
class EProtocolWriteError : public std::runtime_error {
 public:
  EProtocolWriteError(const std::string& fileName, const std::string& what);
};

// The most rows and columns a sheet may have for Excel and LibreOffice Calc to open it whole.
struct TSheetLimits {
  std::uint64_t Rows = 1048576;
  std::uint64_t Columns = 16384;
  // The most bytes of one sheet's XML inside an XLSX package: the ZIP format's sizes are 32-bit.
  std::uint64_t XlsxSheetBytes = 0xFFFFFFFFu;
};

// What a writer tells the user about a protocol it writes whole all the same: one line of UTF-8
// each, naming what it is about (a text it had to cut, ...). The caller shows them; the batch run
// on standard error.
using TProtocolWarnings = std::vector<std::string>;

// What a spreadsheet writer takes besides the report and the file name.
struct TSpreadsheetOptions {
  std::string Stamp;    // "DD.MM.YYYY HH:MM:SS"; empty: the clock's when writing starts
  TSheetLimits Limits;  // the programs' own; tests lower them to reach them with small reports
  int Threads = 0;      // that compress an XLSX workbook; 0: one per core
  TProtocolWarnings* Warnings = nullptr;  // where the writer adds its warnings; null: nowhere
};

// Raised by the spreadsheet writers, before anything is written, when a sheet would pass the
// limits. One line of UTF-8 for the user: the sheet, its size, the way out. The way out is named
// twice, as the command line's parameters (what()) and as the window's options (WindowText()),
// so that each mode can tell the user what to change there.
class ESpreadsheetTooLarge : public std::runtime_error {
 public:
  ESpreadsheetTooLarge(const std::string& commandLineText, std::string windowText)
      : std::runtime_error(commandLineText), windowText_(std::move(windowText)) {}
  const std::string& WindowText() const noexcept { return windowText_; }

 private:
  std::string windowText_;
};

// About how many bytes the HTML page of the report takes (within a twentieth either way for a table
// of thousands of persons, a fifth for a few), counted in a few milliseconds without writing it: a
// page past kLargeHtmlProtocol takes a browser minutes to open.
std::uint64_t EstimateHtmlProtocolBytes(const TReport& report);
inline constexpr std::uint64_t kLargeHtmlProtocol = 50'000'000;

// "12345678901" -> "123-456-789 01"; a shorter text contributes what it has, a longer one is cut.
std::string FormatSNILS(const std::string& snils);
// Blanks to "&nbsp;", wrapped in "&nbsp;"; leading and trailing blanks dropped.
std::string HtmlText(const std::string& text);
// HtmlText(EscapeMarkup(text, true)) appended to `out`, without a text of its own: how the HTML
// page shows a text from the model.
void AppendPageText(std::string& out, std::string_view text);
// FormatSum (base/amount.h) wrapped in "&nbsp;".
std::string HtmlAmount(std::int64_t amount);
// Escapes & < > and, when withQuote, " as entities; IsUnwritableCp1251 bytes (base/encoding.h)
// become kUnwritableMark.
std::string EscapeMarkup(const std::string& text, bool withQuote);

// "DD.MM.YYYY HH:MM:SS" of the local clock: the stamp every protocol carries.
std::string CurrentProtocolStamp();
// That stamp in ISO 8601 with the local clock's offset at that moment: "2026-12-08T15:47:10+03:00".
// Any other text comes back unchanged.
std::string IsoStamp(const std::string& stamp);
// "DD.MM.YYYY" as "YYYY-MM-DD"; any other text unchanged.
std::string IsoDate(const std::string& date);

// Every writer writes to a temporary file beside the target and renames it over the target only
// when it is complete, so a failure leaves any earlier protocol untouched. fileName is in the
// platform's encoding. The stamp overloads exist so that two runs can give identical files.
void WriteHtmlProtocol(const TReport& report, const std::string& fileName);
void WriteHtmlProtocol(const TReport& report, const std::string& fileName,
                       const std::string& stamp);
void WriteXmlProtocol(const TReport& report, const std::string& fileName);
void WriteXmlProtocol(const TReport& report, const std::string& fileName,
                      const std::string& stamp);
void WriteXmlProtocol(const TReport& report, const std::string& fileName,
                      const TSpreadsheetOptions& options);

}  // namespace brisolt
