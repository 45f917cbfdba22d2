// The file set's answers once it is loaded: a person's sums per period and category, the
// СЗВ-6-3 quarters, the totals over all persons, and the per-person check that writes the notes.
#include <algorithm>
#include <charconv>
#include <cmath>
#include <cstdint>
#include <limits>
#include <unordered_map>

#include "base/amount.h"
#include "engine/constants.h"
#include "engine/sverka.h"
#include "engine/sverka_messages.h"

namespace brisolt {

std::string TFileSet::NormalizeSNILS(const std::string& text) {
  if (text.size() != 14) {
    return text;
  }
  std::string digits;
  for (const char character : text) {
    if (character >= '0' && character <= '9') {
      digits += character;
    }
  }
  return digits;
}

std::size_t TFileSet::HashSNILS(const std::string& key) { return std::hash<std::string>{}(key); }

int TFileSet::FindSotr(const std::string& snils) const {
  for (std::size_t index = 0; index < Sotrs.size(); ++index) {
    if (Sotrs[index].SNILS == snils) {
      return static_cast<int>(index);
    }
  }
  return -1;
}

int TFileSet::FindNU63(int person, int year, const std::string& categoryCode, const std::string& contractType) const {
  const auto& list = Sotrs[static_cast<std::size_t>(person)].NU63List;
  for (std::size_t index = 0; index < list.size(); ++index) {
    const TSZV63NU& entry = list[index];
    if (entry.Year == year && entry.CategoryCode == categoryCode && entry.ContractType == contractType) {
      return static_cast<int>(index);
    }
  }
  return -1;
}

namespace {

std::uint64_t PeriodKey(std::int32_t year, std::int32_t quarter) {
  return (static_cast<std::uint64_t>(static_cast<std::uint32_t>(year)) << 32) | static_cast<std::uint32_t>(quarter);
}

// The four parts of an entry and of a period's sums, in the order of TPeriodTotalsRun's parts.
constexpr TAmount TSZV6NU::*kEntryParts[4] = {&TSZV6NU::InsAccrued, &TSZV6NU::FundAccrued, &TSZV6NU::InsPaid,
                                              &TSZV6NU::FundPaid};
constexpr TAmount TPeriodSums::*kSumParts[4] = {&TPeriodSums::InsAccrued, &TPeriodSums::FundAccrued,
                                                &TPeriodSums::InsPaid, &TPeriodSums::FundPaid};

}  // namespace

bool TFileSet::HasPeriodData(int person, int year, int quarter) const {
  for (const auto& entry : Sotrs[static_cast<std::size_t>(person)].NUList) {
    if (entry.Year == year && entry.Quarter == quarter) {
      return true;
    }
  }
  return false;
}

TPeriodPositions::TPeriodPositions(const std::vector<TReportPeriod>& periods) : count_(periods.size()) {
  // A table of four slots a year while it stays small beside the list; the index otherwise.
  constexpr std::int64_t kTableYears = 64;
  bool tabled = !periods.empty();
  std::int64_t lastYear = 0;
  if (tabled) {
    firstYear_ = periods.front().Year;
    lastYear = periods.front().Year;
  }
  for (const TReportPeriod& period : periods) {
    tabled = tabled && period.Quarter >= 1 && period.Quarter <= 4;
    firstYear_ = std::min<std::int64_t>(firstYear_, period.Year);
    lastYear = std::max<std::int64_t>(lastYear, period.Year);
  }
  tabled = tabled && lastYear - firstYear_ < kTableYears + static_cast<std::int64_t>(periods.size());
  if (tabled) {
    byYear_.assign(static_cast<std::size_t>(lastYear - firstYear_ + 1) * 4, count_);
  }
  for (std::size_t position = 0; position < periods.size(); ++position) {
    const TReportPeriod& period = periods[position];
    if (tabled) {
      std::size_t& slot = byYear_[static_cast<std::size_t>(period.Year - firstYear_) * 4 +
                                  static_cast<std::size_t>(period.Quarter - 1)];
      slot = std::min(slot, position);
    } else {
      index_.try_emplace(PeriodKey(period.Year, period.Quarter), position);
    }
  }
  for (std::size_t position = 0; position < periods.size(); ++position) {
    const std::size_t first = Find(periods[position].Year, periods[position].Quarter);
    if (first != position) {
      repeated_.emplace_back(position, first);
    }
  }
}

std::size_t TPeriodPositions::FindIndexed(std::int32_t year, std::int32_t quarter) const {
  const auto found = index_.find(PeriodKey(year, quarter));
  return found == index_.end() ? count_ : found->second;
}

void TPeriodPositions::CopyRepeated(std::vector<TPeriodSums>& sums) const {
  for (const auto& [position, first] : repeated_) {
    sums[position] = sums[first];
  }
}

TPeriodSumsPass::TPeriodSumsPass(const TFileSet& files, std::size_t firstPerson)
    : files_(files), positions_(files.ReportPeriods), sums_(files.ReportPeriods.size()) {
  totals_.First = firstPerson;
  totals_.End = firstPerson;
  totals_.Periods.resize(files.ReportPeriods.size());
}

TAmount TPeriodSumsPass::Tariff(std::int32_t year, const std::string& categoryCode) {
  // Entries one after another mostly share a category: the last answer is kept. (Keeping more
  // answers costs more comparisons than the look-ups they save.)
  if (!withTariff_ || year != tariffYear_ || categoryCode != tariffCode_) {
    tariff_ = GetTariff(year, categoryCode);
    tariffYear_ = year;
    tariffCode_ = categoryCode;
    withTariff_ = true;
  }
  return tariff_;
}

const std::vector<TPeriodSums>& TPeriodSumsPass::AddPerson(std::size_t person) {
  for (TPeriodSums& sums : sums_) {
    sums.FileNumbers.clear();  // keeps its buffer for the next person
    sums.EstimatedBase = 0;
    sums.InsAccrued = 0;
    sums.FundAccrued = 0;
    sums.InsPaid = 0;
    sums.FundPaid = 0;
  }
  for (const auto& entry : files_.Sotrs[person].NUList) {
    const std::size_t position = positions_.Find(entry.Year, entry.Quarter);
    if (position >= sums_.size()) {
      continue;
    }
    TPeriodSums& sums = sums_[position];
    for (std::size_t part = 0; part < 4; ++part) {
      sums.*kSumParts[part] = AddAmount(sums.*kSumParts[part], entry.*kEntryParts[part]);
    }
    if (!sums.FileNumbers.empty()) {
      sums.FileNumbers += ", ";
    }
    char number[16];
    const auto written = std::to_chars(number, number + sizeof number, entry.FileIndex + 1);
    sums.FileNumbers.append(number, written.ptr);
    // Both in ten-thousandths, so their quotient is the base in roubles.
    sums.EstimatedBase = (static_cast<double>(entry.InsAccrued) + static_cast<double>(entry.FundAccrued)) /
                         static_cast<double>(Tariff(entry.Year, entry.CategoryCode));
    AddToTotals(position, entry);
  }
  positions_.CopyRepeated(sums_);
  totals_.End = person + 1;
  return sums_;
}

void TPeriodSumsPass::AddToTotals(std::size_t person) {
  for (const auto& entry : files_.Sotrs[person].NUList) {
    const std::size_t position = positions_.Find(entry.Year, entry.Quarter);
    if (position < totals_.Periods.size()) {
      AddToTotals(position, entry);
    }
  }
  totals_.End = person + 1;
}

void TPeriodSumsPass::AddToTotals(std::size_t position, const TSZV6NU& entry) {
  std::array<TPeriodTotalsRun::TPart, 4>& parts = totals_.Periods[position];
  for (std::size_t part = 0; part < 4; ++part) {
    const TPeriodTotalsRun::TWide amount = entry.*kEntryParts[part];
    parts[part].Sum += amount;
    parts[part].Size += amount < 0 ? -amount : amount;
  }
}

TPeriodTotalsRun TPeriodSumsPass::TakeTotals() { return std::move(totals_); }

TPeriodTotals::TPeriodTotals(const TFileSet& files)
    : files_(files), positions_(files.ReportPeriods), sums_(files.ReportPeriods.size()) {}

void TPeriodTotals::Add(const TPeriodTotalsRun& run) {
  constexpr TPeriodTotalsRun::TWide kMin = std::numeric_limits<TAmount>::min();
  constexpr TPeriodTotalsRun::TWide kMax = std::numeric_limits<TAmount>::max();
  for (std::size_t position = 0; position < run.Periods.size() && position < sums_.size(); ++position) {
    for (std::size_t part = 0; part < 4; ++part) {
      const TPeriodTotalsRun::TPart& runSum = run.Periods[position][part];
      TAmount& total = sums_[position].*kSumParts[part];
      if (total - runSum.Size >= kMin && total + runSum.Size <= kMax) {
        total = static_cast<TAmount>(total + runSum.Sum);
        continue;
      }
      // Some partial sum reaches a limit: the run's entries of the period once more, in order.
      for (std::size_t person = run.First; person < run.End; ++person) {
        for (const auto& entry : files_.Sotrs[person].NUList) {
          if (positions_.Find(entry.Year, entry.Quarter) == position) {
            total = AddAmount(total, entry.*kEntryParts[part]);
          }
        }
      }
    }
  }
}

std::vector<TPeriodSums> TPeriodTotals::Take() {
  positions_.CopyRepeated(sums_);
  return std::move(sums_);
}

std::vector<TPeriodSums> TFileSet::GetPeriodSumsByPeriod(int person) const {
  TPeriodSumsPass pass(*this, static_cast<std::size_t>(person));
  return pass.AddPerson(static_cast<std::size_t>(person));
}

std::vector<TPeriodSums> TFileSet::GetPeriodTotalsByPeriod() const {
  TPeriodSumsPass pass(*this, 0);
  for (std::size_t person = 0; person < Sotrs.size(); ++person) {
    pass.AddToTotals(person);
  }
  TPeriodTotals totals(*this);
  totals.Add(pass.TakeTotals());
  return totals.Take();
}

TCategorySums TFileSet::GetCategorySums(int person, int year, int quarter, const std::string& categoryCode) const {
  TCategorySums sums;
  for (const auto& entry : Sotrs[static_cast<std::size_t>(person)].NUList) {
    if (entry.Year == year && entry.Quarter == quarter && entry.CategoryCode == categoryCode) {
      sums.InsAccrued = AddAmount(sums.InsAccrued, entry.InsAccrued);
      sums.FundAccrued = AddAmount(sums.FundAccrued, entry.FundAccrued);
    }
  }
  return sums;
}

void TFileSet::GetPeriodCategories(int person, int year, int quarter, std::vector<std::string>& list) const {
  list.clear();
  for (const auto& entry : Sotrs[static_cast<std::size_t>(person)].NUList) {
    if (entry.Year == year && entry.Quarter == quarter && (entry.InsAccrued > 0 || entry.FundAccrued > 0)) {
      list.push_back(entry.CategoryCode);
    }
  }
}

void TFileSet::GetCategories63(int person, int year, std::vector<std::string>& list) const {
  list.clear();
  for (const auto& entry : Sotrs[static_cast<std::size_t>(person)].NU63List) {
    if (entry.Year == year) {
      list.push_back(entry.CategoryCode);
    }
  }
}

TQuarterSums63 TFileSet::GetQuarterSums63(int person, int year, const std::string& categoryCode, int quarter) const {
  TQuarterSums63 sums;
  for (const auto& entry : Sotrs[static_cast<std::size_t>(person)].NU63List) {
    if (entry.Year != year || entry.CategoryCode != categoryCode) {
      continue;
    }
    if (!sums.FileNumbers.empty()) {
      sums.FileNumbers += ',';
    }
    sums.FileNumbers += std::to_string(entry.FileNumber);
    if (quarter < 1 || quarter > 4) {
      continue;
    }
    for (int month = quarter * 3 - 2; month <= quarter * 3; ++month) {
      sums.Total = AddAmount(sums.Total, entry.Months[static_cast<std::size_t>(month)].Total);
      sums.Taxable = AddAmount(sums.Taxable, entry.Months[static_cast<std::size_t>(month)].Taxable);
    }
  }
  return sums;
}

TAmount TFileSet::GetYearTaxable63(int person, int year) const {
  TAmount taxable = 0;
  for (const auto& entry : Sotrs[static_cast<std::size_t>(person)].NU63List) {
    if (entry.Year == year) {
      for (int month = 1; month <= 12; ++month) {
        taxable = AddAmount(taxable, entry.Months[static_cast<std::size_t>(month)].Taxable);
      }
    }
  }
  return taxable;
}

void TRunningTotals::Add(const TPeriodSums& sums) {
  InsAccrued = AddAmount(InsAccrued, sums.InsAccrued);
  InsPaid = AddAmount(InsPaid, sums.InsPaid);
  FundAccrued = AddAmount(FundAccrued, sums.FundAccrued);
  FundPaid = AddAmount(FundPaid, sums.FundPaid);
}

void TRunningTotals::AddRaises(const TPeriodSums& sums) {
  if (sums.InsAccrued > 0) InsAccrued = AddAmount(InsAccrued, sums.InsAccrued);
  if (sums.InsPaid > 0) InsPaid = AddAmount(InsPaid, sums.InsPaid);
  if (sums.FundAccrued > 0) FundAccrued = AddAmount(FundAccrued, sums.FundAccrued);
  if (sums.FundPaid > 0) FundPaid = AddAmount(FundPaid, sums.FundPaid);
}

TDate TFileSet::GetLastStageEnd(int person) const {
  bool any = false;
  TDate latest = 0;
  for (const auto& entry : Sotrs[static_cast<std::size_t>(person)].NUList) {
    for (const auto& stage : entry.StageDates) {
      if (!any || stage.EndDate > latest) {
        latest = stage.EndDate;
        any = true;
      }
    }
  }
  return latest;
}

TSotrCheck TFileSet::CheckSotr(int person, const std::vector<TPeriodSums>& periodSums,
                               std::vector<std::string>& notes, std::vector<TFinding>* findings) const {
  notes.clear();
  if (findings != nullptr) findings->clear();
  const auto note = [&](std::string text, TFindingKind kind, TReportPeriod period, TAmount amount, TAmount paid) {
    notes.push_back(std::move(text));
    if (findings == nullptr) return;
    TFinding& finding = findings->emplace_back();
    finding.Kind = kind;
    finding.SNILS = Sotrs[static_cast<std::size_t>(person)].SNILS;
    finding.Period = {period.Year, period.Quarter};
    finding.Amount = amount;
    finding.Paid = paid;
  };
  TSotrCheck result;
  bool markError = false;
  bool markDismissal = false;
  TRunningTotals putThrough;
  double yearBase = 0;
  for (std::size_t position = 0; position < ReportPeriods.size(); ++position) {
    const TReportPeriod& period = ReportPeriods[position];
    // The period as the notes name it, made only for a note: most periods have none.
    const auto when = [&period] { return std::to_string(period.Quarter) + "/" + std::to_string(period.Year); };
    const TPeriodSums& sums = periodSums[position];
    if (sums.EstimatedBase > 0) {
      yearBase += sums.EstimatedBase;
    }
    putThrough.AddRaises(sums);
    if (std::round(yearBase * 100.0) / 100.0 > GetBaseLimit(period.Year)) {
      note(BaseLimitExceeded(when(), RoublesToAmount(yearBase)), TFindingKind::BaseLimitExceeded, period,
           RoublesToAmount(yearBase), 0);
      yearBase = 0;
      markError = true;
    }
    if (putThrough.InsAccrued < putThrough.InsPaid) {
      note(InsOverpaid(when(), putThrough.InsAccrued, putThrough.InsPaid), TFindingKind::InsOverpaid, period,
           putThrough.InsAccrued, putThrough.InsPaid);
      markError = true;
      result.SaldoFlags |= SaldoOverpaid;
    }
    if (putThrough.FundAccrued < putThrough.FundPaid) {
      note(FundOverpaid(when(), putThrough.FundAccrued, putThrough.FundPaid), TFindingKind::FundOverpaid, period,
           putThrough.FundAccrued, putThrough.FundPaid);
      markError = true;
      result.SaldoFlags |= SaldoOverpaid;
    }
    if (IsLastPeriodOfYear(period.Year, period.Quarter)) {
      yearBase = 0;
    }
  }
  const TDate lastEnd =
      ReportPeriods.empty() ? 0 : PeriodEndDate(ReportPeriods.back().Year, ReportPeriods.back().Quarter);
  result.LastStageEnd = GetLastStageEnd(person);
  if (result.LastStageEnd < lastEnd) {
    if (putThrough.InsPaid < putThrough.InsAccrued) {
      note(InsDebtAtDismissal(putThrough.InsBalance()), TFindingKind::InsDebtAtDismissal, {},
           putThrough.InsBalance(), 0);
      markDismissal = true;
    }
    if (putThrough.FundPaid < putThrough.FundAccrued) {
      note(FundDebtAtDismissal(putThrough.FundBalance()), TFindingKind::FundDebtAtDismissal, {},
           putThrough.FundBalance(), 0);
      markDismissal = true;
    }
  }
  if (putThrough.InsPaid < putThrough.InsAccrued || putThrough.FundPaid < putThrough.FundAccrued) {
    result.SaldoFlags |= SaldoDebt;
  }
  result.Mark = markError ? (markDismissal ? TLineMark::ConflictAndDismissalDebt : TLineMark::Conflict)
                          : (markDismissal ? TLineMark::DismissalDebt : TLineMark::Plain);
  return result;
}

int TFileSet::GetLastYear63() const {
  bool any = false;
  int latest = 0;
  for (const auto& file : SZV63Files) {
    if (!any || file.Year > latest) {
      latest = file.Year;
      any = true;
    }
  }
  return latest;
}

bool TFileSet::SaldoMatches(int saldoFlags, TSaldoFilter filter) {
  switch (filter) {
    case TSaldoFilter::All: return true;
    case TSaldoFilter::NonZero: return saldoFlags != 0;
    case TSaldoFilter::Debt: return (saldoFlags & SaldoDebt) != 0;
    case TSaldoFilter::Overpayment: return (saldoFlags & SaldoOverpaid) != 0;
  }
  return true;
}

}  // namespace brisolt
