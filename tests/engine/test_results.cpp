// What the fold keeps of each document and each conflict, and the results a clerk acts on: the
// balances, the periods they arise in, the actions and their order, read off the report.
#include <gtest/gtest.h>

#include <algorithm>
#include <map>
#include <set>
#include <string>
#include <vector>

#include "base/encoding.h"
#include "engine/report.h"
#include "engine/results.h"
#include "engine/sverka.h"
#include "engine_test_folder.h"
#include "packgen.h"

namespace brisolt {
namespace {

using testing_support::TTestFolder;

constexpr TAmount kRouble = 10000;
const char* const kRegNumb = "087-001-012345";
const std::string kSnils = "112-233-445 95";
const std::string kSnilsKey = "11223344595";

std::string W(const std::string& utf8) { return Utf8ToCp1251(utf8); }
std::string U(const std::string& cp1251) { return Cp1251ToUtf8(cp1251); }

struct TPack {
  const char* DataType;
  const char* CompileDate;
  TAmount InsAccrued;
};

struct TExpectedSource {
  int FileNumber;
  TSourceFate Fate;
  int ByFile;
};

struct TExpectedConflict {
  TConflictKind Kind;
  int FileNumber;
  int OtherFile;
};

struct TFoldCase {
  const char* Name;
  bool CalcCorr;
  std::vector<TPack> Packs;  // all for the 1st quarter of 2011, in the order they are folded
  std::vector<TExpectedSource> Sources;
  std::vector<TExpectedConflict> Conflicts;
  TAmount Kept = -1;  // the insurance part accrued that the fold keeps for the quarter; -1: not checked
};

TEST(FoldRecords, EveryDocumentWithWhatTheFoldDidAndEveryConflict) {
  using F = TSourceFate;
  using K = TConflictKind;
  const std::vector<TFoldCase> cases = {
      {"initial alone", false, {{"ИСХОДНАЯ", "10.04.2011", 100}}, {{1, F::Taken, 0}}, {}},
      {"corrected",
       false,
       {{"ИСХОДНАЯ", "10.04.2011", 100}, {"КОРРЕКТИРУЮЩАЯ", "10.05.2011", 150}},
       {{1, F::Replaced, 2}, {2, F::Taken, 0}},
       {}},
      {"cancelled",
       false,
       {{"ИСХОДНАЯ", "10.04.2011", 100}, {"ОТМЕНЯЮЩАЯ", "10.05.2011", 0}},
       {{1, F::Cancelled, 2}, {2, F::Cancelling, 1}},
       {}},
      {"duplicate initial",
       false,
       {{"ИСХОДНАЯ", "10.04.2011", 100}, {"ИСХОДНАЯ", "20.04.2011", 200}},
       {{1, F::Taken, 0}, {2, F::DuplicateInitial, 1}},
       {{K::DuplicateInitial, 2, 1}}},
      {"corrective without initial",
       false,
       {{"КОРРЕКТИРУЮЩАЯ", "10.05.2011", 150}},
       {{1, F::WithoutInitial, 0}},
       {{K::CorrectionWithoutInitial, 1, 0}}},
      // A type the fold does not know is never taken, and named for what it is.
      {"unknown type alone", false, {{"ДОПОЛНЯЮЩАЯ", "10.05.2011", 150}}, {{1, F::UnknownType, 0}},
       {{K::CorrectionWithoutInitial, 1, 0}}},
      // After an initial, a document of an unknown type neither replaces nor cancels it.
      {"unknown type after an initial",
       false,
       {{"ИСХОДНАЯ", "10.04.2011", 100}, {"ПРОЧАЯ", "10.05.2011", 150}},
       {{1, F::Taken, 0}, {2, F::UnknownType, 0}},
       {},
       100},
      {"corrective for a missing initial", true, {{"КОРРЕКТИРУЮЩАЯ", "10.05.2011", 150}}, {{1, F::TakenForMissing, 0}}, {}},
      {"corrected twice",
       false,
       {{"ИСХОДНАЯ", "10.04.2011", 100}, {"КОРРЕКТИРУЮЩАЯ", "10.05.2011", 150}, {"КОРРЕКТИРУЮЩАЯ", "20.05.2011", 170}},
       {{1, F::Replaced, 2}, {2, F::Replaced, 3}, {3, F::Taken, 0}},
       {{K::RepeatedCorrection, 3, 2}}},
      {"cancelled after a correction",
       false,
       {{"ИСХОДНАЯ", "10.04.2011", 100}, {"КОРРЕКТИРУЮЩАЯ", "10.05.2011", 150}, {"ОТМЕНЯЮЩАЯ", "20.05.2011", 0}},
       {{1, F::Replaced, 2}, {2, F::Cancelled, 3}, {3, F::Cancelling, 2}},
       {{K::CancellationAfterCorrection, 3, 2}}},
  };
  for (const TFoldCase& foldCase : cases) {
    SCOPED_TRACE(foldCase.Name);
    TTestFolder folder;
    for (std::size_t at = 0; at < foldCase.Packs.size(); ++at) {
      const TPack& given = foldCase.Packs[at];
      packgen::TGenSZV6Pack pack;
      pack.DataType = given.DataType;
      const bool initial = std::string(given.DataType) == "ИСХОДНАЯ";
      pack.Year = initial ? 2011 : 2012;
      pack.Quarter = initial ? 1 : 4;
      if (!initial) {
        pack.CorrYear = 2011;
        pack.CorrQuarter = 1;
      }
      pack.CompileDate = given.CompileDate;
      packgen::TGenDoc doc;
      doc.SNILS = kSnils;
      doc.LastName = "Иванов";
      doc.FirstName = "Иван";
      doc.MiddleName = "Иванович";
      doc.InsAccrued = given.InsAccrued * kRouble;
      doc.Stages.push_back({"01.01.2011", "31.03.2011", false});
      pack.Docs.push_back(doc);
      packgen::WriteBytes(folder.File("PFR-700-Y-2011-ORG-" + std::to_string(100 + at) + ".xml"),
                          packgen::RenderSZV6Pack(pack));
    }
    for (const bool keepSources : {true, false}) {
      TFileSet files;
      files.KeepSources = keepSources;
      std::vector<std::string> messages;
      files.LoadSubmissions(folder.Text(), false, foldCase.CalcCorr, W(kRegNumb), messages, {});
      ASSERT_EQ(files.Sotrs.size(), 1u);
      const TSZV6Sotr& person = files.Sotrs[0];
      ASSERT_EQ(person.Sources.size(), keepSources ? foldCase.Sources.size() : 0u);
      for (std::size_t at = 0; at < person.Sources.size(); ++at) {
        EXPECT_EQ(person.Sources[at].FileNumber, foldCase.Sources[at].FileNumber) << at;
        EXPECT_EQ(person.Sources[at].Fate, foldCase.Sources[at].Fate) << at;
        EXPECT_EQ(person.Sources[at].ByFile, foldCase.Sources[at].ByFile) << at;
        EXPECT_EQ(person.Sources[at].InsAccrued, foldCase.Packs[at].InsAccrued * kRouble) << at;
      }
      // Conflicts are kept whether or not the documents are: the actions need them.
      ASSERT_EQ(person.Conflicts.size(), foldCase.Conflicts.size());
      for (std::size_t at = 0; at < person.Conflicts.size(); ++at) {
        EXPECT_EQ(person.Conflicts[at].Kind, foldCase.Conflicts[at].Kind);
        EXPECT_EQ(person.Conflicts[at].FileNumber, foldCase.Conflicts[at].FileNumber);
        EXPECT_EQ(person.Conflicts[at].OtherFile, foldCase.Conflicts[at].OtherFile);
        EXPECT_EQ(person.Conflicts[at].Year, 2011);
        EXPECT_EQ(person.Conflicts[at].Quarter, 1);
      }
      if (foldCase.Kept >= 0) {
        ASSERT_EQ(person.NUList.size(), 1u);
        EXPECT_EQ(person.NUList[0].InsAccrued, foldCase.Kept * kRouble);
      }
    }
  }
}

TEST(FormatRoubles, GroupsThousandsWithTheProtocolsRounding) {
  const std::vector<std::pair<TAmount, const char*>> cases = {
      {0, "0,00 руб."},
      {15000000, "1 500,00 руб."},
      {-12345678900, "-1 234 567,89 руб."},
      {1000000000, "100 000,00 руб."},
      {1234550, "123,46 руб."},  // halves away from zero, as the protocol prints
      {-49, "0,00 руб."},        // rounds to zero: no sign
      {9999999, "1 000,00 руб."},
  };
  for (const auto& [amount, expected] : cases) {
    EXPECT_EQ(U(FormatRoubles(amount)), expected) << amount;
  }
}

TEST(SourceFateText, SaysWhatHappenedAndWhichFile) {
  const std::vector<std::pair<TSourceLine, const char*>> cases = {
      {{1, 0, TSourceFate::Taken}, "учтён"},
      {{1, 0, TSourceFate::TakenForMissing}, "учтён при отсутствии исходных сведений"},
      {{1, 4, TSourceFate::Replaced}, "заменён файлом № 4"},
      {{1, 4, TSourceFate::Cancelled}, "отменён файлом № 4"},
      {{4, 1, TSourceFate::Cancelling}, "отменил сведения файла № 1"},
      {{2, 1, TSourceFate::DuplicateInitial}, "не учтён: дубликат исходных сведений файла № 1"},
      {{2, 0, TSourceFate::WithoutInitial}, "не учтён: нет исходных сведений"},
  };
  for (const auto& [source, expected] : cases) {
    EXPECT_EQ(U(SourceFateText(source)), expected);
  }
}

// A report as BuildReport leaves it, two periods long, and the file set behind it.
class ResultsTest : public ::testing::Test {
 protected:
  void SetUp() override {
    report_.PeriodList = {W("1 квартал 2011 г."), W("2 квартал 2011 г.")};
    files_.ReportPeriods = {{2011, 1}, {2011, 2}};
    TFileRec file;
    file.FileName = "/data/PFR-700-Y-2011-ORG-1.xml";
    file.FormKind = W("СЗВ-6-1");
    file.DataType = W("ИСХОДНАЯ");
    file.PeriodYear = 2011;
    file.PeriodQuarter = 1;
    file.CategoryCode = W("НР");
    files_.SZV6Files = {file, file};
    files_.SZV6Files[1].FileName = "/data/PFR-700-Y-2011-ORG-2.xml";
  }

