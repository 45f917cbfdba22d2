// What a clerk acts on beside the protocol: for every person the protocol lists, the final
// balances of both parts, the periods where they arise, what to do, and (when asked for) every
// document behind the figures with what the folding of submissions did with it. BuildResults
// (engine/results.h) fills it from the very report the protocol prints; the JSON and CSV writers
// and the window only show it. Texts are windows-1251; amounts ten-thousandths of a rouble.
#pragma once

#include <array>
#include <cstddef>
#include <cstdint>
#include <string>
#include <vector>

namespace brisolt {

// What the fold did with one СЗВ-6 document of a person.
enum class TSourceFate : std::uint8_t {
  Taken,             // its amounts are in force (an initial document, or a corrective one)
  TakenForMissing,   // a corrective document made the entry, the initial one missing (calccorr)
  Cancelling,        // a cancelling document zeroed the entry that file ByFile had set
  Replaced,          // taken, then replaced by the corrective document of file ByFile
  Cancelled,         // taken, then zeroed by the cancelling document of file ByFile
  DuplicateInitial,  // not taken: file ByFile already held initial data for the entry
  WithoutInitial,    // not taken: corrective or cancelling data without initial data
  UnknownType,       // not taken: neither initial, corrective nor cancelling
};

// One СЗВ-6 document of a person, with the amounts as the document gives them. File numbers
// count from 1 in the protocol's file list.
struct TSourceLine {
  std::int32_t FileNumber = 0;
  std::int32_t ByFile = 0;  // 0 when no other file is concerned
  TSourceFate Fate = TSourceFate::Taken;
  // In TPeriodRec's order; filled by name, never by position.
  std::int64_t InsAccrued = 0;
  std::int64_t InsPaid = 0;
  std::int64_t FundAccrued = 0;
  std::int64_t FundPaid = 0;
};

// One СЗВ-6-3 document of a person: a year's payments of one category, summed by quarter.
struct TPaymentSource {
  std::int32_t FileNumber = 0;  // in the protocol's file list, after the СЗВ-6 packs
  std::int32_t ByFile = 0;      // 0 when no other file is concerned
  TSourceFate Fate = TSourceFate::Taken;
  std::int32_t Year = 0;
  std::array<std::int64_t, 4> Total{};    // all payments of each quarter
  std::array<std::int64_t, 4> Taxable{};  // the part contributions were accrued on
};

// "принят", "заменён файлом № 5", ...: what the fold did, in the words the clerk reads.
std::string SourceFateText(TSourceFate fate, std::int32_t byFile);
inline std::string SourceFateText(const TSourceLine& source) { return SourceFateText(source.Fate, source.ByFile); }
// "taken", "replaced", ...: the fate as a code for data files.
const char* SourceFateName(TSourceFate fate);

// A reporting period: a quarter, a half-year of 2010, or (Quarter 0) the year of СЗВ-6-3 data.
struct TPeriodKey {
  std::int32_t Year = 0;
  std::int32_t Quarter = 0;
  // A calendar quarter even in 2010, whose reporting periods are half-years: the quarters of a
  // СЗВ-6-3 year.
  bool CalendarQuarter = false;
  friend bool operator==(const TPeriodKey&, const TPeriodKey&) = default;
};
// "1 квартал 2011 г.", "2 полугодие 2010 г." (windows-1251): the period as every protocol names it.
std::string PeriodText(int year, int number);
// PeriodText, or "2011 г." for a year.
std::string PeriodKeyText(TPeriodKey period);
// "quarter", "halfYear" or "year".
const char* PeriodKindName(TPeriodKey period);

// A pack as the sources name it: by file number - 1 (the СЗВ-6 packs, then the СЗВ-6-3 packs).
struct TResultFile {
  std::string Name;  // without the folder
  std::string FormKind;
  std::string DataType;
  std::string Period;  // as the protocol's table spells it; the year of a СЗВ-6-3 pack
  std::string CategoryCode;
  TPeriodKey PeriodKey;  // the same period (Quarter 0 for a СЗВ-6-3 year)
};

// What a first-stage message or a person's note is about. Each kind has a stable code for data
// files (FindingKindName); the texts stay those the protocol prints.
enum class TFindingKind : std::uint8_t {
  Message,                                 // about a file or the run, naming nobody
  DuplicateInitial,                        // СЗВ-6: initial data given twice
  CorrectionWithoutInitial,                // СЗВ-6: corrective or cancelling data without initial ones
  RepeatedCorrection,                      // СЗВ-6: a correction after a correction
  CancellationAfterCorrection,             // СЗВ-6: a cancellation after a correction
  PaymentsWithoutIndividualData,           // СЗВ-6-3 for a person without СЗВ-6 data
  PaymentCorrectionWithoutIndividualData,  // the same for corrective or cancelling СЗВ-6-3
  PaymentCorrectionWithoutInitial,         // corrective or cancelling СЗВ-6-3 without initial ones
  DuplicateInitialPayments,                // initial СЗВ-6-3 given twice
  BaseLimitExceeded,                       // note: the year's base passed the limit in a period
  InsOverpaid,                             // note: paid more than accrued so far, insurance part
  FundOverpaid,                            // note: the same, funded part
  InsDebtAtDismissal,                      // note: a debt of the insurance part at dismissal
  FundDebtAtDismissal,                     // note: the same, funded part
};
const char* FindingKindName(TFindingKind kind);

// The facts of a message or a note, beside its text. File numbers are those of the protocol's
// file list; amounts ten-thousandths of a rouble.
struct TFinding {
  TFindingKind Kind = TFindingKind::Message;
  std::string SNILS;        // 11 digits of the person named; empty when it names nobody
  std::int32_t FileNumber = 0;  // 0 when none
  std::int32_t OtherFile = 0;   // the earlier file concerned, 0 when none
  std::int32_t PackNumber = 0;  // СЗВ-6-3 duplicates: the pack's own number
  TPeriodKey Period;            // Year 0 when none
  std::string CategoryCode;
  std::string ContractType;
  std::int64_t Amount = 0;  // base limit: the year's base; overpaid: accrued; dismissal: the debt
  std::int64_t Paid = 0;    // overpaid: paid
};

enum class TActionKind : std::uint8_t {
  PayDebt,            // the balance of a part is a debt
  Overpayment,        // the balance of a part is an overpayment: offset, reclaim or correct it
  Conflict,           // СЗВ-6 submissions contradict each other: corrective data are due
  DismissedDebt,      // a person who has left still owes
  MissingLastPeriod,  // a debt, and no data for the last period
  SZV63Mismatch,      // a quarter's individual data differ from the СЗВ-6-3 calculation
  BaseLimit,          // the accrual passed the base limit: check it
  PaidOverAccrued,    // paid more than accrued for a while, the balance no overpayment at the end
  PaymentsConflict,   // СЗВ-6-3 submissions contradict each other
};

// Short names of the kinds for data files: "debt", "overpayment", ...
const char* ActionKindName(TActionKind kind);
// Their titles for the clerk (windows-1251): "Задолженность", "Переплата", ...
std::string ActionKindTitle(TActionKind kind);

// The part of the contributions an action is about.
enum class TPart : std::uint8_t { None, Insurance, Funded };
const char* PartName(TPart part);           // "", "insurance", "funded"
std::string PartTitle(TPart part);          // "", "страховая", "накопительная" (windows-1251)

struct TAction {
  TActionKind Kind = TActionKind::PayDebt;
  TPart Part = TPart::None;
  std::int64_t Amount = 0;  // the sum concerned, never negative; 0 when none
  std::vector<TPeriodKey> Periods;   // the periods concerned, in time order; may be empty
  std::vector<std::int32_t> Files;   // the files concerned (protocol's numbers); may be empty
  std::string Text;                  // what to do, in plain Russian
};

struct TPersonResult {
  std::size_t Line = 0;  // TReport::PersonLine: the listed lines, then the others
  std::int64_t InsBalance = 0;   // positive a debt, negative an overpayment
  std::int64_t FundBalance = 0;
  std::vector<std::int32_t> Periods;  // into TReport::PeriodList: where the balances arise
  std::vector<TAction> Actions;
  std::vector<TSourceLine> Sources;        // only when the run kept them
  std::vector<TPaymentSource> Payments;    // the СЗВ-6-3 documents, only when the run kept them

