// Actions are read off the report's own lines (the last period's running balance is the balance
// the protocol prints), so that what the clerk is told to pay is the figure the protocol shows.
// Only what the report does not hold (the conflicts and the documents of a person) comes from
// the file set.
#include "engine/results.h"

#include <algorithm>
#include <string_view>
#include <unordered_map>
#include <utility>
#include <vector>

#include "base/amount.h"
#include "base/cp1251literal.h"
#include "base/encoding.h"
#include "engine/constants.h"

namespace brisolt {
namespace {

constexpr Cp1251Literal kIns(u8"страховой части");
constexpr Cp1251Literal kFund(u8"накопительной части");

std::string PartOfText(bool insurance) { return insurance ? std::string(kIns) : std::string(kFund); }

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

// Where a balance of a part arises: the periods (by position) whose own difference of accrued
// and paid has the sign of the final balance. The one rule for the table's periods and the texts.
std::vector<std::int32_t> ArisingPeriods(const TMainLine& line, TPart part, std::int64_t balance) {
  std::vector<std::int32_t> positions;
  if (balance == 0) return positions;
  for (std::size_t at = 0; at < line.Periods.size(); ++at) {
    const TPeriodRec& period = line.Periods[at];
    const std::int64_t own = part == TPart::Insurance ? SubAmount(period.InsAccrued, period.InsPaid)
                                                      : SubAmount(period.FundAccrued, period.FundPaid);
    if ((balance > 0 && own > 0) || (balance < 0 && own < 0)) positions.push_back(static_cast<std::int32_t>(at));
  }
  return positions;
}

std::string PeriodsText(const std::vector<TPeriodKey>& periods) {
  std::string names;
  for (const TPeriodKey& period : periods) {
    if (!names.empty()) names += ", ";
    names += PeriodKeyText(period);
  }
  return names;
}

// The person's facts the actions are read from, beside the report's line.
struct TPersonFacts {
  const TFileSet& FileSet;
  const TReport& Report;
  const TResults& Results;
  const TMainLine& Line;
  TPersonResult& Person;

  TPeriodKey KeyAt(std::int32_t position) const {
    const auto at = static_cast<std::size_t>(position);
    if (at >= FileSet.ReportPeriods.size()) return {};
    return {FileSet.ReportPeriods[at].Year, FileSet.ReportPeriods[at].Quarter};
  }

  std::vector<TPeriodKey> Keys(const std::vector<std::int32_t>& positions) const {
    std::vector<TPeriodKey> keys;
    keys.reserve(positions.size());
    for (const std::int32_t position : positions) keys.push_back(KeyAt(position));
    return keys;
  }