  // Period amounts: insurance accrued and paid, funded accrued and paid, per period; the running
  // columns are filled as BuildReport fills them.
  void AddLine(const char* snils, const char* fio, const TDismissal& dismissal,
               std::vector<std::array<TAmount, 4>> periods) {
    TMainLine line;
    line.SNILS = snils;
    line.FIO = W(fio);
    line.Dismissal = dismissal;
    TAmount insAccrued = 0, insPaid = 0, fundAccrued = 0, fundPaid = 0;
    for (const auto& sums : periods) {
      insAccrued += sums[0] * kRouble;
      insPaid += sums[1] * kRouble;
      fundAccrued += sums[2] * kRouble;
      fundPaid += sums[3] * kRouble;
      line.Periods.push_back({"1", sums[0] * kRouble, sums[1] * kRouble, insAccrued, insPaid, insAccrued - insPaid,
                              sums[2] * kRouble, sums[3] * kRouble, fundAccrued, fundPaid, fundAccrued - fundPaid});
    }
    report_.MainLines.push_back(line);
    TSZV6Sotr sotr;
    sotr.SNILS = snils;
    files_.Sotrs.push_back(sotr);
  }

  std::vector<std::string> Texts(const TPersonResult& person) {
    std::vector<std::string> texts;
    for (const TAction& action : person.Actions) texts.push_back(U(action.Text));
    return texts;
  }

