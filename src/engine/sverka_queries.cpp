// The file set's answers once it is loaded: a person's sums per period and category, the
// СЗВ-6-3 quarters, the totals over all persons, and the per-person check that writes the notes.
#include <algorithm>
#include <cmath>
#include <cstdint>
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

// Adds one entry to the sums of its period.
void AddEntry(TPeriodSums& sums, const TSZV6NU& entry, int year) {
  sums.InsAccrued = AddAmount(sums.InsAccrued, entry.InsAccrued);
  sums.FundAccrued = AddAmount(sums.FundAccrued, entry.FundAccrued);
  sums.InsPaid = AddAmount(sums.InsPaid, entry.InsPaid);
  sums.FundPaid = AddAmount(sums.FundPaid, entry.FundPaid);
  if (!sums.FileNumbers.empty()) {
    sums.FileNumbers += ", ";
  }
  sums.FileNumbers += std::to_string(entry.FileIndex + 1);
  // Both in ten-thousandths, so their quotient is the base in roubles.
  sums.EstimatedBase = (static_cast<double>(entry.InsAccrued) + static_cast<double>(entry.FundAccrued)) /
                       static_cast<double>(GetTariff(year, entry.CategoryCode));
}

}  // namespace

bool TFileSet::HasPeriodData(int person, int year, int quarter) const {
  for (const auto& entry : Sotrs[static_cast<std::size_t>(person)].NUList) {
    if (entry.Year == year && entry.Quarter == quarter) {
      return true;
    }
  }
  return false;
}

namespace {

// Positions of periods in a period list, by first occurrence: a short list is scanned, a long one
// indexed, so that a folder with thousands of periods costs no scan per period.
class TPeriodLookup {
 public:
  explicit TPeriodLookup(const std::vector<TReportPeriod>& periods) : keys_(periods.size()) {
    for (std::size_t position = 0; position < periods.size(); ++position) {
      keys_[position] = PeriodKey(periods[position].Year, periods[position].Quarter);
    }
    if (keys_.size() > kScanned) {
      index_.reserve(keys_.size());
      for (std::size_t position = 0; position < keys_.size(); ++position) {
        index_.try_emplace(keys_[position], position);
      }
    }
  }

  // The first position of the period, or the list's length when it is not listed.
  std::size_t Find(std::int32_t year, std::int32_t quarter) const { return Find(PeriodKey(year, quarter)); }

  std::size_t Find(std::uint64_t key) const {
    if (keys_.size() > kScanned) {
      const auto found = index_.find(key);
      return found == index_.end() ? keys_.size() : found->second;
    }
    return static_cast<std::size_t>(std::find(keys_.begin(), keys_.end(), key) - keys_.begin());
  }

  // Where a period listed twice (only by hand) takes its sums from.
  std::size_t FirstOf(std::size_t position) const { return Find(keys_[position]); }

 private:
  static constexpr std::size_t kScanned = 32;
  std::vector<std::uint64_t> keys_;
  std::unordered_map<std::uint64_t, std::size_t> index_;
};

void CopyRepeatedPeriods(const TPeriodLookup& lookup, std::vector<TPeriodSums>& sums) {
  for (std::size_t position = 0; position < sums.size(); ++position) {
    const std::size_t first = lookup.FirstOf(position);
    if (first != position) {
      sums[position] = sums[first];
    }
  }
}

}  // namespace

std::vector<TPeriodSums> TFileSet::GetPeriodSumsByPeriod(int person) const {
  std::vector<TPeriodSums> result(ReportPeriods.size());
  const TPeriodLookup lookup(ReportPeriods);
  for (const auto& entry : Sotrs[static_cast<std::size_t>(person)].NUList) {
    const std::size_t position = lookup.Find(entry.Year, entry.Quarter);
    if (position < result.size()) {
      AddEntry(result[position], entry, entry.Year);
    }
  }
  CopyRepeatedPeriods(lookup, result);
  return result;
}

std::vector<TPeriodSums> TFileSet::GetPeriodTotalsByPeriod() const {
  std::vector<TPeriodSums> result(ReportPeriods.size());
  const TPeriodLookup lookup(ReportPeriods);
  for (const auto& sotr : Sotrs) {
    for (const auto& entry : sotr.NUList) {
      const std::size_t position = lookup.Find(entry.Year, entry.Quarter);
      if (position < result.size()) {
        TPeriodSums& totals = result[position];
        totals.InsAccrued = AddAmount(totals.InsAccrued, entry.InsAccrued);
        totals.FundAccrued = AddAmount(totals.FundAccrued, entry.FundAccrued);
        totals.InsPaid = AddAmount(totals.InsPaid, entry.InsPaid);
        totals.FundPaid = AddAmount(totals.FundPaid, entry.FundPaid);
      }
    }
  }
  CopyRepeatedPeriods(lookup, result);
  return result;
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
  TDate lastEnd = 0;
  for (std::size_t position = 0; position < ReportPeriods.size(); ++position) {
    const TReportPeriod& period = ReportPeriods[position];
    const std::string when = std::to_string(period.Quarter) + "/" + std::to_string(period.Year);
    const TPeriodSums& sums = periodSums[position];
    if (sums.EstimatedBase > 0) {
      yearBase += sums.EstimatedBase;
    }
    putThrough.AddRaises(sums);
    if (std::round(yearBase * 100.0) / 100.0 > GetBaseLimit(period.Year)) {
      note(BaseLimitExceeded(when, RoublesToAmount(yearBase)), TFindingKind::BaseLimitExceeded, period,
           RoublesToAmount(yearBase), 0);
      yearBase = 0;
      markError = true;
    }
    if (putThrough.InsAccrued < putThrough.InsPaid) {
      note(InsOverpaid(when, putThrough.InsAccrued, putThrough.InsPaid), TFindingKind::InsOverpaid, period,
           putThrough.InsAccrued, putThrough.InsPaid);
      markError = true;
      result.SaldoFlags |= SaldoOverpaid;
    }
    if (putThrough.FundAccrued < putThrough.FundPaid) {
      note(FundOverpaid(when, putThrough.FundAccrued, putThrough.FundPaid), TFindingKind::FundOverpaid, period,
           putThrough.FundAccrued, putThrough.FundPaid);
      markError = true;
      result.SaldoFlags |= SaldoOverpaid;
    }
    if (IsLastPeriodOfYear(period.Year, period.Quarter)) {
      yearBase = 0;
    }
    lastEnd = PeriodEndDate(period.Year, period.Quarter);
  }
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
