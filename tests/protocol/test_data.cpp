// The protocol as data: the JSON carries the report's own figures and texts in UTF-8, the CSV the
// action list in the form a Russian spreadsheet reads; both are written whole or not at all.
#include <gtest/gtest.h>

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
  report_.MainLines[0].FIO = W("Tab\there \"q\" back\\slash") + std::string("\x01\0\x98", 3);
  results_.HasSources = true;
  results_.Files.push_back({W("PFR-1.xml"), W("СЗВ-6-1"), W("ИСХОДНАЯ"), W("1 полугодие 2010 г."), W("НР")});
  results_.Persons[0].Sources.push_back({1, 2, TSourceFate::Replaced, 1000000, 0, 500000, 0});
  const auto target = folder_ / "p.json";
  WriteJsonProtocol(report_, results_, target.string(), kFixedStamp);
  const std::string json = ReadAll(target);
  // A tab is text; the bytes no protocol carries are marked as every writer marks them.
  EXPECT_NE(json.find("\"name\":\"Tab\\u0009here \\\"q\\\" back\\\\slash???\""), std::string::npos);
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

// A spreadsheet drops NUL, blanks and line breaks in front of a field and then runs = + - @ as a
// formula (a HYPERLINK could send a СНИЛС away); a tab or CR in front is another way round a guard
// of the first byte. Every such field is kept as text.
TEST_F(DataWriters, CsvKeepsAsTextWhatASpreadsheetWouldRunAfterWhatItStrips) {
  struct Case {
    std::string fio;    // windows-1251
    std::string field;  // UTF-8 as written
  };
  const Case cases[] = {
      {std::string("\0=40+2+N(\"", 10), "\"?=40+2+N(\"\"\""},  // the NUL is text now
      {"\t=1+1", "'\t=1+1"},
      {"\r@SUM(A1)", "\"'\r@SUM(A1)\""},
      {"  =HYPERLINK(1)", "'  =HYPERLINK(1)"},
      {" \n-1", "\"' \n-1\""},
      {"+7", "'+7"},
      {"@x", "'@x"},
      {"-", "'-"},
      {"a=b", "a=b"},
      {W(" Иванов"), " Иванов"},
      {"\x98=1", "?=1"},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.field);
    report_.MainLines[1].FIO = c.fio;
    BuildResults(files_, report_, false, results_);
    const auto target = folder_ / "a.csv";
    WriteCsvActions(report_, results_, target.string());
    const std::string csv = ReadAll(target);
    const std::string start = "\r\n987-654-321 09;";
    const std::size_t at = csv.find(start);
    ASSERT_NE(at, std::string::npos);
    EXPECT_EQ(csv.substr(at + start.size(), c.field.size() + 1), c.field + ";");
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
