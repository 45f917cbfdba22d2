// The element names of the packs, windows-1251, for the readers of both pack kinds and for the
// walk that reads them without a tree. Internal to src/forms.
#pragma once

#include "base/cp1251literal.h"

namespace brisolt::packnames {

inline constexpr Cp1251Literal kRoot(u8"ФайлПФР");
inline constexpr Cp1251Literal kPackElement(u8"ПачкаВходящихДокументов");

// The pack header and the person, in both pack kinds.
inline constexpr Cp1251Literal kCompiler(u8"СоставительПачки");
inline constexpr Cp1251Literal kOrgName(u8"НаименованиеОрганизации");
inline constexpr Cp1251Literal kRegNumb(u8"РегистрационныйНомер");
inline constexpr Cp1251Literal kShortName(u8"НаименованиеКраткое");
inline constexpr Cp1251Literal kPackNumber(u8"НомерПачки");
inline constexpr Cp1251Literal kMain(u8"Основной");
inline constexpr Cp1251Literal kDataType(u8"ТипСведений");
inline constexpr Cp1251Literal kCategory(u8"КодКатегории");
inline constexpr Cp1251Literal kCompileDate(u8"ДатаСоставления");
inline constexpr Cp1251Literal kContractType(u8"ТипДоговора");
inline constexpr Cp1251Literal kSNILS(u8"СтраховойНомер");
inline constexpr Cp1251Literal kFullName(u8"ФИО");
inline constexpr Cp1251Literal kLastName(u8"Фамилия");
inline constexpr Cp1251Literal kFirstName(u8"Имя");
inline constexpr Cp1251Literal kMiddleName(u8"Отчество");
inline constexpr Cp1251Literal kFillDate(u8"ДатаЗаполнения");

// СЗВ-6-1, СЗВ-6-2 and СЗВ-6-4.
inline constexpr Cp1251Literal kInventoryContributions(u8"ВХОДЯЩАЯ_ОПИСЬ_ПО_СТРАХОВЫМ_ВЗНОСАМ");
inline constexpr Cp1251Literal kInventoryPayments(u8"ВХОДЯЩАЯ_ОПИСЬ_ПО_СУММАМ_ВЫПЛАТ_И_ПО_СТРАХОВЫМ_ВЗНОСАМ");
inline constexpr Cp1251Literal kDocumentKind1(u8"СВЕДЕНИЯ_О_СТРАХОВЫХ_ВЗНОСАХ_И_СТРАХОВОМ_СТАЖЕ_ЗЛ");
inline constexpr Cp1251Literal kDocumentKind2(
    u8"СВЕДЕНИЯ_О_СУММЕ_ВЫПЛАТ_О_СТРАХОВЫХ_ВЗНОСАХ_И_СТРАХОВОМ_СТАЖЕ_ЗЛ");
inline constexpr Cp1251Literal kFormKind4(u8"СЗВ-6-4");
inline constexpr Cp1251Literal kReportPeriod(u8"ОтчетныйПериод");
inline constexpr Cp1251Literal kCorrPeriod(u8"КорректируемыйОтчетныйПериод");
inline constexpr Cp1251Literal kYear(u8"Год");
inline constexpr Cp1251Literal kQuarter(u8"Квартал");
inline constexpr Cp1251Literal kAddress(u8"АдресЗЛ");
inline constexpr Cp1251Literal kStage(u8"СтажевыйПериод");
inline constexpr Cp1251Literal kInsSums(u8"СуммаВзносовНаСтраховую");
inline constexpr Cp1251Literal kFundSums(u8"СуммаВзносовНаНакопительную");
inline constexpr Cp1251Literal kAccrued(u8"Начислено");
inline constexpr Cp1251Literal kPaid(u8"Уплачено");
inline constexpr Cp1251Literal kFormKind(u8"ВидФормы");
inline constexpr Cp1251Literal kAsOfDate(u8"ДатаСоставленияНа");
inline constexpr Cp1251Literal kStartDate(u8"ДатаНачалаПериода");
inline constexpr Cp1251Literal kEndDate(u8"ДатаКонцаПериода");

// СЗВ-6-3.
inline constexpr Cp1251Literal kInventory63(u8"ВХОДЯЩАЯ_ОПИСЬ_ПО_СУММАМ_ВЫПЛАТ");
inline constexpr Cp1251Literal kDocument63(u8"СВЕДЕНИЯ_О_СУММЕ_ВЫПЛАТ_И_ВОЗНАГРАЖДЕНИЙ");
inline constexpr Cp1251Literal kReportYear(u8"ОтчетныйГод");
inline constexpr Cp1251Literal kRow(u8"СуммаВыплатИвознаграждений");
inline constexpr Cp1251Literal kRowType(u8"ТипСтроки");
inline constexpr Cp1251Literal kMonth(u8"Месяц");
inline constexpr Cp1251Literal kTotal(u8"СуммаВыплатВсего");
inline constexpr Cp1251Literal kTaxable(u8"СуммаВыплатНачисленыСтраховыеВзносы");

}  // namespace brisolt::packnames
