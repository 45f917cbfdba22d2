#include "protocol/protresults.h"

#include <algorithm>

#include "base/amount.h"
#include "base/amountformat.h"
#include "base/cp1251literal.h"

namespace brisolt {

std::string SourceFateText(TSourceFate fate, std::int32_t byFileNumber) {
  static constexpr Cp1251Literal kTaken(u8"учтён");
  static constexpr Cp1251Literal kTakenForMissing(u8"учтён при отсутствии исходных сведений");
  static constexpr Cp1251Literal kCancelling(u8"отменил сведения файла № ");
  static constexpr Cp1251Literal kReplaced(u8"заменён файлом № ");
  static constexpr Cp1251Literal kCancelled(u8"отменён файлом № ");
  static constexpr Cp1251Literal kDuplicate(u8"не учтён: дубликат исходных сведений файла № ");
  static constexpr Cp1251Literal kWithoutInitial(u8"не учтён: нет исходных сведений");
  static constexpr Cp1251Literal kUnknownType(u8"не учтён: неизвестный тип сведений");
  const std::string byFile = std::to_string(byFileNumber);
  switch (fate) {
    case TSourceFate::Taken:
      return kTaken;
    case TSourceFate::TakenForMissing:
      return kTakenForMissing;
    case TSourceFate::Cancelling:
      return kCancelling + byFile;
    case TSourceFate::Replaced:
      return kReplaced + byFile;
    case TSourceFate::Cancelled:
      return kCancelled + byFile;
    case TSourceFate::DuplicateInitial:
      return kDuplicate + byFile;
    case TSourceFate::WithoutInitial:
      return kWithoutInitial;
    case TSourceFate::UnknownType:
      return kUnknownType;
  }
  return {};
}

const char* SourceFateName(TSourceFate fate) {
  switch (fate) {
    case TSourceFate::Taken: return "taken";
    case TSourceFate::TakenForMissing: return "takenForMissing";
    case TSourceFate::Cancelling: return "cancelling";
    case TSourceFate::Replaced: return "replaced";
    case TSourceFate::Cancelled: return "cancelled";
    case TSourceFate::DuplicateInitial: return "duplicateInitial";
    case TSourceFate::WithoutInitial: return "withoutInitial";
    case TSourceFate::UnknownType: return "unknownType";
  }
  return "";
}

std::string PeriodText(int year, int number) {
  static constexpr Cp1251Literal kHalfYear(u8" полугодие ");
  static constexpr Cp1251Literal kQuarter(u8" квартал ");
  static constexpr Cp1251Literal kYearMark(u8" г.");
  std::string name = std::to_string(number);
  name.append(year == 2010 ? kHalfYear.View() : kQuarter.View());
  name += std::to_string(year);
  name.append(kYearMark.View());
  return name;
}

std::string PeriodKeyText(TPeriodKey period) {
  static constexpr Cp1251Literal kYearMark(u8" г.");
  if (period.Quarter == 0) return std::to_string(period.Year) + std::string(kYearMark.View());
  if (period.CalendarQuarter && period.Year == 2010) {
    static constexpr Cp1251Literal kQuarter(u8" квартал ");
    return std::to_string(period.Quarter) + std::string(kQuarter.View()) + std::to_string(period.Year) +
           std::string(kYearMark.View());
  }
  return PeriodText(period.Year, period.Quarter);
}

const char* PeriodKindName(TPeriodKey period) {
  if (period.Quarter == 0) return "year";
  return period.Year == 2010 && !period.CalendarQuarter ? "halfYear" : "quarter";
}

const char* FindingKindName(TFindingKind kind) {
  switch (kind) {
    case TFindingKind::Message: return "message";
    case TFindingKind::DuplicateInitial: return "duplicateInitial";
    case TFindingKind::CorrectionWithoutInitial: return "correctionWithoutInitial";
    case TFindingKind::RepeatedCorrection: return "repeatedCorrection";
    case TFindingKind::CancellationAfterCorrection: return "cancellationAfterCorrection";
    case TFindingKind::PaymentsWithoutIndividualData: return "szv63WithoutIndividualData";
    case TFindingKind::PaymentCorrectionWithoutIndividualData: return "szv63CorrectionWithoutIndividualData";
    case TFindingKind::PaymentCorrectionWithoutInitial: return "szv63CorrectionWithoutInitial";
    case TFindingKind::DuplicateInitialPayments: return "szv63DuplicateInitial";
    case TFindingKind::BaseLimitExceeded: return "baseLimitExceeded";
    case TFindingKind::InsOverpaid: return "insuranceOverpaid";
    case TFindingKind::FundOverpaid: return "fundedOverpaid";
    case TFindingKind::InsDebtAtDismissal: return "insuranceDebtAtDismissal";
    case TFindingKind::FundDebtAtDismissal: return "fundedDebtAtDismissal";
  }
  return "";
}

const char* PartName(TPart part) {
  switch (part) {
    case TPart::None: return "";
    case TPart::Insurance: return "insurance";
    case TPart::Funded: return "funded";
  }
  return "";
}

std::string PartTitle(TPart part) {
  static constexpr Cp1251Literal kInsurance(u8"страховая");
  static constexpr Cp1251Literal kFunded(u8"накопительная");
  switch (part) {
    case TPart::None: return {};
    case TPart::Insurance: return kInsurance;
    case TPart::Funded: return kFunded;
  }
  return {};
}

const char* ActionKindName(TActionKind kind) {
  switch (kind) {
    case TActionKind::PayDebt: return "debt";
    case TActionKind::Overpayment: return "overpayment";
    case TActionKind::Conflict: return "conflict";
    case TActionKind::DismissedDebt: return "dismissedDebt";
    case TActionKind::MissingLastPeriod: return "missingLastPeriod";
    case TActionKind::SZV63Mismatch: return "szv63Mismatch";
    case TActionKind::BaseLimit: return "baseLimit";
    case TActionKind::PaidOverAccrued: return "paidOverAccrued";
    case TActionKind::PaymentsConflict: return "szv63Conflict";
  }
  return "";
}

std::string ActionKindTitle(TActionKind kind) {
  static constexpr Cp1251Literal kDebt(u8"Задолженность");
  static constexpr Cp1251Literal kOverpayment(u8"Переплата");
  static constexpr Cp1251Literal kConflict(u8"Конфликт сведений");
  static constexpr Cp1251Literal kDismissed(u8"Уволен с задолженностью");
  static constexpr Cp1251Literal kMissing(u8"Нет сведений за последний период");
  static constexpr Cp1251Literal kMismatch(u8"Расхождение с СЗВ-6-3");
  static constexpr Cp1251Literal kBaseLimit(u8"Превышение предельной базы");
  static constexpr Cp1251Literal kPaidOver(u8"Уплачено больше начисленного");
  static constexpr Cp1251Literal kPayments(u8"Конфликт сведений СЗВ-6-3");
  switch (kind) {
    case TActionKind::PayDebt: return kDebt;
    case TActionKind::Overpayment: return kOverpayment;
    case TActionKind::Conflict: return kConflict;
    case TActionKind::DismissedDebt: return kDismissed;
    case TActionKind::MissingLastPeriod: return kMissing;
    case TActionKind::SZV63Mismatch: return kMismatch;
    case TActionKind::BaseLimit: return kBaseLimit;
    case TActionKind::PaidOverAccrued: return kPaidOver;
    case TActionKind::PaymentsConflict: return kPayments;
  }
  return {};
}

std::int64_t TResults::Owed(const TPersonResult& person) {
  return AddAmount(std::max<std::int64_t>(person.InsBalance, 0), std::max<std::int64_t>(person.FundBalance, 0));
}

namespace {

constexpr TSumFormat kGroupedSum{',', " "};
constexpr Cp1251Literal kRoubles(u8" руб.");

}  // namespace

std::string FormatRoubles(std::int64_t amount) {
  TSumFormat format = kGroupedSum;
  format.Suffix = kRoubles.View();
  return FormatSum(amount, format);
}

std::string FormatGroupedSum(std::int64_t amount) { return FormatSum(amount, kGroupedSum); }

}  // namespace brisolt
