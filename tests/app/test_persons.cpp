// The run for named persons and the protocol as data: /snils and /sources on the command line,
// the run's answer for numbers the packs do not hold, and the JSON of the sample folder held to
// the report the protocol prints.
#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>
#include <iterator>
#include <set>
#include <string>
#include <vector>

#include "app/cmdline.h"
#include "app/pipeline.h"
#include "app_test_support.h"
#include "base/amount.h"
#include "base/encoding.h"

namespace brisolt {
namespace {

namespace fs = std::filesystem;
using testing_support::RunProgram;

const std::string kExamples = std::string(BRISOLT_SOURCE_DIR) + "/examples";
const char* const kRegNumb = "087-001-012345";

std::vector<std::string> Required(std::vector<std::string> args) {
  args.insert(args.begin(), {std::string("/regnumb=") + kRegNumb, "/path=" + kExamples, "/orgname=x"});
  return args;
}

std::string ReadAll(const fs::path& path) {
  std::ifstream in(path, std::ios::binary);
  return std::string(std::istreambuf_iterator<char>(in), {});
}

class TScratch {
 public:
  TScratch() : path_(fs::temp_directory_path() / ("brisolt-persons-" + std::string(::testing::UnitTest::GetInstance()->current_test_info()->name()))) {
    fs::remove_all(path_);
    fs::create_directories(path_);
  }
  ~TScratch() { fs::remove_all(path_); }
  std::string File(const char* name) const { return NativeFromPath(path_ / name); }

