// The file set of one reconciliation run: finds an insurer's pack files in a folder tree, folds
// initial, corrective and cancelling submissions into one record per insured person, period,
// category and contract type, attaches the yearly СЗВ-6-3 payments, and answers the per-person
// and per-period questions the protocol asks. TFileSet is the one class the rest of the program
// sees; its work is split by concern: discovery (sverka_discovery.cpp), reading one file
// (sverka_reading.*), loading and folding (sverka.cpp), the texts it writes (sverka_messages.*),
// queries and checks (sverka_queries.cpp).
//
// Glossary: Ins and Fund are the insurance and the funded part of the contributions; a Sotr is an insured person, an NU one entry of a person's data
// (TSZV6NU: a period, category code and contract type; TSZV63NU: a year of СЗВ-6-3 payments).
//
// Texts are windows-1251 bytes, except file names (the platform's narrow encoding) and the texts
// given to the progress callback (UTF-8, for display). Amounts are ten-thousandths of a rouble;
// dates are day counts from 30.12.1899 (0 = no date).
#pragma once

#include <array>
#include <cstddef>
#include <cstdint>
#include <functional>
#include <set>
#include <stdexcept>
#include <string>
#include <unordered_map>
#include <utility>
#include <vector>

#include "forms/szv63.h"
#include "protocol/prot.h"
#include "protocol/protresults.h"

