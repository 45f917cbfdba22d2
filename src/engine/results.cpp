// Actions are read off the report's own lines (the last period's running balance is the balance
// the protocol prints), so that what the clerk is told to pay is the figure the protocol shows.
// Only what the report does not hold (the conflicts and the documents of a person) comes from
// the file set.
#include "engine/results.h"

#include <algorithm>
#include <string_view>
#include <unordered_map>
#include <utility>

#include "base/amount.h"
#include "base/cp1251literal.h"
#include "base/encoding.h"
#include "engine/constants.h"

namespace brisolt {
namespace {

constexpr Cp1251Literal kIns(u8"страховой части");
constexpr Cp1251Literal kFund(u8"накопительной части");

std::string PartName(bool insurance) { return insurance ? std::string(kIns) : std::string(kFund); }

std::string BaseName(const std::string& fileName) {
  const std::size_t slash = fileName.find_last_of(kNameSeparators);
  return slash == std::string::npos ? fileName : fileName.substr(slash + 1);
}

// "файл № 3 (PFR-....xml)" with the word in the case the sentence needs.
std::string FileText(const TResults& results, int fileNumber, std::string_view word) {
  std::string text = std::string(word) + std::to_string(fileNumber);
  if (fileNumber >= 1 && static_cast<std::size_t>(fileNumber) <= results.Files.size()) {
    text += " (" + results.Files[static_cast<std::size_t>(fileNumber - 1)].Name + ")";
  }
  return text;
}

std::string ConflictText(const TResults& results, const TSZV6Conflict& conflict, const std::string& period) {
  static constexpr Cp1251Literal kFile(u8"файл № ");
  static constexpr Cp1251Literal kInFile(u8"в файле № ");
  static constexpr Cp1251Literal kAfterFile(u8"после файла № ");
  static constexpr Cp1251Literal kSubmitCorrective(u8"Подать корректирующие сведения за ");
  static constexpr Cp1251Literal kSubmitInitial(u8"Подать исходные сведения за ");
  static constexpr Cp1251Literal kCheck(u8"Проверить сведения за ");
  static constexpr Cp1251Literal kDuplicate(u8": исходные сведения поданы дважды, учтён ");
  static constexpr Cp1251Literal kNotTaken(u8", не учтён ");
  static constexpr Cp1251Literal kCorrections(u8": корректирующие или отменяющие сведения ");
  static constexpr Cp1251Literal kWithoutInitial(u8" поданы при отсутствии исходных и не учтены.");
  static constexpr Cp1251Literal kRepeated(u8": корректирующие сведения ");
  static constexpr Cp1251Literal kRepeatedAfter(u8" поданы повторно, ");
  static constexpr Cp1251Literal kCancelling(u8": отменяющие сведения ");
  static constexpr Cp1251Literal kCancellingAfter(u8" поданы после корректирующих ");
  static constexpr Cp1251Literal kTakenLast(u8"; учтены последние. Если это ошибка, подать корректирующие сведения.");
  const std::string file = FileText(results, conflict.FileNumber, kFile);
  const std::string other = FileText(results, conflict.OtherFile, kFile);
  switch (conflict.Kind) {
    case TConflictKind::DuplicateInitial:
      return kSubmitCorrective + period + kDuplicate + other + kNotTaken + file + ".";
    case TConflictKind::CorrectionWithoutInitial:
      return kSubmitInitial + period + kCorrections + FileText(results, conflict.FileNumber, kInFile) +
             kWithoutInitial;
    case TConflictKind::RepeatedCorrection:
      return kCheck + period + kRepeated + FileText(results, conflict.FileNumber, kInFile) + kRepeatedAfter +
             FileText(results, conflict.OtherFile, kAfterFile) + kTakenLast;
    case TConflictKind::CancellationAfterCorrection:
      return kCheck + period + kCancelling + FileText(results, conflict.FileNumber, kInFile) + kCancellingAfter +
             FileText(results, conflict.OtherFile, kInFile) + kTakenLast;
  }
  return {};
}

// Periods (by position) whose own difference of the part has the sign of its final balance.
std::string ArisingText(const TReport& report, const TMainLine& line, bool insurance, std::int64_t balance) {
  static constexpr Cp1251Literal kArising(u8" (возникла за ");
  std::string names;
  for (std::size_t at = 0; at < line.Periods.size() && at < report.PeriodList.size(); ++at) {
    const TPeriodRec& period = line.Periods[at];
    const std::int64_t own = insurance ? SubAmount(period.InsAccrued, period.InsPaid)
                                       : SubAmount(period.FundAccrued, period.FundPaid);
    if ((balance > 0 && own > 0) || (balance < 0 && own < 0)) {
      if (!names.empty()) names += ", ";
      names += report.PeriodList[at];
    }
  }
  return names.empty() ? std::string() : kArising + names + ")";
}

void AddBalanceActions(const TReport& report, const TMainLine& line, TPersonResult& person) {
  static constexpr Cp1251Literal kPay(u8"Уплатить задолженность по ");
  static constexpr Cp1251Literal kShowPaid(u8" и показать уплату в сведениях за следующий период.");
  static constexpr Cp1251Literal kOverpaid(u8"Переплата по ");
  static constexpr Cp1251Literal kOffset(u8": зачесть в счёт будущих платежей или вернуть.");
  for (const bool insurance : {true, false}) {
    const std::int64_t balance = insurance ? person.InsBalance : person.FundBalance;
    if (balance > 0) {
      person.Actions.push_back({TActionKind::PayDebt, balance, {},
                                kPay + PartName(insurance) + " " + FormatRoubles(balance) +
                                    ArisingText(report, line, insurance, balance) + kShowPaid});
    }
  }
  for (const bool insurance : {true, false}) {
    const std::int64_t balance = insurance ? person.InsBalance : person.FundBalance;
    if (balance < 0) {
      const std::int64_t overpaid = SubAmount(0, balance);
      person.Actions.push_back({TActionKind::Overpayment, overpaid, {},
                                kOverpaid + PartName(insurance) + " " + FormatRoubles(overpaid) +
                                    ArisingText(report, line, insurance, balance) + kOffset});
    }
  }
}

}  // namespace

void BuildResults(TFileSet& fileSet, const TReport& report, bool withSources, TResults& results) {
  results = TResults();
  results.HasSources = withSources;
  results.Files.reserve(fileSet.SZV6Files.size());
  for (const TFileRec& file : fileSet.SZV6Files) {
    results.Files.push_back({NameToCp1251(BaseName(file.FileName)), file.FormKind, file.DataType,
                             PeriodName(file.PeriodYear, file.PeriodQuarter), file.CategoryCode});
  }
  // The СЗВ-6-3 packs follow, numbered on as in the protocol's file list.
  static constexpr Cp1251Literal kSZV63(u8"СЗВ-6-3");
  for (const TFileRec& file : fileSet.SZV63Files) {
    results.Files.push_back({NameToCp1251(BaseName(file.FileName)), std::string(kSZV63), file.DataType,
                             std::to_string(file.Year), file.CategoryCode});
  }
  std::unordered_map<std::string_view, std::size_t> personBySnils;
  personBySnils.reserve(fileSet.Sotrs.size());
  for (std::size_t at = 0; at < fileSet.Sotrs.size(); ++at) {
    personBySnils.emplace(fileSet.Sotrs[at].SNILS, at);
  }
  std::unordered_map<std::string_view, const TForgottenLine*> forgotten;
  for (const TForgottenLine& line : report.ForgottenLines) forgotten.emplace(line.SNILS, &line);
  std::unordered_map<std::string_view, const TSZV63SverkaZL*> blocks63;
  for (const TSZV63SverkaZL& block : report.SZV63Blocks) blocks63.emplace(block.SNILS, &block);
  const std::string lastPeriod = report.PeriodList.empty() ? std::string() : report.PeriodList.back();

  results.Persons.resize(report.MainLines.size());
  for (std::size_t lineAt = 0; lineAt < report.MainLines.size(); ++lineAt) {
    const TMainLine& line = report.MainLines[lineAt];
    TPersonResult& person = results.Persons[lineAt];
    person.Line = lineAt;
    if (!line.Periods.empty()) {
      person.InsBalance = line.Periods.back().InsSaldo;
      person.FundBalance = line.Periods.back().FundSaldo;
    }
    for (std::size_t at = 0; at < line.Periods.size(); ++at) {
      const TPeriodRec& period = line.Periods[at];
      const std::int64_t ins = SubAmount(period.InsAccrued, period.InsPaid);
      const std::int64_t fund = SubAmount(period.FundAccrued, period.FundPaid);
      const auto arises = [](std::int64_t balance, std::int64_t own) {
        return (balance > 0 && own > 0) || (balance < 0 && own < 0);
      };
      if (arises(person.InsBalance, ins) || arises(person.FundBalance, fund)) {
        person.Periods.push_back(static_cast<std::int32_t>(at));
      }
    }
    AddBalanceActions(report, line, person);
    const std::int64_t owed = TResults::Owed(person);
    if (owed > 0 && line.Dismissal.Kind == TDismissalKind::Left) {
      static constexpr Cp1251Literal kDismissed(u8"Сотрудник уволен (последний день работы ");
      static constexpr Cp1251Literal kStillOwes(u8"), задолженность ");
      static constexpr Cp1251Literal kPayBeforeLeaving(u8" остаётся: уплатить её за сотрудника.");
      person.Actions.push_back({TActionKind::DismissedDebt, owed, {},
                                kDismissed + line.Dismissal.Date + kStillOwes + FormatRoubles(owed) +
                                    kPayBeforeLeaving});
    }
    if (const auto found = forgotten.find(line.SNILS); found != forgotten.end()) {
      static constexpr Cp1251Literal kNoData(u8"Нет сведений за ");
      static constexpr Cp1251Literal kWithDebt(u8" при задолженности ");
      static constexpr Cp1251Literal kSubmit(
          u8": подать сведения за этот период, если сотрудник работал, или уплатить задолженность.");
      const std::int64_t debt = AddAmount(std::max<std::int64_t>(found->second->InsDebt, 0),
                                          std::max<std::int64_t>(found->second->FundDebt, 0));
      person.Actions.push_back({TActionKind::MissingLastPeriod, debt, lastPeriod,
                                kNoData + lastPeriod + kWithDebt + FormatRoubles(debt) + kSubmit});
    }
    const auto sotrAt = personBySnils.find(line.SNILS);
    TSZV6Sotr* sotr = sotrAt == personBySnils.end() ? nullptr : &fileSet.Sotrs[sotrAt->second];
    if (sotr != nullptr) {
      for (const TSZV6Conflict& conflict : sotr->Conflicts) {
        const std::string period = PeriodName(conflict.Year, conflict.Quarter);
        person.Actions.push_back({TActionKind::Conflict, 0, period, ConflictText(results, conflict, period)});
      }
      if (withSources) person.Sources = std::move(sotr->Sources);
    }
    if (const auto found = blocks63.find(line.SNILS); found != blocks63.end()) {
      static constexpr Cp1251Literal kMismatch(u8"Расхождение с СЗВ-6-3 за ");
      static constexpr Cp1251Literal kCategory(u8", категория ");
      static constexpr Cp1251Literal kFromIS(u8": по индивидуальным сведениям ");
      static constexpr Cp1251Literal kCalculated(u8", по СЗВ-6-3 ");
      static constexpr Cp1251Literal kReconcile(u8": сверить начисления и подать корректирующие сведения.");
      for (const TSZV63SverkaLine& line63 : found->second->Lines) {
        for (std::size_t quarter = 0; quarter < line63.Quarters.size(); ++quarter) {
          const TSZV63Quarter& sums = line63.Quarters[quarter];
          if (!sums.Mismatch) continue;
          const std::string period = PeriodName(report.SZV63Year, static_cast<int>(quarter + 1));
          const std::int64_t difference = sums.Difference < 0 ? SubAmount(0, sums.Difference) : sums.Difference;
          person.Actions.push_back({TActionKind::SZV63Mismatch, difference, period,
                                    kMismatch + period + kCategory + line63.CategoryCode + kFromIS +
                                        FormatRoubles(sums.FromIS) + kCalculated +
                                        FormatRoubles(sums.Calculated) + kReconcile});
        }
      }
    }
    TResultTotals& totals = results.Totals;
    if (person.InsBalance > 0) totals.InsDebt = AddAmount(totals.InsDebt, person.InsBalance);
    if (person.FundBalance > 0) totals.FundDebt = AddAmount(totals.FundDebt, person.FundBalance);
    if (person.InsBalance < 0) totals.InsOverpaid = SubAmount(totals.InsOverpaid, person.InsBalance);
    if (person.FundBalance < 0) totals.FundOverpaid = SubAmount(totals.FundOverpaid, person.FundBalance);
    if (!person.Actions.empty()) {
      ++totals.Persons;
      totals.Actions += person.Actions.size();
      results.ByOwed.push_back(lineAt);
    }
  }
  std::stable_sort(results.ByOwed.begin(), results.ByOwed.end(), [&](std::size_t a, std::size_t b) {
    return TResults::Owed(results.Persons[a]) > TResults::Owed(results.Persons[b]);
  });
}

}  // namespace brisolt
