// Money: the one printed form of an amount and the saturating arithmetic.
#include "base/amount.h"

#include <gtest/gtest.h>

#include <cmath>
#include <limits>

namespace brisolt {
namespace {

constexpr TAmount kMax = std::numeric_limits<TAmount>::max();
constexpr TAmount kMin = std::numeric_limits<TAmount>::min();

TEST(FormatSum, TwoDecimalsRoundedExactlyHalvesAwayFromZero) {
  struct Case {
    TAmount amount;
    const char* text;
  };
  const Case cases[] = {
      {0, "0.00"},
      {-12345000, "-1234.50"},
      {12345600, "1234.56"},
      {123456789, "12345.68"},
      {12345650, "1234.57"},            // a half goes up
      {12345649, "1234.56"},
      {-12345650, "-1234.57"},          // and away from zero below it
      {150, "0.02"},
      {50, "0.01"},
      {49, "0.00"},
      {-49, "0.00"},                    // rounds to zero: no sign
      {-50, "-0.01"},
      {999950, "100.00"},               // carry into the roubles
      {10000000000000, "1000000000.00"},
      {kMax, "922337203685477.58"},
      {kMin, "-922337203685477.58"},
  };
  for (const auto& testCase : cases) {
    EXPECT_EQ(FormatSum(testCase.amount), testCase.text) << testCase.amount;
  }
}

TEST(RoundToKopecks, HalvesAwayFromZeroAtBothEnds) {
  EXPECT_EQ(RoundToKopecks(12345650), 123457);
  EXPECT_EQ(RoundToKopecks(-12345650), -123457);
  EXPECT_EQ(RoundToKopecks(-49), 0);
  EXPECT_EQ(RoundToKopecks(kMax), 92233720368547758);
  EXPECT_EQ(RoundToKopecks(kMin), -92233720368547758);
}

TEST(AmountArithmetic, SaturatesInsteadOfWrapping) {
  EXPECT_EQ(AddAmount(12345600, -2345600), 10000000);
  EXPECT_EQ(AddAmount(kMax, 1), kMax);
  EXPECT_EQ(AddAmount(kMax - 5, 10), kMax);
  EXPECT_EQ(AddAmount(kMin, -1), kMin);
  EXPECT_EQ(AddAmount(kMin + 5, -5), kMin);
  EXPECT_EQ(AddAmount(kMax, kMin), -1);
  EXPECT_EQ(SubAmount(12345600, 2345600), 10000000);
  EXPECT_EQ(SubAmount(kMax, kMin), kMax);
  EXPECT_EQ(SubAmount(kMin, kMax), kMin);
  EXPECT_EQ(SubAmount(kMin, 1), kMin);
  EXPECT_EQ(SubAmount(0, kMin), kMax);
  EXPECT_EQ(SubAmount(-1, kMin), kMax);
}

TEST(RoublesToAmount, RoundsHalvesToEvenAndClamps) {
  EXPECT_EQ(RoublesToAmount(1234.5), 12345000);
  EXPECT_EQ(RoublesToAmount(0.00005), 0);  // half of a unit, to even
  EXPECT_EQ(RoublesToAmount(1e300), kMax);
  EXPECT_EQ(RoublesToAmount(-1e300), kMin);
  EXPECT_EQ(RoublesToAmount(std::nan("")), 0);
}

}  // namespace
}  // namespace brisolt
