// Money: the one printed form of an amount, its spelled forms, and the saturating arithmetic.
#include "base/amount.h"
#include "base/amountformat.h"

#include <gtest/gtest.h>

#include <charconv>
#include <cmath>
#include <cstdint>
#include <limits>
#include <random>
#include <string>
#include <vector>

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

// Every spec on amounts with and without a sign, groups and trailing zeros: the figure is always
// FormatSum's, only its spelling changes.
TEST(FormatSum, SpelledAsItsFormatSays) {
  const TSumFormat plain;
  const TSumFormat comma{','};
  const TSumFormat grouped{',', " ", false, " руб."};
  const TSumFormat shortest{'.', {}, true};
  struct Case {
    TAmount amount;
    const char* plain;
    const char* comma;
    const char* grouped;
    const char* shortest;
  };
  const Case cases[] = {
      {0, "0.00", "0,00", "0,00 руб.", "0"},
      {-49, "0.00", "0,00", "0,00 руб.", "0"},
      {-5000, "-0.50", "-0,50", "-0,50 руб.", "-0.5"},
      {1234500, "123.45", "123,45", "123,45 руб.", "123.45"},
      {10000000, "1000.00", "1000,00", "1 000,00 руб.", "1000"},
      {-12345678900, "-1234567.89", "-1234567,89", "-1 234 567,89 руб.", "-1234567.89"},
      {1000000000, "100000.00", "100000,00", "100 000,00 руб.", "100000"},
      {1234501000, "123450.10", "123450,10", "123 450,10 руб.", "123450.1"},
      {kMin, "-922337203685477.58", "-922337203685477,58", "-922 337 203 685 477,58 руб.",
       "-922337203685477.58"},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.amount);
    EXPECT_EQ(FormatSum(c.amount, plain), c.plain);
    EXPECT_EQ(FormatSum(c.amount, plain), FormatSum(c.amount));
    EXPECT_EQ(FormatSum(c.amount, comma), c.comma);
    EXPECT_EQ(FormatSum(c.amount, grouped), c.grouped);
    EXPECT_EQ(FormatSum(c.amount, shortest), c.shortest);
  }
}

// The plain way to the same text: the kopecks rounded by quotient and remainder, the roubles by
// the standard library.
std::string ReferenceSum(TAmount amount) {
  const bool negative = amount < 0;
  const std::uint64_t magnitude =
      negative ? std::uint64_t{0} - static_cast<std::uint64_t>(amount) : static_cast<std::uint64_t>(amount);
  const std::uint64_t kopecks = magnitude / 100 + (magnitude % 100 >= 50 ? 1 : 0);
  char roubles[24];
  char* const end = std::to_chars(roubles, roubles + sizeof roubles, kopecks / 100).ptr;
  const auto fraction = static_cast<unsigned>(kopecks % 100);
  return std::string(negative && kopecks != 0 ? "-" : "") + std::string(roubles, end) + '.' +
         static_cast<char>('0' + fraction / 10) + static_cast<char>('0' + fraction % 10);
}

// Amounts of every length of digits, each around the places where a digit is added or a
// rouble carries, and random ones of every size, against the plain way.
TEST(FormatSum, SameAsThePlainWayAtEveryLength) {
  std::vector<TAmount> amounts = {kMax, kMin, kMax - 49, kMin + 50};
  for (std::uint64_t power = 1; power <= std::uint64_t{1'000'000'000'000'000'000}; power *= 10) {
    for (const std::int64_t near : {-51, -50, -49, -1, 0, 1, 49, 50}) {
      const auto amount = static_cast<TAmount>(power) + near;
      amounts.push_back(amount);
      amounts.push_back(-amount);
    }
  }
  std::mt19937_64 random(20261209);
  for (int count = 0; count < 20000; ++count) {
    const auto bits = static_cast<int>(random() % 64);
    amounts.push_back(static_cast<TAmount>(random() >> bits));
  }
  for (const TAmount amount : amounts) {
    char text[kSumTextSize];
    const std::string written(text, FormatSumTo(text, amount));
    ASSERT_EQ(written, ReferenceSum(amount)) << amount;
    ASSERT_EQ(FormatSum(amount), written) << amount;
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
