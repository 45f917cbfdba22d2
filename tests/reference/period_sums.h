// The period queries of the file set written the plain way, one scan of the entries per period:
// what the product's one-pass GetPeriodSumsByPeriod and GetPeriodTotalsByPeriod must agree with.
#pragma once

#include "base/amount.h"
#include "engine/constants.h"
#include "engine/sverka.h"

namespace brisolt::reference {

// The sums of one person's entries of one period, in entry order.
inline TPeriodSums PeriodSums(const TFileSet& files, int person, int year, int quarter) {
  TPeriodSums sums;
  for (const auto& entry : files.Sotrs[static_cast<std::size_t>(person)].NUList) {
    if (entry.Year != year || entry.Quarter != quarter) {
      continue;
    }
    sums.InsAccrued = AddAmount(sums.InsAccrued, entry.InsAccrued);
    sums.FundAccrued = AddAmount(sums.FundAccrued, entry.FundAccrued);
    sums.InsPaid = AddAmount(sums.InsPaid, entry.InsPaid);
    sums.FundPaid = AddAmount(sums.FundPaid, entry.FundPaid);
    if (!sums.FileNumbers.empty()) {
      sums.FileNumbers += ", ";
    }
    sums.FileNumbers += std::to_string(entry.FileIndex + 1);
    sums.EstimatedBase = (static_cast<double>(entry.InsAccrued) + static_cast<double>(entry.FundAccrued)) /
                         static_cast<double>(GetTariff(year, entry.CategoryCode));
  }
  return sums;
}

// The four sums over every person of one period.
inline TPeriodSums PeriodTotals(const TFileSet& files, int year, int quarter) {
  TPeriodSums totals;
  for (const auto& sotr : files.Sotrs) {
    for (const auto& entry : sotr.NUList) {
      if (entry.Year == year && entry.Quarter == quarter) {
        totals.InsAccrued = AddAmount(totals.InsAccrued, entry.InsAccrued);
        totals.FundAccrued = AddAmount(totals.FundAccrued, entry.FundAccrued);
        totals.InsPaid = AddAmount(totals.InsPaid, entry.InsPaid);
        totals.FundPaid = AddAmount(totals.FundPaid, entry.FundPaid);
      }
    }
  }
  return totals;
}

}  // namespace brisolt::reference
