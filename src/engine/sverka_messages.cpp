#include "engine/sverka_messages.h"

#include "base/cp1251literal.h"
#include "base/encoding.h"

namespace brisolt {
namespace {

constexpr Cp1251Literal kPersonStart(u8"Для сотрудника ");
constexpr Cp1251Literal kPersonNumber(u8" (страховой № ");
constexpr Cp1251Literal kInFile(u8") в файле № ");
constexpr Cp1251Literal kCorrectionWithoutInitial(
    u8" обнаружены корректирующие или отменяющие сведения при отсутствии исходных.");
constexpr Cp1251Literal kRepeatedCorrection(
    u8" обнаружен дубликат корректирующих сведений, либо корректирующие сведения после "
    "отменяющих. Предыдущие корректирующие/отменяющие сведения были в файле № ");
constexpr Cp1251Literal kCancellationAfterCorrection(
    u8" обнаружен дубликат корректирующих сведений, либо отменяющие сведения после "
    "корректирующих. Предыдущие корректирующие/отменяющие сведения были в файле № ");
constexpr Cp1251Literal kDuplicateInitial(u8" обнаружен дубликат исходных сведений.");

constexpr Cp1251Literal kPaymentsPersonStart(u8"На сотрудника ");
constexpr Cp1251Literal kPaymentsPersonNumber(u8" (СНИЛС ");
constexpr Cp1251Literal kPaymentsFound(u8") обнаружены сведения СЗВ-6-3 за ");
constexpr Cp1251Literal kPaymentCorrectionFound(u8") обнаружены корректирующие/отменяющие сведения СЗВ-6-3 за ");
constexpr Cp1251Literal kYearOfCategory(u8" год по категории ");
constexpr Cp1251Literal kWithoutIndividualData(u8" при отсутствии индивидуальных сведений за указанный год.");
constexpr Cp1251Literal kWithoutInitial(u8" при отсутствии исходных.");
constexpr Cp1251Literal kInPack(u8") в пачке № ");
constexpr Cp1251Literal kDuplicatePayments(u8" обнаружен дубликат СЗВ-6-3 за ");
constexpr Cp1251Literal kYearCategory(u8" год, категория ");
constexpr Cp1251Literal kContractType(u8", тип договора ");

constexpr Cp1251Literal kWarning(u8"Предупреждение: ");
constexpr Cp1251Literal kError(u8"Ошибка: ");
constexpr Cp1251Literal kBaseExcess(u8" - превыш. базы? ");
constexpr Cp1251Literal kRouble(u8" р");
constexpr Cp1251Literal kInsExcess(u8" - превыш. страх.: нач. ");
constexpr Cp1251Literal kFundExcess(u8" - превыш. накоп.: нач. ");
constexpr Cp1251Literal kPaid(u8", упл. ");
constexpr Cp1251Literal kDebt(u8"задолж. ");
constexpr Cp1251Literal kIns(u8" страх.");
constexpr Cp1251Literal kFund(u8" накоп.");

std::string AboutPerson(const TSZV6DocData& doc, int fileNumber) {
  return kPersonStart + doc.LastName + " " + doc.FirstName + " " + doc.MiddleName + kPersonNumber + doc.SNILS +
         kInFile + std::to_string(fileNumber);
}

std::string AboutPaymentsPerson(const TSZV63DocData& doc) {
  return kPaymentsPersonStart + doc.LastName + " " + doc.FirstName + " " + doc.MiddleName +
         kPaymentsPersonNumber + doc.SNILS;
}

}  // namespace

std::string CorrectionWithoutInitial(const TSZV6DocData& doc, int fileNumber) {
  return AboutPerson(doc, fileNumber) + kCorrectionWithoutInitial;
}

std::string DuplicateInitial(const TSZV6DocData& doc, int fileNumber) {
  return AboutPerson(doc, fileNumber) + kDuplicateInitial;
}

std::string RepeatedCorrection(const TSZV6DocData& doc, int fileNumber, int previousFileNumber) {
  return AboutPerson(doc, fileNumber) + kRepeatedCorrection + std::to_string(previousFileNumber);
}

std::string CancellationAfterCorrection(const TSZV6DocData& doc, int fileNumber, int previousFileNumber) {
  return AboutPerson(doc, fileNumber) + kCancellationAfterCorrection + std::to_string(previousFileNumber);
}

std::string PaymentsWithoutIndividualData(const TSZV63DocData& doc, int year, const std::string& categoryCode) {
  return AboutPaymentsPerson(doc) + kPaymentsFound + std::to_string(year) + kYearOfCategory + categoryCode +
         kWithoutIndividualData;
}

std::string PaymentCorrectionWithoutIndividualData(const TSZV63DocData& doc, int year,
                                                   const std::string& categoryCode) {
  return AboutPaymentsPerson(doc) + kPaymentCorrectionFound + std::to_string(year) + kYearOfCategory +
         categoryCode + kWithoutIndividualData;
}

std::string PaymentCorrectionWithoutInitial(const TSZV63DocData& doc, int year, const std::string& categoryCode) {
  return AboutPaymentsPerson(doc) + kPaymentCorrectionFound + std::to_string(year) + kYearOfCategory +
         categoryCode + kWithoutInitial;
}

std::string DuplicateInitialPayments(const TSZV63DocData& doc, int packNumber, int year,
                                     const std::string& categoryCode, const std::string& contractType) {
  return AboutPaymentsPerson(doc) + kInPack + std::to_string(packNumber) + kDuplicatePayments +
         std::to_string(year) + kYearCategory + categoryCode + kContractType + contractType;
}

std::string BaseLimitExceeded(const std::string& period, TAmount yearBase) {
  return kWarning + period + kBaseExcess + FormatSum(yearBase) + kRouble;
}

std::string InsOverpaid(const std::string& period, TAmount accrued, TAmount paid) {
  return kError + period + kInsExcess + FormatSum(accrued) + kPaid + FormatSum(paid);
}

std::string FundOverpaid(const std::string& period, TAmount accrued, TAmount paid) {
  return kError + period + kFundExcess + FormatSum(accrued) + kPaid + FormatSum(paid);
}

std::string InsDebtAtDismissal(TAmount debt) { return kWarning + kDebt + FormatSum(debt) + kIns; }

std::string FundDebtAtDismissal(TAmount debt) { return kWarning + kDebt + FormatSum(debt) + kFund; }

void RethrowNamingFile(const std::string& fileName, const EConvertError& error) {
  throw EConvertError(NameToUtf8(fileName) + ": " + error.what());
}

}  // namespace brisolt
