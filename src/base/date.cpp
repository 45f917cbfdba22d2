#include "base/date.h"

#include <mutex>

namespace brisolt {

namespace {

// Days from 1970-01-01 of a proleptic Gregorian date (H. Hinnant's algorithm).
std::int64_t DaysFromCivil(std::int64_t year, unsigned month, unsigned day) {
  year -= month <= 2 ? 1 : 0;
  const std::int64_t era = (year >= 0 ? year : year - 399) / 400;
  const auto yearOfEra = static_cast<unsigned>(year - era * 400);
  const unsigned dayOfYear = (153 * (month + (month > 2 ? -3 : 9)) + 2) / 5 + day - 1;
  const unsigned dayOfEra = yearOfEra * 365 + yearOfEra / 4 - yearOfEra / 100 + dayOfYear;
  return era * 146097 + static_cast<std::int64_t>(dayOfEra) - 719468;
}

}  // namespace

TDate EncodeDate(std::int64_t year, int month, int day) {
  static const std::int64_t kDayZero = DaysFromCivil(1899, 12, 30);
  return static_cast<TDate>(DaysFromCivil(year, static_cast<unsigned>(month), static_cast<unsigned>(day)) -
                            kDayZero);
}

bool IsLeapYear(std::int64_t year) { return (year % 4 == 0 && year % 100 != 0) || year % 400 == 0; }

int DaysInMonth(std::int64_t year, int month) {
  static constexpr int kDays[] = {31, 28, 31, 30, 31, 30, 31, 31, 30, 31, 30, 31};
  return month == 2 && IsLeapYear(year) ? 29 : kDays[month - 1];
}

namespace {
std::mutex clockMutex;
}  // namespace

std::tm UtcTime(std::time_t moment) {
  std::tm utc{};
  const std::lock_guard<std::mutex> lock(clockMutex);
  if (const std::tm* converted = std::gmtime(&moment)) {
    utc = *converted;
  }
  return utc;
}

std::tm LocalTime(std::time_t moment) {
  std::tm local{};
  const std::lock_guard<std::mutex> lock(clockMutex);
  if (const std::tm* converted = std::localtime(&moment)) {
    local = *converted;
  }
  return local;
}

}  // namespace brisolt
