// The table of output formats: every row this build has writes a whole file of its kind through
// its own writer, and a file's name picks the row whose extension it ends with.
#include <gtest/gtest.h>

#include <filesystem>
#include <random>
#include <set>
#include <string>

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

TEST(ProtFormats, AFileNamePicksTheRowOfItsExtension) {
  for (const TProtFormatRow& row : kProtFormats) {
    SCOPED_TRACE(std::string(row.Extension));
    std::string upper = "/tmp/P" + std::string(row.Extension);
    for (char& ch : upper) ch = static_cast<char>(ch >= 'a' && ch <= 'z' ? ch - 'a' + 'A' : ch);
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
