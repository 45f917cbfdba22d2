// The XLSX writer: its zip, its repeatability and its all-or-nothing file handling. What the
// workbook holds, cell by cell, is compared with the XML spreadsheet in test_layout and in
// LibreOffice Calc (tests/protocol/programs/check_calc.py).
#ifdef BRISOLT_HAVE_XLSX

#include <gtest/gtest.h>

#include <algorithm>
#include <charconv>
#include <cstdint>
#include <filesystem>
#include <fstream>
#include <limits>
#include <map>
#include <random>
#include <sstream>
#include <string>
#include <utility>
#include <vector>

#include "protocol/prot.h"
#include "protocol/protxlsx.h"
#include "protocol/zipstream.h"
#include "full_disk.h"
#include "sample_reports.h"
#include "sheet_grid.h"
#include "workbook_check.h"
#include "base/amount.h"
#include "base/encoding.h"

namespace brisolt {
namespace {

namespace fs = std::filesystem;
using testing::FullReport;
using testing::kFixedStamp;

using testing::ReadAll;
using testing::WorkbookDefect;

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

// Members of one, several and no chunks, with texts that deflate well and badly: each member
// inflates back to its text, and the archive is the same bytes on any number of threads.
TEST(ZipStream, GivesBackEveryMemberTheSameOnAnyNumberOfThreads) {
  std::mt19937 random(7);
  std::string noise(3 * TZipStream::kChunkSize + 12345, '\0');
  for (char& ch : noise) {
    ch = static_cast<char>(random());
  }
  std::string rows;
  for (int row = 0; rows.size() < 5 * TZipStream::kChunkSize / 2; ++row) {
    rows += "<row r=\"" + std::to_string(row) + "\"><c><v>" + std::to_string(row * 7919 % 100003) +
            "</v></c></row>";
  }
  const std::vector<std::pair<std::string, std::string>> members = {
      {"empty.xml", ""}, {"small.xml", "<a/>"}, {"rows.xml", rows}, {"noise.bin", noise}};
  std::string reference;
  for (const unsigned threads : {0u, 1u, 2u, 5u}) {
    SCOPED_TRACE(threads);
    std::string archive;
    {
      TZipStream zip([&archive](std::string_view bytes) { archive += bytes; }, threads);
      for (const auto& [name, text] : members) {
        zip.BeginMember(name);
        // Handed over in uneven pieces, as the sheets are.
        for (std::size_t at = 0; at < text.size(); at += 1000) {
          zip.Text().append(text, at, 1000);
          zip.Spill();
        }
        zip.EndMember();
      }
      zip.Finish();
    }
    const auto unzipped = testing::UnzipAll(archive);
    ASSERT_EQ(unzipped.size(), members.size());
    for (const auto& [name, text] : members) {
      EXPECT_TRUE(unzipped.at(name) == text) << name;
    }
    if (reference.empty()) {
      reference = archive;
    }
    EXPECT_TRUE(archive == reference);
  }
  EXPECT_LT(reference.size(), noise.size() + rows.size() / 5);
}

TEST_F(XlsxWriter, GivesTheSameBytesForTheSameReportAndStamp) {
  for (const TProtForm layout : {TProtForm::Compact, TProtForm::Detailed}) {
    WriteXlsxProtocol(FullReport(layout), File("first.xlsx"), Fixed());
    WriteXlsxProtocol(FullReport(layout), File("second.xlsx"), Fixed());
    const std::string first = ReadAll(folder_ / "first.xlsx");
    EXPECT_EQ(first.substr(0, 2), "PK");
    EXPECT_TRUE(first == ReadAll(folder_ / "second.xlsx")) << "layout " << static_cast<int>(layout);
  }
}

TEST_F(XlsxWriter, FailsWithoutTouchingAnEarlierProtocol) {
  const std::string earlier = File("earlier.xlsx");
  std::ofstream(PathFromNative(earlier), std::ios::binary) << "earlier protocol";
  fs::create_directories(folder_ / "taken.xlsx" / "inside");
  TSpreadsheetOptions tooSmall = Fixed();
  tooSmall.Limits.Rows = 5;
  TSpreadsheetOptions tooManyBytes = Fixed();
  tooManyBytes.Limits.XlsxSheetBytes = 3000;
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
      {"a sheet past the package's bytes", earlier, tooManyBytes, true},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    if (c.tooLarge) {
      EXPECT_THROW(WriteXlsxProtocol(FullReport(TProtForm::Compact), c.target, c.options), ESpreadsheetTooLarge);
    } else {
      EXPECT_THROW(WriteXlsxProtocol(FullReport(TProtForm::Compact), c.target, c.options), EProtocolWriteError);
    }
    EXPECT_EQ(EntryCount(), 2u) << "a temporary file was left behind";
  }
  EXPECT_EQ(ReadAll(folder_ / "earlier.xlsx"), "earlier protocol");
  EXPECT_TRUE(fs::is_directory(folder_ / "taken.xlsx" / "inside"));
}

// The count that refuses a sheet past the package's 4 GiB before anything is written is at most
// what the writer then writes, so that nothing it refuses could have been written, and close
// enough (nine tenths here) that a workbook near the limit is refused at once, not after minutes.
TEST_F(XlsxWriter, CountsASheetsBytesBeforeWritingAtMostAndNearlyAsWritten) {
  for (const TProtForm layout : {TProtForm::Compact, TProtForm::Detailed}) {
    SCOPED_TRACE(static_cast<int>(layout));
    TReport report = testing::ManyPersonsReport(layout, 300, 16);
    WriteXlsxProtocol(report, File("p.xlsx"), Fixed());
    std::size_t table = 0;
    for (const auto& [name, text] : testing::UnzipAll(ReadAll(folder_ / "p.xlsx"))) {
      if (name.starts_with("xl/worksheets/")) {
        table = std::max(table, text.size());
      }
    }
    TSheetLimits limits;
    limits.XlsxSheetBytes = table;
    EXPECT_NO_THROW(CheckXlsxSheetBytes(report, limits));
    limits.XlsxSheetBytes = table / 10 * 9;
    try {
      CheckXlsxSheetBytes(report, limits);
      ADD_FAILURE() << "not refused";
    } catch (const ESpreadsheetTooLarge& refusal) {
      const std::string text = refusal.what();
      EXPECT_NE(text.find("лист \"Таблица\""), std::string::npos) << text;
      EXPECT_NE(text.find("saldofilter"), std::string::npos) << text;
      EXPECT_NE(refusal.WindowText().find("Выводить работников"), std::string::npos);
    }
  }
}

// Excel refuses a sheet whose cells are out of order, or whose merge list miscounts itself, where
// Calc and the tests' reader take it: each row's cells go left to right inside their own row.
TEST_F(XlsxWriter, WritesEachRowsCellsInOrderAndCountsItsMerges) {
  for (const TProtForm layout : {TProtForm::Compact, TProtForm::Detailed}) {
    WriteXlsxProtocol(FullReport(layout), File("p.xlsx"), Fixed());
    const auto members = testing::UnzipAll(ReadAll(folder_ / "p.xlsx"));
    for (const auto& [name, text] : members) {
      if (!name.starts_with("xl/worksheets/")) {
        continue;
      }
      SCOPED_TRACE(name);
      int lastRow = 0;
      for (std::size_t row = 0; (row = text.find("<row r=\"", row)) != std::string::npos;) {
        const int number = std::atoi(text.c_str() + row + 8);
        EXPECT_GT(number, lastRow);
        lastRow = number;
        const std::size_t end = text.find("</row>", row);
        int lastColumn = -1;
        for (std::size_t cell = text.find("<c r=\"", row); cell < end;
             cell = text.find("<c r=\"", cell + 1)) {
          const auto [cellRow, column] = testing::CellReference(text.substr(cell + 6, text.find('"', cell + 6) - cell - 6));
          EXPECT_EQ(cellRow + 1, number);
          EXPECT_GT(column, lastColumn) << "row " << number;
          lastColumn = column;
        }
        row = end;
      }
      const std::size_t merges = text.find("<mergeCells count=\"");
      std::size_t listed = 0;
      for (std::size_t at = 0; (at = text.find("<mergeCell ", at)) != std::string::npos; ++at) {
        ++listed;
      }
      EXPECT_EQ(merges == std::string::npos ? 0u : std::stoul(text.substr(merges + 19)), listed);
    }
  }
}

// The print setup of every sheet, and the row of the СЗВ-6-3 warning tall enough for its text: a
// merged cell's wrapped text is never fitted by the spreadsheet program.
TEST_F(XlsxWriter, PrintsLandscapeAPageWideWithTheCaptionsOnEveryPage) {
  WriteXlsxProtocol(FullReport(TProtForm::Compact), File("p.xlsx"), Fixed());
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
    EXPECT_NE(text.find("<pageSetup paperSize=\"9\" "), std::string::npos);  // A4
    EXPECT_NE(text.find("fitToHeight=\"0\""), std::string::npos);
    const auto titles = printTitles.find(std::to_string(sheet));
    if (captionRows[sheet] == 0) {
      EXPECT_EQ(titles, printTitles.end());
    } else {
      ASSERT_NE(titles, printTitles.end());
      EXPECT_EQ(titles->second, "$1:$" + std::to_string(captionRows[sheet]));
    }
  }
  // A person's notes, once on the first row, which is as tall as their lines.
  const std::string& table = members.at("xl/worksheets/sheet2.xml");
  const std::size_t person = table.find("<row r=\"4\"");
  ASSERT_NE(person, std::string::npos);
  const std::string tall = "<row r=\"4\" ht=\"45\" customHeight=\"1\">";
  EXPECT_EQ(table.substr(person, tall.size()), tall);
  EXPECT_EQ(table.find("превыш. страх."), table.rfind("превыш. страх."));
  const std::string& sverka = members.at("xl/worksheets/sheet5.xml");
  const std::size_t warning = sverka.find("<row r=\"2\"");
  ASSERT_NE(warning, std::string::npos);
  const std::string tag = sverka.substr(warning, sverka.find('>', warning) - warning);
  EXPECT_NE(tag.find("ht=\"45\""), std::string::npos) << tag;
  EXPECT_NE(tag.find("customHeight=\"1\""), std::string::npos) << tag;
}

