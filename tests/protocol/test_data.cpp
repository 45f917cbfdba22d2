// The protocol as data: the JSON carries the report's own figures and texts in UTF-8, the CSV the
// action list in the form a Russian spreadsheet reads; both are written whole or not at all.
// BRISOLT_UPDATE_GOLDEN=1 rewrites the golden files; read the diff before committing them.
#include <gtest/gtest.h>

#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <map>
#include <string>
#include <utility>
#include <vector>

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
    files_.ReportPeriods = {{2010, 1}, {2010, 2}};
    // What the engine knows of the hand-built report's message and notes.
    TFinding message;
    message.Kind = TFindingKind::DuplicateInitial;
    message.SNILS = "12345678901";
    message.FileNumber = 2;
    message.OtherFile = 1;
    message.Period = {2010, 1};
    report_.ErrorFindings = {message};
    TMainLine& red = report_.MainLines[0];
    red.NoteFindings = {{TFindingKind::InsOverpaid, red.SNILS, 0, 0, 0, {2010, 1}, {}, {}, 1000000, 1200000},
                        {TFindingKind::BaseLimitExceeded, red.SNILS, 0, 0, 0, {2010, 2}, {}, {}, 4200000000, 0},
                        {TFindingKind::FundOverpaid, red.SNILS, 0, 0, 0, {2010, 2}, {}, {}, 450000, 450100}};
    BuildResults(files_, report_, false, results_);
  }
  void TearDown() override { std::filesystem::remove_all(folder_); }

  // The whole file against its golden copy in tests/data/protocol (BRISOLT_UPDATE_GOLDEN rewrites it).
  void ExpectGolden(const std::filesystem::path& written, const char* name) { ExpectGoldenText(ReadAll(written), name); }
  void ExpectGoldenText(const std::string& actual, const char* name) {
    const auto golden = std::filesystem::path(BRISOLT_TEST_DATA_DIR) / "protocol" / name;
    if (std::getenv("BRISOLT_UPDATE_GOLDEN") != nullptr) {
      std::ofstream(golden, std::ios::binary) << actual;
      return;
    }
    const std::string expected = ReadAll(golden);
    ASSERT_FALSE(expected.empty()) << "missing golden file " << golden;
    EXPECT_EQ(expected, actual);
  }

  std::filesystem::path folder_;
  TFileSet files_;
  TReport report_;
  TResults results_;
};

TEST_F(DataWriters, JsonIsTheWholeReportWithCodesBesideTheTexts) {
  const auto target = folder_ / "p.json";
  WriteJsonProtocol(report_, results_, target.string(), kFixedStamp);
  const std::string json = ReadAll(target);
  ASSERT_TRUE(IsUtf8(json));
  // The stamp's offset is the machine's: the golden copy holds it as "+00:00".
  const std::size_t stamp = json.find("\"stamp\":\"2026-12-07T12:34:56");
  ASSERT_NE(stamp, std::string::npos);
  std::string canonical = json;
  canonical.replace(stamp + 28, 6, "+00:00");
  std::ofstream(folder_ / "canonical.json", std::ios::binary) << canonical;
  ExpectGolden(folder_ / "canonical.json", "full_compact.json");
  for (const TMainLine& line : report_.MainLines) {
    const TPeriodRec& last = line.Periods.back();
    const std::size_t at = json.find("{\"snils\":\"" + FormatSNILS(line.SNILS) + "\"");
    ASSERT_NE(at, std::string::npos) << line.SNILS;
    const std::string balance = "\"balance\":{\"insurance\":" + FormatSum(last.InsSaldo) +
                                ",\"funded\":" + FormatSum(last.FundSaldo) + ",";
    EXPECT_LT(json.find(balance, at), json.find("{\"snils\"", at + 1)) << line.SNILS;
  }
}

TEST(IsoStamp, TheProtocolsStampWithTheLocalOffset) {
  const std::string iso = IsoStamp("07.12.2026 12:34:56");
  ASSERT_EQ(iso.size(), 25u) << iso;
  EXPECT_EQ(iso.substr(0, 19), "2026-12-07T12:34:56");
  EXPECT_TRUE(iso[19] == '+' || iso[19] == '-') << iso;
  EXPECT_EQ(iso[22], ':');
  EXPECT_EQ(IsoStamp("no stamp"), "no stamp");
  EXPECT_EQ(IsoDate("15.05.2010"), "2010-05-15");
  EXPECT_EQ(IsoDate(""), "");
}