  void Add(TActionKind kind, TPart part, std::int64_t amount, std::vector<TPeriodKey> periods,
           std::vector<std::int32_t> files, std::string text) {
    Person.Actions.push_back({kind, part, amount, std::move(periods), std::move(files), std::move(text)});
  }
};

void AddBalanceActions(TPersonFacts& facts) {
  static constexpr Cp1251Literal kPay(u8"Уплатить задолженность по ");
  static constexpr Cp1251Literal kArising(u8" (возникла за ");
  static constexpr Cp1251Literal kShowPaid(u8" и показать уплату в сведениях за следующий период.");
  static constexpr Cp1251Literal kOverpaid(u8"Переплата по ");
  static constexpr Cp1251Literal kPaidMore(u8": уплачено больше начисленного). Если графа «Уплачено» за ");
  static constexpr Cp1251Literal kCorrect(
      u8" заполнена неверно, подать корректирующие сведения за этот период; если уплата верна, зачесть "
      u8"переплату в счёт будущих платежей или вернуть.");
  TPersonResult& person = facts.Person;
  for (const bool debt : {true, false}) {
    for (const TPart part : {TPart::Insurance, TPart::Funded}) {
      const std::int64_t balance = part == TPart::Insurance ? person.InsBalance : person.FundBalance;
      if (debt ? balance <= 0 : balance >= 0) continue;
      std::vector<TPeriodKey> periods = facts.Keys(ArisingPeriods(facts.Line, part, balance));
      const std::string names = PeriodsText(periods);
      const std::string partName = PartOfText(part == TPart::Insurance);
      if (debt) {
        facts.Add(TActionKind::PayDebt, part, balance, std::move(periods), {},
                  kPay + partName + " " + FormatRoubles(balance) +
                      (names.empty() ? std::string() : kArising + names + ")") + kShowPaid);
      } else {
        const std::int64_t overpaid = SubAmount(0, balance);
        facts.Add(TActionKind::Overpayment, part, overpaid, std::move(periods), {},
                  kOverpaid + partName + " " + FormatRoubles(overpaid) + kArising + names + kPaidMore + names +
                      kCorrect);
      }
    }
  }
}

// The notes of the person's line: each kind has its action, unless an action of the balances
// already says what to do about it.
void AddNoteActions(TPersonFacts& facts) {
  static constexpr Cp1251Literal kCheckAccrual(u8"Проверить начисления за ");
  static constexpr Cp1251Literal kBaseFrom(u8": база для начисления взносов с начала года ");
  static constexpr Cp1251Literal kOverLimit(u8" больше предельной (");
  static constexpr Cp1251Literal kBaseFix(
      u8"). Сверить с ведомостью; если взносы начислены с суммы сверх предельной базы, подать "
      u8"корректирующие сведения.");
  static constexpr Cp1251Literal kPaidOver(u8"Уплачено по ");
  static constexpr Cp1251Literal kPaidOverAt(u8" больше начисленного нарастающим итогом за ");
  static constexpr Cp1251Literal kPaidOverFix(
      u8": проверить графы «Начислено» и «Уплачено» за эти периоды и подать корректирующие сведения.");
  const TMainLine& line = facts.Line;
  TPersonResult& person = facts.Person;
  std::vector<TPeriodKey> paidOver[2];
  for (std::size_t at = 0; at < line.NoteFindings.size(); ++at) {
    const TFinding& finding = line.NoteFindings[at];
    switch (finding.Kind) {
      case TFindingKind::BaseLimitExceeded:
        facts.Add(TActionKind::BaseLimit, TPart::None, finding.Amount, {finding.Period}, {},
                  kCheckAccrual + PeriodKeyText(finding.Period) + kBaseFrom + FormatRoubles(finding.Amount) +
                      kOverLimit + FormatRoubles(std::int64_t{GetBaseLimit(finding.Period.Year)} * 10000) +
                      kBaseFix);
        break;
      case TFindingKind::InsOverpaid:
      case TFindingKind::FundOverpaid: {
        const bool insurance = finding.Kind == TFindingKind::InsOverpaid;
        // An overpayment at the end names its periods and the correction itself.
        if ((insurance ? person.InsBalance : person.FundBalance) < 0) break;
        auto& periods = paidOver[insurance ? 0 : 1];
        if (periods.empty() || !(periods.back() == finding.Period)) periods.push_back(finding.Period);
        break;
      }
      default:
        break;
    }
  }
  for (const bool insurance : {true, false}) {
    auto& periods = paidOver[insurance ? 0 : 1];
    if (periods.empty()) continue;
    const std::string names = PeriodsText(periods);
    facts.Add(TActionKind::PaidOverAccrued, insurance ? TPart::Insurance : TPart::Funded, 0, std::move(periods),
              {}, kPaidOver + PartOfText(insurance) + kPaidOverAt + names + kPaidOverFix);
  }
}

// A person who left (or has no period of work) with a debt: from the balance, or from the notes
// at dismissal when the balance was settled otherwise.
void AddDismissalAction(TPersonFacts& facts) {
  static constexpr Cp1251Literal kDismissed(u8"Сотрудник уволен (последний день работы ");
  static constexpr Cp1251Literal kNoWork(u8"Периоды работы сотрудника не указаны");
  static constexpr Cp1251Literal kStillOwes(u8"), задолженность ");
  static constexpr Cp1251Literal kNoWorkOwes(u8", задолженность ");
  static constexpr Cp1251Literal kPayBeforeLeaving(u8" остаётся: уплатить её за сотрудника.");
  const TMainLine& line = facts.Line;
  std::int64_t noted = 0;
  bool notedIns = false;
  bool notedFund = false;
  for (const TFinding& finding : line.NoteFindings) {
    if (finding.Kind == TFindingKind::InsDebtAtDismissal) notedIns = true;
    if (finding.Kind == TFindingKind::FundDebtAtDismissal) notedFund = true;
    if (finding.Kind == TFindingKind::InsDebtAtDismissal || finding.Kind == TFindingKind::FundDebtAtDismissal) {
      noted = AddAmount(noted, finding.Amount);
    }
  }
  const std::int64_t owed = TResults::Owed(facts.Person);
  const bool left = line.Dismissal.Kind == TDismissalKind::Left;
  if (!(owed > 0 && left) && !notedIns && !notedFund) return;
  const std::int64_t amount = owed > 0 ? owed : noted;
  const TPart part = notedIns == notedFund ? TPart::None : notedIns ? TPart::Insurance : TPart::Funded;
  facts.Add(TActionKind::DismissedDebt, part, amount, {}, {},
            (left ? kDismissed + line.Dismissal.Date + kStillOwes : kNoWork + std::string(kNoWorkOwes)) +
                FormatRoubles(amount) + kPayBeforeLeaving);
}

void AddPaymentConflictActions(TPersonFacts& facts, const std::vector<TFinding>& conflicts) {
  static constexpr Cp1251Literal kCheck(u8"Проверить СЗВ-6-3 за ");
  static constexpr Cp1251Literal kSubmitInitial(u8"Подать исходные СЗВ-6-3 за ");
  static constexpr Cp1251Literal kCategory(u8", категория ");
  static constexpr Cp1251Literal kTwice(u8": исходные сведения поданы повторно ");
  static constexpr Cp1251Literal kPack(u8", пачка № ");
  static constexpr Cp1251Literal kTakenOther(u8"), учтены сведения ");
  static constexpr Cp1251Literal kFixTwice(u8". Если верны повторные, подать корректирующие сведения.");
  static constexpr Cp1251Literal kWithout(u8": корректирующие или отменяющие сведения ");
  static constexpr Cp1251Literal kNotTaken(u8" поданы при отсутствии исходных и не учтены.");
  static constexpr Cp1251Literal kFile(u8"файл № ");
  static constexpr Cp1251Literal kOfFile(u8"файла № ");
  static constexpr Cp1251Literal kInFile(u8"в файле № ");
  for (const TFinding& finding : conflicts) {
    const std::string about = PeriodKeyText(finding.Period) + kCategory + finding.CategoryCode;
    if (finding.Kind == TFindingKind::DuplicateInitialPayments) {
      facts.Add(TActionKind::PaymentsConflict, TPart::None, 0, {finding.Period}, {finding.FileNumber, finding.OtherFile},
                kCheck + about + kTwice + "(" + FileText(facts.Results, finding.FileNumber, kFile) + kPack +
                    std::to_string(finding.PackNumber) + kTakenOther +
                    FileText(facts.Results, finding.OtherFile, kOfFile) + kFixTwice);
    } else {
      facts.Add(TActionKind::PaymentsConflict, TPart::None, 0, {finding.Period}, {finding.FileNumber},
                kSubmitInitial + about + kWithout + FileText(facts.Results, finding.FileNumber, kInFile) + kNotTaken);
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
                             PeriodName(file.PeriodYear, file.PeriodQuarter), file.CategoryCode,
                             {file.PeriodYear, file.PeriodQuarter}});
  }
  // The СЗВ-6-3 packs follow, numbered on as in the protocol's file list.
  static constexpr Cp1251Literal kSZV63(u8"СЗВ-6-3");
  for (const TFileRec& file : fileSet.SZV63Files) {
    results.Files.push_back({NameToCp1251(BaseName(file.FileName)), std::string(kSZV63), file.DataType,
                             std::to_string(file.Year), file.CategoryCode, {file.Year, 0}});
  }
  for (const TReportPeriod& period : fileSet.ReportPeriods) results.Periods.push_back({period.Year, period.Quarter});
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

