// The protocol as data: the JSON carries the report's own figures and texts in UTF-8, the CSV the
// action list in the form a Russian spreadsheet reads; both are written whole or not at all.
// BRISOLT_UPDATE_GOLDEN=1 rewrites the golden files; read the diff before committing them.
#include <gtest/gtest.h>

#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <string>

#include "base/amount.h"
#include "base/encoding.h"
#include "engine/results.h"
#include "protocol/protdata.h"
#include "sample_reports.h"

namespace brisolt {
namespace {

using testing::FullReport;
using testing::kFixedStamp;
using testing::W;

using testing::ReadAll;

class DataWriters : public ::testing::Test {
 protected:
  void SetUp() override {
    folder_ = std::filesystem::temp_directory_path() /
              ("brisolt-data-" + std::string(::testing::UnitTest::GetInstance()->current_test_info()->name()));
    std::filesystem::remove_all(folder_);
    std::filesystem::create_directories(folder_);
    report_ = FullReport(TProtForm::Compact);
    BuildResults(files_, report_, false, results_);
  }
  void TearDown() override { std::filesystem::remove_all(folder_); }

  std::filesystem::path folder_;
  TFileSet files_;
  TReport report_;
  TResults results_;
};

TEST_F(DataWriters, JsonHoldsEveryPersonsBalanceAsTheProtocolPrintsIt) {
  const auto target = folder_ / "p.json";
  WriteJsonProtocol(report_, results_, target.string(), kFixedStamp);
  const std::string json = ReadAll(target);
  ASSERT_TRUE(IsUtf8(json));
  for (const TMainLine& line : report_.MainLines) {
    const TPeriodRec& last = line.Periods.back();
    const std::string person = "{\"snils\":\"" + FormatSNILS(line.SNILS) + "\"";
    const std::size_t at = json.find(person);
    ASSERT_NE(at, std::string::npos) << line.SNILS;
    const std::string balance = "\"balance\":{\"insurance\":" + FormatSum(last.InsSaldo) +
                                ",\"funded\":" + FormatSum(last.FundSaldo) + ",";
    EXPECT_NE(json.find(balance, at), std::string::npos) << balance;
    EXPECT_LT(json.find(balance, at), json.find("{\"snils\"", at + 1)) << line.SNILS;
  }
  // Texts in UTF-8 with JSON's escapes; markup characters as they are.
  EXPECT_NE(json.find("\"name\":\"ООО \\\"Рога & Копыта\\\" <Север>\""), std::string::npos);
  EXPECT_NE(json.find("\"insBalance\":-20.00"), std::string::npos);
  EXPECT_NE(json.find("\"dismissed\":\"15.05.2010\""), std::string::npos);
  EXPECT_NE(json.find("\"dismissed\":\"Отсутствует\""), std::string::npos);
  EXPECT_NE(json.find("\"dismissed\":null"), std::string::npos);
  EXPECT_NE(json.find("\"stamp\":\"07.12.2026 12:34:56\""), std::string::npos);
  EXPECT_EQ(json.find("\"sources\""), std::string::npos);
}

TEST_F(DataWriters, JsonEscapesControlCharactersAndListsSourcesWhenKept) {
  report_.MainLines[0].FIO = W("Tab\there \"q\" back\\slash") + std::string("\x01");
  results_.HasSources = true;
  results_.Files.push_back({W("PFR-1.xml"), W("СЗВ-6-1"), W("ИСХОДНАЯ"), W("1 полугодие 2010 г."), W("НР")});
  results_.Persons[0].Sources.push_back(
      {.FileNumber = 1, .ByFile = 2, .Fate = TSourceFate::Replaced, .InsAccrued = 1000000, .InsPaid = 500000});
  const auto target = folder_ / "p.json";
  WriteJsonProtocol(report_, results_, target.string(), kFixedStamp);
  const std::string json = ReadAll(target);
  EXPECT_NE(json.find("\"name\":\"Tab\\u0009here \\\"q\\\" back\\\\slash\\u0001\""), std::string::npos);
  EXPECT_NE(json.find("\"sources\":[{\"number\":1,\"file\":\"PFR-1.xml\",\"form\":\"СЗВ-6-1\",\"type\":"
                      "\"ИСХОДНАЯ\",\"period\":\"1 полугодие 2010 г.\",\"category\":\"НР\",\"insAccrued\":100.00,"
                      "\"insPaid\":50.00,\"fundAccrued\":0.00,\"fundPaid\":0.00,\"fate\":\"заменён файлом № 2\","
                      "\"byFile\":2}]"),
            std::string::npos);
  // Persons without documents still say so.
  EXPECT_NE(json.find("\"sources\":[]"), std::string::npos);
}

TEST_F(DataWriters, CsvIsOneRowPerActionMostOwedFirstForARussianSpreadsheet) {
  report_.MainLines[1].FIO = W("=Петрова; \"Анна\"");
  BuildResults(files_, report_, false, results_);
  const auto target = folder_ / "a.csv";
  WriteCsvActions(report_, results_, target.string());
  const std::string csv = ReadAll(target);
  ASSERT_EQ(csv.rfind("\xEF\xBB\xBF", 0), 0u);
  EXPECT_TRUE(IsUtf8(csv));
  std::vector<std::string> rows;
  for (std::size_t at = 3; at < csv.size();) {
    const std::size_t end = csv.find("\r\n", at);
    ASSERT_NE(end, std::string::npos) << "every row ends in CR LF";
    rows.push_back(csv.substr(at, end - at));
    EXPECT_EQ(rows.back().find('\n'), std::string::npos);
    at = end + 2;
  }
  ASSERT_EQ(rows.size(), 1 + results_.Totals.Actions + 2);
  EXPECT_EQ(rows[0], "СНИЛС;ФИО;Сальдо страховой части;Сальдо накопительной части;Действие;Период;Сумма;Что сделать");
  // Petrova owes 100.00 and comes first; her name is quoted and kept from reading as a formula.
  EXPECT_EQ(rows[1].substr(0, rows[1].find(";Задолженность;")), "987-654-321 09;\"'=Петрова; \"\"Анна\"\"\";100,00;0,00");
  EXPECT_NE(rows[1].find(";100,00;Уплатить задолженность по страховой части 100,00 руб."), std::string::npos);
  EXPECT_EQ(rows[rows.size() - 2], ";Итого задолженность;100,00;0,00;;;100,00;");
  EXPECT_EQ(rows.back(), ";Итого переплата;0,00;0,01;;;0,01;");
}

// Both files whole against golden files, from a report whose every figure differs from the others
// (so that two swapped fields show) and whose names hold what each format must escape: control
// characters, the CSV's separator and the leaders of a spreadsheet formula.
TEST_F(DataWriters, MatchTheGoldenFiles) {
  std::int64_t next = 0;
  auto distinct = [&next] { return (next += 1371) * 100; };
  for (TTotalRec& total : report_.PeriodTotals) {
    for (std::int64_t& value : total.Values) value = distinct();
  }
  report_.MainLines[0].FIO = W("Иванов\x01Иван\x1FИванович; младший");
  report_.MainLines[1].FIO = W("@Петрова Анна");
  for (const char* name : {"+Плюсов", "-Минусов", "=Равнов"}) {
    const std::size_t line = report_.AddMainLine(TLineMark::Plain, W(name), "55566677788", TDismissal::AtWork());
    const std::int64_t owed = distinct();
    report_.AddLinePeriod(line, {"1", owed, 0, owed, 0, owed, 0, 0, 0, 0, 0});
    report_.AddLinePeriod(line, {"", 0, 0, owed, 0, owed, 0, 0, 0, 0, 0});
  }
  BuildResults(files_, report_, false, results_);
  results_.HasSources = true;
  results_.Files.push_back({W("PFR-1.xml"), W("СЗВ-6-1"), W("ИСХОДНАЯ"), W("1 полугодие 2010 г."), W("НР")});
  results_.Files.push_back({W("PFR-2.xml"), W("СЗВ-6-2"), W("КОРРЕКТИРУЮЩАЯ"), W("1 полугодие 2010 г."), W("НР")});
  TSourceLine replaced{1, 2, TSourceFate::Replaced};
  replaced.InsAccrued = distinct();
  replaced.InsPaid = distinct();
  replaced.FundAccrued = distinct();
  replaced.FundPaid = distinct();
  TSourceLine taken{2, 0, TSourceFate::Taken};
  taken.InsAccrued = distinct();
  taken.InsPaid = distinct();
  taken.FundAccrued = distinct();
  taken.FundPaid = distinct();
  results_.Persons[0].Sources = {replaced, taken};
  const bool update = std::getenv("BRISOLT_UPDATE_GOLDEN") != nullptr;
  for (const char* name : {"data.json", "data.csv"}) {
    SCOPED_TRACE(name);
    const auto target = folder_ / name;
    if (std::string(name).ends_with(".json")) {
      WriteJsonProtocol(report_, results_, target.string(), kFixedStamp);
    } else {
      WriteCsvActions(report_, results_, target.string());
    }
    const std::string actual = ReadAll(target);
    const auto golden = std::filesystem::path(BRISOLT_TEST_DATA_DIR) / "protocol" / name;
    if (update) {
      std::ofstream(golden, std::ios::binary) << actual;
      continue;
    }
    const std::string expected = ReadAll(golden);
    ASSERT_FALSE(expected.empty()) << "missing golden file " << golden;
    EXPECT_EQ(actual, expected);
  }
}

TEST_F(DataWriters, RefuseATargetThatIsNoFileAndLeaveAnEarlierOneWhole) {
  EXPECT_THROW(WriteJsonProtocol(report_, results_, folder_.string(), kFixedStamp), EProtocolWriteError);
  EXPECT_THROW(WriteCsvActions(report_, results_, folder_.string()), EProtocolWriteError);
  const auto missingFolder = folder_ / "no such folder" / "p.csv";
  EXPECT_THROW(WriteCsvActions(report_, results_, missingFolder.string()), EProtocolWriteError);
  EXPECT_TRUE(std::filesystem::is_directory(folder_));
}

}  // namespace
}  // namespace brisolt
