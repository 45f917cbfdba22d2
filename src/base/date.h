// Calendar dates as the whole program holds them: day counts from 30.12.1899 in a double
// (0 = no date; whole days only), the civil-date arithmetic behind them, and the error a pack's
// unreadable date raises.
#pragma once

#include <cstdint>
#include <ctime>
#include <stdexcept>
#include <string>

namespace brisolt {

// Days since 30.12.1899; 0 means no date.
using TDate = double;

// Raised when a pack holds a date that cannot be read. what() is UTF-8, as every exception's of the
// program: the pack's windows-1251 text is converted where it enters the message.
class EConvertError : public std::runtime_error {
 public:
  explicit EConvertError(const std::string& message) : std::runtime_error(message) {}
};

// The day count of a proleptic Gregorian date. The year is 64-bit so that the year before an
// absurd year of a damaged pack cannot overflow; month and day are taken as given (1..12, 1..31).
TDate EncodeDate(std::int64_t year, int month, int day);

bool IsLeapYear(std::int64_t year);

// 28..31; month 1..12.
int DaysInMonth(std::int64_t year, int month);

// The local calendar time of `moment`. std::localtime shares one static buffer among all its
// callers, and packs are read and protocols written on several threads, so every reader of the
// local time goes through this one guarded copy. All fields zero when the time cannot be had.
std::tm LocalTime(std::time_t moment);
// The same moment on the UTC clock.
std::tm UtcTime(std::time_t moment);

}  // namespace brisolt
