#include "app/cmdline.h"

#include <gtest/gtest.h>

#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <string>
#include <vector>

#include "app/pipeline.h"
#include "app_test_support.h"
#include "app/platform.h"
#include "base/encoding.h"

namespace brisolt {
namespace {

namespace fs = std::filesystem;
using testing_support::RunProgram;
using testing_support::TScopedVariable;

// A folder that exists for the whole test program, for the required "path" parameter.
const std::string& ExistingFolder() {
  static const std::string folder = [] {
    fs::path path = fs::temp_directory_path() / "brisolt-cmdline-test";
    fs::create_directories(path);
    return NativeFromPath(path);
  }();
  return folder;
}

std::vector<std::string> WithRequired(std::vector<std::string> args) {
  args.insert(args.begin(), {"/regnumb=087-001-012345", "/path=" + ExistingFolder(), "/orgname=ООО Ромашка"});
  return args;
}

struct ErrorCase {
  const char* title;
  std::vector<std::string> args;
  std::string expected;
};

std::string Repeated(std::string_view text, int times) {
  std::string result;
  for (int time = 0; time < times; ++time) result += text;
  return result;
}

TEST(ParseCommandLine, ReportsTheFirstErrorFound) {
  const std::string folder = ExistingFolder();
  const std::vector<ErrorCase> cases = {
      {"no slash", {"x"}, "Неверный синтаксис параметра x"},
      {"no equals sign", {"/regnumb"}, "Неверный синтаксис параметра /regnumb"},
      {"phase 1 before phase 2", {"/x=1", "y"}, "Неверный синтаксис параметра y"},
      {"unknown name", {"/x=1"}, "Неверное имя параметра - x"},
      {"names are case-sensitive", {"/RegNumb=087-001-012345"}, "Неверное имя параметра - RegNumb"},
      {"empty name", {"/=1"}, "Неверное имя параметра - "},
      {"regnumb empty gives two blanks", {"/regnumb="}, "Неверное значение  параметра regnumb."},
      {"regnumb blank after comma", {"/regnumb=087-001-012345, 087-001-012346"},
       "Неверное значение 087-001-012345, 087-001-012346 параметра regnumb."},
      {"regnumb trailing comma", {"/regnumb=087-001-012345,"},
       "Неверное значение 087-001-012345, параметра regnumb."},
      {"regnumb two commas", {"/regnumb=087-001-012345,,087-001-012346"},
       "Неверное значение 087-001-012345,,087-001-012346 параметра regnumb."},
      {"regnumb letter", {"/regnumb=087-00A-012345"}, "Неверное значение 087-00A-012345 параметра regnumb."},
      {"regnumb wrong dash place", {"/regnumb=0870-01-012345"}, "Неверное значение 0870-01-012345 параметра regnumb."},
      {"regnumb Cyrillic counts as one character", {"/regnumb=087-001-01234Ж"},
       "Неверное значение 087-001-01234Ж параметра regnumb."},
      {"snils empty: one blank", {"/snils="},
       "Неверное значение параметра snils: ожидается СНИЛС вида 123-456-789 01, несколько через запятую."},
      {"a long value cut after 60 characters", {"/snils=" + std::string(50, 'x') + Repeated("Ж", 20)},
       "Неверное значение " + std::string(50, 'x') + "ЖЖЖЖЖЖЖЖЖЖ… параметра snils: ожидается СНИЛС вида "
       "123-456-789 01, несколько через запятую."},
      {"a value of 60 characters whole", {"/regnumb=" + std::string(60, 'y')},
       "Неверное значение " + std::string(60, 'y') + " параметра regnumb."},
      {"path missing folder", {"/path=/no/such/folder/here"}, "Каталога /no/such/folder/here не существует."},
      {"subdirs 2", {"/subdirs=2"}, "Значение параметра subdirs должно быть либо 0, либо 1."},
      {"protform 2", {"/protform=2"}, "Значение параметра protform должно быть либо 0, либо 1."},
      {"saldofilter 4", {"/saldofilter=4"}, "Значение параметра saldofilter должно быть в пределах от 0 до 3."},
      {"saldofilter sign", {"/saldofilter=+1"}, "Значение параметра saldofilter должно быть в пределах от 0 до 3."},
      {"protformat 3", {"/protformat=3"}, "Значение параметра protformat должно быть в пределах от 0 до 2."},
      {"protopen 01", {"/protopen=01"}, "Значение параметра protopen должно быть либо 0, либо 1."},
      {"protopen blank 1", {"/protopen= 1"}, "Значение параметра protopen должно быть либо 0, либо 1."},
      {"protopen empty", {"/protopen="}, "Значение параметра protopen должно быть либо 0, либо 1."},
      {"calccorr yes", {"/calccorr=yes"}, "Значение параметра calccorr должно быть либо 0, либо 1."},
      {"wrong value before missing required", {"/subdirs=5"},
       "Значение параметра subdirs должно быть либо 0, либо 1."},
      {"repeated name checked each time", {"/subdirs=1", "/subdirs=2"},
       "Значение параметра subdirs должно быть либо 0, либо 1."},
      {"regnumb missing first", {"/subdirs=1"}, "Не указан обязательный параметр - regnumb"},
      {"path missing", {"/regnumb=087-001-012345", "/orgname=x"}, "Не указан обязательный параметр - path"},
      {"orgname missing", {"/regnumb=087-001-012345", "/path=" + folder}, "Не указан обязательный параметр - orgname"},
      {"error after all required", WithRequired({"/protformat=9"}),
       "Значение параметра protformat должно быть в пределах от 0 до 2."},
  };
  for (const auto& testCase : cases) {
    TRunParams params;
    EXPECT_FALSE(ParseCommandLine(testCase.args, params)) << testCase.title;
    EXPECT_EQ(params.ErrorText, testCase.expected) << testCase.title;
  }
}

TEST(ParseCommandLine, FillsTheParameters) {
  TRunParams params;
  ASSERT_TRUE(ParseCommandLine(WithRequired({"/subdirs=1", "/calccorr=1", "/protform=1", "/protformat=2",
                                             "/protopen=1", "/saldofilter=3", "/protfilename=/tmp/p.xml"}),
                               params))
      << params.ErrorText;
  EXPECT_EQ(params.Path, ExistingFolder());
  EXPECT_EQ(params.RegNumb, "087-001-012345");
  EXPECT_EQ(params.OrgName, Utf8ToCp1251("ООО Ромашка"));
  EXPECT_TRUE(params.SubDirs);
  EXPECT_TRUE(params.CalcCorr);
  EXPECT_TRUE(params.ProtOpen);
  EXPECT_EQ(params.ProtForm, TProtForm::Detailed);
  EXPECT_EQ(params.ProtFormat, TProtFormat::CalcXml);
  EXPECT_EQ(params.SaldoFilter, TSaldoFilter::Overpayment);
  EXPECT_EQ(params.ProtFileName, "/tmp/p.xml");
  EXPECT_TRUE(params.ErrorText.empty());
  ASSERT_EQ(params.Params.size(), 10u);
  EXPECT_EQ(params.Params[3].first, "subdirs");
}

TEST(ParseCommandLine, ValueRules) {
  struct Case {
    const char* title;
    std::vector<std::string> extra;
    bool subDirs;
    std::string orgNameUtf8;
  };
  const std::vector<Case> cases = {
      {"last value wins", {"/subdirs=1", "/subdirs=0"}, false, "ООО Ромашка"},
      {"empty orgname is given", {"/orgname="}, false, ""},
      {"value keeps further equals signs", {"/orgname=a=b"}, false, "a=b"},
      {"quotes around the value are removed", {"/orgname=\"ООО \"Лето\"\""}, false, "ООО \"Лето\""},
      {"a pair of quotes alone gives the empty value", {"/orgname=\"\""}, false, ""},
      {"only the outer pair is removed", {"/orgname=\"\"a\"\""}, false, "\"a\""},
      {"a name ending in a quote is kept whole", {"/orgname=ООО \"Ромашка\""}, false, "ООО \"Ромашка\""},
      {"a value beginning with a quote is kept whole", {"/orgname=\"Ромашка\" ООО"}, false,
       "\"Ромашка\" ООО"},
      {"a quote at the start only is kept", {"/orgname=\"Ромашка"}, false, "\"Ромашка"},
      {"a lone quote is kept", {"/orgname=\""}, false, "\""},
      {"quotes around a flag are removed", {"/subdirs=\"1\""}, true, "ООО Ромашка"},
  };
  for (const auto& testCase : cases) {
    TRunParams params;
    ASSERT_TRUE(ParseCommandLine(WithRequired(testCase.extra), params)) << testCase.title << ": " << params.ErrorText;
    EXPECT_EQ(params.SubDirs, testCase.subDirs) << testCase.title;
    EXPECT_EQ(Cp1251ToUtf8(params.OrgName), testCase.orgNameUtf8) << testCase.title;
  }
}

TEST(ParseCommandLine, DefaultProtocolName) {
  // Without TEMP the system's temporary folder is used: on Linux it honours TMPDIR, on Windows TMP.
  const std::string systemTemp = ExistingFolder();
  const std::string separator(1, platform::PathSeparator());
#ifdef _WIN32
  TScopedVariable systemTempVariable("TMP", systemTemp + separator);
  const std::string clerk = "C:\\Users\\clerk\\Temp";
  const std::string russianClerk = "C:\\Users\\Иван\\AppData\\Local\\Temp";
#else
  TScopedVariable systemTempVariable("TMPDIR", systemTemp + separator);
  const std::string clerk = "/var/tmp/clerk";
  const std::string russianClerk = "/home/иван/временные";
#endif
  struct Case {
    const char* title;
    std::optional<std::string> temp;
    std::vector<std::string> args;
    std::string expected;
  };
  const std::vector<Case> cases = {
      {"html in TEMP", clerk, {}, clerk + separator + "087-001-012345.html"},
      {"trailing separator of TEMP", clerk + separator, {}, clerk + separator + "087-001-012345.html"},
      {"trailing slash of TEMP", clerk + "/", {}, clerk + separator + "087-001-012345.html"},
      {"Cyrillic letters in TEMP", russianClerk, {}, russianClerk + separator + "087-001-012345.html"},
      {"spreadsheet for Excel", clerk, {"/protformat=1"}, clerk + separator + "087-001-012345.xml"},
      {"spreadsheet for Calc", clerk, {"/protformat=2"}, clerk + separator + "087-001-012345.xml"},
      {"empty protfilename keeps the default", clerk, {"/protfilename="},
       clerk + separator + "087-001-012345.html"},
      {"several numbers keep their commas", clerk, {"/regnumb=087-001-000001,087-001-000002"},
       clerk + separator + "087-001-000001,087-001-000002.html"},
      {"unset TEMP uses the system folder", std::nullopt, {}, systemTemp + separator + "087-001-012345.html"},
      {"empty TEMP uses the system folder", "", {}, systemTemp + separator + "087-001-012345.html"},
  };
  for (const auto& testCase : cases) {
    TScopedVariable temp("TEMP", testCase.temp);
    TRunParams params;
    ASSERT_TRUE(ParseCommandLine(WithRequired(testCase.args), params)) << testCase.title << ": " << params.ErrorText;
    EXPECT_EQ(params.ProtFileName, testCase.expected) << testCase.title;
  }
}

TEST(ParseCommandLine, CyrillicFolderName) {
  const fs::path folder = fs::temp_directory_path() / PathFromNative("brisolt-тест-папка");
  fs::create_directories(folder);
  TRunParams params;
  EXPECT_TRUE(ParseCommandLine({"/regnumb=087-001-012345", "/path=" + NativeFromPath(folder), "/orgname=x"}, params))
      << params.ErrorText;
  EXPECT_EQ(params.Path, NativeFromPath(folder));
  fs::remove(folder);
}

TEST(ProtocolType, XlsxByTheFileNameWhateverTheFormat) {
  struct Case {
    TProtFormat protFormat;
    const char* fileName;
    TProtocolType type;
  };
  constexpr TProtFormat kHtml = TProtFormat::Html;
  constexpr TProtFormat kExcel = TProtFormat::ExcelXml;
  constexpr TProtFormat kCalc = TProtFormat::CalcXml;
  const Case cases[] = {
      {kHtml, "/tmp/p.html", TProtocolType::Html},
      {kHtml, "/tmp/p.xml", TProtocolType::Html},
      {kExcel, "/tmp/p.xml", TProtocolType::XmlSpreadsheet},
      {kCalc, "/tmp/p", TProtocolType::XmlSpreadsheet},
      {kHtml, "/tmp/p.xlsx", TProtocolType::Xlsx},
      {kExcel, "/tmp/P.XLSX", TProtocolType::Xlsx},
      {kCalc, "p.XlSx", TProtocolType::Xlsx},
      {kExcel, "xlsx", TProtocolType::XmlSpreadsheet},
      {kExcel, "/tmp/p.xlsx.xml", TProtocolType::XmlSpreadsheet},
      {kHtml, "/tmp/p.xlsx/", TProtocolType::Html},
      // The window's workbook choice, whatever the name.
      {TProtFormat::Xlsx, "/tmp/p", TProtocolType::Xlsx},
      {TProtFormat::Xlsx, "/tmp/p.json", TProtocolType::Json},
  };
  for (const Case& c : cases) {
    EXPECT_EQ(ProtocolType(c.protFormat, c.fileName), c.type) << c.fileName;
  }
}

// Asked for a workbook this build cannot write, the run stops at the parameters.
TEST(ParseCommandLine, XlsxOnlyWhereTheBuildWritesIt) {
  TRunParams params;
  const bool parsed = ParseCommandLine(
      WithRequired({"/protformat=1", "/protfilename=" + ExistingFolder() + "/p.xlsx"}), params);
  EXPECT_EQ(parsed, XlsxAvailable()) << params.ErrorText;
  if (!XlsxAvailable()) {
    EXPECT_EQ(params.ErrorText,
              "Эта сборка программы не записывает протоколы XLSX: укажите в protfilename имя "
              "файла .xml или .html.");
  }
}

TEST(CheckRegNumb, Forms) {
  EXPECT_TRUE(CheckRegNumb("087-001-012345"));
  EXPECT_FALSE(CheckRegNumb("087-001-01234"));
  EXPECT_FALSE(CheckRegNumb("087-001-0123456"));
  EXPECT_FALSE(CheckRegNumb("087 001 012345"));
  EXPECT_FALSE(CheckRegNumb(" 87-001-012345"));
  EXPECT_TRUE(CheckRegNumbList("087-001-012345,087-001-012346"));
  EXPECT_FALSE(CheckRegNumbList(",087-001-012345"));
  EXPECT_FALSE(CheckRegNumbList(""));
  EXPECT_FALSE(IsAllDigits(""));
  EXPECT_TRUE(IsAllDigits("0123456789"));
}

// The program itself: messages on standard error in UTF-8, one line each (CR LF on Windows),
// exit statuses, no window.
TEST(BatchProgram, ParameterErrorsGoToStandardErrorWithStatus2) {
#ifdef _WIN32
  const std::string lineEnd = "\r\n";
#else
  const std::string lineEnd = "\n";
#endif
  const std::vector<std::pair<std::vector<std::string>, std::string>> cases = {
      {{"/x=1"}, "Неверное имя параметра - x"},
      {{"x"}, "Неверный синтаксис параметра x"},
      {{"/regnumb=087-001-012345, 087-001-012346"},
       "Неверное значение 087-001-012345, 087-001-012346 параметра regnumb."},
      {{"/regnumb=087-001-012345,", "087-001-012346"}, "Неверный синтаксис параметра 087-001-012346"},
      {{"/subdirs=1"}, "Не указан обязательный параметр - regnumb"},
      {{"/regnumb=087-001-012345", "/path=/no/such/папка", "/orgname=x"},
       "Каталога /no/such/папка не существует."},
  };
  for (const auto& [arguments, expected] : cases) {
    const auto result = RunProgram(BRISOLT_BINARY, arguments);
    EXPECT_EQ(result.status, kExitBadParameter) << arguments.front();
    EXPECT_EQ(result.errorOutput, expected + lineEnd) << arguments.front();
  }
}

}  // namespace
}  // namespace brisolt
