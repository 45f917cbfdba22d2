// The per-person and per-period queries and the cumulative check, on file sets built by hand.
#include <gtest/gtest.h>

#include <limits>
#include <random>
#include <string>
#include <vector>

#include "engine/constants.h"
#include "engine/sverka.h"
#include "base/encoding.h"
#include "../reference/period_sums.h"

namespace brisolt {
namespace {

std::string W(const char* utf8) { return Utf8ToCp1251(utf8); }

std::vector<std::string> Utf8(const std::vector<std::string>& texts) {
  std::vector<std::string> result;
  for (const auto& text : texts) {
    result.push_back(Cp1251ToUtf8(text));
  }
  return result;
}

constexpr TAmount kRouble = 10000;

TSZV6NU Entry(int year, int quarter, TAmount insAccrued, TAmount insPaid, TAmount fundAccrued = 0,
              TAmount fundPaid = 0, const char* category = "НР", int fileIndex = 0) {
  TSZV6NU entry;
  entry.Year = year;
  entry.Quarter = quarter;
  entry.CategoryCode = W(category);
  entry.InsAccrued = insAccrued;
  entry.InsPaid = insPaid;
  entry.FundAccrued = fundAccrued;
  entry.FundPaid = fundPaid;
  entry.FileIndex = fileIndex;
  entry.StageDates.push_back({PeriodEndDate(year, quarter) - 80, PeriodEndDate(year, quarter)});
  return entry;
}

class CheckSotrTest : public ::testing::Test {
 protected:
  // One person; periods as given, ascending.
  TSZV6Sotr& Person(std::vector<TReportPeriod> periods) {
    files_.ReportPeriods = std::move(periods);
    files_.Sotrs.resize(1);
    return files_.Sotrs[0];
  }

  std::vector<std::string> Check(TSotrCheck& result) {
    std::vector<std::string> notes{"left over"};
    result = files_.CheckSotr(0, files_.GetPeriodSumsByPeriod(0), notes);
    return Utf8(notes);
  }

