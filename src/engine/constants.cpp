#include "engine/constants.h"

#include <string_view>
#include <unordered_map>
#include <utility>
#include <vector>

#include "base/cp1251literal.h"
#include "protocol/protresults.h"

namespace brisolt {
namespace {

using TRateTable = std::unordered_map<std::string, std::int64_t>;

TRateTable MakeTable(std::initializer_list<std::pair<std::string_view, std::int64_t>> rows) {
  TRateTable table;
  for (const auto& [code, rate] : rows) {
    // Codes are unique within a table, so a hash look-up gives what the first equal code would.
    table.emplace(code, rate);
  }
  return table;
}

const TRateTable& Rates2010() {
  static const TRateTable table = MakeTable({
      {Cp1251Literal(u8"НР"), 2000},
      {Cp1251Literal(u8"СХ"), 1580},
      {Cp1251Literal(u8"ОЗОИ"), 1400}, {Cp1251Literal(u8"УСЕН"), 1400}, {Cp1251Literal(u8"ОДИТ"), 1400}, {Cp1251Literal(u8"ИЦС"), 1400},
      {Cp1251Literal(u8"ЕСХН"), 1030},
  });
  return table;
}

const TRateTable& Rates2011() {
  static const TRateTable table = MakeTable({
      {Cp1251Literal(u8"НР"), 2600},
      {Cp1251Literal(u8"СМИ"), 2000},
      {Cp1251Literal(u8"ПНЭД"), 1800},
      {Cp1251Literal(u8"СХ"), 1600}, {Cp1251Literal(u8"ЕСХН"), 1600}, {Cp1251Literal(u8"ХМН"), 1600}, {Cp1251Literal(u8"ООИ"), 1600},
      {Cp1251Literal(u8"ИЦС"), 1400},
      {Cp1251Literal(u8"ХО"), 800}, {Cp1251Literal(u8"ТВЭЗ"), 800}, {Cp1251Literal(u8"ОДИТ"), 800},
  });
  return table;
}

const TRateTable& RatesFrom2012() {
  static const TRateTable table = MakeTable({
      {Cp1251Literal(u8"НР"), 2200}, {Cp1251Literal(u8"ВЖНР"), 2200}, {Cp1251Literal(u8"ВПНР"), 2200},
      {Cp1251Literal(u8"ИНЖУ"), 2200}, {Cp1251Literal(u8"ВЖИЖ"), 2200}, {Cp1251Literal(u8"ВПИЖ"), 2200},
      {Cp1251Literal(u8"СМИ"), 2080}, {Cp1251Literal(u8"ВЖСИ"), 2080}, {Cp1251Literal(u8"ВПСИ"), 2080},
      {Cp1251Literal(u8"ПНЭД"), 2000}, {Cp1251Literal(u8"ВЖЭД"), 2000}, {Cp1251Literal(u8"ВПЭД"), 2000},
      {Cp1251Literal(u8"АСБ"), 2000}, {Cp1251Literal(u8"ВЖСБ"), 2000}, {Cp1251Literal(u8"ВПСБ"), 2000},
      {Cp1251Literal(u8"ООИ"), 1600}, {Cp1251Literal(u8"ВЖОИ"), 1600}, {Cp1251Literal(u8"ВПОИ"), 1600},
      {Cp1251Literal(u8"СХ"), 1600}, {Cp1251Literal(u8"ВЖСХ"), 1600}, {Cp1251Literal(u8"ВПСХ"), 1600},
      {Cp1251Literal(u8"ХМН"), 1600}, {Cp1251Literal(u8"ВЖМН"), 1600}, {Cp1251Literal(u8"ВПМН"), 1600},
      {Cp1251Literal(u8"ЕСХН"), 1600}, {Cp1251Literal(u8"ВЖЕН"), 1600}, {Cp1251Literal(u8"ВПЕН"), 1600},
      {Cp1251Literal(u8"ИЦС"), 1400}, {Cp1251Literal(u8"ВЖЦС"), 1400}, {Cp1251Literal(u8"ВПЦС"), 1400},
      {Cp1251Literal(u8"ТВЭЗ"), 800}, {Cp1251Literal(u8"ВЖТЗ"), 800}, {Cp1251Literal(u8"ВПТЗ"), 800},
      {Cp1251Literal(u8"ХО"), 800}, {Cp1251Literal(u8"ВЖХО"), 800}, {Cp1251Literal(u8"ВПХО"), 800},
      {Cp1251Literal(u8"ОДИТ"), 800}, {Cp1251Literal(u8"ВЖИТ"), 800}, {Cp1251Literal(u8"ВПИТ"), 800},
  });
  return table;
}

constexpr std::int64_t kFullRate = 10000;

}  // namespace

const std::string& DataTypeInitial() {
  static const std::string text = Cp1251Literal(u8"ИСХОДНАЯ").Str();
  return text;
}

const std::string& DataTypeCorrective() {
  static const std::string text = Cp1251Literal(u8"КОРРЕКТИРУЮЩАЯ").Str();
  return text;
}

const std::string& DataTypeCancelling() {
  static const std::string text = Cp1251Literal(u8"ОТМЕНЯЮЩАЯ").Str();
  return text;
}

bool IsSZV6FormKind(const std::string& formKind) {
  return formKind == Cp1251Literal(u8"СЗВ-6-1") || formKind == Cp1251Literal(u8"СЗВ-6-2") ||
         formKind == Cp1251Literal(u8"СЗВ-6-4");
}

bool IsZeroedCategory(const std::string& categoryCode) {
  return categoryCode == Cp1251Literal(u8"ЧЭС") || categoryCode == Cp1251Literal(u8"ВЖЭС") ||
         categoryCode == Cp1251Literal(u8"ВПЭС");
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
  return PeriodText(year, number);
}

TDate PeriodEndDate(int year, int number) {
  const int periods = year == 2010 ? 2 : 4;
  if (number < 1) {
    return EncodeDate(static_cast<std::int64_t>(year) - 1, 12, 31);
  }
  if (number >= periods) {
    return EncodeDate(year, 12, 31);
  }
  if (year == 2010) {
    return EncodeDate(year, 6, 30);
  }
  static constexpr int kEndMonth[] = {3, 6, 9};
  static constexpr int kEndDay[] = {31, 30, 30};
  return EncodeDate(year, kEndMonth[number - 1], kEndDay[number - 1]);
}

bool IsLastPeriodOfYear(int year, int number) {
  return year == 2010 ? number == 2 : number == 4;
}

}  // namespace brisolt