  TFileSet files_;
  TReport report_;
  TResults results_;
};

TEST_F(ResultsTest, ActionsFromTheReportsOwnBalancesMostOwedFirst) {
  AddLine("11111111111", "Дмитриев Д Д", TDismissal::Left("15.03.2011"), {{1000, 0, 0, 0}, {1000, 500, 0, 0}});
  AddLine("22222222222", "Перепелкина П П", TDismissal::AtWork(), {{0, 0, 0, 200}, {0, 0, 0, 0}});
  AddLine("33333333333", "Нулев Н Н", TDismissal::AtWork(), {{100, 100, 0, 0}, {0, 0, 0, 0}});
  AddLine("44444444444", "Забытов З З", TDismissal::AtWork(), {{2000, 0, 1000, 0}, {0, 0, 0, 0}});
  report_.ForgottenLines.push_back({W("Забытов З З"), "44444444444", 2000 * kRouble, 1000 * kRouble});
  files_.Sotrs[3].Conflicts.push_back({TConflictKind::DuplicateInitial, 2, 1, 2011, 1});
  files_.Sotrs[0].Conflicts.push_back({TConflictKind::RepeatedCorrection, 2, 1, 2011, 2});
  report_.SZV63Year = 2012;
  TSZV63SverkaZL block;
  block.SNILS = "33333333333";
  TSZV63SverkaLine line63;
  line63.CategoryCode = W("НР");
  line63.Quarters[1] = {1100 * kRouble, 1000 * kRouble, -100 * kRouble, true};
  line63.Quarters[2] = {500 * kRouble, 500 * kRouble, 0, false};
  block.Lines.push_back(line63);
  report_.SZV63Blocks.push_back(block);

  BuildResults(files_, report_, false, results_);
  ASSERT_EQ(results_.Persons.size(), 4u);

  const TPersonResult& dismissed = results_.Persons[0];
  EXPECT_EQ(dismissed.InsBalance, 1500 * kRouble);
  EXPECT_EQ(dismissed.Periods, (std::vector<std::int32_t>{0, 1}));
  EXPECT_EQ(Texts(dismissed),
            (std::vector<std::string>{
                "Уплатить задолженность по страховой части 1 500,00 руб. (возникла за 1 квартал 2011 г., 2 квартал "
                "2011 г.) и показать уплату в сведениях за следующий период.",
                "Сотрудник уволен (последний день работы 15.03.2011), задолженность 1 500,00 руб. остаётся: уплатить "
                "её за сотрудника.",
                "Проверить сведения за 2 квартал 2011 г.: корректирующие сведения в файле № 2 "
                "(PFR-700-Y-2011-ORG-2.xml) поданы повторно, после файла № 1 (PFR-700-Y-2011-ORG-1.xml); учтены "
                "последние. Если это ошибка, подать корректирующие сведения."}));

  const TPersonResult& overpaid = results_.Persons[1];
  EXPECT_EQ(overpaid.FundBalance, -200 * kRouble);
  ASSERT_EQ(overpaid.Actions.size(), 1u);
  EXPECT_EQ(overpaid.Actions[0].Kind, TActionKind::Overpayment);
  EXPECT_EQ(overpaid.Actions[0].Amount, 200 * kRouble);
  EXPECT_EQ(overpaid.Actions[0].Part, TPart::Funded);
  EXPECT_EQ(U(overpaid.Actions[0].Text),
            "Переплата по накопительной части 200,00 руб. (возникла за 1 квартал 2011 г.: уплачено больше "
            "начисленного). Если графа «Уплачено» за 1 квартал 2011 г. заполнена неверно, подать корректирующие "
            "сведения за этот период; если уплата верна, зачесть переплату в счёт будущих платежей или вернуть.");

  const TPersonResult& mismatched = results_.Persons[2];
  EXPECT_EQ(mismatched.InsBalance, 0);
  EXPECT_TRUE(mismatched.Periods.empty());
  EXPECT_EQ(Texts(mismatched),
            (std::vector<std::string>{"Расхождение с СЗВ-6-3 за 2 квартал 2012 г., категория НР: по индивидуальным "
                                      "сведениям 1 000,00 руб., по СЗВ-6-3 1 100,00 руб.: сверить начисления и "
                                      "подать корректирующие сведения."}));
  EXPECT_EQ(mismatched.Actions[0].Amount, 100 * kRouble);

  const TPersonResult& forgotten = results_.Persons[3];
  std::vector<TActionKind> kinds;
  for (const TAction& action : forgotten.Actions) kinds.push_back(action.Kind);
  EXPECT_EQ(kinds, (std::vector<TActionKind>{TActionKind::PayDebt, TActionKind::PayDebt,
                                             TActionKind::MissingLastPeriod, TActionKind::Conflict}));
  EXPECT_EQ(U(forgotten.Actions[2].Text),
            "Нет сведений за 2 квартал 2011 г. при задолженности 3 000,00 руб.: подать сведения за этот период, "
            "если сотрудник работал, или уплатить задолженность.");
  EXPECT_EQ(U(forgotten.Actions[3].Text),
            "Подать корректирующие сведения за 1 квартал 2011 г.: исходные сведения поданы дважды, учтён файл № 1 "
            "(PFR-700-Y-2011-ORG-1.xml), не учтён файл № 2 (PFR-700-Y-2011-ORG-2.xml).");
  EXPECT_EQ(forgotten.Actions[3].Periods, (std::vector<TPeriodKey>{{2011, 1}}));
  EXPECT_EQ(forgotten.Actions[3].Files, (std::vector<std::int32_t>{2, 1}));

  EXPECT_EQ(results_.ByOwed, (std::vector<std::size_t>{3, 0, 1, 2}));
  EXPECT_EQ(results_.Totals.InsDebt, 3500 * kRouble);
  EXPECT_EQ(results_.Totals.FundDebt, 1000 * kRouble);
  EXPECT_EQ(results_.Totals.InsOverpaid, 0);
  EXPECT_EQ(results_.Totals.FundOverpaid, 200 * kRouble);
  EXPECT_EQ(results_.Totals.Persons, 4u);
  EXPECT_EQ(results_.Totals.Actions, 3u + 1u + 1u + 4u);
}

// Without any period of work a debt is no debt left at dismissal; an overpayment of the insurance
// part alone is one.
TEST_F(ResultsTest, ADebtWithoutWorkIsNoDismissalAndEitherPartOverpays) {
  AddLine("11111111111", "Безработный Б Б", TDismissal::NoWork(), {{100, 0, 0, 0}, {100, 100, 0, 0}});
  AddLine("22222222222", "Страхова С С", TDismissal::AtWork(), {{100, 400, 50, 50}, {100, 100, 0, 0}});
  BuildResults(files_, report_, false, results_);
  ASSERT_EQ(results_.Persons.size(), 2u);
  std::vector<TActionKind> kinds;
  for (const TAction& action : results_.Persons[0].Actions) kinds.push_back(action.Kind);
  EXPECT_EQ(kinds, (std::vector<TActionKind>{TActionKind::PayDebt}));
  const TPersonResult& overpaid = results_.Persons[1];
  ASSERT_EQ(overpaid.Actions.size(), 1u);
  EXPECT_EQ(overpaid.Actions[0].Kind, TActionKind::Overpayment);
  EXPECT_EQ(overpaid.Actions[0].Amount, 300 * kRouble);
  EXPECT_EQ(U(overpaid.Actions[0].Text),
            "Переплата по страховой части 300,00 руб. (возникла за 1 квартал 2011 г.: уплачено больше "
            "начисленного). Если графа «Уплачено» за 1 квартал 2011 г. заполнена неверно, подать "
            "корректирующие сведения за этот период; если уплата верна, зачесть переплату в счёт будущих "
            "платежей или вернуть.");
  EXPECT_EQ(results_.Totals.InsOverpaid, 300 * kRouble);
  EXPECT_EQ(results_.Totals.FundOverpaid, 0);
  EXPECT_EQ(results_.Totals.InsDebt, 100 * kRouble);
}

TEST_F(ResultsTest, NothingToDoForASettledPersonStillAtWork) {
  AddLine("11111111111", "Ровный Р Р", TDismissal::AtWork(), {{100, 100, 50, 50}, {200, 200, 0, 0}});
  AddLine("22222222222", "Ушедший У У", TDismissal::Left("01.02.2011"), {{100, 100, 0, 0}, {0, 0, 0, 0}});
  AddLine("33333333333", "Без периодов Б Б", TDismissal::NoWork(), {{100, 100, 0, 0}, {0, 0, 0, 0}});
  BuildResults(files_, report_, true, results_);
  for (const TPersonResult& person : results_.Persons) {
    EXPECT_TRUE(person.Actions.empty()) << person.Line;
  }
  EXPECT_TRUE(results_.ByOwed.empty());
  EXPECT_EQ(results_.Totals.Persons, 0u);
}

// A file is listed by the last part of its name; a backslash separates parts only where the
// system says so (on Linux it is a character of the name).
TEST_F(ResultsTest, FilesAreNamedByTheLastPartOfTheirNameOnThisSystem) {
  files_.SZV6Files[0].FileName = "/data/a\\b.xml";
  files_.SZV6Files[1].FileName = "C:\\data\\c.xml";
  BuildResults(files_, report_, false, results_);
  ASSERT_EQ(results_.Files.size(), 2u);
  if (std::filesystem::path::preferred_separator == '\\') {
    EXPECT_EQ(results_.Files[0].Name, "b.xml");
    EXPECT_EQ(results_.Files[1].Name, "c.xml");
  } else {
    EXPECT_EQ(results_.Files[0].Name, "a\\b.xml");
    EXPECT_EQ(results_.Files[1].Name, "C:\\data\\c.xml");
  }
}

const std::string kExamples = std::string(BRISOLT_SOURCE_DIR) + "/examples";

// A run of the engine over a folder as the pipeline makes it: every person in the results,
// whatever the filter lists.
struct TEngineRun {
  TFileSet Files;
  TReport Report;
  TResults Results;