  const std::size_t listed = report.MainLines.size();
  results.Listed = listed;
  results.Persons.resize(listed + report.UnlistedLines.size());
  for (std::size_t lineAt = 0; lineAt < results.Persons.size(); ++lineAt) {
    const TMainLine& line = report.PersonLine(lineAt);
    TPersonResult& person = results.Persons[lineAt];
    person.Line = lineAt;
    if (!line.Periods.empty()) {
      person.InsBalance = line.Periods.back().InsSaldo;
      person.FundBalance = line.Periods.back().FundSaldo;
    }
    {
      std::vector<std::int32_t> ins = ArisingPeriods(line, TPart::Insurance, person.InsBalance);
      const std::vector<std::int32_t> fund = ArisingPeriods(line, TPart::Funded, person.FundBalance);
      person.Periods.resize(ins.size() + fund.size());
      person.Periods.erase(std::set_union(ins.begin(), ins.end(), fund.begin(), fund.end(), person.Periods.begin()),
                           person.Periods.end());
    }
    TPersonFacts facts{fileSet, report, results, line, person};
    AddBalanceActions(facts);
    AddDismissalAction(facts);
    if (const auto found = forgotten.find(line.SNILS); found != forgotten.end()) {
      static constexpr Cp1251Literal kNoData(u8"Нет сведений за ");
      static constexpr Cp1251Literal kWithDebt(u8" при задолженности ");
      static constexpr Cp1251Literal kSubmit(
          u8": подать сведения за этот период, если сотрудник работал, или уплатить задолженность.");
      const std::int64_t debt = AddAmount(std::max<std::int64_t>(found->second->InsDebt, 0),
                                          std::max<std::int64_t>(found->second->FundDebt, 0));
      std::vector<TPeriodKey> periods;
      if (!fileSet.ReportPeriods.empty()) {
        periods.push_back({fileSet.ReportPeriods.back().Year, fileSet.ReportPeriods.back().Quarter});
      }
      facts.Add(TActionKind::MissingLastPeriod, TPart::None, debt, std::move(periods), {},
                kNoData + lastPeriod + kWithDebt + FormatRoubles(debt) + kSubmit);
    }
    AddNoteActions(facts);
    const auto sotrAt = personBySnils.find(line.SNILS);
    TSZV6Sotr* sotr = sotrAt == personBySnils.end() ? nullptr : &fileSet.Sotrs[sotrAt->second];
    if (sotr != nullptr) {
      for (const TSZV6Conflict& conflict : sotr->Conflicts) {
        const std::string period = PeriodName(conflict.Year, conflict.Quarter);
        std::vector<std::int32_t> files{conflict.FileNumber};
        if (conflict.OtherFile > 0) files.push_back(conflict.OtherFile);
        facts.Add(TActionKind::Conflict, TPart::None, 0, {{conflict.Year, conflict.Quarter}}, std::move(files),
                  ConflictText(results, conflict, period));
      }
      AddPaymentConflictActions(facts, sotr->PaymentConflicts);
      if (withSources) {
        person.Sources = std::move(sotr->Sources);
        person.Payments = std::move(sotr->Payments);
      }
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
          const TPeriodKey key{report.SZV63Year, static_cast<std::int32_t>(quarter + 1), true};
          const std::string period = PeriodKeyText(key);
          const std::int64_t difference = sums.Difference < 0 ? SubAmount(0, sums.Difference) : sums.Difference;
          facts.Add(TActionKind::SZV63Mismatch, TPart::None, difference, {key}, {},
                    kMismatch + period + kCategory + line63.CategoryCode + kFromIS + FormatRoubles(sums.FromIS) +
                        kCalculated + FormatRoubles(sums.Calculated) + kReconcile);
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
