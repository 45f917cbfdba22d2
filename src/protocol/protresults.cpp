#include "protocol/protresults.h"

#include <algorithm>

#include "base/amount.h"
#include "base/amountformat.h"
#include "base/cp1251literal.h"

namespace brisolt {

std::string SourceFateText(const TSourceLine& source) {
  static constexpr Cp1251Literal kTaken(u8"учтён");
  static constexpr Cp1251Literal kTakenForMissing(u8"учтён при отсутствии исходных сведений");
  static constexpr Cp1251Literal kCancelling(u8"отменил сведения файла № ");
  static constexpr Cp1251Literal kReplaced(u8"заменён файлом № ");
  static constexpr Cp1251Literal kCancelled(u8"отменён файлом № ");
  static constexpr Cp1251Literal kDuplicate(u8"не учтён: дубликат исходных сведений файла № ");
  static constexpr Cp1251Literal kWithoutInitial(u8"не учтён: нет исходных сведений");
  static constexpr Cp1251Literal kUnknownType(u8"не учтён: неизвестный тип сведений");
  const std::string byFile = std::to_string(source.ByFile);
  switch (source.Fate) {
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

const char* ActionKindName(TActionKind kind) {
  switch (kind) {
    case TActionKind::PayDebt: return "debt";
    case TActionKind::Overpayment: return "overpayment";
    case TActionKind::Conflict: return "conflict";
    case TActionKind::DismissedDebt: return "dismissedDebt";
    case TActionKind::MissingLastPeriod: return "missingLastPeriod";
    case TActionKind::SZV63Mismatch: return "szv63Mismatch";
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
  switch (kind) {
    case TActionKind::PayDebt: return kDebt;
    case TActionKind::Overpayment: return kOverpayment;
    case TActionKind::Conflict: return kConflict;
    case TActionKind::DismissedDebt: return kDismissed;
    case TActionKind::MissingLastPeriod: return kMissing;
    case TActionKind::SZV63Mismatch: return kMismatch;
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