  TEngineRun(const std::string& folder, TSaldoFilter filter, const std::set<std::string>& only = {}) {
    std::vector<std::string> messages;
    Files.KeepSources = true;
    Files.LoadSubmissions(folder, false, false, W(kRegNumb), messages, {});
    BuildReport(Files,
                {.Messages = messages, .RegNumb = W(kRegNumb), .SaldoFilter = filter, .OnlyPersons = only, .WithUnlisted = true},
                Report);
    BuildResults(Files, Report, true, Results);
  }
};

std::string GeneratedFolder(const TTestFolder& folder) {
  packgen::TGenOptions options;
  options.Persons = 400;
  options.Seed = 11;
  packgen::GenerateFolder(options, folder.Text());
  return folder.Text();
}

// Each kind of finding about a person, and the actions any one of which answers it.
TEST(ResultsOfARun, AnActionForEveryNoteAndEveryMessageNamingAPerson) {
  using A = TActionKind;
  using F = TFindingKind;
  const std::map<F, std::set<A>> answers = {
      {F::DuplicateInitial, {A::Conflict}},
      {F::CorrectionWithoutInitial, {A::Conflict}},
      {F::RepeatedCorrection, {A::Conflict}},
      {F::CancellationAfterCorrection, {A::Conflict}},
      {F::DuplicateInitialPayments, {A::PaymentsConflict}},
      {F::PaymentCorrectionWithoutInitial, {A::PaymentsConflict}},
      {F::BaseLimitExceeded, {A::BaseLimit}},
      {F::InsOverpaid, {A::Overpayment, A::PaidOverAccrued}},
      {F::FundOverpaid, {A::Overpayment, A::PaidOverAccrued}},
      {F::InsDebtAtDismissal, {A::DismissedDebt}},
      {F::FundDebtAtDismissal, {A::DismissedDebt}},
  };
  TTestFolder generated;
  std::set<F> seen;
  for (const std::string& folder : {kExamples, GeneratedFolder(generated)}) {
    SCOPED_TRACE(folder);
    const TEngineRun run(folder, TSaldoFilter::Overpayment);
    std::map<std::string, const TPersonResult*> bySnils;
    for (const TPersonResult& person : run.Results.Persons) {
      bySnils[run.Report.PersonLine(person.Line).SNILS] = &person;
    }
    const auto answered = [&](const TFinding& finding, const std::string& text) {
      const auto person = bySnils.find(finding.SNILS);
      if (person == bySnils.end()) return;  // СЗВ-6-3 of someone without СЗВ-6 data: no person to act
      seen.insert(finding.Kind);
      const auto kinds = answers.find(finding.Kind);
      ASSERT_NE(kinds, answers.end()) << U(text);
      bool found = false;
      for (const TAction& action : person->second->Actions) found = found || kinds->second.count(action.Kind) != 0;
      EXPECT_TRUE(found) << U(text);
    };
    ASSERT_EQ(run.Report.ErrorFindings.size(), run.Report.ErrorList.size());
    for (std::size_t at = 0; at < run.Report.ErrorList.size(); ++at) {
      if (!run.Report.ErrorFindings[at].SNILS.empty()) answered(run.Report.ErrorFindings[at], run.Report.ErrorList[at]);
    }
    for (const TPersonResult& person : run.Results.Persons) {
      const TMainLine& line = run.Report.PersonLine(person.Line);
      ASSERT_EQ(line.NoteFindings.size(), line.Notes.size());
      for (std::size_t at = 0; at < line.Notes.size(); ++at) answered(line.NoteFindings[at], line.Notes[at]);
      EXPECT_TRUE(line.Notes.empty() || !person.Actions.empty()) << line.SNILS;
    }
  }
  // Every kind of the table met at least once, so that none of its rows is idle; neither folder
  // overpays the funded part on the way (the insurance part's row takes the same path).
  for (const auto& [kind, actions] : answers) {
    if (kind != F::FundOverpaid) {
      EXPECT_EQ(seen.count(kind), 1u) << FindingKindName(kind);
    }
  }
}

TEST(ResultsOfARun, TheSameWhateverTheBalanceFilterLists) {
  TTestFolder generated;
  const std::string folder = GeneratedFolder(generated);
  const TEngineRun all(folder, TSaldoFilter::All);
  std::int64_t debt = 0;
  for (const TPersonResult& person : all.Results.Persons) {
    debt += std::max<std::int64_t>(person.InsBalance, 0);
  }
  EXPECT_EQ(all.Results.Totals.InsDebt, debt);
  EXPECT_GT(debt, 0);
  for (const TSaldoFilter filter : {TSaldoFilter::NonZero, TSaldoFilter::Debt, TSaldoFilter::Overpayment}) {
    const TEngineRun run(folder, filter);
    SCOPED_TRACE(static_cast<int>(filter));
    EXPECT_LT(run.Report.MainLines.size(), all.Report.MainLines.size());
    EXPECT_EQ(run.Results.Listed, run.Report.MainLines.size());
    ASSERT_EQ(run.Results.Persons.size(), all.Results.Persons.size());
    EXPECT_EQ(run.Results.Totals.InsDebt, all.Results.Totals.InsDebt);
    EXPECT_EQ(run.Results.Totals.FundDebt, all.Results.Totals.FundDebt);
    EXPECT_EQ(run.Results.Totals.InsOverpaid, all.Results.Totals.InsOverpaid);
    EXPECT_EQ(run.Results.Totals.FundOverpaid, all.Results.Totals.FundOverpaid);
    EXPECT_EQ(run.Results.Totals.Persons, all.Results.Totals.Persons);
    EXPECT_EQ(run.Results.Totals.Actions, all.Results.Totals.Actions);
    // The listed lines are the filtered report's, the lines of all persons the same.
    std::set<std::string> listed;
    for (const TMainLine& line : run.Report.MainLines) listed.insert(line.SNILS);
    for (const TMainLine& line : run.Report.UnlistedLines) EXPECT_EQ(listed.count(line.SNILS), 0u);
  }
}

TEST(ResultsOfARun, ARunForOnePersonNamesNobodyElse) {
  const TEngineRun whole(kExamples, TSaldoFilter::All);
  const TEngineRun one(kExamples, TSaldoFilter::All, {"00284933335"});
  ASSERT_EQ(one.Results.Persons.size(), 1u);
  std::size_t aboutFiles = 0;
  for (const TFinding& finding : whole.Report.ErrorFindings) aboutFiles += finding.SNILS.empty() ? 1 : 0;
  std::size_t kept = 0;
  for (std::size_t at = 0; at < one.Report.ErrorList.size(); ++at) {
    const TFinding& finding = one.Report.ErrorFindings[at];
    EXPECT_TRUE(finding.SNILS.empty() || finding.SNILS == "00284933335") << U(one.Report.ErrorList[at]);
    kept += finding.SNILS.empty() ? 1 : 0;
  }
  EXPECT_EQ(kept, aboutFiles);
  EXPECT_LT(one.Report.ErrorList.size(), whole.Report.ErrorList.size());
}

TEST(ResultsOfARun, ThePersonsPaymentDocumentsWithWhatBecameOfThem) {
  const TEngineRun run(kExamples, TSaldoFilter::All);
  std::map<std::string, std::vector<TSourceFate>> fates;
  for (const TPersonResult& person : run.Results.Persons) {
    for (const TPaymentSource& payment : person.Payments) {
      fates[U(run.Report.PersonLine(person.Line).FIO)].push_back(payment.Fate);
      const auto file = static_cast<std::size_t>(payment.FileNumber - 1);
      ASSERT_LT(file, run.Results.Files.size());
      EXPECT_EQ(U(run.Results.Files[file].FormKind), "СЗВ-6-3");
    }
  }
  // Абрамов's 2011 payments were given twice: the second pack is not taken.
  EXPECT_EQ(fates["Абрамов Сергей Петрович"],
            (std::vector<TSourceFate>{TSourceFate::Taken, TSourceFate::Taken, TSourceFate::DuplicateInitial}));
  EXPECT_EQ(fates["Васильев Андрей Николаевич"].back(), TSourceFate::WithoutInitial);
  // Every year's documents, the reconciled year's among them.
  std::set<std::int32_t> years;
  for (const TPersonResult& person : run.Results.Persons) {
    for (const TPaymentSource& payment : person.Payments) years.insert(payment.Year);
  }
  EXPECT_EQ(years.count(run.Report.SZV63Year), 1u);
}

}  // namespace
}  // namespace brisolt