  bool HasDebt() const { return InsBalance > 0 || FundBalance > 0; }
  bool HasOverpayment() const { return InsBalance < 0 || FundBalance < 0; }
};

struct TResultTotals {
  std::int64_t InsDebt = 0;  // over every person with a debt in that part, listed or not
  std::int64_t FundDebt = 0;
  std::int64_t InsOverpaid = 0;  // positive
  std::int64_t FundOverpaid = 0;
  std::size_t Persons = 0;  // with at least one action
  std::size_t Actions = 0;
};

class TResults {
 public:
  bool HasSources = false;
  std::vector<TResultFile> Files;
  std::vector<TPeriodKey> Periods;  // the report's periods, by position in TReport::PeriodList
  // One per person of the run whatever the balance filter: first the report's listed lines in
  // their order (Listed of them), then the lines the filter left out.
  std::vector<TPersonResult> Persons;
  std::size_t Listed = 0;
  std::vector<std::size_t> ByOwed;     // the persons with an action, most owed first
  TResultTotals Totals;

  // What the person owes in both parts together (debts only).
  static std::int64_t Owed(const TPersonResult& person);
};

// "1 500,00 руб.": the protocol's rounding, digits grouped by three, decimal comma.
std::string FormatRoubles(std::int64_t amount);
// "1 500,00": the same without the word, where a caption says what the figures are.
std::string FormatGroupedSum(std::int64_t amount);

}  // namespace brisolt