// A member of several chunks has its CRC combined from theirs, and only a sheet larger than a
// chunk shows a fault there: the whole workbook goes through the zip check (CRCs and sizes of
// every part, as zipfile.testzip does), on one thread and on several.
TEST_F(XlsxWriter, AWorkbookOfSeveralChunksPassesTheZipCheck) {
  TReport report = FullReport(TProtForm::Detailed);
  for (int person = 0; person < 5000; ++person) {
    const std::size_t line = report.AddMainLine(TLineMark::Plain, "Person " + std::to_string(person),
                                                "12345678901", TDismissal::AtWork());
    report.AddLinePeriod(line, {"1", 1000000 + person, 1200000, 1000000, 1200000, -200000, 300000,
                               300000, 300000, 300000, person});
    report.AddLinePeriod(line, {"1, 2", 500000, 300000 + person, 1500000, 1500000, 0, 150000,
                               150050, 450000, 450050, -50});
  }
  for (const int threads : {1, 3}) {
    SCOPED_TRACE(threads);
    TSpreadsheetOptions options = Fixed();
    options.Threads = threads;
    WriteXlsxProtocol(report, File("large.xlsx"), options);
    EXPECT_EQ(WorkbookDefect(File("large.xlsx")), "");
    std::size_t largest = 0;
    for (const auto& [name, text] : testing::UnzipAll(ReadAll(folder_ / "large.xlsx"))) {
      largest = std::max(largest, text.size());
    }
    EXPECT_GT(largest, 2 * TZipStream::kChunkSize);
  }
}

