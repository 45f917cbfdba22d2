#include "engine/report.h"

#include <algorithm>
#include <array>
#include <cmath>
#include <cstdio>
#include <cstdlib>

#include "engine/constants.h"
#include "engine/parallel.h"
#include "base/cp1251literal.h"
#include "base/encoding.h"

namespace brisolt {

namespace {

bool IsNRCode(const std::string& categoryCode) {
  return categoryCode == Cp1251Literal(u8"НР") || categoryCode == Cp1251Literal(u8"ВЖНР") ||
         categoryCode == Cp1251Literal(u8"ВПНР");
}

// The weight of one character in the code order: letters folded to upper case, Cyrillic after
// everything else (its code points are higher), Ё between Е and Ж.
std::uint32_t CodeWeight(unsigned char byte) {
  const char32_t upper = Cp1251ToUnicode(Cp1251ToUpper(byte));
  constexpr char32_t kYo = U'\u0401';
  constexpr char32_t kYe = U'\u0415';
  if (upper == kYo) {
    return (static_cast<std::uint32_t>(kYe) << 1) | 1;
  }
  return static_cast<std::uint32_t>(upper) << 1;
}

// CodeWeight of every byte, worked out once: the codes are compared for every person's block.
const std::array<std::uint32_t, 256>& CodeWeights() {
  static const std::array<std::uint32_t, 256> weights = [] {
    std::array<std::uint32_t, 256> table{};
    for (std::size_t byte = 0; byte < table.size(); ++byte) {
      table[byte] = CodeWeight(static_cast<unsigned char>(byte));
    }
    return table;
  }();
  return weights;
}

std::string FullName(const TSZV6Sotr& sotr) {
  std::string name;
  name.reserve(sotr.LastName.size() + sotr.FirstName.size() + sotr.MiddleName.size() + 2);
  name.append(sotr.LastName).append(1, ' ').append(sotr.FirstName).append(1, ' ').append(sotr.MiddleName);
  return name;
}

constexpr Cp1251Literal kFor(u8" за ");
constexpr Cp1251Literal kCategory(u8", категория ");

// File names are the platform's text; the protocol's texts are windows-1251.
std::string FileDescription(const TFileRec& file) {
  return NameToCp1251(file.FileName) + " (" + file.FormKind + " " + file.DataType + kFor +
         PeriodName(file.PeriodYear, file.PeriodQuarter) + kCategory + file.CategoryCode +
         ")";
}

std::string FileDescription63(const TFileRec& file) {
  static constexpr Cp1251Literal kSZV63(u8" (СЗВ-6-3 ");
  return NameToCp1251(file.FileName) + kSZV63 + file.DataType + kFor + std::to_string(file.Year) +
         kCategory + file.CategoryCode + ")";
}

// Keeps `codes` sorted; a code already held, ignoring case, is not added again.
void AddCode(std::vector<std::string>& codes, const std::string& code) {
  const auto place = std::lower_bound(codes.begin(), codes.end(), code,
                                      [](const std::string& held, const std::string& added) {
                                        return CompareCategoryCodes(held, added) < 0;
                                      });
  if (place == codes.end() || CompareCategoryCodes(*place, code) != 0) {
    codes.insert(place, code);
  }
}

bool IsListed(const std::set<std::string>& onlyPersons, const TSZV6Sotr& sotr) {
  return onlyPersons.empty() || onlyPersons.count(sotr.SNILS) != 0;
}

// The person's СЗВ-6-3 block of `year`, when the person has payments that year. The lists are the
// caller's, kept from person to person.
void AddSZV63Block(const TFileSet& fileSet, int year, std::size_t person, std::vector<std::string>& codes63,
                   std::vector<std::string>& quarterCodes, std::vector<std::string>& merged,
                   TReport& report) {
  const int index = static_cast<int>(person);
  fileSet.GetCategories63(index, year, codes63);
  if (codes63.empty()) {
    return;
  }
  const TSZV6Sotr& sotr = fileSet.Sotrs[person];
  const std::size_t block = report.AddSZV63Block(FullName(sotr), sotr.SNILS);
  merged.clear();
  for (const std::string& code : codes63) {
    AddCode(merged, code);
  }
  for (int quarter = 1; quarter <= 4; ++quarter) {
    fileSet.GetPeriodCategories(index, year, quarter, quarterCodes);
    for (const std::string& code : quarterCodes) {
      AddCode(merged, code);
    }
  }
  const TAmount annualTaxable = fileSet.GetYearTaxable63(index, year);
  for (const std::string& code : merged) {
    std::array<TAmount, 4> calculated{};
    std::array<TAmount, 4> fromIS{};
    std::array<bool, 4> mismatch{};
    const TAmount tariff = GetTariff(year, code);
    for (int quarter = 1; quarter <= 4; ++quarter) {
      const auto slot = static_cast<std::size_t>(quarter - 1);
      const TCategorySums sums = fileSet.GetCategorySums(index, year, quarter, code);
      fromIS[slot] = AddAmount(sums.InsAccrued, sums.FundAccrued);
      calculated[slot] =
          SZV63Calculated(tariff, fileSet.GetQuarterSums63(index, year, code, quarter).Taxable);
      mismatch[slot] = SZV63Mismatch(code, year, annualTaxable, fromIS[slot], calculated[slot]);
    }
    report.AddSZV63Line(block, code, calculated, fromIS, mismatch);
  }
}

// What a run of persons gives: its lines and blocks, and the totals of its entries.
struct TPersonRun {
  TReport Part;
  TPeriodTotalsRun Totals;
};

// Persons are assembled in runs on as many threads as the file set reads with, each run into a
// report of its own, and the runs' lines are appended in the order of the persons, their totals
// added in that order to `totals` when given: the report is the same as on one thread.
// `fill(run, first, end)` makes the run of persons first..end-1.
template <typename TFill>
void ForEachPersonRun(const TFileSet& fileSet, TReport& report, TPeriodTotals* totals, TFill&& fill) {
  constexpr std::size_t kRun = 128;
  const std::size_t count = fileSet.Sotrs.size();
  const unsigned threads = WorkerCount(fileSet.Threads);
  ForEachOrdered<TPersonRun>(
      (count + kRun - 1) / kRun, threads, std::size_t{4} * threads,
      [&](std::size_t run) {
        TPersonRun result;
        fill(result, run * kRun, std::min(count, (run + 1) * kRun));
        return result;
      },
      [&](std::size_t, const TPersonRun& run) {
        // Copied, not moved: the report is allocated on this thread, in the memory the folded
        // packs left free here, and a worker's memory serves its next run.
        const TReport& part = run.Part;
        report.MainLines.insert(report.MainLines.end(), part.MainLines.begin(), part.MainLines.end());
        report.ForgottenLines.insert(report.ForgottenLines.end(), part.ForgottenLines.begin(),
                                     part.ForgottenLines.end());
        report.SZV63Blocks.insert(report.SZV63Blocks.end(), part.SZV63Blocks.begin(),
                                  part.SZV63Blocks.end());
        report.UnlistedLines.insert(report.UnlistedLines.end(), part.UnlistedLines.begin(),
                                    part.UnlistedLines.end());
        if (totals != nullptr) totals->Add(run.Totals);
      });
}

}  // namespace

TAmount SZV63Calculated(TAmount tariff, TAmount taxable) {
  // tariff × taxable ÷ 10000 without an intermediate product that could overflow: the taxable
  // sum is split into whole ten-thousands and the rest, both with the sign of the sum.
  const TAmount wholePart = taxable / 10000;
  const TAmount restProduct = tariff * (taxable % 10000);
  TAmount result = tariff * wholePart + restProduct / 10000;
  const TAmount remainder = restProduct % 10000;
  const TAmount doubled = 2 * (remainder < 0 ? -remainder : remainder);
  if (doubled > 10000 || (doubled == 10000 && result % 2 != 0)) {
    result += remainder < 0 ? -1 : 1;
  }
  return result;
}

bool SZV63Mismatch(const std::string& categoryCode, int year, TAmount annualTaxable,
                   TAmount fromIS, TAmount calculated) {
  constexpr TAmount kAllowedKopecks = 3;
  if (IsNRCode(categoryCode)) {
    const TAmount difference = RoundToKopecks(fromIS) - RoundToKopecks(calculated);
    const TAmount limit = static_cast<TAmount>(GetBaseLimit(year)) * 10000;
    if (annualTaxable > limit && year >= 2012) {
      // Above the limit base the plain product overstates the contributions, so only a surplus
      // in the individual data counts.
      return difference > kAllowedKopecks;
    }
    return std::llabs(difference) > kAllowedKopecks;
  }
  return std::llabs(RoundToKopecks(SubAmount(fromIS, calculated))) > kAllowedKopecks;
}

int CompareCategoryCodes(const std::string& a, const std::string& b) {
  const std::array<std::uint32_t, 256>& weights = CodeWeights();
  const std::size_t common = std::min(a.size(), b.size());
  for (std::size_t pos = 0; pos < common; ++pos) {
    const std::uint32_t left = weights[static_cast<unsigned char>(a[pos])];
    const std::uint32_t right = weights[static_cast<unsigned char>(b[pos])];
    if (left != right) {
      return left < right ? -1 : 1;
    }
  }
  if (a.size() == b.size()) {
    return 0;
  }
  return a.size() < b.size() ? -1 : 1;
}

std::string FormatShortDate(TDate date) {
  // Civil date of a day count (proleptic Gregorian), counted in eras from 1 March of year 0.
  const long long days = static_cast<long long>(std::floor(date)) - 25569 + 719468;
  const long long era = (days >= 0 ? days : days - 146096) / 146097;
  const long long dayOfEra = days - era * 146097;
  const long long yearOfEra =
      (dayOfEra - dayOfEra / 1460 + dayOfEra / 36524 - dayOfEra / 146096) / 365;
  const long long dayOfYear = dayOfEra - (365 * yearOfEra + yearOfEra / 4 - yearOfEra / 100);
  const long long monthIndex = (5 * dayOfYear + 2) / 153;
  const long long day = dayOfYear - (153 * monthIndex + 2) / 5 + 1;
  const long long month = monthIndex < 10 ? monthIndex + 3 : monthIndex - 9;
  const long long year = yearOfEra + era * 400 + (month <= 2 ? 1 : 0);
  char text[80];
  std::snprintf(text, sizeof text, "%02lld.%02lld.%04lld", day, month, year);
  return text;
}

void BuildReport(const TFileSet& fileSet, const TReportInputs& inputs, TReport& report) {
  const std::set<std::string>& onlyPersons = inputs.OnlyPersons;
  const TSaldoFilter saldoFilter = inputs.SaldoFilter;
  const bool withUnlisted = inputs.WithUnlisted;
  report.Clear();
  report.ProgName = "Brisolt";
  report.ProgVersion = inputs.ProgVersion;
  report.ProgNote = inputs.ProgNote;
  report.ProgURL = inputs.ProgURL;
  report.OrgName = inputs.OrgName;
  report.RegNumb = inputs.RegNumb;

  for (const TFileRec& file : fileSet.SZV6Files) {
    report.AddFile(FileDescription(file));
  }
  for (const TFileRec& file : fileSet.SZV63Files) {
    report.AddFile(FileDescription63(file));
  }

  TReportPeriod latest;
  for (const TReportPeriod& period : fileSet.ReportPeriods) {
    report.AddPeriod(PeriodName(period.Year, period.Quarter));
    if (period.Year > latest.Year ||
        (period.Year == latest.Year && period.Quarter > latest.Quarter)) {
      latest = period;
    }
  }
  // Without any period nobody can have left before its end: everyone counts as still at work.
  const TDate latestEnd =
      fileSet.ReportPeriods.empty() ? 0 : PeriodEndDate(latest.Year, latest.Quarter);

  // A message naming a person the protocol is not about is left out: a protocol for some persons
  // tells nothing about anyone else. Messages about files stay.
  const bool withFindings = fileSet.MessageFindings.size() == inputs.Messages.size();
  for (std::size_t at = 0; at < inputs.Messages.size(); ++at) {
    const TFinding finding = withFindings ? fileSet.MessageFindings[at] : TFinding();
    if (!onlyPersons.empty() && !finding.SNILS.empty() && onlyPersons.count(finding.SNILS) == 0) continue;
    report.AddError(inputs.Messages[at], finding);
  }

  const std::size_t periodCount = fileSet.ReportPeriods.size();
  const bool with63 = !fileSet.SZV63Files.empty();
  const int year63 = fileSet.GetLastYear63();
  if (with63) {
    report.SetSZV63Year(year63);
  }
  // Each run of persons goes to a report of its own (see ForEachPersonRun); totals cover every
  // person, shown or not.
  const auto addPersons = [&](TPersonRun& run, std::size_t first, std::size_t end) {
    TReport& part = run.Part;
    TPeriodSumsPass pass(fileSet, first);
    std::vector<std::string> notes;
    std::vector<TFinding> findings;
    for (std::size_t person = first; person < end; ++person) {
      const int index = static_cast<int>(person);
      const TSZV6Sotr& sotr = fileSet.Sotrs[person];
      if (!IsListed(onlyPersons, sotr)) {
        pass.AddToTotals(person);
        continue;
      }
      const std::vector<TPeriodSums>& periodSums = pass.AddPerson(person);

      const TSotrCheck check = fileSet.CheckSotr(index, periodSums, notes, &findings);
      const TDate lastStageEnd = check.LastStageEnd;
      const bool shown = TFileSet::SaldoMatches(check.SaldoFlags, saldoFilter);
      const bool kept = shown || withUnlisted;
      TMainLine line;
      if (kept) {
        line.Mark = check.Mark;
        line.FIO = FullName(sotr);
        line.SNILS = sotr.SNILS;
        line.Dismissal = lastStageEnd == 0          ? TDismissal::NoWork()
                         : lastStageEnd >= latestEnd ? TDismissal::AtWork()
                         : TDismissal::Left(FormatShortDate(lastStageEnd));
        line.Periods.reserve(periodSums.size());
      }
      TRunningTotals running;
      for (const TPeriodSums& sums : periodSums) {
        running.Add(sums);
        if (!kept) continue;
        line.Periods.push_back({.FileNums = sums.FileNumbers,
                                .InsAccrued = sums.InsAccrued,
                                .InsPaid = sums.InsPaid,
                                .InsAccruedTotal = running.InsAccrued,
                                .InsPaidTotal = running.InsPaid,
                                .InsSaldo = running.InsBalance(),
                                .FundAccrued = sums.FundAccrued,
                                .FundPaid = sums.FundPaid,
                                .FundAccruedTotal = running.FundAccrued,
                                .FundPaidTotal = running.FundPaid,
                                .FundSaldo = running.FundBalance()});
      }
      if (kept) {
        // The check clears both lists for the next person: the line takes them over.
        line.Notes.swap(notes);
        line.NoteFindings.swap(findings);
        (shown ? part.MainLines : part.UnlistedLines).push_back(std::move(line));
      }

      // A debt without data for the last period is listed whatever the filter shows.
      if (periodCount > 0) {
        const TReportPeriod& last = fileSet.ReportPeriods.back();
        if ((running.InsBalance() > 0 || running.FundBalance() > 0) &&
            !fileSet.HasPeriodData(index, last.Year, last.Quarter)) {
          part.AddForgottenLine(sotr.SNILS, FullName(sotr), running.InsBalance(), running.FundBalance());
        }
      }
    }
    run.Totals = pass.TakeTotals();
  };
  TPeriodTotals totals(fileSet);
  ForEachPersonRun(fileSet, report, &totals, addPersons);
  // The blocks in a pass of their own, after the lines: made beside them, the two lists would
  // grow in turns on this thread and leave more of its memory in pieces at the peak.
  if (with63) {
    ForEachPersonRun(fileSet, report, nullptr, [&](TPersonRun& run, std::size_t first, std::size_t end) {
      std::vector<std::string> codes63;
      std::vector<std::string> quarterCodes;
      std::vector<std::string> merged;
      for (std::size_t person = first; person < end; ++person) {
        if (IsListed(onlyPersons, fileSet.Sotrs[person])) {
          AddSZV63Block(fileSet, year63, person, codes63, quarterCodes, merged, run.Part);
        }
      }
    });
  }

  // The year-to-date sums restart after the period that closes a year, and only when that period
  // is present.
  std::array<TAmount, 4> sinceStart{};
  std::array<TAmount, 4> yearToDate{};
  const std::vector<TPeriodSums> periodTotals = totals.Take();
  for (std::size_t position = 0; position < periodTotals.size(); ++position) {
    const TReportPeriod& period = fileSet.ReportPeriods[position];
    const TPeriodSums& sums = periodTotals[position];
    const std::array<TAmount, 4> inPeriod{sums.InsAccrued, sums.InsPaid, sums.FundAccrued,
                                          sums.FundPaid};
    for (std::size_t part = 0; part < 4; ++part) {
      sinceStart[part] = AddAmount(sinceStart[part], inPeriod[part]);
      yearToDate[part] = AddAmount(yearToDate[part], inPeriod[part]);
    }
    TTotalRec total;
    for (std::size_t part = 0; part < 2; ++part) {
      const std::size_t accrued = part * 2;
      const std::size_t paid = accrued + 1;
      const std::size_t first = part * 9;
      total.Values[first + 0] = inPeriod[accrued];
      total.Values[first + 1] = inPeriod[paid];
      total.Values[first + 2] = SubAmount(inPeriod[accrued], inPeriod[paid]);
      total.Values[first + 3] = yearToDate[accrued];
      total.Values[first + 4] = yearToDate[paid];
      total.Values[first + 5] = SubAmount(yearToDate[accrued], yearToDate[paid]);
      total.Values[first + 6] = sinceStart[accrued];
      total.Values[first + 7] = sinceStart[paid];
      total.Values[first + 8] = SubAmount(sinceStart[accrued], sinceStart[paid]);
    }
    report.AddTotal(total);
    if (IsLastPeriodOfYear(period.Year, period.Quarter)) {
      yearToDate = {};
    }
  }
}

}  // namespace brisolt
