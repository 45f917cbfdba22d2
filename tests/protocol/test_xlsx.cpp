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
#include <random>
#include <sstream>
#include <string>

#include "protocol/prot.h"
#include "protocol/protxlsx.h"
#include "sample_reports.h"
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

}  // namespace
}  // namespace brisolt

#endif  // BRISOLT_HAVE_XLSX
