// The yearly rules the reconciliation is checked against (contribution rates, base limits), the
// names and last days of reporting periods, and the fixed texts that classify packs. All pure.
// Money and dates themselves live in base/amount.h and base/date.h.
//
// Texts are windows-1251 bytes. Amounts are ten-thousandths of a rouble; dates are day counts from
// 30.12.1899 (0 = no date).
#pragma once

#include <cstdint>
#include <string>

#include "base/amount.h"
#include "base/date.h"

namespace brisolt {

// Types of data ("ТипСведений") of a pack.
const std::string& DataTypeInitial();     // "ИСХОДНАЯ"
const std::string& DataTypeCorrective();  // "КОРРЕКТИРУЮЩАЯ"
const std::string& DataTypeCancelling();  // "ОТМЕНЯЮЩАЯ"

// "СЗВ-6-1", "СЗВ-6-2" or "СЗВ-6-4", compared exactly: the forms read as individual data.
bool IsSZV6FormKind(const std::string& formKind);

// "ЧЭС", "ВЖЭС", "ВПЭС": categories whose amounts count as zero.
bool IsZeroedCategory(const std::string& categoryCode);

// The rate of both parts together for a payer category in a year, in ten-thousandths
// (2200 = 22 %). Codes are compared exactly; an unlisted code gives 10000 (100 %).
TAmount GetTariff(int year, const std::string& categoryCode);

// The yearly limit of the contribution base, whole roubles.
int GetBaseLimit(int year);

// "1 полугодие 2010 г.", "3 квартал 2011 г.". 2010 is the only year counted in half-years.
std::string PeriodName(int year, int number);

// The last day of the period. A number past the last period of the year gives 31 December of
// that year; a number below 1 gives 31 December of the year before.
TDate PeriodEndDate(int year, int number);

bool IsLastPeriodOfYear(int year, int number);

}  // namespace brisolt
