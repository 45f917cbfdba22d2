// Protocol assembly on hand-built file sets, and the rules of the СЗВ-6-3 comparison.
#include <gtest/gtest.h>

#include <limits>
#include <string>
#include <vector>

#include "engine/constants.h"
#include "engine/report.h"
#include "engine/sverka.h"
#include "base/encoding.h"

namespace brisolt {
namespace {

std::string W(const char* utf8) { return Utf8ToCp1251(utf8); }

constexpr TAmount kRouble = 10000;

TEST(SZV63Calculated, MultipliesExactlyAndRoundsHalvesToEven) {
  struct Case {
    TAmount tariff;
    TAmount taxable;
    TAmount expected;
  };
  const Case cases[] = {
      {2200, 1000 * kRouble, 220 * kRouble},
      {2200, 3000 * kRouble, 660 * kRouble},
      {2200, 5, 1},     // 1.1
      {5000, 1, 0},     // 0.5 -> even 0
      {5000, 3, 2},     // 1.5 -> even 2
      {5000, 5, 2},     // 2.5 -> even 2
      {5000, 7, 4},     // 3.5 -> even 4
      {5000, -3, -2},
      {5000, -1, 0},
      {2600, 12345, 3210},  // 3209.7
      {10000, std::numeric_limits<TAmount>::max(), std::numeric_limits<TAmount>::max()},
      {1030, 0, 0},
  };
  for (const Case& c : cases) {
    EXPECT_EQ(SZV63Calculated(c.tariff, c.taxable), c.expected) << c.tariff << " x " << c.taxable;
  }
}

TEST(SZV63Mismatch, AllowsThreeKopecksAndTheLimitBaseForNR) {
  const TAmount aboveLimit2012 = 512001 * kRouble;
  const TAmount belowLimit = 1000 * kRouble;
  struct Case {
    const char* code;
    int year;
    TAmount annual;
    TAmount fromIS;
    TAmount calculated;
    bool mismatch;
  };
  const Case cases[] = {
      // Above the limit base from 2012 only a surplus in the individual data counts.
      {"НР", 2012, aboveLimit2012, 10000000, 10000500, false},
      {"НР", 2012, aboveLimit2012, 10000500, 10000000, true},
      {"ВЖНР", 2013, 568001 * kRouble, 10000000, 90000000, false},
      {"ВПНР", 2013, 568001 * kRouble, 10000400, 10000000, true},
      // Exactly the limit, an earlier year, or below it: both directions count.
      {"НР", 2012, 512000 * kRouble, 10000000, 10000500, true},
      {"НР", 2011, 463001 * kRouble, 10000000, 10000500, true},
      {"НР", 2012, belowLimit, 10000000, 10000500, true},
      {"НР", 2012, belowLimit, 10000300, 10000000, false},
      {"НР", 2012, belowLimit, 10000000, 10000300, false},
      // Each side is rounded to kopecks first for НР ...
      {"НР", 2012, belowLimit, 349, 0, false},    // 0.0349 -> 0.03
      {"НР", 2012, belowLimit, 350, 0, true},     // 0.035 -> 0.04
      {"НР", 2012, belowLimit, 349, -149, true},  // 0.03 - (-0.01)
      // ... the difference for the other codes.
      {"ООИ", 2012, belowLimit, 349, -149, true},  // 0.0498
      {"ООИ", 2012, belowLimit, 348, -1, false},   // 0.0349
      {"ООИ", 2012, belowLimit, 349, -1, true},    // 0.035
      {"СХ", 2012, aboveLimit2012, 0, 10000500, true},
      {"нр", 2012, aboveLimit2012, 0, 10000500, true},  // codes compared exactly
  };
  for (const Case& c : cases) {
    EXPECT_EQ(SZV63Mismatch(W(c.code), c.year, c.annual, c.fromIS, c.calculated), c.mismatch)
        << c.code << " " << c.year << " " << c.fromIS << " " << c.calculated;
  }
}

TEST(CompareCategoryCodes, RussianOrderWithoutCase) {
  const std::vector<std::string> ordered = {W("1"), W("A"), W("b"), W("АСБ"), W("ВЖНР"),
                                            W("е"), W("ЕСХН"), W("Ё"), W("ЁЖ"), W("Ж"),
                                            W("НР"), W("ООИ"), W("Я")};
  for (std::size_t left = 0; left < ordered.size(); ++left) {
    for (std::size_t right = 0; right < ordered.size(); ++right) {
      const int result = CompareCategoryCodes(ordered[left], ordered[right]);
      const int expected = left < right ? -1 : left > right ? 1 : 0;
      EXPECT_EQ(result < 0 ? -1 : result > 0 ? 1 : 0, expected)
          << Cp1251ToUtf8(ordered[left]) << " vs " << Cp1251ToUtf8(ordered[right]);
    }
  }
  EXPECT_EQ(CompareCategoryCodes(W("нр"), W("НР")), 0);
  EXPECT_EQ(CompareCategoryCodes(W("ё"), W("Ё")), 0);
  EXPECT_LT(CompareCategoryCodes(W("НР"), W("НРА")), 0);
}

TEST(FormatShortDate, DayMonthYear) {
  const std::pair<TDate, const char*> cases[] = {
      {0, "30.12.1899"},     {1, "31.12.1899"},     {2, "01.01.1900"},
      {60, "28.02.1900"},    {61, "01.03.1900"},    {40359, "30.06.2010"},
      {40359.75, "30.06.2010"}, {40999, "31.03.2012"}, {40968, "29.02.2012"},
  };
  for (const auto& [date, text] : cases) {
    EXPECT_EQ(FormatShortDate(date), text) << date;
  }
  EXPECT_EQ(FormatShortDate(PeriodEndDate(2012, 1)), "31.03.2012");
}

// --- assembly ------------------------------------------------------------------------------

TSZV6NU Entry(int year, int quarter, TAmount insAccrued, TAmount insPaid, TAmount fundAccrued,
              TAmount fundPaid, int fileIndex = 0, const char* code = "НР") {
  TSZV6NU entry;
  entry.Year = year;
  entry.Quarter = quarter;
  entry.CategoryCode = W(code);
  entry.FileIndex = fileIndex;
  entry.InsAccrued = insAccrued * kRouble;
  entry.InsPaid = insPaid * kRouble;
  entry.FundAccrued = fundAccrued * kRouble;
  entry.FundPaid = fundPaid * kRouble;
  return entry;
}

TSZV63NU Payments63(int year, const char* code, std::initializer_list<std::pair<int, TAmount>> taxable) {
  TSZV63NU entry;
  entry.Year = year;
  entry.CategoryCode = W(code);
  entry.FileNumber = 1;
  for (const auto& [month, roubles] : taxable) {
    entry.Months[static_cast<std::size_t>(month)].Taxable = roubles * kRouble;
    entry.Months[static_cast<std::size_t>(month)].Total = roubles * kRouble;
  }
  return entry;
}

TSZV6Sotr Person(const char* snils, const char* last, const char* first, const char* middle) {
  TSZV6Sotr sotr;
  sotr.SNILS = snils;
  sotr.LastName = W(last);
  sotr.FirstName = W(first);
  sotr.MiddleName = W(middle);
  return sotr;
}

TFileRec File6(const char* name, const char* form, const char* type, int year, int quarter) {
  TFileRec file;
  file.FileName = name;
  file.FormKind = W(form);
  file.DataType = W(type);
  file.PeriodYear = year;
  file.PeriodQuarter = quarter;
  file.CategoryCode = W("НР");
  return file;
}

// Seven periods from 2010 to the first quarter of 2012 and five persons:
//   0 pays in full every period, still at work;
//   1 overpays in the last period (flag SaldoOverpaid only);
//   2 owes 50.00 of the funded part, left in 2011 (dismissal warning, forgotten);
//   3 has no period of work at all;
//   4 left one day before the end of the last period.
TFileSet SampleFileSet() {
  TFileSet set;
  set.SZV6Files = {File6("a.xml", "СЗВ-6-1", "ИСХОДНАЯ", 2010, 1),
                   File6("b.xml", "СЗВ-6-2", "КОРРЕКТИРУЮЩАЯ", 2011, 4)};
  TFileRec file63;
  file63.FileName = "c.xml";
  file63.DataType = W("ИСХОДНАЯ");
  file63.Year = 2012;
  file63.CategoryCode = W("НР");
  set.SZV63Files = {file63};
  set.ReportPeriods = {{2010, 1}, {2010, 2}, {2011, 1}, {2011, 2}, {2011, 3}, {2011, 4}, {2012, 1}};
  const TDate lastDay = PeriodEndDate(2012, 1);

  TSZV6Sotr full = Person("11111111111", "Иванов", "Иван", "Иванович");
  for (const TReportPeriod& period : set.ReportPeriods) {
    full.NUList.push_back(Entry(period.Year, period.Quarter, 1000, 1000, 100, 100,
                                period.Year == 2011 && period.Quarter == 4 ? 1 : 0));
  }
  full.NUList.back().StageDates = {{PeriodEndDate(2010, 1) - 180, lastDay}};
  full.NU63List = {Payments63(2012, "НР", {{1, 1000}, {2, 1000}, {3, 1000}})};

  TSZV6Sotr overpaid = Person("22222222222", "Петров", "Пётр", "Петрович");
  overpaid.NUList = {Entry(2012, 1, 100, 150, 0, 0)};
  overpaid.NUList.back().StageDates = {{lastDay - 90, lastDay}};

  TSZV6Sotr left = Person("33333333333", "Сидоров", "Сидор", "Сидорович");
  left.NUList = {Entry(2011, 1, 10, 10, 50, 0)};
  left.NUList.back().StageDates = {{PeriodEndDate(2011, 1) - 89, PeriodEndDate(2011, 1)}};
  left.NU63List = {Payments63(2012, "НР", {{7, 50}})};

  TSZV6Sotr noWork = Person("44444444444", "Ким", "Анна", "");
  noWork.NUList = {Entry(2012, 1, 10, 10, 0, 0)};
  noWork.NU63List = {Payments63(2012, "ВЖНР", {{4, 100}})};

  TSZV6Sotr dayBefore = Person("55555555555", "Орлова", "Ольга", "Олеговна");
  dayBefore.NUList = {Entry(2012, 1, 20, 20, 0, 0)};
  dayBefore.NUList.back().StageDates = {{lastDay - 60, lastDay - 1}};

  set.Sotrs = {full, overpaid, left, noWork, dayBefore};
  return set;
}

TReport Build(const TFileSet& set, TSaldoFilter filter) {
  TReport report;
  report.ProtForm = TProtForm::Detailed;
  BuildReport(set,
              {.Messages = {W("сообщение 1"), W("сообщение 2")},
               .ProgVersion = W("1.0.0.0 от 26 марта 2013 г."),
               .ProgNote = W("заметка"),
               .ProgURL = "https://home/",
               .OrgName = W("ООО Ромашка"),
               .RegNumb = "087-001-000001",
               .SaldoFilter = filter},
              report);
  return report;
}

TEST(BuildReport, FillsHeaderFilesPeriodsAndErrors) {
  const TReport report = Build(SampleFileSet(), TSaldoFilter::All);
  EXPECT_EQ(report.ProtForm, TProtForm::Detailed);
  EXPECT_EQ(report.ProgName, "Brisolt");
  EXPECT_EQ(report.ProgVersion, W("1.0.0.0 от 26 марта 2013 г."));
  EXPECT_EQ(report.ProgNote, W("заметка"));
  EXPECT_EQ(report.ProgURL, "https://home/");
  EXPECT_EQ(report.OrgName, W("ООО Ромашка"));
  EXPECT_EQ(report.RegNumb, "087-001-000001");
  EXPECT_EQ(report.FileList,
            (std::vector<std::string>{
                W("a.xml (СЗВ-6-1 ИСХОДНАЯ за 1 полугодие 2010 г., категория НР)"),
                W("b.xml (СЗВ-6-2 КОРРЕКТИРУЮЩАЯ за 4 квартал 2011 г., категория НР)"),
                W("c.xml (СЗВ-6-3 ИСХОДНАЯ за 2012, категория НР)")}));
  ASSERT_EQ(report.PeriodList.size(), 7u);
  EXPECT_EQ(report.PeriodList[1], W("2 полугодие 2010 г."));
  EXPECT_EQ(report.PeriodList[6], W("1 квартал 2012 г."));
  EXPECT_EQ(report.ErrorList, (std::vector<std::string>{W("сообщение 1"), W("сообщение 2")}));
}

TEST(BuildReport, PersonLinesCarryClassDismissalSumsAndNotes) {
  const TReport report = Build(SampleFileSet(), TSaldoFilter::All);
  ASSERT_EQ(report.MainLines.size(), 5u);
  struct Expected {
    const char* fio;
    const char* snils;
    const char* style;
    TDismissal dismissal;
    std::vector<std::string> notes;
  };
  const Expected expected[] = {
      {"Иванов Иван Иванович", "11111111111", "norm", TDismissal::AtWork(), {}},
      {"Петров Пётр Петрович", "22222222222", "p", TDismissal::AtWork(),
       {W("Ошибка: 1/2012 - превыш. страх.: нач. 100.00, упл. 150.00")}},
      {"Сидоров Сидор Сидорович", "33333333333", "hv", TDismissal::Left("31.03.2011"),
       {W("Предупреждение: задолж. 50.00 накоп.")}},
      {"Ким Анна ", "44444444444", "norm", TDismissal::NoWork(), {}},
      {"Орлова Ольга Олеговна", "55555555555", "norm", TDismissal::Left("30.03.2012"), {}},
  };
  for (std::size_t index = 0; index < 5; ++index) {
    const TMainLine& line = report.MainLines[index];
    SCOPED_TRACE(expected[index].fio);
    EXPECT_EQ(line.FIO, W(expected[index].fio));
    EXPECT_EQ(line.SNILS, expected[index].snils);
    EXPECT_EQ(LineMarkClass(line.Mark), expected[index].style);
    EXPECT_EQ(line.Dismissal, expected[index].dismissal);
    EXPECT_EQ(line.Notes, expected[index].notes);
    EXPECT_EQ(line.Periods.size(), 7u);
  }
  // The running sums of the person who pays in full, and the file numbers.
  const TMainLine& full = report.MainLines[0];
  EXPECT_EQ(full.Periods[0].FileNums, "1");
  EXPECT_EQ(full.Periods[5].FileNums, "2");
  EXPECT_EQ(full.Periods[6].InsAccruedTotal, 7000 * kRouble);
  EXPECT_EQ(full.Periods[6].FundPaidTotal, 700 * kRouble);
  EXPECT_EQ(full.Periods[6].InsSaldo, 0);
  // The funded debt stays in the running balance after the person left.
  const TMainLine& left = report.MainLines[2];
  EXPECT_EQ(left.Periods[1].FileNums, "");
  EXPECT_EQ(left.Periods[2].FundAccrued, 50 * kRouble);
  EXPECT_EQ(left.Periods[2].FundSaldo, 50 * kRouble);
  EXPECT_EQ(left.Periods[6].FundAccrued, 0);
  EXPECT_EQ(left.Periods[6].FundSaldo, 50 * kRouble);
  EXPECT_EQ(report.MainLines[1].Periods[6].InsSaldo, -50 * kRouble);
}

TEST(BuildReport, BalanceFilterLeavesTotalsForgottenAndSZV63Alone) {
  const TFileSet set = SampleFileSet();
  const TReport all = Build(set, TSaldoFilter::All);
  struct Case {
    TSaldoFilter filter;
    std::vector<std::string> snils;
  };
  const Case cases[] = {
      {TSaldoFilter::All,
       {"11111111111", "22222222222", "33333333333", "44444444444", "55555555555"}},
      {TSaldoFilter::NonZero, {"22222222222", "33333333333"}},
      {TSaldoFilter::Debt, {"33333333333"}},
      {TSaldoFilter::Overpayment, {"22222222222"}},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(static_cast<int>(c.filter));
    const TReport report = Build(set, c.filter);
    std::vector<std::string> shown;
    for (const TMainLine& line : report.MainLines) {
      shown.push_back(line.SNILS);
    }
    EXPECT_EQ(shown, c.snils);
    ASSERT_EQ(report.PeriodTotals.size(), all.PeriodTotals.size());
    for (std::size_t period = 0; period < all.PeriodTotals.size(); ++period) {
      EXPECT_EQ(report.PeriodTotals[period].Values, all.PeriodTotals[period].Values);
    }
    EXPECT_EQ(report.ForgottenLines.size(), 1u);
    EXPECT_EQ(report.SZV63Blocks.size(), 3u);
  }
}

TEST(BuildReport, TotalsRestartTheYearOnlyAfterItsLastPeriod) {
  const TReport report = Build(SampleFileSet(), TSaldoFilter::All);
  ASSERT_EQ(report.PeriodTotals.size(), 7u);
  auto value = [&report](std::size_t period, std::size_t field) {
    return report.PeriodTotals[period].Values[field] / kRouble;
  };
  const std::int64_t yearAccrued[] = {1000, 2000, 1010, 2010, 3010, 4010, 1130};
  const std::int64_t allAccrued[] = {1000, 2000, 3010, 4010, 5010, 6010, 7140};
  for (std::size_t period = 0; period < 7; ++period) {
    EXPECT_EQ(value(period, TTotalRec::InsYearAccrued), yearAccrued[period]) << period;
    EXPECT_EQ(value(period, TTotalRec::InsAllAccrued), allAccrued[period]) << period;
  }
  EXPECT_EQ(value(6, TTotalRec::InsPeriodAccrued), 1130);
  EXPECT_EQ(value(6, TTotalRec::InsPeriodPaid), 1180);
  EXPECT_EQ(value(6, TTotalRec::InsPeriodSaldo), -50);
  EXPECT_EQ(value(6, TTotalRec::InsYearSaldo), -50);
  EXPECT_EQ(value(6, TTotalRec::InsAllSaldo), -50);
  EXPECT_EQ(value(2, TTotalRec::FundPeriodAccrued), 150);
  EXPECT_EQ(value(2, TTotalRec::FundPeriodSaldo), 50);
  EXPECT_EQ(value(6, TTotalRec::FundYearAccrued), 100);
  EXPECT_EQ(value(6, TTotalRec::FundAllAccrued), 750);
  EXPECT_EQ(value(6, TTotalRec::FundAllPaid), 700);
  EXPECT_EQ(value(6, TTotalRec::FundAllSaldo), 50);

  // Without the fourth quarter the year's sums run on into the next year.
  TFileSet gap = SampleFileSet();
  gap.ReportPeriods = {{2011, 3}, {2012, 1}};
  const TReport gapReport = Build(gap, TSaldoFilter::All);
  ASSERT_EQ(gapReport.PeriodTotals.size(), 2u);
  EXPECT_EQ(gapReport.PeriodTotals[1].Values[TTotalRec::InsYearAccrued], 2130 * kRouble);
}

TEST(BuildReport, ForgottenPersonsOweWithoutDataForTheLastPeriod) {
  const TReport report = Build(SampleFileSet(), TSaldoFilter::Debt);
  ASSERT_EQ(report.ForgottenLines.size(), 1u);
  EXPECT_EQ(report.ForgottenLines[0].SNILS, "33333333333");
  EXPECT_EQ(report.ForgottenLines[0].FIO, W("Сидоров Сидор Сидорович"));
  EXPECT_EQ(report.ForgottenLines[0].InsDebt, 0);
  EXPECT_EQ(report.ForgottenLines[0].FundDebt, 50 * kRouble);
}

TEST(BuildReport, SZV63BlocksCompareWithTheIndividualData) {
  const TReport report = Build(SampleFileSet(), TSaldoFilter::All);
  EXPECT_EQ(report.SZV63Year, 2012);
  ASSERT_EQ(report.SZV63Blocks.size(), 3u);

  const TSZV63SverkaZL& full = report.SZV63Blocks[0];
  EXPECT_EQ(full.SNILS, "11111111111");
  ASSERT_EQ(full.Lines.size(), 1u);
  EXPECT_EQ(full.Lines[0].CategoryCode, W("НР"));
  EXPECT_EQ(full.Lines[0].Quarters[0].Calculated, 660 * kRouble);
  EXPECT_EQ(full.Lines[0].Quarters[0].FromIS, 1100 * kRouble);
  EXPECT_EQ(full.Lines[0].Quarters[0].Difference, -440 * kRouble);
  EXPECT_TRUE(full.Lines[0].Quarters[0].Mismatch);
  EXPECT_FALSE(full.Lines[0].Quarters[1].Mismatch);

  // No individual data in the year: every FromIS is 0.
  const TSZV63SverkaZL& left = report.SZV63Blocks[1];
  EXPECT_EQ(left.SNILS, "33333333333");
  ASSERT_EQ(left.Lines.size(), 1u);
  for (const TSZV63Quarter& quarter : left.Lines[0].Quarters) {
    EXPECT_EQ(quarter.FromIS, 0);
  }
  EXPECT_EQ(left.Lines[0].Quarters[2].Calculated, 11 * kRouble);
  EXPECT_TRUE(left.Lines[0].Quarters[2].Mismatch);

  // Codes of both sources, merged in alphabetical order.
  const TSZV63SverkaZL& noWork = report.SZV63Blocks[2];
  ASSERT_EQ(noWork.Lines.size(), 2u);
  EXPECT_EQ(noWork.Lines[0].CategoryCode, W("ВЖНР"));
  EXPECT_EQ(noWork.Lines[0].Quarters[1].Calculated, 22 * kRouble);
  EXPECT_EQ(noWork.Lines[1].CategoryCode, W("НР"));
  EXPECT_EQ(noWork.Lines[1].Quarters[0].FromIS, 10 * kRouble);
  EXPECT_EQ(noWork.Lines[1].Quarters[0].Calculated, 0);
}

TEST(BuildReport, WithoutSZV63PacksThereIsNoReconciliation) {
  TFileSet set = SampleFileSet();
  set.SZV63Files.clear();
  TReport report = Build(set, TSaldoFilter::All);
  EXPECT_EQ(report.SZV63Year, 0);
  EXPECT_TRUE(report.SZV63Blocks.empty());
  // A second build replaces the first one's content.
  BuildReport(set, {.SaldoFilter = TSaldoFilter::Debt}, report);
  EXPECT_TRUE(report.ErrorList.empty());
  EXPECT_EQ(report.MainLines.size(), 1u);
}

// A damaged pack can carry amounts at the limits of the type; balances and totals clamp there
// instead of wrapping into plausible-looking sums of the wrong sign.
TEST(BuildReport, ExtremeAmountsClampInsteadOfWrapping) {
  constexpr TAmount kMax = std::numeric_limits<TAmount>::max();
  constexpr TAmount kMin = std::numeric_limits<TAmount>::min();
  TFileSet set;
  set.SZV6Files = {File6("a.xml", "СЗВ-6-1", "ИСХОДНАЯ", 2011, 1)};
  set.ReportPeriods = {{2011, 1}, {2011, 2}};
  for (const char* snils : {"11111111111", "22222222222"}) {
    TSZV6Sotr sotr = Person(snils, "Иванов", "Иван", "Иванович");
    for (int quarter = 1; quarter <= 2; ++quarter) {
      TSZV6NU entry = Entry(2011, quarter, 0, 0, 0, 0);
      entry.InsAccrued = kMax;
      entry.InsPaid = kMin;
      entry.FundAccrued = kMin;
      entry.FundPaid = kMax;
      sotr.NUList.push_back(entry);
    }
    set.Sotrs.push_back(std::move(sotr));
  }
  TReport report;
  BuildReport(set, {.ProgVersion = "v"}, report);
  ASSERT_EQ(report.MainLines.size(), 2u);
  for (const TMainLine& line : report.MainLines) {
    ASSERT_EQ(line.Periods.size(), 2u);
    for (const TPeriodRec& period : line.Periods) {
      EXPECT_EQ(period.InsSaldo, kMax);  // a debt, however absurd
      EXPECT_EQ(period.FundSaldo, kMin);  // an overpayment
    }
    EXPECT_EQ(line.Periods[1].InsAccruedTotal, kMax);
  }
  ASSERT_EQ(report.PeriodTotals.size(), 2u);
  EXPECT_EQ(report.PeriodTotals[1].Values[TTotalRec::InsAllAccrued], kMax);
  EXPECT_EQ(report.PeriodTotals[1].Values[TTotalRec::InsAllSaldo], kMax);
  EXPECT_EQ(report.PeriodTotals[1].Values[TTotalRec::FundAllSaldo], kMin);
}

}  // namespace
}  // namespace brisolt