namespace brisolt {

// stage, detail, position, maximum. Texts are UTF-8.
using TProgressEvent =
    std::function<void(const std::string& stage, const std::string& detail, int position, int maximum)>;

// Balance flags of a person (`CheckSotr`), combined with "|".
inline constexpr int SaldoDebt = 1;
inline constexpr int SaldoOverpaid = 2;

// Which persons the protocol's table lists by their balance ("Всех", "С ненулевым",
// "С задолженностью", "С переплатой").
enum class TSaldoFilter : std::uint8_t { All, NonZero, Debt, Overpayment };

struct TReportPeriod {
  std::int32_t Year = 0;
  std::int32_t Quarter = 0;  // the half-year in 2010
};

// One accepted pack file, independent of its parsed contents.
struct TFileRec {
  std::int32_t PackIndex = 0;  // into SZV6Packs or SZV63Packs, while loading
  std::string FileName;        // folder + name, as found
  std::string FormKind;        // empty for СЗВ-6-3
  std::int32_t PackNumber = 0;
  std::string DataType;
  std::int32_t Year = 0;
  std::int32_t Quarter = 0;
  std::int32_t CorrYear = 0;
  std::int32_t PeriodYear = 0;     // the period the data belong to: the corrected one for
  std::int32_t PeriodQuarter = 0;  // corrective and cancelling packs
  std::int32_t CorrQuarter = 0;
  std::string CategoryCode;
  TDate CompileDate = 0;
};

struct TStageDates {
  TDate StartDate = 0;
  TDate EndDate = 0;
};

// One person's СЗВ-6 amounts in force for one period, category code and contract type.
struct TSZV6NU {
  std::int32_t Year = 0;
  std::int32_t Quarter = 0;
  std::string CategoryCode;
  std::string ContractType;
  std::int32_t FileIndex = 0;  // into the sorted SZV6Files, of the pack that last set the amounts
  bool Corrected = false;      // a corrective or cancelling pack has been applied
  TAmount InsAccrued = 0;
  TAmount FundAccrued = 0;
  TAmount InsPaid = 0;
  TAmount FundPaid = 0;
  std::vector<TStageDates> StageDates;
};

// One person's СЗВ-6-3 monthly payments for one year, category code and contract type.
struct TSZV63NU {
  std::int32_t Year = 0;
  std::string CategoryCode;
  std::string ContractType;
  std::int32_t FileNumber = 0;  // position from 1 of the pack in the order found
  std::array<TMonthSums, 13> Months{};  // by month number, 1 to 12; entry 0 stays zero
};

// A conflict between a person's submissions, as the message list tells it in words. File numbers
// count from 1 in the sorted SZV6Files.
enum class TConflictKind : std::uint8_t {
  DuplicateInitial,             // OtherFile: the file whose data were in force
  CorrectionWithoutInitial,     // OtherFile: 0
  RepeatedCorrection,           // OtherFile: the earlier corrective or cancelling file
  CancellationAfterCorrection,  // OtherFile: the earlier corrective or cancelling file
};

struct TSZV6Conflict {
  TConflictKind Kind = TConflictKind::DuplicateInitial;
  std::int32_t FileNumber = 0;
  std::int32_t OtherFile = 0;
  std::int32_t Year = 0;
  std::int32_t Quarter = 0;
};

// One insured person.
class TSZV6Sotr {
 public:
  std::string SNILS;  // 11 digits when the packs write it in the usual 14-character form
  std::string LastName;
  std::string FirstName;
  std::string MiddleName;
  std::vector<TSZV6NU> NUList;
  std::vector<TSZV63NU> NU63List;
  std::vector<TSZV6Conflict> Conflicts;  // in the order of the fold
  std::vector<TSourceLine> Sources;      // every СЗВ-6 document, in the order of the fold; KeepSources only
  std::vector<TFinding> PaymentConflicts;  // the СЗВ-6-3 submissions of the person that contradict
  std::vector<TPaymentSource> Payments;    // every СЗВ-6-3 document, in the order applied; KeepSources only
};

// What the engine keeps of an accepted СЗВ-6 pack until its persons are built; the parsed pack
// itself (addresses, special conditions, the XML) is freed as soon as the file is read.
struct TSZV6DocData {
  std::string SNILS;    // as written
  std::string Key;      // NormalizeSNILS(SNILS), the person's key, worked out on the reading threads
  std::size_t KeyHash = 0;  // HashSNILS(Key)
  std::string LastName;
  std::string FirstName;
  std::string MiddleName;
  TAmount InsAccrued = 0;
  TAmount FundAccrued = 0;
  TAmount InsPaid = 0;
  TAmount FundPaid = 0;
  std::vector<TStageDates> StageDates;
};

struct TSZV6PackData {
  std::string ContractType;  // the rest of the header is in the pack's TFileRec
  std::vector<TSZV6DocData> Docs;
};

// The same for a СЗВ-6-3 pack.
struct TSZV63DocData {
  std::string SNILS;    // as written
  std::string Key;      // as TSZV6DocData's
  std::size_t KeyHash = 0;
  std::string LastName;
  std::string FirstName;
  std::string MiddleName;
  std::array<TMonthSums, 13> Months{};  // by month number, 1 to 12; entry 0 stays zero
};

struct TSZV63PackData {
  std::int32_t PackNumber = 0;
  std::string DataType;
  std::int32_t Year = 0;
  std::string CategoryCode;
  std::string ContractType;
  std::vector<TSZV63DocData> Docs;
};

// Results of the per-person and per-period queries.
struct TPeriodSums {
  std::string FileNumbers;   // "1, 3": the file numbers of the period's entries, in entry order
  double EstimatedBase = 0;  // roubles, from the period's last entry
  TAmount InsAccrued = 0;
  TAmount FundAccrued = 0;
  TAmount InsPaid = 0;
  TAmount FundPaid = 0;
};

// A person's contributions summed period by period, each of the four parts on its own. Two kinds
// of running total are kept, for two purposes:
// - the balance (Add): every period's sums as the packs give them, a negative correction lowering
//   the total; this is what the protocol shows and what is still owed;
// - the amounts put through (AddRaises): only what a period adds, a negative correction leaving the
//   total as it was; the checks for overpayment and for debt at dismissal compare these.
struct TRunningTotals {
  TAmount InsAccrued = 0;
  TAmount InsPaid = 0;
  TAmount FundAccrued = 0;
  TAmount FundPaid = 0;