// Whatever size the disk stops files at, the workbook is either the same bytes as without the
// limit or not written at all: the earlier file stays and nothing is left beside it.
TEST_F(XlsxWriter, AFullDiskNeverLeavesABrokenWorkbook) {
  if (!TFullDiskAfter::kAvailable) {
    GTEST_SKIP() << "no file size limit on this platform";
  }
  // Sheets far larger than the whole zip, written on several threads.
  TReport report = FullReport(TProtForm::Detailed);
  for (int person = 0; person < 400; ++person) {
    const std::size_t line = report.AddMainLine(TLineMark::Conflict, "Person " + std::to_string(person),
                                                "12345678901", TDismissal::AtWork());
    report.AddLinePeriod(line, {"1", 1000000, 1200000, 1000000, 1200000, -200000, 300000, 300000,
                               300000, 300000, 0});
    report.AddLinePeriod(line, {"1, 2", 500000, 300000, 1500000, 1500000, 0, 150000, 150050,
                               450000, 450050, -50});
  }
  const std::string reference = File("reference.xlsx");
  WriteXlsxProtocol(report, reference, Fixed());
  const std::string whole = ReadAll(folder_ / "reference.xlsx");
  const std::string target = File("protocol.xlsx");
  int refused = 0;
  for (std::uint64_t limit = 256; limit < 8 * whole.size(); limit += limit / 3) {
    SCOPED_TRACE(limit);
    std::ofstream(PathFromNative(target), std::ios::binary | std::ios::trunc) << "earlier protocol";
    bool written = true;
    try {
      TFullDiskAfter full(limit);
      WriteXlsxProtocol(report, target, Fixed());
    } catch (const EProtocolWriteError& failure) {
      written = false;
      ++refused;
      EXPECT_EQ(std::string(failure.what()).find("[ERROR]"), std::string::npos);
    }
    const std::string result = ReadAll(folder_ / "protocol.xlsx");
    EXPECT_TRUE(written ? result == whole : result == "earlier protocol") << "written: " << written;
    if (written) {
      EXPECT_EQ(WorkbookDefect(target), "");
    }
    EXPECT_EQ(EntryCount(), 2u) << "a temporary file was left behind";
  }
  EXPECT_GT(refused, 0);
}

