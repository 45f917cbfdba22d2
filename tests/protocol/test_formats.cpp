// The table of output formats: every row this build has writes a whole file of its kind through
// its own writer, and a file's name picks the row whose extension it ends with.
#include <gtest/gtest.h>

#include <filesystem>
#include <random>
#include <set>
#include <string>
#include <vector>

#include "base/encoding.h"
#include "engine/results.h"
#include "protocol/protformats.h"
#include "sample_reports.h"

namespace brisolt {
namespace {

namespace fs = std::filesystem;
using testing::FullReport;
using testing::kFixedStamp;
using testing::ReadAll;

// How each type's file begins.
std::string Opening(TProtocolType type) {
  switch (type) {
    case TProtocolType::Html: return "<html>";
    case TProtocolType::XmlSpreadsheet: return "<?xml version=\"1.0\"";
    case TProtocolType::Xlsx: return "PK";
    case TProtocolType::Json: return "{\"schemaVersion\":";
    case TProtocolType::Csv: return "\xEF\xBB\xBF";
  }
  return {};
}

TEST(ProtFormats, EveryRowWritesAWholeFileOfItsKind) {
  const fs::path folder = fs::temp_directory_path() / ("brisolt-formats-" + std::to_string(std::random_device()()));
  fs::create_directories(folder);
  const TReport report = FullReport(TProtForm::Compact);
  TFileSet files;
  TResults results;
  BuildResults(files, report, false, results);
  std::set<TProtFormat> seen;
  for (const TProtFormatRow& row : kProtFormats) {
    SCOPED_TRACE(std::string(row.Extension) + " " + std::string(row.Caption));
    EXPECT_TRUE(seen.insert(row.Format).second) << "a format has two rows";
    EXPECT_EQ(&ProtFormatRow(row.Format), &row);
    const std::string target = NativeFromPath(folder / ("p" + std::string(row.Extension)));
    if (!FormatBuilt(row)) {
      EXPECT_THROW(row.Write({report, &results, target, kFixedStamp, 1}), EProtocolWriteError);
      continue;
    }
    row.Write({report, row.NeedsResults ? &results : nullptr, target, kFixedStamp, 1});
    EXPECT_EQ(ReadAll(PathFromNative(target)).rfind(Opening(row.Type), 0), 0u);
  }
  fs::remove_all(folder);
}

TEST(ProtFormats, EveryListWriterWritesTheGivenPersonsInAFileOfItsKind) {
  const fs::path folder = fs::temp_directory_path() / ("brisolt-lists-" + std::to_string(std::random_device()()));
  fs::create_directories(folder);
  const TReport report = FullReport(TProtForm::Compact);
  TFileSet files;
  TResults results;
  BuildResults(files, report, false, results);
  ASSERT_GE(results.Persons.size(), 2u);
  // The second person before the first, as a sorted table may show them.
  const std::vector<std::size_t> persons = {1, 0};
  const std::string caption = "list";
  const std::string first = report.PersonLine(results.Persons[1].Line).FIO;
  const std::string second = report.PersonLine(results.Persons[0].Line).FIO;
  for (const TProtFormatRow& row : kProtFormats) {
    SCOPED_TRACE(std::string(row.Extension));
    // A copy written anew is written from the report alone.
    if (row.CopyAs != row.Format) {
      EXPECT_FALSE(ProtFormatRow(row.CopyAs).NeedsResults);
    }
    EXPECT_FALSE(row.SaveFilter.empty());
    EXPECT_NE(std::string_view(row.SaveFilter).find("*" + std::string(row.Extension)), std::string_view::npos);
    if (row.WriteList == nullptr) continue;
    const std::string target = NativeFromPath(folder / ("l" + std::string(row.Extension)));
    if (!FormatBuilt(row)) {
      EXPECT_THROW(row.WriteList({report, results, persons, caption, target}), EProtocolWriteError);
      continue;
    }
    row.WriteList({report, results, persons, caption, target});
    const std::string text = ReadAll(PathFromNative(target));
    EXPECT_EQ(text.rfind(Opening(row.Type), 0), 0u);
    if (row.Type != TProtocolType::Xlsx) {
      // The texts are UTF-8; the deflated workbook is read back by the window's test.
      const std::size_t firstAt = text.find(Cp1251ToUtf8(first));
      ASSERT_NE(firstAt, std::string::npos);
      EXPECT_GT(text.find(Cp1251ToUtf8(second)), firstAt);
    }
  }
  fs::remove_all(folder);
}

TEST(ProtFormats, AFileNamePicksTheRowOfItsExtension) {
  for (const TProtFormatRow& row : kProtFormats) {
    SCOPED_TRACE(std::string(row.Extension));
    std::string upper = "/tmp/P" + std::string(row.Extension);
    for (char& ch : upper) ch = static_cast<char>(ch >= 'a' && ch <= 'z' ? ch - 'a' + 'A' : ch);
    ASSERT_NE(FormatOfFileName(upper), nullptr);
    EXPECT_EQ(FormatOfFileName(upper)->Extension, row.Extension);
    EXPECT_EQ(FormatOfFileName("/tmp/p" + std::string(row.Extension) + "/"), nullptr);
    for (const TProtFormatRow& chosen : kProtFormats) {
      const TProtFormat expected = row.ByFileName ? row.Format : chosen.Format;
      EXPECT_EQ(WrittenFormat(chosen.Format, upper).Format, expected);
      EXPECT_EQ(WrittenFormat(chosen.Format, "/tmp/p" + std::string(row.Extension)).Format, expected);
      // Only the very end counts.
      EXPECT_EQ(WrittenFormat(chosen.Format, "/tmp/p" + std::string(row.Extension) + "/").Format,
                chosen.Format);
    }
  }
}

}  // namespace
}  // namespace brisolt
