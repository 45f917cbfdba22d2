// Money as the whole program holds it: ten-thousandths of a rouble in a 64-bit integer, its one
// printed form, and sums that saturate instead of overflowing.
#pragma once

#include <cstddef>
#include <cstdint>
#include <string>

namespace brisolt {

// Ten-thousandths of a rouble: 1234.56 roubles is 12345600.
using TAmount = std::int64_t;

// Roubles with two decimals, "." as separator, a leading "-" when negative, no grouping:
// -12345000 gives "-1234.50". Rounded exactly on the stored units, halves away from zero; a value
// that rounds to zero carries no sign. Every amount the program prints goes through here.
std::string FormatSum(TAmount amount);

// Whole kopecks (hundredths of a rouble) of an amount, halves away from zero: the rounding
// FormatSum prints.
std::int64_t RoundToKopecks(TAmount amount);

// The same written to `out`, which has room for kSumTextSize characters, all of which it may
// overwrite; returns the end of the text. For the writers, which put millions of amounts straight
// into their buffer.
inline constexpr std::size_t kSumTextSize = 24;
char* FormatSumTo(char* out, TAmount amount);

// Sums and differences of amounts saturate instead of overflowing: a damaged pack may carry
// absurd amounts, and a clamped absurd sum is still visibly absurd, while wrapped arithmetic is not.
TAmount AddAmount(TAmount sum, TAmount value);
TAmount SubAmount(TAmount minuend, TAmount subtrahend);

// Roubles held as a double, taken to ten-thousandths (halves to even, as currency assignment
// rounds), clamped to the range of TAmount; not-a-number gives 0.
TAmount RoublesToAmount(double roubles);

}  // namespace brisolt
