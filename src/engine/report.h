// Turns a loaded file set into a protocol: header, files, periods, loading errors, one line per
// insured person that passes the balance filter, totals per period, persons with a debt but no
// data for the last period, and the reconciliation against the СЗВ-6-3 payments.
#pragma once

#include <cstdint>
#include <set>
#include <string>
#include <vector>

#include "engine/sverka.h"
#include "protocol/prot.h"

namespace brisolt {

// What a report is built from besides the file set. Texts are windows-1251.
struct TReportInputs {
  // Every member has an initialiser, so that a caller names only the inputs it gives.
  std::vector<std::string> Messages{};  // the load's messages about conflicting data, in order
  std::string ProgVersion{};
  std::string ProgNote{};  // the build's note; empty for a release
  std::string ProgURL{};   // the home page
  std::string OrgName{};
  std::string RegNumb{};
  TSaldoFilter SaldoFilter = TSaldoFilter::All;
  // When not empty, the insurance numbers (11 digits) of the only persons the protocol is about:
  // their lines, and their entries among the forgotten persons and in the СЗВ-6-3 part, and of
  // the messages those naming nobody or one of them; the totals still cover every person, as they
  // do under the balance filter.
  std::set<std::string> OnlyPersons{};
  // The persons the balance filter leaves out go to UnlistedLines, for results that cover everyone.
  bool WithUnlisted = false;
};

// Clears and fills `report`; its layout field is left to the caller.
void BuildReport(const TFileSet& fileSet, const TReportInputs& inputs, TReport& report);

// Contributions calculated from a СЗВ-6-3 taxable sum: rate × taxable, both in ten-thousandths,
// rounded to the nearest unit with halves to even.
TAmount SZV63Calculated(TAmount tariff, TAmount taxable);

// Whether a quarter's difference between the individual data and the СЗВ-6-3 calculation is
// more than three kopecks that cannot be explained. annualTaxable is the person's СЗВ-6-3 taxable
// sum of the year over all categories.
bool SZV63Mismatch(const std::string& categoryCode, int year, TAmount annualTaxable,
                   TAmount fromIS, TAmount calculated);

// Orders category codes for the СЗВ-6-3 table: Russian alphabetical order without regard to case
// (Ё right after Е), Latin letters and digits before Cyrillic. Negative, zero or positive.
int CompareCategoryCodes(const std::string& a, const std::string& b);

// DD.MM.YYYY of a day count from 30.12.1899 (the time of day is ignored).
std::string FormatShortDate(TDate date);

}  // namespace brisolt
