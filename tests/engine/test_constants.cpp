#include "engine/constants.h"

#include <gtest/gtest.h>

#include <limits>

#include "base/encoding.h"

namespace brisolt {
namespace {

TEST(GetTariff, ByYearAndExactCode) {
  struct Case {
    int year;
    const char* code;
    TAmount rate;
  };
  const Case cases[] = {
      {2010, "НР", 2000},   {2010, "СХ", 1580},   {2010, "ОЗОИ", 1400}, {2010, "ИЦС", 1400},
      {2010, "ЕСХН", 1030}, {2011, "ЕСХН", 1600}, {2011, "НР", 2600},   {2011, "СМИ", 2000},
      {2011, "ПНЭД", 1800}, {2011, "ТВЭЗ", 800},  {2012, "НР", 2200},   {2013, "ВЖНР", 2200},
      {2015, "ВПСИ", 2080}, {2012, "АСБ", 2000},  {2012, "ВЖТЗ", 800},  {2009, "ВПЦС", 1400},
      // Codes valid only from 2012, prefixed codes outside the third table, unknown codes.
      {2010, "АСБ", 10000}, {2011, "АСБ", 10000}, {2011, "ВЖНР", 10000}, {2010, "ОЗОИ ", 10000},
      {2012, "нр", 10000},  {2012, "НР ", 10000}, {2012, "", 10000},    {2012, "ОЗОИ", 10000},
  };
  for (const auto& testCase : cases) {
    EXPECT_EQ(GetTariff(testCase.year, Utf8ToCp1251(testCase.code)), testCase.rate)
        << testCase.year << " " << testCase.code;
  }
}

TEST(GetBaseLimit, PerYear) {
  EXPECT_EQ(GetBaseLimit(2010), 415000);
  EXPECT_EQ(GetBaseLimit(2011), 463000);
  EXPECT_EQ(GetBaseLimit(2012), 512000);
  EXPECT_EQ(GetBaseLimit(2013), 568000);
  EXPECT_EQ(GetBaseLimit(2009), 568000);
}

TEST(PeriodName, HalfYearsIn2010QuartersOtherwise) {
  EXPECT_EQ(Cp1251ToUtf8(PeriodName(2010, 1)), "1 полугодие 2010 г.");
  EXPECT_EQ(Cp1251ToUtf8(PeriodName(2010, 2)), "2 полугодие 2010 г.");
  EXPECT_EQ(Cp1251ToUtf8(PeriodName(2011, 3)), "3 квартал 2011 г.");
  EXPECT_EQ(Cp1251ToUtf8(PeriodName(2012, 4)), "4 квартал 2012 г.");
}

TEST(PeriodEndDate, LastDayOfThePeriod) {
  struct Case {
    int year;
    int number;
    TDate end;
  };
  const Case cases[] = {
      {2010, 1, 40359},  // 30.06.2010
      {2010, 2, 40543},  // 31.12.2010
      {2011, 1, 40633},  // 31.03.2011
      {2011, 2, 40724},  // 30.06.2011
      {2012, 3, 41182},  // 30.09.2012
      {2012, 4, 41274},  // 31.12.2012
      {1899, 4, 1},      // 31.12.1899
      // Numbers no valid pack carries.
      {2010, 3, 40543}, {2011, 7, 40908}, {2011, 0, 40543}, {2011, -2, 40543},
  };
  for (const auto& testCase : cases) {
    EXPECT_EQ(PeriodEndDate(testCase.year, testCase.number), testCase.end) << testCase.year << "/" << testCase.number;
  }
  // Absurd years from damaged packs stay finite.
  EXPECT_GT(PeriodEndDate(std::numeric_limits<int>::max(), 1), 0);
  EXPECT_LT(PeriodEndDate(std::numeric_limits<int>::min(), 1), 0);
}

TEST(IsLastPeriodOfYear, SecondHalfOf2010AndFourthQuarterOtherwise) {
  EXPECT_TRUE(IsLastPeriodOfYear(2010, 2));
  EXPECT_FALSE(IsLastPeriodOfYear(2010, 4));
  EXPECT_FALSE(IsLastPeriodOfYear(2010, 1));
  EXPECT_TRUE(IsLastPeriodOfYear(2011, 4));
  EXPECT_FALSE(IsLastPeriodOfYear(2011, 2));
  EXPECT_TRUE(IsLastPeriodOfYear(2009, 4));
}

TEST(FixedTexts, ExactComparison) {
  EXPECT_TRUE(IsSZV6FormKind(Utf8ToCp1251("СЗВ-6-1")));
  EXPECT_TRUE(IsSZV6FormKind(Utf8ToCp1251("СЗВ-6-4")));
  EXPECT_FALSE(IsSZV6FormKind(Utf8ToCp1251("СЗВ-6-3")));
  EXPECT_FALSE(IsSZV6FormKind(Utf8ToCp1251("сзв-6-1")));
  EXPECT_TRUE(IsZeroedCategory(Utf8ToCp1251("ВПЭС")));
  EXPECT_FALSE(IsZeroedCategory(Utf8ToCp1251("чэс")));
  EXPECT_EQ(Cp1251ToUtf8(DataTypeCancelling()), "ОТМЕНЯЮЩАЯ");
}

}  // namespace
}  // namespace brisolt
