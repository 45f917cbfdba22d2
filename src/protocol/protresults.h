// What a clerk acts on beside the protocol: for every person the protocol lists, the final
// balances of both parts, the periods where they arise, what to do, and (when asked for) every
// document behind the figures with what the folding of submissions did with it. BuildResults
// (engine/results.h) fills it from the very report the protocol prints; the JSON and CSV writers
// and the window only show it. Texts are windows-1251; amounts ten-thousandths of a rouble.
#pragma once

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

// "принят", "заменён файлом № 5", ...: what the fold did, in the words the clerk reads.
std::string SourceFateText(const TSourceLine& source);

// A СЗВ-6 pack as the sources name it: by file number - 1.
struct TResultFile {
  std::string Name;  // without the folder
  std::string FormKind;
  std::string DataType;
  std::string Period;  // as the protocol's table spells it
  std::string CategoryCode;
};

enum class TActionKind : std::uint8_t {
  PayDebt,            // the balance of a part is a debt
  Overpayment,        // the balance of a part is an overpayment: offset or reclaim it
  Conflict,           // submissions contradict each other: corrective data are due
  DismissedDebt,      // a person who has left still owes
  MissingLastPeriod,  // a debt, and no data for the last period
  SZV63Mismatch,      // a quarter's individual data differ from the СЗВ-6-3 calculation
};

// Short names of the kinds for data files: "debt", "overpayment", ...
const char* ActionKindName(TActionKind kind);
// Their titles for the clerk (windows-1251): "Задолженность", "Переплата", ...
std::string ActionKindTitle(TActionKind kind);

struct TAction {
  TActionKind Kind = TActionKind::PayDebt;
  std::int64_t Amount = 0;  // the sum concerned, never negative; 0 when none
  std::string Period;       // the period concerned, as the protocol's table spells it; may be empty
  std::string Text;         // what to do, in plain Russian
};

struct TPersonResult {
  std::size_t Line = 0;  // into TReport::MainLines
  std::int64_t InsBalance = 0;   // positive a debt, negative an overpayment
  std::int64_t FundBalance = 0;
  std::vector<std::int32_t> Periods;  // into TReport::PeriodList: where the balances arise
  std::vector<TAction> Actions;
  std::vector<TSourceLine> Sources;  // only when the run kept them
};

struct TResultTotals {
  std::int64_t InsDebt = 0;  // over the listed persons with a debt in that part
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
  std::vector<TPersonResult> Persons;  // one per line of the report, in its order
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
