#include "base/amount.h"
#include "base/amountformat.h"

#include <cmath>
#include <cstring>
#include <limits>

namespace brisolt {

namespace {

constexpr TAmount kMaxAmount = std::numeric_limits<TAmount>::max();
constexpr TAmount kMinAmount = std::numeric_limits<TAmount>::min();

}  // namespace

std::int64_t RoundToKopecks(TAmount amount) {
  // Work on the magnitude as unsigned so that the most negative amount has one too.
  const bool negative = amount < 0;
  const std::uint64_t magnitude =
      negative ? std::uint64_t{0} - static_cast<std::uint64_t>(amount) : static_cast<std::uint64_t>(amount);
  // A half of a kopeck or more makes a whole one: one division where a quotient and a remainder are two.
  const auto kopecks = static_cast<std::int64_t>((magnitude + 50) / 100);
  return negative ? -kopecks : kopecks;
}

namespace {

// "00" to "99": the digits are written two at a time, the roubles from their last pair.
constexpr char kDigitPairs[] =
    "00010203040506070809101112131415161718192021222324252627282930313233343536373839"
    "40414243444546474849505152535455565758596061626364656667686970717273747576777879"
    "8081828384858687888990919293949596979899";

void PutPair(char* out, unsigned pair) { std::memcpy(out, kDigitPairs + 2 * pair, 2); }

}  // namespace

char* FormatSumTo(char* out, TAmount amount) {
  const std::int64_t signedKopecks = RoundToKopecks(amount);
  if (signedKopecks == 0) {
    // A protocol's saldos are mostly nil.
    std::memcpy(out, "0.00", 4);
    return out + 4;
  }
  const auto kopecks = static_cast<std::uint64_t>(signedKopecks < 0 ? -signedKopecks : signedKopecks);
  // The text is written backwards from the end of the first half of `text`, then copied whole:
  // a copy of a fixed size is a few moves, and its length need not be counted beforehand.
  char text[2 * kSumTextSize] = {};
  char* const end = text + kSumTextSize;
  char* at = end - 3;
  std::uint64_t roubles = kopecks / 100;
  *at = '.';
  PutPair(at + 1, static_cast<unsigned>(kopecks - roubles * 100));
  // Four digits for each division of the whole number, then what is left in 32 bits.
  while (roubles >= 10000) {
    const auto four = static_cast<unsigned>(roubles % 10000);
    roubles /= 10000;
    at -= 4;
    PutPair(at, four / 100);
    PutPair(at + 2, four % 100);
  }
  auto rest = static_cast<unsigned>(roubles);
  if (rest >= 100) {
    at -= 2;
    PutPair(at, rest % 100);
    rest /= 100;
  }
  if (rest >= 10) {
    at -= 2;
    PutPair(at, rest);
  } else {
    *--at = static_cast<char>('0' + rest);
  }
  if (signedKopecks < 0) {
    *--at = '-';
  }
  std::memcpy(out, at, kSumTextSize);
  return out + (end - at);
}

std::string FormatSum(TAmount amount) {
  char text[kSumTextSize];
  return std::string(text, FormatSumTo(text, amount));
}

void AppendSum(std::string& out, TAmount amount, const TSumFormat& format) {
  char text[kSumTextSize];
  const char* const end = FormatSumTo(text, amount);
  const char* whole = text;
  if (*whole == '-') {
    out.push_back('-');
    ++whole;
  }
  const char* const point = end - 3;
  if (format.Grouping.empty()) {
    out.append(whole, point);
  } else {
    const auto digits = static_cast<std::size_t>(point - whole);
    for (std::size_t at = 0; at < digits; ++at) {
      if (at > 0 && (digits - at) % 3 == 0) out.append(format.Grouping);
      out.push_back(whole[at]);
    }
  }
  std::size_t fraction = 2;
  if (format.TrimZeros && point[2] == '0') {
    fraction = point[1] == '0' ? 0 : 1;
  }
  if (fraction > 0) {
    out.push_back(format.DecimalSeparator);
    out.append(point + 1, fraction);
  }
  out.append(format.Suffix);
}

// The overflow tests compare against the room left before the limit, so no intermediate result
// overflows and no compiler built-in is needed.
TAmount AddAmount(TAmount sum, TAmount value) {
  if (value > 0 && sum > kMaxAmount - value) {
    return kMaxAmount;
  }
  if (value < 0 && sum < kMinAmount - value) {
    return kMinAmount;
  }
  return sum + value;
}

TAmount SubAmount(TAmount minuend, TAmount subtrahend) {
  if (subtrahend < 0 && minuend > kMaxAmount + subtrahend) {
    return kMaxAmount;
  }
  if (subtrahend > 0 && minuend < kMinAmount + subtrahend) {
    return kMinAmount;
  }
  return minuend - subtrahend;
}

TAmount RoublesToAmount(double roubles) {
  const double units = std::nearbyint(roubles * 10000.0);
  if (!(units < 9.2e18)) {
    return units != units ? 0 : kMaxAmount;
  }
  if (units < -9.2e18) {
    return kMinAmount;
  }
  return static_cast<TAmount>(units);
}

}  // namespace brisolt