  TFileSet files_;
};

TEST_F(CheckSotrTest, BalancedPersonHasNoRemark) {
  auto& person = Person({{2010, 1}, {2010, 2}, {2011, 1}});
  for (const auto& period : files_.ReportPeriods) {
    person.NUList.push_back(Entry(period.Year, period.Quarter, 1000 * kRouble, 1000 * kRouble));
  }
  TSotrCheck result;
  EXPECT_TRUE(Check(result).empty());
  EXPECT_EQ(result.SaldoFlags, 0);
  EXPECT_EQ(LineMarkClass(result.Mark), "norm");
}

TEST_F(CheckSotrTest, OverpaymentRepeatedWhileItLasts) {
  auto& person = Person({{2011, 1}, {2011, 2}, {2011, 3}});
  person.NUList.push_back(Entry(2011, 1, 1000 * kRouble, 1200 * kRouble, 300 * kRouble, 400 * kRouble));
  person.NUList.push_back(Entry(2011, 2, 1000 * kRouble, 1000 * kRouble, 300 * kRouble, 300 * kRouble));
  person.NUList.push_back(Entry(2011, 3, 1200 * kRouble, 1000 * kRouble, 300 * kRouble, 300 * kRouble));
  TSotrCheck result;
  EXPECT_EQ(Check(result), (std::vector<std::string>{
                               "Ошибка: 1/2011 - превыш. страх.: нач. 1000.00, упл. 1200.00",
                               "Ошибка: 1/2011 - превыш. накоп.: нач. 300.00, упл. 400.00",
                               "Ошибка: 2/2011 - превыш. страх.: нач. 2000.00, упл. 2200.00",
                               "Ошибка: 2/2011 - превыш. накоп.: нач. 600.00, упл. 700.00",
                               "Ошибка: 3/2011 - превыш. накоп.: нач. 900.00, упл. 1000.00",
                           }));
  EXPECT_EQ(result.SaldoFlags, SaldoOverpaid);
  EXPECT_EQ(LineMarkClass(result.Mark), "p");
}

TEST_F(CheckSotrTest, NegativeCorrectionLeavesRunningTotalsButCountsInSums) {
  auto& person = Person({{2011, 1}, {2011, 2}});
  person.NUList.push_back(Entry(2011, 1, 1000 * kRouble, 1000 * kRouble));
  person.NUList.push_back(Entry(2011, 2, -300 * kRouble, 0));
  TSotrCheck result;
  EXPECT_TRUE(Check(result).empty());
  EXPECT_EQ(result.SaldoFlags, 0);
  EXPECT_EQ(reference::PeriodSums(files_, 0, 2011, 2).InsAccrued, -300 * kRouble);
  EXPECT_EQ(reference::PeriodTotals(files_, 2011, 2).InsAccrued, -300 * kRouble);
}

TEST_F(CheckSotrTest, BaseWarningAcrossTheHalfYearsOf2010) {
  auto& person = Person({{2010, 1}, {2010, 2}, {2011, 1}});
  // Rate 20 %: 80000 roubles accrued is a base of 400000, 4000 one of 20000.
  person.NUList.push_back(Entry(2010, 1, 56000 * kRouble, 56000 * kRouble, 24000 * kRouble, 24000 * kRouble));
  person.NUList.push_back(Entry(2010, 2, 4000 * kRouble, 4000 * kRouble));
  // The total restarted after the warning: 20000 more in 2011 stays far below.
  person.NUList.push_back(Entry(2011, 1, 5200 * kRouble, 5200 * kRouble));
  TSotrCheck result;
  EXPECT_EQ(Check(result), (std::vector<std::string>{"Предупреждение: 2/2010 - превыш. базы? 420000.00 р"}));
  EXPECT_EQ(LineMarkClass(result.Mark), "p");
  EXPECT_EQ(result.SaldoFlags, 0);
}

TEST_F(CheckSotrTest, BaseTotalRestartsAfterTheLastPeriodOfAYearOnly) {
  auto& person = Person({{2010, 2}, {2011, 1}, {2011, 3}, {2012, 1}});
  // 300000 roubles of base in each period.
  person.NUList.push_back(Entry(2010, 2, 60000 * kRouble, 60000 * kRouble));
  person.NUList.push_back(Entry(2011, 1, 78000 * kRouble, 78000 * kRouble));
  person.NUList.push_back(Entry(2011, 3, 78000 * kRouble, 78000 * kRouble));
  person.NUList.push_back(Entry(2012, 1, 66000 * kRouble, 66000 * kRouble));
  TSotrCheck result;
  // 2011: 600000 > 463000 at the 3rd quarter; no 4th quarter, but the warning restarted the total,
  // so 2012 begins at 300000 and stays below 512000.
  EXPECT_EQ(Check(result), (std::vector<std::string>{"Предупреждение: 3/2011 - превыш. базы? 600000.00 р"}));
}

TEST_F(CheckSotrTest, BaseTotalRunsIntoTheNextYearWhenTheLastQuarterIsMissing) {
  auto& person = Person({{2011, 3}, {2012, 1}});
  person.NUList.push_back(Entry(2011, 3, 65000 * kRouble, 65000 * kRouble));  // 250000
  person.NUList.push_back(Entry(2012, 1, 60500 * kRouble, 60500 * kRouble));  // 275000
  TSotrCheck result;
  EXPECT_EQ(Check(result), (std::vector<std::string>{"Предупреждение: 1/2012 - превыш. базы? 525000.00 р"}));
}

TEST_F(CheckSotrTest, BaseComparedRoundedToKopecks) {
  auto& person = Person({{2012, 1}});
  // 512000.004 roubles rounds to the limit itself: no warning; 512000.005 rounds above it.
  person.NUList.push_back(Entry(2012, 1, 1126400009, 0));
  TSotrCheck result;
  EXPECT_TRUE(Check(result).empty());
  person.NUList[0].InsAccrued = 1126400011;
  EXPECT_EQ(Check(result), (std::vector<std::string>{"Предупреждение: 1/2012 - превыш. базы? 512000.01 р"}));
}

TEST_F(CheckSotrTest, DebtOnDismissalVersusStillAtWork) {
  struct Case {
    const char* title;
    TDate stageEnd;  // 0: no service period at all
    std::vector<std::string> notes;
    const char* styleClass;
  };
  const TDate lastDay = PeriodEndDate(2011, 2);
  const Case cases[] = {
      {"dismissed a day early", lastDay - 1, {"Предупреждение: задолж. 500.00 страх."}, "hv"},
      {"no service period", 0, {"Предупреждение: задолж. 500.00 страх."}, "hv"},
      {"still at work", lastDay, {}, "norm"},
      {"period beyond the last", lastDay + 30, {}, "norm"},
  };
  for (const auto& testCase : cases) {
    auto& person = Person({{2011, 1}, {2011, 2}});
    person.NUList.clear();
    person.NUList.push_back(Entry(2011, 1, 1000 * kRouble, 1000 * kRouble));
    person.NUList.push_back(Entry(2011, 2, 1500 * kRouble, 1000 * kRouble));
    for (auto& entry : person.NUList) {
      entry.StageDates.clear();
      if (testCase.stageEnd != 0) {
        entry.StageDates.push_back({testCase.stageEnd - 100, testCase.stageEnd});
      }
    }
    TSotrCheck result;
    EXPECT_EQ(Check(result), testCase.notes) << testCase.title;
    EXPECT_EQ(LineMarkClass(result.Mark), testCase.styleClass) << testCase.title;
    EXPECT_EQ(result.SaldoFlags, SaldoDebt) << testCase.title;
    EXPECT_EQ(result.LastStageEnd, testCase.stageEnd) << testCase.title;
  }
}

TEST_F(CheckSotrTest, BothRemarksGiveHvp) {
  auto& person = Person({{2011, 1}, {2011, 2}});
  person.NUList.push_back(Entry(2011, 1, 100 * kRouble, 100 * kRouble, 50 * kRouble, 80 * kRouble));
  person.NUList.push_back(Entry(2011, 2, 900 * kRouble, 500 * kRouble, 50 * kRouble, 20 * kRouble));
  person.NUList[1].StageDates[0].EndDate -= 10;
  TSotrCheck result;
  EXPECT_EQ(Check(result), (std::vector<std::string>{
                               "Ошибка: 1/2011 - превыш. накоп.: нач. 50.00, упл. 80.00",
                               "Предупреждение: задолж. 400.00 страх.",
                           }));
  EXPECT_EQ(LineMarkClass(result.Mark), "hvp");
  EXPECT_EQ(result.SaldoFlags, SaldoDebt | SaldoOverpaid);
}

TEST_F(CheckSotrTest, PersonWithoutEntries) {
  Person({{2011, 1}});
  TSotrCheck result;
  EXPECT_TRUE(Check(result).empty());
  EXPECT_EQ(LineMarkClass(result.Mark), "norm");
  EXPECT_EQ(result.SaldoFlags, 0);
  EXPECT_EQ(files_.GetLastStageEnd(0), 0);
}

// The balance follows every correction; the amounts put through only grow.
TEST(RunningTotals, BalanceAndAmountsPutThrough) {
  const TPeriodSums periods[] = {
      {.FileNumbers = "1", .EstimatedBase = 0, .InsAccrued = 500, .FundAccrued = 40, .InsPaid = 300, .FundPaid = 40},
      {.FileNumbers = "2", .EstimatedBase = 0, .InsAccrued = -200, .FundAccrued = 10, .InsPaid = 0, .FundPaid = -30},
      {.FileNumbers = "3", .EstimatedBase = 0, .InsAccrued = 100, .FundAccrued = 0, .InsPaid = 250, .FundPaid = 5},
  };
  TRunningTotals balance;
  TRunningTotals putThrough;
  for (const TPeriodSums& sums : periods) {
    balance.Add(sums);
    putThrough.AddRaises(sums);
  }
  EXPECT_EQ(balance.InsAccrued, 400);
  EXPECT_EQ(balance.InsPaid, 550);
  EXPECT_EQ(balance.FundAccrued, 50);
  EXPECT_EQ(balance.FundPaid, 15);
  EXPECT_EQ(balance.InsBalance(), -150);
  EXPECT_EQ(balance.FundBalance(), 35);
  EXPECT_EQ(putThrough.InsAccrued, 600);
  EXPECT_EQ(putThrough.InsPaid, 550);
  EXPECT_EQ(putThrough.FundAccrued, 50);
  EXPECT_EQ(putThrough.FundPaid, 45);
  EXPECT_EQ(putThrough.InsBalance(), 50);
}

TEST(SaldoMatches, Filters) {
  struct Case {
    int flags;
    bool passes[4];  // all, non-zero, debt, overpayment
  };
  const Case cases[] = {
      {0, {true, false, false, false}},
      {SaldoDebt, {true, true, true, false}},
      {SaldoOverpaid, {true, true, false, true}},
      {SaldoDebt | SaldoOverpaid, {true, true, true, true}},
  };
  const TSaldoFilter filters[] = {TSaldoFilter::All, TSaldoFilter::NonZero, TSaldoFilter::Debt,
                                  TSaldoFilter::Overpayment};
  for (const auto& testCase : cases) {
    for (int index = 0; index < 4; ++index) {
      EXPECT_EQ(TFileSet::SaldoMatches(testCase.flags, filters[index]), testCase.passes[index])
          << "flags " << testCase.flags << " filter " << index;
    }
  }
}

TEST(PeriodQueries, SumsFileNumbersAndEstimatedBase) {
  TFileSet files;
  files.Sotrs.resize(2);
  auto& person = files.Sotrs[0].NUList;
  person.push_back(Entry(2011, 1, 2600 * kRouble, 2000 * kRouble, 0, 0, "НР", 0));
  person.push_back(Entry(2011, 2, 700 * kRouble, 700 * kRouble, 0, 0, "НР", 1));
  person.push_back(Entry(2011, 1, 160 * kRouble, 100 * kRouble, 40 * kRouble, 40 * kRouble, "ООИ", 4));
  person.push_back(Entry(2011, 1, 0, 0, 0, 0, "ЧЭС", 6));
  files.Sotrs[1].NUList.push_back(Entry(2011, 1, 1 * kRouble, 2 * kRouble, 3 * kRouble, 4 * kRouble));

  const TPeriodSums sums = reference::PeriodSums(files, 0, 2011, 1);
  EXPECT_EQ(sums.FileNumbers, "1, 5, 7");
  EXPECT_EQ(sums.InsAccrued, 2760 * kRouble);
  EXPECT_EQ(sums.InsPaid, 2100 * kRouble);
  EXPECT_EQ(sums.FundAccrued, 40 * kRouble);
  EXPECT_EQ(sums.EstimatedBase, 0);  // from the last entry alone, a zeroed category
  files.Sotrs[0].NUList.pop_back();
  EXPECT_DOUBLE_EQ(reference::PeriodSums(files, 0, 2011, 1).EstimatedBase, 1250);  // 200 / 0.16
  EXPECT_DOUBLE_EQ(reference::PeriodSums(files, 0, 2011, 2).EstimatedBase, 700.0 / 0.26);
  const TPeriodSums none = reference::PeriodSums(files, 0, 2012, 1);
  EXPECT_EQ(none.FileNumbers, "");
  EXPECT_EQ(none.EstimatedBase, 0);
  EXPECT_EQ(none.InsAccrued, 0);

  files.Sotrs[0].NUList.push_back(Entry(2011, 1, 500 * kRouble, 0, 0, 0, "XYZ", 8));
  EXPECT_DOUBLE_EQ(reference::PeriodSums(files, 0, 2011, 1).EstimatedBase, 500);  // unlisted code: rate 1

  const TCategorySums category = files.GetCategorySums(0, 2011, 1, W("ООИ"));
  EXPECT_EQ(category.InsAccrued, 160 * kRouble);
  EXPECT_EQ(category.FundAccrued, 40 * kRouble);
  EXPECT_EQ(files.GetCategorySums(0, 2011, 1, W("ООИ ")).InsAccrued, 0);

  std::vector<std::string> codes{"stale"};
  files.Sotrs[0].NUList.push_back(Entry(2011, 1, 0, 0, 0, 0, "СХ", 9));
  files.Sotrs[0].NUList.push_back(Entry(2011, 1, 10 * kRouble, 0, 0, 0, "НР", 9));
  files.GetPeriodCategories(0, 2011, 1, codes);
  EXPECT_EQ(Utf8(codes), (std::vector<std::string>{"НР", "ООИ", "XYZ", "НР"}));

  const TPeriodSums totals = reference::PeriodTotals(files, 2011, 1);
  EXPECT_EQ(totals.InsAccrued, (2600 + 160 + 500 + 10 + 1) * kRouble);
  EXPECT_EQ(totals.FundPaid, 44 * kRouble);
  EXPECT_TRUE(files.HasPeriodData(1, 2011, 1));
  EXPECT_FALSE(files.HasPeriodData(1, 2011, 2));
}

// The one-pass query against the per-period one, on random persons and period lists (short and
// long, with a period listed twice and entries of periods not listed).
TEST(PeriodQueries, ByPeriodEqualsOnePeriodAtATime) {
  std::mt19937 random(77);
  const char* const codes[] = {"НР", "ООИ", "ЧЭС", "XYZ"};
  for (int round = 0; round < 200; ++round) {
    TFileSet files;
    const int periods = round % 2 == 0 ? 1 + static_cast<int>(random() % 8) : 40 + static_cast<int>(random() % 30);
    for (int period = 0; period < periods; ++period) {
      files.ReportPeriods.push_back({2010 + period / 4, period % 4 + 1});
    }
    files.ReportPeriods.push_back(files.ReportPeriods[random() % files.ReportPeriods.size()]);
    files.Sotrs.resize(1);
    const int entries = static_cast<int>(random() % 60);
    for (int index = 0; index < entries; ++index) {
      const int period = static_cast<int>(random() % static_cast<unsigned>(periods + 2));
      files.Sotrs[0].NUList.push_back(Entry(2010 + period / 4, period % 4 + 1,
                                            static_cast<TAmount>(random() % 100000) - 20000,
                                            static_cast<TAmount>(random() % 100000), static_cast<TAmount>(random() % 5000),
                                            0, codes[random() % 4], index));
    }
    files.Sotrs.push_back(files.Sotrs[0]);
    files.Sotrs[1].NUList.resize(files.Sotrs[1].NUList.size() / 2);
    const std::vector<TPeriodSums> totals = files.GetPeriodTotalsByPeriod();
    ASSERT_EQ(totals.size(), files.ReportPeriods.size());
    for (std::size_t position = 0; position < totals.size(); ++position) {
      const TReportPeriod& period = files.ReportPeriods[position];
      const TPeriodSums one = reference::PeriodTotals(files, period.Year, period.Quarter);
      ASSERT_EQ(totals[position].InsAccrued, one.InsAccrued) << round;
      ASSERT_EQ(totals[position].FundAccrued, one.FundAccrued) << round;
      ASSERT_EQ(totals[position].InsPaid, one.InsPaid) << round;
      ASSERT_EQ(totals[position].FundPaid, one.FundPaid) << round;
      ASSERT_EQ(totals[position].FileNumbers, "");
    }
    const std::vector<TPeriodSums> all = files.GetPeriodSumsByPeriod(0);
    ASSERT_EQ(all.size(), files.ReportPeriods.size());
    for (std::size_t position = 0; position < all.size(); ++position) {
      const TReportPeriod& period = files.ReportPeriods[position];
      const TPeriodSums one = reference::PeriodSums(files, 0, period.Year, period.Quarter);
      ASSERT_EQ(all[position].FileNumbers, one.FileNumbers) << round;
      ASSERT_EQ(all[position].EstimatedBase, one.EstimatedBase) << round;
      ASSERT_EQ(all[position].InsAccrued, one.InsAccrued) << round;
      ASSERT_EQ(all[position].FundAccrued, one.FundAccrued) << round;
      ASSERT_EQ(all[position].InsPaid, one.InsPaid) << round;
      ASSERT_EQ(all[position].FundPaid, one.FundPaid) << round;
    }
  }
}

TEST(PeriodQueries, SumsSaturateInsteadOfOverflowing) {
  TFileSet files;
  files.Sotrs.resize(1);
  files.Sotrs[0].NUList.push_back(Entry(2011, 1, std::numeric_limits<TAmount>::max(), 0));
  files.Sotrs[0].NUList.push_back(Entry(2011, 1, 5, 0));
  EXPECT_EQ(reference::PeriodSums(files, 0, 2011, 1).InsAccrued, std::numeric_limits<TAmount>::max());
}

TEST(SZV63Queries, QuartersYearsAndFileNumbers) {
  TFileSet files;
  files.Sotrs.resize(1);
  auto& list = files.Sotrs[0].NU63List;
  const auto add = [&list](int year, const char* code, int fileNumber) -> TSZV63NU& {
    TSZV63NU& entry = list.emplace_back();
    entry.Year = year;
    entry.CategoryCode = W(code);
    entry.FileNumber = fileNumber;
    for (int month = 1; month <= 12; ++month) {
      entry.Months[static_cast<std::size_t>(month)] = {month * 1000 * kRouble, month * 100 * kRouble};
    }
    return entry;
  };
  add(2011, "НР", 1);
  add(2011, "ООИ", 2);
  add(2011, "НР", 4);
  add(2010, "НР", 3);

  const TQuarterSums63 second = files.GetQuarterSums63(0, 2011, W("НР"), 2);
  EXPECT_EQ(second.FileNumbers, "1,4");
  EXPECT_EQ(second.Total, 2 * (4 + 5 + 6) * 1000 * kRouble);
  EXPECT_EQ(second.Taxable, 2 * (4 + 5 + 6) * 100 * kRouble);
  EXPECT_EQ(files.GetQuarterSums63(0, 2011, W("ООИ"), 4).Taxable, (10 + 11 + 12) * 100 * kRouble);
  EXPECT_EQ(files.GetQuarterSums63(0, 2011, W("ООИ"), 5).Taxable, 0);
  EXPECT_EQ(files.GetYearTaxable63(0, 2011), 3 * 78 * 100 * kRouble);
  EXPECT_EQ(files.GetYearTaxable63(0, 2012), 0);

  std::vector<std::string> codes;
  files.GetCategories63(0, 2011, codes);
  EXPECT_EQ(Utf8(codes), (std::vector<std::string>{"НР", "ООИ", "НР"}));

  EXPECT_EQ(files.GetLastYear63(), 0);
  files.SZV63Files.resize(3);
  files.SZV63Files[0].Year = 2011;
  files.SZV63Files[1].Year = 2012;
  files.SZV63Files[2].Year = 2010;
  EXPECT_EQ(files.GetLastYear63(), 2012);
}

// Totals gathered from runs of persons against the one pass over all of them, with amounts near
// the limits of TAmount so that the one pass stops at a limit inside a run, at its first entry,
// or after it; and a person's sums from a pass that served other persons before.
TEST(PeriodQueries, TotalsOfRunsEqualOnePassAtTheLimits) {
  constexpr TAmount kMax = std::numeric_limits<TAmount>::max();
  constexpr TAmount kMin = std::numeric_limits<TAmount>::min();
  const TAmount sizes[] = {kMax, kMax / 2, kMax / 3 + 7, kMin, kMin / 2, 1000, 0};
  std::mt19937 random(31);
  for (int round = 0; round < 300; ++round) {
    TFileSet files;
    const int periods = 1 + static_cast<int>(random() % 3);
    for (int period = 0; period < periods; ++period) {
      files.ReportPeriods.push_back({2011, period + 1});
    }
    if (round % 5 == 0) files.ReportPeriods.push_back(files.ReportPeriods.front());
    files.Sotrs.resize(1 + random() % 12);
    for (auto& sotr : files.Sotrs) {
      const int entries = static_cast<int>(random() % 4);
      for (int index = 0; index < entries; ++index) {
        const auto amount = [&] {
          const TAmount size = sizes[random() % std::size(sizes)];
          return random() % 2 == 0 ? size : -(size == kMin ? kMax : size);
        };
        sotr.NUList.push_back(Entry(2011, 1 + static_cast<int>(random() % 4), amount(), amount(), amount(), amount(),
                                    "НР", index));
      }
    }
    TPeriodTotals totals(files);
    std::size_t first = 0;
    while (first < files.Sotrs.size()) {
      const std::size_t end = std::min(files.Sotrs.size(), first + 1 + random() % 4);
      TPeriodSumsPass pass(files, first);
      for (std::size_t person = first; person < end; ++person) {
        if (random() % 2 == 0) {
          pass.AddToTotals(person);
          continue;
        }
        const std::vector<TPeriodSums>& sums = pass.AddPerson(person);
        for (std::size_t position = 0; position < sums.size(); ++position) {
          const TReportPeriod& period = files.ReportPeriods[position];
          const TPeriodSums one = reference::PeriodSums(files, static_cast<int>(person), period.Year, period.Quarter);
          ASSERT_EQ(sums[position].FileNumbers, one.FileNumbers) << round;
          ASSERT_EQ(sums[position].InsAccrued, one.InsAccrued) << round;
          ASSERT_EQ(sums[position].FundPaid, one.FundPaid) << round;
        }
      }
      totals.Add(pass.TakeTotals());
      first = end;
    }
    const std::vector<TPeriodSums> byRuns = totals.Take();
    ASSERT_EQ(byRuns.size(), files.ReportPeriods.size());
    for (std::size_t position = 0; position < byRuns.size(); ++position) {
      const TReportPeriod& period = files.ReportPeriods[position];
      const TPeriodSums one = reference::PeriodTotals(files, period.Year, period.Quarter);
      ASSERT_EQ(byRuns[position].InsAccrued, one.InsAccrued) << round << " " << position;
      ASSERT_EQ(byRuns[position].FundAccrued, one.FundAccrued) << round << " " << position;
      ASSERT_EQ(byRuns[position].InsPaid, one.InsPaid) << round << " " << position;
      ASSERT_EQ(byRuns[position].FundPaid, one.FundPaid) << round << " " << position;
    }
  }
}

// Period positions by first occurrence, looked up in a table by year and quarter or in an index
// (quarters outside 1..4, years far apart), against a scan of the list.
TEST(PeriodQueries, PositionsEqualAScanOfTheList) {
  const std::vector<std::vector<TReportPeriod>> lists = {
      {},
      {{2011, 1}},
      {{2012, 4}, {2010, 1}, {2012, 4}, {2011, 2}},
      {{2011, 0}, {2011, 5}, {2011, 1}},
      {{-3, 2}, {1, 1}, {-3, 2}},
      {{2010, 1}, {9000, 3}, {2010, 1}},
      {{std::numeric_limits<std::int32_t>::min(), 1}, {std::numeric_limits<std::int32_t>::max(), 4}},
  };
  for (std::size_t list = 0; list < lists.size(); ++list) {
    const std::vector<TReportPeriod>& periods = lists[list];
    const TPeriodPositions positions(periods);
    std::vector<TPeriodSums> sums(periods.size());
    for (std::size_t position = 0; position < sums.size(); ++position) {
      sums[position].InsAccrued = static_cast<TAmount>(position);
    }
    positions.CopyRepeated(sums);
    std::vector<TReportPeriod> asked = periods;
    for (const std::int32_t year : {-4, -3, 0, 1, 2009, 2010, 2011, 2012, 2013, 8999, 9000}) {
      for (std::int32_t quarter = -1; quarter <= 6; ++quarter) asked.push_back({year, quarter});
    }
    for (const TReportPeriod& period : asked) {
      std::size_t first = 0;
      while (first < periods.size() && !(periods[first].Year == period.Year && periods[first].Quarter == period.Quarter)) {
        ++first;
      }
      ASSERT_EQ(positions.Find(period.Year, period.Quarter), first)
          << "list " << list << " period " << period.Year << "/" << period.Quarter;
      if (first < sums.size()) {
        ASSERT_EQ(sums[first].InsAccrued, static_cast<TAmount>(first)) << list;
      }
    }
    for (std::size_t position = 0; position < periods.size(); ++position) {
      ASSERT_EQ(sums[position].InsAccrued,
                static_cast<TAmount>(positions.Find(periods[position].Year, periods[position].Quarter)))
          << "list " << list << " position " << position;
    }
  }
}

}  // namespace
}  // namespace brisolt
