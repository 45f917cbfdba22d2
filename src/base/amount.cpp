#include "base/amount.h"

#include <charconv>
#include <cmath>
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
  const auto kopecks = static_cast<std::int64_t>(magnitude / 100 + (magnitude % 100 >= 50 ? 1 : 0));
  return negative ? -kopecks : kopecks;
}

char* FormatSumTo(char* out, TAmount amount) {
  const std::int64_t signedKopecks = RoundToKopecks(amount);
  const auto kopecks = static_cast<std::uint64_t>(signedKopecks < 0 ? -signedKopecks : signedKopecks);
  if (signedKopecks < 0) {
    *out++ = '-';
  }
  out = std::to_chars(out, out + kSumTextSize - 4, kopecks / 100).ptr;
  const auto fraction = static_cast<unsigned>(kopecks % 100);
  *out++ = '.';
  *out++ = static_cast<char>('0' + fraction / 10);
  *out++ = static_cast<char>('0' + fraction % 10);
  return out;
}

std::string FormatSum(TAmount amount) {
  char text[kSumTextSize];
  return std::string(text, FormatSumTo(text, amount));
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