  void Add(const TPeriodSums& sums);
  void AddRaises(const TPeriodSums& sums);
  TAmount InsBalance() const { return SubAmount(InsAccrued, InsPaid); }
  TAmount FundBalance() const { return SubAmount(FundAccrued, FundPaid); }
};

struct TCategorySums {
  TAmount InsAccrued = 0;
  TAmount FundAccrued = 0;
};

struct TQuarterSums63 {
  std::string FileNumbers;  // "1,2"
  TAmount Total = 0;
  TAmount Taxable = 0;
};

struct TSotrCheck {
  int SaldoFlags = 0;      // SaldoDebt | SaldoOverpaid
  TLineMark Mark = TLineMark::Plain;
  TDate LastStageEnd = 0;  // GetLastStageEnd, which the check needs for the dismissal
};

// The mask of pack file names, matched by the program without regard to letter case.
inline constexpr const char* PackFileMask = "PFR-700-Y-?\?\?\?-ORG-*.xml";

// Whether a file name (platform encoding, without folder) matches PackFileMask.
bool MatchesPackFileMask(const std::string& name);

// A folder the load must read but cannot list: the run has nothing to stand on. what() is UTF-8
// and names the folder and the reason.
class EFolderUnreadable : public std::runtime_error {
 public:
  using std::runtime_error::runtime_error;
};

class TFileSet {
 public:
  std::vector<TFileRec> SZV6Files;   // sorted by LoadSubmissions
  std::vector<TFileRec> SZV63Files;  // sorted by LoadSubmissions
  std::vector<TSZV6PackData> SZV6Packs;
  std::vector<TSZV63PackData> SZV63Packs;
  std::vector<TSZV6Sotr> Sotrs;                // ordered by name after LoadSubmissions
  std::vector<TReportPeriod> ReportPeriods;    // ascending after LoadSubmissions
  // Threads that read and parse the pack files, fold the persons (at most eight) and assemble the
  // report's lines; 0 means one per core of the machine. Whatever the number, the load gives the
  // same lists, messages, progress events and failures, and the report the same lines.
  int Threads = 0;
  // Keep every person's documents (TSZV6Sotr::Sources) and what the fold did with each.
  bool KeepSources = false;
  // What the load walked and tried, platform encoding: every candidate file (folder + name) and
  // every folder listed. The protocol must never replace one of them or land among them.
  std::vector<std::string> PackFileNames;
  std::vector<std::string> WalkedFolders;
  // One line per candidate file or sub-folder that could not be opened or read, with the reason
  // (UTF-8). Files that read but are not wanted packs are dropped without a word.
  std::vector<std::string> ReadFailures;
  // The wanted registration numbers (windows-1251, as asked for) that no СЗВ-6 pack was found for:
  // a run for several insurers must not pass over one of them in silence.
  std::vector<std::string> RegNumbsWithoutPacks;
  // What each message of LoadSubmissions is about (the person it names, the files, the period),
  // one per message in the same order.
  std::vector<TFinding> MessageFindings;

  // Reads the packs of the wanted insurers (registration numbers separated by commas) and every
  // СЗВ-6-3 pack, and builds the persons. `folder` names a folder; a missing trailing separator is
  // added. `messages` is cleared and receives the files that could not be read (as ReadFailures,
  // in windows-1251), then the conflicts between submissions. A date a pack cannot be read by ends
  // the load with EConvertError naming the file; a folder itself that cannot be listed, with
  // EFolderUnreadable.
  void LoadSubmissions(const std::string& folder, bool subDirs, bool calcCorr, const std::string& regNumbs,
                       std::vector<std::string>& messages, const TProgressEvent& progress);

  // Regular files matching PackFileMask in the folder (and, with subDirs, below it).
  static int CountPackFiles(const std::string& folder, bool subDirs);

  // Reads every candidate file: a wanted СЗВ-6 pack goes to SZV6Files/SZV6Packs, any other file
  // that reads as a СЗВ-6-3 pack to SZV63Files/SZV63Packs, the rest is dropped. Fills
  // PackFileNames, WalkedFolders and ReadFailures.
  void ReadPackFiles(const std::string& folder, bool subDirs, const std::string& regNumbs, int total,
                     const TProgressEvent& progress);