TEST_F(DataWriters, JsonEscapesControlCharactersAndListsSourcesWhenKept) {
  report_.MainLines[0].FIO = W("Tab\there \"q\" back\\slash") + std::string("\x01\0\x98", 3);
  results_.HasSources = true;
  results_.Files.push_back({W("PFR-1.xml"), W("СЗВ-6-1"), W("ИСХОДНАЯ"), W("1 полугодие 2010 г."), W("НР"), {2010, 1}});
  results_.Files.push_back({W("PFR-2.xml"), W("СЗВ-6-3"), W("ИСХОДНАЯ"), W("2010"), W("НР"), {2010, 0}});
  results_.Persons[0].Sources.push_back(
      {.FileNumber = 1, .ByFile = 2, .Fate = TSourceFate::Replaced, .InsAccrued = 1000000, .InsPaid = 500000});
  results_.Persons[0].Payments.push_back({2, 0, TSourceFate::DuplicateInitial, 2010, {10000, 0, 0, 0}, {5000, 0, 0, 0}});
  const auto target = folder_ / "p.json";
  WriteJsonProtocol(report_, results_, target.string(), kFixedStamp);
  const std::string json = ReadAll(target);
  // A tab is text; the bytes no protocol carries are marked as every writer marks them.
  EXPECT_NE(json.find("\"name\":\"Tab\\u0009here \\\"q\\\" back\\\\slash???\""), std::string::npos);
  EXPECT_NE(json.find("\"sources\":[{\"number\":1,\"file\":\"PFR-1.xml\",\"form\":\"СЗВ-6-1\",\"type\":"
                      "\"ИСХОДНАЯ\",\"period\":{\"year\":2010,\"kind\":\"halfYear\",\"number\":1,\"text\":\"1 "
                      "полугодие 2010 г.\"},\"category\":\"НР\",\"insAccrued\":100.00,\"insPaid\":50.00,"
                      "\"fundAccrued\":0.00,\"fundPaid\":0.00,\"fate\":{\"code\":\"replaced\",\"text\":\"заменён "
                      "файлом № 2\"},\"byFile\":2}],\"payments\":[{\"number\":2,\"file\":\"PFR-2.xml\""),
            std::string::npos)
      << json;
  // A СЗВ-6-3 year is counted in calendar quarters, 2010 too.
  EXPECT_NE(json.find("\"quarters\":[{\"period\":{\"year\":2010,\"kind\":\"quarter\",\"number\":1,\"text\":\"1 "
                      "квартал 2010 г.\"},\"total\":1.00,\"taxable\":0.50}"),
            std::string::npos);
  EXPECT_NE(json.find("\"fate\":{\"code\":\"duplicateInitial\""), std::string::npos);
  // Persons without documents still say so.
  EXPECT_NE(json.find("\"sources\":[],\"payments\":[]"), std::string::npos);
}

TEST_F(DataWriters, JsonFileNumbersAreJsonNumbersWhateverTheirText) {
  report_.MainLines[0].Periods[0].FileNums = "05, 0, 007;12";
  const auto target = folder_ / "p.json";
  WriteJsonProtocol(report_, results_, target.string(), kFixedStamp);
  EXPECT_NE(ReadAll(target).find("\"files\":[5,0,7,12]"), std::string::npos);
}

// Fields as Calc reads a row with its shipped separators: quoted fields whole, "" a quote.
std::vector<std::string> CsvFields(const std::string& row, char separator) {
  std::vector<std::string> fields(1);
  bool quoted = false;
  for (std::size_t at = 0; at < row.size(); ++at) {
    const char ch = row[at];
    if (quoted) {
      if (ch == '"' && at + 1 < row.size() && row[at + 1] == '"') {
        fields.back() += '"';
        ++at;
      } else if (ch == '"') {
        quoted = false;
      } else {
        fields.back() += ch;
      }
    } else if (ch == '"') {
      quoted = true;
    } else if (ch == separator || ch == ',' || ch == '\t') {
      fields.emplace_back();
    } else {
      fields.back() += ch;
    }
  }
  return fields;
}