 private:
  fs::path path_;
};

TEST(SnilsParameter, TakesNumbersInTheirPrintedFormAndRefusesAnyOther) {
  struct Case {
    const char* value;
    std::set<std::string> numbers;  // empty: refused
  };
  const std::vector<Case> cases = {
      {"112-233-445 95", {"11223344595"}},
      {"112-233-445 95,002-849-333 35", {"11223344595", "00284933335"}},
      {"112-233-445 95,112-233-445 95", {"11223344595"}},
      {"11223344595", {}},
      {"112-233-445-95", {}},
      {"112-233-445 9", {}},
      {"112-233-445 951", {}},
      {"112-233-445 95x,002-849-333 35", {}},
      {"112-233-445 95,", {}},
      {"112-233-445 95, 002-849-333 35", {}},
      {"112-233-44a 95", {}},
      {"", {}},
  };
  for (const Case& c : cases) {
    TRunParams params;
    const bool parsed = ParseCommandLine(Required({std::string("/snils=") + c.value}), params);
    EXPECT_EQ(parsed, !c.numbers.empty()) << c.value;
    if (parsed) {
      EXPECT_EQ(params.OnlyPersons, c.numbers) << c.value;
    } else {
      // An empty value leaves one blank, not two.
      const std::string shown = std::string(c.value).empty() ? std::string() : std::string(c.value) + " ";
      EXPECT_EQ(params.ErrorText, "Неверное значение " + shown +
                                      "параметра snils: ожидается СНИЛС вида 123-456-789 01, несколько через запятую.");
    }
  }
  TRunParams params;
  ASSERT_TRUE(ParseCommandLine(Required({"/snils=112-233-445 95", "/sources=1", "/snils=002-849-333 35"}), params));
  EXPECT_EQ(params.OnlyPersons, (std::set<std::string>{"00284933335"}));
  EXPECT_TRUE(params.Sources);
  EXPECT_FALSE(ParseCommandLine(Required({"/sources=2"}), params));
  EXPECT_EQ(params.ErrorText, "Значение параметра sources должно быть либо 0, либо 1.");
}

TEST(ProtocolType, DataFormatsByTheFileName) {
  EXPECT_EQ(ProtocolType(TProtFormat::Html, "/tmp/p.json"), TProtocolType::Json);
  EXPECT_EQ(ProtocolType(TProtFormat::CalcXml, "/tmp/P.JSON"), TProtocolType::Json);
  EXPECT_EQ(ProtocolType(TProtFormat::ExcelXml, "/tmp/p.csv"), TProtocolType::Csv);
  EXPECT_EQ(ProtocolType(TProtFormat::Html, "/tmp/p.json.html"), TProtocolType::Html);
  EXPECT_EQ(ProtocolType(TProtFormat::ExcelXml, "/tmp/csv"), TProtocolType::XmlSpreadsheet);
}

TEST(RunForPersons, ListsOnlyThePersonsNamedAndNamesTheUnknownOnes) {
  TScratch scratch;
  TRunRequest request;
  request.Path = kExamples;
  request.RegNumb = kRegNumb;
  request.ProtFileName = scratch.File("p.html");
  request.KeepResults = true;
  request.OnlyPersons = {"00284933335", "00000000000"};
  TRunOutcome outcome = RunProtocol(request, {});
  ASSERT_EQ(outcome.Result, TRunResult::Written) << outcome.Message;
  EXPECT_EQ(outcome.UnknownPersons, (std::vector<std::string>{"000-000-000 00"}));
  ASSERT_EQ(outcome.Results->Report.MainLines.size(), 1u);
  EXPECT_EQ(outcome.Results->Report.MainLines[0].SNILS, "00284933335");
  for (const auto& line : outcome.Results->Report.ForgottenLines) EXPECT_EQ(line.SNILS, "00284933335");
  for (const auto& block : outcome.Results->Report.SZV63Blocks) EXPECT_EQ(block.SNILS, "00284933335");
  // The run for him keeps his documents, in the order folded.
  const auto& sources = outcome.Results->Results.Persons[0].Sources;
  ASSERT_FALSE(sources.empty());
  for (std::size_t at = 1; at < sources.size(); ++at) EXPECT_LE(sources[at - 1].FileNumber, sources[at].FileNumber);

  request.OnlyPersons = {"00000000000"};
  outcome = RunProtocol(request, {});
  EXPECT_EQ(outcome.Result, TRunResult::NoPersons);
  EXPECT_FALSE(fs::exists(PathFromNative(scratch.File("p.html"))) && outcome.Result != TRunResult::NoPersons);
}

TEST(RunForPersons, JsonBalancesAreTheProtocolsForEveryPerson) {
  TScratch scratch;
  TRunRequest request;
  request.Path = kExamples;
  request.RegNumb = kRegNumb;
  request.ProtFileName = scratch.File("p.json");
  request.KeepResults = true;
  const TRunOutcome outcome = RunProtocol(request, {});
  ASSERT_TRUE(outcome.Result == TRunResult::Written || outcome.Result == TRunResult::WrittenIncomplete)
      << outcome.Message;
  const std::string json = ReadAll(PathFromNative(request.ProtFileName));
  const TReport& report = outcome.Results->Report;
  ASSERT_GT(report.MainLines.size(), 10u);
  std::size_t from = 0;
  for (const TMainLine& line : report.MainLines) {
    const std::size_t at = json.find("{\"snils\":\"" + FormatSNILS(line.SNILS) + "\"", from);
    ASSERT_NE(at, std::string::npos) << line.SNILS;
    const std::string balance = "\"balance\":{\"insurance\":" + FormatSum(line.Periods.back().InsSaldo) +
                                ",\"funded\":" + FormatSum(line.Periods.back().FundSaldo) + ",";
    const std::size_t found = json.find(balance, at);
    EXPECT_LT(found, json.find("\r\n", at)) << line.SNILS << " " << balance;
    from = at + 1;
  }
}

TEST(BatchProgram, NamedPersonsThatAreMissingGoToStandardError) {
  TScratch scratch;
  const auto bad = RunProgram(BRISOLT_BINARY, Required({"/snils=11223344595", "/protfilename=" + scratch.File("p.html")}));
  EXPECT_EQ(bad.status, 2);
  EXPECT_NE(bad.errorOutput.find("параметра snils"), std::string::npos) << bad.errorOutput;
  const auto none = RunProgram(BRISOLT_BINARY, Required({"/snils=000-000-000 00", "/protfilename=" + scratch.File("p.html")}));
  EXPECT_EQ(none.status, 3);
  EXPECT_NE(none.errorOutput.find("Сотрудник со СНИЛС 000-000-000 00 не найден в сведениях страхователя."),
            std::string::npos)
      << none.errorOutput;
  const auto some = RunProgram(
      BRISOLT_BINARY, Required({"/snils=000-000-000 00,002-849-333 35", "/protfilename=" + scratch.File("p.csv")}));
  EXPECT_TRUE(some.status == 0 || some.status == 5) << some.status;
  EXPECT_NE(some.errorOutput.find("000-000-000 00"), std::string::npos);
  EXPECT_EQ(ReadAll(PathFromNative(scratch.File("p.csv"))).rfind("\xEF\xBB\xBF", 0), 0u);
}

}  // namespace
}  // namespace brisolt
