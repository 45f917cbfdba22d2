#include "engine/constants.h"

#include <string_view>
#include <unordered_map>
#include <utility>
#include <vector>

#include "xml/cp1251.h"

namespace brisolt {
namespace {

using TRateTable = std::unordered_map<std::string, std::int64_t>;

TRateTable MakeTable(std::initializer_list<std::pair<std::string_view, std::int64_t>> rows) {
  TRateTable table;
  for (const auto& [code, rate] : rows) {
    // Codes are unique within a table, so a hash look-up gives what the first equal code would.
    table.emplace(Utf8ToCp1251(code), rate);
  }
  return table;
}

const TRateTable& Rates2010() {
  static const TRateTable table = MakeTable({
      {"НР", 2000},
      {"СХ", 1580},
      {"ОЗОИ", 1400}, {"УСЕН", 1400}, {"ОДИТ", 1400}, {"ИЦС", 1400},
      {"ЕСХН", 1030},
  });
  return table;
}

const TRateTable& Rates2011() {
  static const TRateTable table = MakeTable({
      {"НР", 2600},
      {"СМИ", 2000},
      {"ПНЭД", 1800},
      {"СХ", 1600}, {"ЕСХН", 1600}, {"ХМН", 1600}, {"ООИ", 1600},
      {"ИЦС", 1400},
      {"ХО", 800}, {"ТВЭЗ", 800}, {"ОДИТ", 800},
  });
  return table;
}

const TRateTable& RatesFrom2012() {
  static const TRateTable table = MakeTable({
      {"НР", 2200}, {"ВЖНР", 2200}, {"ВПНР", 2200},
      {"ИНЖУ", 2200}, {"ВЖИЖ", 2200}, {"ВПИЖ", 2200},
      {"СМИ", 2080}, {"ВЖСИ", 2080}, {"ВПСИ", 2080},
      {"ПНЭД", 2000}, {"ВЖЭД", 2000}, {"ВПЭД", 2000},
      {"АСБ", 2000}, {"ВЖСБ", 2000}, {"ВПСБ", 2000},
      {"ООИ", 1600}, {"ВЖОИ", 1600}, {"ВПОИ", 1600},
      {"СХ", 1600}, {"ВЖСХ", 1600}, {"ВПСХ", 1600},
      {"ХМН", 1600}, {"ВЖМН", 1600}, {"ВПМН", 1600},
      {"ЕСХН", 1600}, {"ВЖЕН", 1600}, {"ВПЕН", 1600},
      {"ИЦС", 1400}, {"ВЖЦС", 1400}, {"ВПЦС", 1400},
      {"ТВЭЗ", 800}, {"ВЖТЗ", 800}, {"ВПТЗ", 800},
      {"ХО", 800}, {"ВЖХО", 800}, {"ВПХО", 800},
      {"ОДИТ", 800}, {"ВЖИТ", 800}, {"ВПИТ", 800},
  });
  return table;
}

constexpr std::int64_t kFullRate = 10000;

// Days from 1970-01-01 of a proleptic Gregorian date (H. Hinnant's algorithm), in 64 bits so that
// absurd years from damaged packs cannot overflow.
std::int64_t DaysFromCivil(std::int64_t year, unsigned month, unsigned day) {
  year -= month <= 2 ? 1 : 0;
  const std::int64_t era = (year >= 0 ? year : year - 399) / 400;
  const auto yearOfEra = static_cast<unsigned>(year - era * 400);
  const unsigned dayOfYear = (153 * (month + (month > 2 ? -3 : 9)) + 2) / 5 + day - 1;
  const unsigned dayOfEra = yearOfEra * 365 + yearOfEra / 4 - yearOfEra / 100 + dayOfYear;
  return era * 146097 + static_cast<std::int64_t>(dayOfEra) - 719468;
}

TDate DayCount(std::int64_t year, int month, int day) {
  return static_cast<TDate>(DaysFromCivil(year, static_cast<unsigned>(month), static_cast<unsigned>(day)) -
                            DaysFromCivil(1899, 12, 30));
}

}  // namespace

const std::string& DataTypeInitial() {
  static const std::string text = Utf8ToCp1251("ИСХОДНАЯ");
  return text;
}

const std::string& DataTypeCorrective() {
  static const std::string text = Utf8ToCp1251("КОРРЕКТИРУЮЩАЯ");
  return text;
}

const std::string& DataTypeCancelling() {
  static const std::string text = Utf8ToCp1251("ОТМЕНЯЮЩАЯ");
  return text;
}

bool IsSZV6FormKind(const std::string& formKind) {
  static const std::string kinds[] = {Utf8ToCp1251("СЗВ-6-1"), Utf8ToCp1251("СЗВ-6-2"),
                                      Utf8ToCp1251("СЗВ-6-4")};
  for (const auto& kind : kinds) {
    if (formKind == kind) {
      return true;
    }
  }
  return false;
}

bool IsZeroedCategory(const std::string& categoryCode) {
  static const std::string codes[] = {Utf8ToCp1251("ЧЭС"), Utf8ToCp1251("ВЖЭС"),
                                      Utf8ToCp1251("ВПЭС")};
  for (const auto& code : codes) {
    if (categoryCode == code) {
      return true;
    }
  }
  return false;
}

TAmount GetTariff(int year, const std::string& categoryCode) {
  const TRateTable& table = year == 2010 ? Rates2010() : year == 2011 ? Rates2011() : RatesFrom2012();
  const auto found = table.find(categoryCode);
  return found == table.end() ? kFullRate : found->second;
}

int GetBaseLimit(int year) {
  switch (year) {
    case 2010: return 415000;
    case 2011: return 463000;
    case 2012: return 512000;
    default: return 568000;
  }
}

std::string PeriodName(int year, int number) {
  static const std::string halfYear = Utf8ToCp1251(" полугодие ");
  static const std::string quarter = Utf8ToCp1251(" квартал ");
  static const std::string yearMark = Utf8ToCp1251(" г.");
  return std::to_string(number) + (year == 2010 ? halfYear : quarter) + std::to_string(year) + yearMark;
}


TDate PeriodEndDate(int year, int number) {
  const int periods = year == 2010 ? 2 : 4;
  if (number < 1) {
    return DayCount(static_cast<std::int64_t>(year) - 1, 12, 31);
  }
  if (number >= periods) {
    return DayCount(year, 12, 31);
  }
  if (year == 2010) {
    return DayCount(year, 6, 30);
  }
  static constexpr int kEndMonth[] = {3, 6, 9};
  static constexpr int kEndDay[] = {31, 30, 30};
  return DayCount(year, kEndMonth[number - 1], kEndDay[number - 1]);
}

bool IsLastPeriodOfYear(int year, int number) {
  return year == 2010 ? number == 2 : number == 4;
}

std::string FormatSum(TAmount amount) {
  // Work on the magnitude as unsigned so that the most negative amount has one too.
  const bool negative = amount < 0;
  std::uint64_t magnitude = negative ? 0 - static_cast<std::uint64_t>(amount) : static_cast<std::uint64_t>(amount);
  std::uint64_t hundredths = magnitude / 100 + (magnitude % 100 >= 50 ? 1 : 0);
  std::string text = std::to_string(hundredths / 100);
  const auto cents = static_cast<unsigned>(hundredths % 100);
  text += '.';
  text += static_cast<char>('0' + cents / 10);
  text += static_cast<char>('0' + cents % 10);
  if (negative && hundredths != 0) {
    text.insert(text.begin(), '-');
  }
  return text;
}

TAmount AddAmount(TAmount sum, TAmount value) {
  TAmount result = 0;
  if (__builtin_add_overflow(sum, value, &result)) {
    return value > 0 ? std::numeric_limits<TAmount>::max() : std::numeric_limits<TAmount>::min();
  }
  return result;
}

TAmount SubAmount(TAmount minuend, TAmount subtrahend) {
  TAmount result = 0;
  if (__builtin_sub_overflow(minuend, subtrahend, &result)) {
    return subtrahend < 0 ? std::numeric_limits<TAmount>::max() : std::numeric_limits<TAmount>::min();
  }
  return result;
}

}  // namespace brisolt