// A zip written by hand, stored without compression, to damage in every way that matters.
std::uint32_t Crc32(const std::string& data) {
  std::uint32_t crc = 0xFFFFFFFFu;
  for (const char ch : data) {
    crc ^= static_cast<unsigned char>(ch);
    for (int bit = 0; bit < 8; ++bit) {
      crc = (crc >> 1) ^ (0xEDB88320u & (0u - (crc & 1u)));
    }
  }
  return ~crc;
}

void Put(std::string& out, std::uint32_t value, int bytes) {
  for (int index = 0; index < bytes; ++index) {
    out += static_cast<char>((value >> (8 * index)) & 0xFF);
  }
}

std::string StoredZip(const std::vector<std::pair<std::string, std::string>>& parts) {
  std::string zip;
  std::string directory;
  for (const auto& [name, data] : parts) {
    const auto offset = static_cast<std::uint32_t>(zip.size());
    const std::uint32_t crc = Crc32(data);
    const auto size = static_cast<std::uint32_t>(data.size());
    Put(zip, 0x04034b50, 4);
    Put(zip, 20, 2), Put(zip, 0, 2), Put(zip, 0, 2), Put(zip, 0, 4);
    Put(zip, crc, 4), Put(zip, size, 4), Put(zip, size, 4);
    Put(zip, static_cast<std::uint32_t>(name.size()), 2), Put(zip, 0, 2);
    zip += name + data;
    Put(directory, 0x02014b50, 4);
    Put(directory, 20, 2), Put(directory, 20, 2), Put(directory, 0, 2), Put(directory, 0, 2);
    Put(directory, 0, 4), Put(directory, crc, 4), Put(directory, size, 4), Put(directory, size, 4);
    Put(directory, static_cast<std::uint32_t>(name.size()), 2);
    Put(directory, 0, 2), Put(directory, 0, 2), Put(directory, 0, 2), Put(directory, 0, 2);
    Put(directory, 0, 4), Put(directory, offset, 4);
    directory += name;
  }
  const auto directoryOffset = static_cast<std::uint32_t>(zip.size());
  zip += directory;
  Put(zip, 0x06054b50, 4), Put(zip, 0, 2), Put(zip, 0, 2);
  Put(zip, static_cast<std::uint32_t>(parts.size()), 2), Put(zip, static_cast<std::uint32_t>(parts.size()), 2);
  Put(zip, static_cast<std::uint32_t>(directory.size()), 4), Put(zip, directoryOffset, 4), Put(zip, 0, 2);
  return zip;
}

TEST_F(XlsxWriter, TheCheckOfAFinishedWorkbookFindsEveryDamage) {
  const std::string sheet = "<?xml version=\"1.0\"?>\n<worksheet a=\"1\"><row r=\"1\"/></worksheet>\n";
  const std::string sound = StoredZip({{"[Content_Types].xml", "<?xml version=\"1.0\"?><Types/>"},
                                       {"xl/worksheets/sheet1.xml", sheet},
                                       {"docProps/thumb.bin", "\x01"}});
  std::string flipped = sound;
  flipped[flipped.find("row")] = 'R';
  struct Case {
    const char* name;
    std::string bytes;
    const char* defect;  // a part of the message; empty: sound
  };
  const Case cases[] = {
      {"sound", sound, ""},
      {"empty file", "", "пуст"},
      {"cut before its end record", sound.substr(0, sound.size() - 5), "оглавления"},
      {"a byte changed in a part", flipped, "контрольная сумма"},
      {"an empty part", StoredZip({{"xl/styles.xml", ""}}), "пуста"},
      {"a part cut inside a tag, its sum recorded as cut",
       StoredZip({{"xl/worksheets/sheet1.xml", sheet.substr(0, sheet.find("\"1\"/>"))}}), "обрезан"},
      {"a part cut after a whole tag", StoredZip({{"xl/worksheets/sheet1.xml", sheet.substr(0, sheet.find("</worksheet>"))}}),
       "обрезан"},
      {"no root element", StoredZip({{"xl/workbook.xml", "<?xml version=\"1.0\"?>"}}), "обрезан"},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    std::ofstream(folder_ / "check.xlsx", std::ios::binary | std::ios::trunc) << c.bytes;
    const std::string defect = WorkbookDefect(File("check.xlsx"));
    if (*c.defect == 0) {
      EXPECT_EQ(defect, "");
    } else {
      EXPECT_NE(defect.find(c.defect), std::string::npos) << defect;
    }
  }
  WriteXlsxProtocol(FullReport(TProtForm::Compact), File("real.xlsx"), Fixed());
  EXPECT_EQ(WorkbookDefect(File("real.xlsx")), "");
}

}  // namespace
}  // namespace brisolt

#endif  // BRISOLT_HAVE_XLSX