  void AddReportPeriod(int year, int quarter);

  static void SplitRegNumbs(const std::string& text, std::vector<std::string>& list);

  // Appends the name and registration number of every insurer whose СЗВ-6 packs lie in the tree,
  // each insurer once, in the order found. The lists are not cleared first. `progress`, when
  // given, hears of every file as it is read ("Поиск страхователей", the file, files read, all).
  static void ScanInsurers(const std::string& folder, bool subDirs, std::vector<std::string>& names,
                           std::vector<std::string>& regNumbs,
                           const TProgressEvent& progress = {});

  // A 14-character insurance number reduced to its digits; any other text unchanged.
  static std::string NormalizeSNILS(const std::string& text);
  // The hash by which the persons are found and the fold shares them out; `key` normalised.
  static std::size_t HashSNILS(const std::string& key);

  // -1 when absent; the first match otherwise.
  int FindSotr(const std::string& snils) const;
  int FindNU63(int person, int year, const std::string& categoryCode, const std::string& contractType) const;

  // True when `a`, standing just before `b`, must go after it.
  static bool CompareFileRec(const TFileRec& a, const TFileRec& b);
  static bool CompareFileRec63(const TFileRec& a, const TFileRec& b);

  // Queries. `person` is an index into Sotrs. A period's entries are the person's TSZV6NU of that
  // year and quarter, in NUList order.
  bool HasPeriodData(int person, int year, int quarter) const;
  // The sums of the person's entries of every period of ReportPeriods, in that order, in one
  // pass over the entries; a period's sums take its entries in entry order.
  std::vector<TPeriodSums> GetPeriodSumsByPeriod(int person) const;
  TCategorySums GetCategorySums(int person, int year, int quarter, const std::string& categoryCode) const;
  // Category codes of the period's entries with InsAccrued or FundAccrued above zero (repeats kept).
  void GetPeriodCategories(int person, int year, int quarter, std::vector<std::string>& list) const;
  void GetCategories63(int person, int year, std::vector<std::string>& list) const;
  TQuarterSums63 GetQuarterSums63(int person, int year, const std::string& categoryCode, int quarter) const;
  TAmount GetYearTaxable63(int person, int year) const;
  TDate GetLastStageEnd(int person) const;
  // The four sums over every person of every period of ReportPeriods, in that order (FileNumbers
  // empty, EstimatedBase 0), in one pass over all entries.
  std::vector<TPeriodSums> GetPeriodTotalsByPeriod() const;
  // Walks ReportPeriods in order with the person's GetPeriodSumsByPeriod: clears and fills
  // `notes` (and, when given, `findings`: what each note is about, period and amounts), gives the
  // balance flags and the class.
  TSotrCheck CheckSotr(int person, const std::vector<TPeriodSums>& periodSums,
                       std::vector<std::string>& notes, std::vector<TFinding>* findings = nullptr) const;
  int GetLastYear63() const;
  static bool SaldoMatches(int saldoFlags, TSaldoFilter filter);

 private:
  // The pairs of ReportPeriods, so that thousands of packs of distinct periods stay cheap to add.
  std::set<std::pair<std::int32_t, std::int32_t>> periodIndex_;
};

// Positions of the periods of a period list, by first occurrence: a table by year and quarter
// when the years are few, an index otherwise, so that neither a person's entries nor a folder
// with thousands of periods cost a scan per period.
class TPeriodPositions {
 public:
  explicit TPeriodPositions(const std::vector<TReportPeriod>& periods);

