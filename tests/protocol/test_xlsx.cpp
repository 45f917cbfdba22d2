// The XLSX writer: its numbers, its repeatability and its all-or-nothing file handling. What the
// workbook holds, cell by cell, is compared with the XML spreadsheet in LibreOffice Calc
// (tests/protocol/programs/check_calc.py).
#ifdef BRISOLT_HAVE_XLSX

#include <gtest/gtest.h>

#include <charconv>
#include <cstdint>
#include <filesystem>
#include <fstream>
#include <limits>
#include <map>
#include <random>
#include <sstream>
#include <string>

#include "protocol/prot.h"
#include "protocol/protxlsx.h"
#include "sample_reports.h"
#include "sheet_grid.h"
#include "base/amount.h"
#include "base/encoding.h"

namespace brisolt {
namespace {

namespace fs = std::filesystem;
using testing::FullReport;
using testing::kFixedStamp;

std::string ReadAll(const fs::path& path) {
  std::ifstream in(path, std::ios::binary);
  std::ostringstream text;
  text << in.rdbuf();
  return text.str();
}

class XlsxWriter : public ::testing::Test {
 protected:
  void SetUp() override {
    folder_ = fs::temp_directory_path() / ("brisolt-xlsx-" + std::to_string(std::random_device()()));
    fs::create_directories(folder_);
  }
  void TearDown() override {
    std::error_code ignored;
    fs::remove_all(folder_, ignored);
  }
  std::string File(const std::string& name) const { return NativeFromPath(folder_ / name); }
  std::size_t EntryCount() const {
    return static_cast<std::size_t>(std::distance(fs::directory_iterator(folder_), {}));
  }
  static TSpreadsheetOptions Fixed() {
    TSpreadsheetOptions options;
    options.Stamp = kFixedStamp;
    return options;
  }

  fs::path folder_;
};

TEST(XlsxAmountValue, IsTheNumberOfTheTextTheOtherWritersPrint) {
  const std::int64_t amounts[] = {0, 1, 49, 50, 99, -49, -50, -51, 12345000, -120000, 12345678,
                                  1234567890123, -987654321098765,
                                  std::numeric_limits<std::int64_t>::max(),
                                  std::numeric_limits<std::int64_t>::min()};
  for (const std::int64_t amount : amounts) {
    const std::string text = FormatSum(amount);
    double parsed = 0;
    std::from_chars(text.data(), text.data() + text.size(), parsed);
    EXPECT_EQ(XlsxAmountValue(amount), parsed) << amount << " printed " << text;
    EXPECT_FALSE(std::signbit(XlsxAmountValue(amount)) && XlsxAmountValue(amount) == 0) << amount;
  }
}

TEST_F(XlsxWriter, GivesTheSameBytesForTheSameReportAndStamp) {
  for (const int layout : {0, 1}) {
    WriteXlsxProtocol(FullReport(layout), File("first.xlsx"), Fixed());
    WriteXlsxProtocol(FullReport(layout), File("second.xlsx"), Fixed());
    const std::string first = ReadAll(folder_ / "first.xlsx");
    EXPECT_EQ(first.substr(0, 2), "PK");
    EXPECT_TRUE(first == ReadAll(folder_ / "second.xlsx")) << "layout " << layout;
  }
}

TEST_F(XlsxWriter, FailsWithoutTouchingAnEarlierProtocol) {
  const std::string earlier = File("earlier.xlsx");
  std::ofstream(PathFromNative(earlier), std::ios::binary) << "earlier protocol";
  fs::create_directories(folder_ / "taken.xlsx" / "inside");
  TSpreadsheetOptions tooSmall = Fixed();
  tooSmall.Limits.Rows = 5;
  struct Case {
    const char* name;
    std::string target;
    TSpreadsheetOptions options;
    bool tooLarge;
  };
  const Case cases[] = {
      {"folder does not exist", File("missing/p.xlsx"), Fixed(), false},
      {"target is a folder", File("taken.xlsx"), Fixed(), false},
      {"a sheet past the limits", earlier, tooSmall, true},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    if (c.tooLarge) {
      EXPECT_THROW(WriteXlsxProtocol(FullReport(0), c.target, c.options), ESpreadsheetTooLarge);
    } else {
      EXPECT_THROW(WriteXlsxProtocol(FullReport(0), c.target, c.options), EProtocolWriteError);
    }
    EXPECT_EQ(EntryCount(), 2u) << "a temporary file was left behind";
  }
  EXPECT_EQ(ReadAll(folder_ / "earlier.xlsx"), "earlier protocol");
  EXPECT_TRUE(fs::is_directory(folder_ / "taken.xlsx" / "inside"));
}

// The print setup of every sheet, and the row of the СЗВ-6-3 warning tall enough for its text: a
// merged cell's wrapped text is never fitted by the spreadsheet program.
TEST_F(XlsxWriter, PrintsLandscapeAPageWideWithTheCaptionsOnEveryPage) {
  WriteXlsxProtocol(FullReport(0), File("p.xlsx"), Fixed());
  const auto members = testing::UnzipAll(ReadAll(folder_ / "p.xlsx"));
  const std::string& workbook = members.at("xl/workbook.xml");
  std::map<std::string, std::string> printTitles;  // sheet index -> rows
  for (std::size_t pos = 0; (pos = workbook.find("<definedName ", pos)) != std::string::npos;) {
    const std::size_t open = workbook.find('>', pos);
    const std::string tag = workbook.substr(pos, open - pos);
    pos = workbook.find("</definedName>", open);
    if (testing::grid_detail::Attribute(tag, "name") == "_xlnm.Print_Titles") {
      const std::string rows = workbook.substr(open + 1, pos - open - 1);
      printTitles[testing::grid_detail::Attribute(tag, "localSheetId")] = rows.substr(rows.find('!') + 1);
    }
  }
  const int captionRows[] = {0, 3, 3, 2, 4};
  for (int sheet = 0; sheet < 5; ++sheet) {
    SCOPED_TRACE(sheet);
    const std::string& text = members.at("xl/worksheets/sheet" + std::to_string(sheet + 1) + ".xml");
    EXPECT_NE(text.find("<pageSetUpPr fitToPage=\"1\"/>"), std::string::npos);
    EXPECT_NE(text.find("orientation=\"landscape\""), std::string::npos);
    EXPECT_NE(text.find("fitToHeight=\"0\""), std::string::npos);
    const auto titles = printTitles.find(std::to_string(sheet));
    if (captionRows[sheet] == 0) {
      EXPECT_EQ(titles, printTitles.end());
    } else {
      ASSERT_NE(titles, printTitles.end());
      EXPECT_EQ(titles->second, "$1:$" + std::to_string(captionRows[sheet]));
    }
  }
  const std::string& sverka = members.at("xl/worksheets/sheet5.xml");
  const std::size_t warning = sverka.find("<row r=\"2\"");
  ASSERT_NE(warning, std::string::npos);
  const std::string tag = sverka.substr(warning, sverka.find('>', warning) - warning);
  EXPECT_NE(tag.find("ht=\"45\""), std::string::npos) << tag;
  EXPECT_NE(tag.find("customHeight=\"1\""), std::string::npos) << tag;
}

}  // namespace
}  // namespace brisolt

#endif  // BRISOLT_HAVE_XLSX