TEST_F(DataWriters, CsvIsOneQuotedRowPerActionWhoseDebtsAddUpToTheTotals) {
  report_.MainLines[1].FIO = W("=Петрова; \"Анна\", 2");
  BuildResults(files_, report_, false, results_);
  const auto target = folder_ / "a.csv";
  WriteCsvActions(report_, results_, target.string());
  ExpectGolden(target, "full_compact.csv");
  const std::string csv = ReadAll(target);
  ASSERT_EQ(csv.rfind("\xEF\xBB\xBF", 0), 0u);
  EXPECT_TRUE(IsUtf8(csv));
  std::vector<std::vector<std::string>> rows;
  for (std::size_t at = 3; at < csv.size();) {
    const std::size_t end = csv.find("\r\n", at);
    ASSERT_NE(end, std::string::npos) << "every row ends in CR LF";
    rows.push_back(CsvFields(csv.substr(at, end - at), ';'));
    at = end + 2;
  }
  ASSERT_EQ(rows.size(), 1 + results_.Totals.Actions);
  EXPECT_EQ(rows[0], (std::vector<std::string>{"СНИЛС", "ФИО", "Действие", "Часть", "Период", "Сумма", "Что сделать"}));
  std::map<std::pair<std::string, std::string>, std::int64_t> sums;
  for (std::size_t at = 1; at < rows.size(); ++at) {
    ASSERT_EQ(rows[at].size(), 7u) << at;
    if (!rows[at][5].empty()) {
      std::string kopecks = rows[at][5];
      kopecks.erase(kopecks.size() - 3, 1);
      sums[{rows[at][2], rows[at][3]}] += std::stoll(kopecks);
    }
  }
  EXPECT_EQ((sums[{"Задолженность", "страховая"}]), RoundToKopecks(results_.Totals.InsDebt));
  EXPECT_EQ((sums[{"Задолженность", "накопительная"}]), RoundToKopecks(results_.Totals.FundDebt));
  EXPECT_EQ((sums[{"Переплата", "страховая"}]), RoundToKopecks(results_.Totals.InsOverpaid));
  EXPECT_EQ((sums[{"Переплата", "накопительная"}]), RoundToKopecks(results_.Totals.FundOverpaid));
  EXPECT_GT(results_.Totals.InsDebt, 0);
  // Petrova owes 100.00 and comes first; her name is kept whole and from reading as a formula.
  EXPECT_EQ(rows[1][1], "'=Петрова; \"Анна\", 2");
  EXPECT_EQ(rows[1][5], "100,00");
}

// A spreadsheet drops NUL, blanks and line breaks in front of a field and then runs = + - @ as a
// formula (a HYPERLINK could send a СНИЛС away); a tab or CR in front is another way round a guard
// of the first byte. Every such field is kept as text.
TEST_F(DataWriters, CsvKeepsAsTextWhatASpreadsheetWouldRunAfterWhatItStrips) {
  struct Case {
    std::string fio;    // windows-1251
    std::string field;  // UTF-8 as written between the quotes
  };
  const Case cases[] = {
      {std::string("\0=40+2+N(\"", 10), "?=40+2+N(\"\""},  // the NUL is text now
      {"\t=1+1", "'\t=1+1"},
      {"\r@SUM(A1)", "'\r@SUM(A1)"},
      {"  =HYPERLINK(1)", "'  =HYPERLINK(1)"},
      {" \n-1", "' \n-1"},
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
    const std::string start = "\r\n\"987-654-321 09\";";
    const std::size_t at = csv.find(start);
    ASSERT_NE(at, std::string::npos);
    // Every field is quoted, whatever it holds.
    EXPECT_EQ(csv.substr(at + start.size(), c.field.size() + 3), "\"" + c.field + "\";");
  }
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
  results_.Files.push_back({W("PFR-1.xml"), W("СЗВ-6-1"), W("ИСХОДНАЯ"), W("1 полугодие 2010 г."), W("НР"), {}});
  results_.Files.push_back({W("PFR-2.xml"), W("СЗВ-6-2"), W("КОРРЕКТИРУЮЩАЯ"), W("1 полугодие 2010 г."), W("НР"), {}});
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
  for (const char* name : {"data.json", "data.csv"}) {
    SCOPED_TRACE(name);
    const auto target = folder_ / name;
    if (std::string(name).ends_with(".json")) {
      WriteJsonProtocol(report_, results_, target.string(), kFixedStamp);
    } else {
      WriteCsvActions(report_, results_, target.string());
    }
    ExpectGolden(target, name);
  }
}

// The window's shown list: a few persons in the order the table shows them (not the results'
// order), each writer's whole file against its golden copy.
TEST_F(DataWriters, TheShownListMatchesTheGoldenFiles) {
  report_.MainLines[0].FIO = W("=Иванов; \"младший\" & <сын>");
  BuildResults(files_, report_, false, results_);
  ASSERT_GE(results_.Persons.size(), 2u);
  const std::vector<std::size_t> shown = {results_.Persons.size() - 1, 0};
  const std::string caption = W("ООО \"Рога & Копыта\": поиск «ив», с задолженностью");
  const std::pair<const char*, TListWriter> writers[] = {
      {"list.csv", WriteCsvList}, {"list.json", WriteJsonList}, {"list.html", WritePrintableList}};
  for (const auto& [name, writer] : writers) {
    SCOPED_TRACE(name);
    const auto target = folder_ / name;
    writer(TListJob{report_, results_, shown, caption, target.string()});
    std::string actual = ReadAll(target);
    // The JSON's stamp is the moment of writing.
    const std::size_t stamp = actual.find("\"stamp\":\"");
    if (stamp != std::string::npos) {
      const std::size_t end = actual.find('"', stamp + 9);
      actual.replace(stamp + 9, end - stamp - 9, "{stamp}");
    }
    ExpectGoldenText(actual, name);
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