  // The first position of the period, or the list's length when it is not listed.
  std::size_t Find(std::int32_t year, std::int32_t quarter) const {
    if (!byYear_.empty()) {
      const auto slot = static_cast<std::uint64_t>(static_cast<std::int64_t>(year) - firstYear_) * 4 +
                        static_cast<std::uint64_t>(static_cast<std::int64_t>(quarter) - 1);
      return quarter >= 1 && quarter <= 4 && slot < byYear_.size() ? byYear_[slot] : count_;
    }
    return FindIndexed(year, quarter);
  }
  // A period listed twice (only by hand) takes its sums from its first position.
  void CopyRepeated(std::vector<TPeriodSums>& sums) const;

 private:
  std::size_t FindIndexed(std::int32_t year, std::int32_t quarter) const;

  std::size_t count_ = 0;
  std::int64_t firstYear_ = 0;
  std::vector<std::size_t> byYear_;  // by (year - firstYear_) * 4 + quarter - 1
  std::unordered_map<std::uint64_t, std::size_t> index_;
  std::vector<std::pair<std::size_t, std::size_t>> repeated_;  // position, first position
};

// The four sums over a run of consecutive persons, period by period, kept so that runs added in
// the order of their persons give exactly what one pass over all of them gives. AddAmount stops
// at the limits of TAmount, so sums cannot simply be regrouped: each part keeps the run's exact
// sum and the sum of the sizes of its amounts, which bounds every partial sum; when from where
// the totals stand no partial sum can reach past a limit the run's sum is added at once, otherwise
// its entries are added again one by one (TPeriodTotals::Add).
struct TPeriodTotalsRun {
  __extension__ typedef __int128 TWide;
  struct TPart {
    TWide Sum = 0;
    TWide Size = 0;  // of the amounts, each taken without its sign
  };
  std::size_t First = 0;  // the run's persons: First..End-1, every one of them added
  std::size_t End = 0;
  std::vector<std::array<TPart, 4>> Periods;  // by first position; InsAccrued, FundAccrued, InsPaid, FundPaid
};

// The per-period sums of persons taken one after another, with what serves every person made
// once: the positions of the periods, the buffers and the last tariff looked up. Every person
// given also goes into the totals of the run, which must take each person from its first on.
class TPeriodSumsPass {
 public:
  TPeriodSumsPass(const TFileSet& files, std::size_t firstPerson);

  // The person's sums of every period of ReportPeriods, in that order; a period's sums take its
  // entries in entry order. Valid until the next call.
  const std::vector<TPeriodSums>& AddPerson(std::size_t person);
  // The person's entries into the run's totals only.
  void AddToTotals(std::size_t person);
  // The totals of the persons given so far; the pass then serves no more.
  TPeriodTotalsRun TakeTotals();

 private:
  TAmount Tariff(std::int32_t year, const std::string& categoryCode);
  void AddToTotals(std::size_t position, const TSZV6NU& entry);

  const TFileSet& files_;
  TPeriodPositions positions_;
  std::vector<TPeriodSums> sums_;
  TPeriodTotalsRun totals_;
  std::int32_t tariffYear_ = 0;
  std::string tariffCode_;
  TAmount tariff_ = 0;
  bool withTariff_ = false;
};

// The four sums over every person of every period of ReportPeriods (FileNumbers empty,
// EstimatedBase 0), gathered from runs of persons in their order.
class TPeriodTotals {
 public:
  explicit TPeriodTotals(const TFileSet& files);
  void Add(const TPeriodTotalsRun& run);
  std::vector<TPeriodSums> Take();

 private:
  const TFileSet& files_;
  TPeriodPositions positions_;
  std::vector<TPeriodSums> sums_;
};

// A person's names as one run of bytes whose order is that of CompareCp1251ByUtf16 applied to the
// last, first and middle names in turn: persons are sorted by it.
std::string PersonNameSortKey(const TSZV6Sotr& sotr);

// The ordering of the СЗВ-6-3 file list as repeated adjacent-swap passes, exactly. Exposed for the
// test that checks the faster ordering LoadSubmissions uses against it.
void SortFileRecs63ByPasses(std::vector<TFileRec>& files);
void SortFileRecs63(std::vector<TFileRec>& files);

}  // namespace brisolt
