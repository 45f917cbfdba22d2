// A report made from the input, of the shape the assembly builds (every line has one entry per
// period, one total per period) but with any bytes in its texts and any amounts, through the
// writer of one format, which the input's first byte picks. The page must pass a strict markup
// check, the workbook must be well-formed XML with one worksheet per expected sheet, every
// windows-1251 protocol must decode strictly, the JSON must be JSON and the CSV hold no field a
// spreadsheet would run; a crash or a sanitizer report is a finding too.
#include <fuzzer/FuzzedDataProvider.h>

#include <cstddef>
#include <cstdint>
#include <cstdio>
#include <iterator>
#include <string>
#include <vector>

#include "checks.h"
#include "engine/results.h"
#include "engine/sverka.h"
#include "protocol/prot.h"
#include "protocol/protdata.h"
#ifdef BRISOLT_HAVE_XLSX
#include "../protocol/sheet_grid.h"
#include "../protocol/workbook_check.h"
#include "protocol/protxlsx.h"
#endif

namespace {

using namespace brisolt;

const std::string& ScratchFile() {
  static const std::string name = fuzzing::ScratchPath("brisolt-fuzz-write");
  return name;
}

// A finding: the scratch file goes first, so that a run ended by a check leaves nothing behind
// (the report tells what was wrong, and the input reproduces it).
[[noreturn]] void Finding() {
  std::remove(ScratchFile().c_str());
  __builtin_trap();
}

// Returns the number of worksheets the text opens.
std::size_t Check(const std::string& text, bool html, const char* what) {
  std::size_t offset = 0;
  std::size_t sheets = 0;
  const std::string error = fuzzing::MarkupError(text, html, "Worksheet", offset, sheets);
  if (!error.empty()) {
    const std::size_t from = offset > 60 ? offset - 60 : 0;
    std::fprintf(stderr, "fuzz_write: %s: %s at %zu: ...%s\n", what, error.c_str(), offset,
                 text.substr(from, 120).c_str());
    Finding();
  }
  return sheets;
}

// A protocol decoded strictly (fuzzing::UndecodableByte).
void CheckDecodesStrictly(const std::string& text, bool utf8, const char* what) {
  if (const std::size_t at = fuzzing::UndecodableByte(text, utf8); at != std::string::npos) {
    std::fprintf(stderr, "fuzz_write: %s: byte 0x%02X at %zu does not decode\n", what,
                 static_cast<unsigned char>(text[at]), at);
    Finding();
  }
}

// The file's bytes in one allocation: a stream's buffer grown by doubling cost more.
std::string ReadAll(const std::string& name) {
  std::string text;
  if (std::FILE* file = std::fopen(name.c_str(), "rb")) {
    if (std::fseek(file, 0, SEEK_END) == 0) {
      const long size = std::ftell(file);
      std::rewind(file);
      text.resize(size > 0 ? static_cast<std::size_t>(size) : 0);
      text.resize(std::fread(text.data(), 1, text.size(), file));
    }
    std::fclose(file);
  }
  return text;
}

enum class TFormat { Html, XmlSpreadsheet, Xlsx, Json, Csv };
constexpr TFormat kFormats[] = {TFormat::Html, TFormat::XmlSpreadsheet,
#ifdef BRISOLT_HAVE_XLSX
                                TFormat::Xlsx,
#endif
                                TFormat::Json, TFormat::Csv};

TReport MakeReport(FuzzedDataProvider& input) {
  const auto text = [&input] { return input.ConsumeRandomLengthString(40); };
  const auto amount = [&input] { return input.ConsumeIntegral<std::int64_t>(); };
  TReport report;
  report.ProtForm = input.ConsumeBool() ? TProtForm::Detailed : TProtForm::Compact;
  report.ProgName = text();
  report.ProgVersion = text();
  report.ProgURL = text();
  report.ProgNote = text();
  report.OrgName = text();
  report.RegNumb = text();
  for (int file = input.ConsumeIntegralInRange(0, 4); file > 0; --file) report.AddFile(text());
  const int periods = input.ConsumeIntegralInRange(1, 4);
  for (int period = 0; period < periods; ++period) {
    report.AddPeriod(text());
    TTotalRec total;
    for (auto& value : total.Values) value = amount();
    report.AddTotal(total);
  }
  for (int error = input.ConsumeIntegralInRange(0, 3); error > 0; --error) report.AddError(text());
  for (int person = input.ConsumeIntegralInRange(0, 4); person > 0; --person) {
    static const TLineMark kMarks[] = {TLineMark::Plain, TLineMark::Conflict, TLineMark::DismissalDebt,
                                       TLineMark::ConflictAndDismissalDebt};
    static const TDismissalKind kDismissals[] = {TDismissalKind::NoWork, TDismissalKind::AtWork,
                                                 TDismissalKind::Left};
    const TLineMark mark = kMarks[input.ConsumeIntegralInRange(0, 3)];
    const std::string fio = text();
    const std::string snils = text();
    const TDismissal dismissal{kDismissals[input.ConsumeIntegralInRange(0, 2)], text()};
    const std::size_t line = report.AddMainLine(mark, fio, snils, dismissal);
    for (int period = 0; period < periods; ++period) {
      report.AddLinePeriod(line, {text(), amount(), amount(), amount(), amount(), amount(), amount(), amount(),
                           amount(), amount(), amount()});
    }
    for (int note = input.ConsumeIntegralInRange(0, 2); note > 0; --note) report.AddLineNote(line, text());
  }
  for (int forgotten = input.ConsumeIntegralInRange(0, 2); forgotten > 0; --forgotten) {
    report.AddForgottenLine(text(), text(), amount(), amount());
  }
  if (input.ConsumeBool()) {
    report.SetSZV63Year(input.ConsumeIntegral<std::int32_t>());
    for (int block = input.ConsumeIntegralInRange(0, 2); block > 0; --block) {
      const std::size_t index = report.AddSZV63Block(text(), text());
      // The assembly opens a block only for a person with at least one category.
      for (int line = input.ConsumeIntegralInRange(1, 2); line > 0; --line) {
        std::array<std::int64_t, 4> calculated{};
        std::array<std::int64_t, 4> fromIS{};
        std::array<bool, 4> mismatch{};
        for (int quarter = 0; quarter < 4; ++quarter) {
          // Halved so that the derived difference cannot overflow.
          calculated[quarter] = amount() / 2;
          fromIS[quarter] = amount() / 2;
          mismatch[quarter] = input.ConsumeBool();
        }
        report.AddSZV63Line(index, text(), calculated, fromIS, mismatch);
      }
    }
  }
  return report;
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  if (size == 0) return 0;
  // The first byte picks the one format this input is written in: every format for every input
  // cost five times as much and told the fuzzer little more, as the report is the same.
  const TFormat format = kFormats[data[0] % std::size(kFormats)];
  FuzzedDataProvider input(data + 1, size - 1);
  const TReport report = MakeReport(input);
  const std::string stamp = "07.12.2026 12:34:56";
  const std::size_t expected = report.SZV63Year != 0 && !report.SZV63Blocks.empty() ? 5 : 4;

  switch (format) {
    case TFormat::Html: {
      WriteHtmlProtocol(report, ScratchFile(), stamp);
      const std::string page = ReadAll(ScratchFile());
      Check(page, true, "page");
      CheckDecodesStrictly(page, false, "page");
      break;
    }
    case TFormat::XmlSpreadsheet: {
      WriteXmlProtocol(report, ScratchFile(), stamp);
      const std::string workbook = ReadAll(ScratchFile());
      const std::size_t sheets = Check(workbook, false, "workbook");
      CheckDecodesStrictly(workbook, false, "workbook");
      if (sheets != expected) {
        std::fprintf(stderr, "fuzz_write: %zu worksheets, %zu expected\n", sheets, expected);
        Finding();
      }
      break;
    }
#ifdef BRISOLT_HAVE_XLSX
    case TFormat::Xlsx: {
      // The workbook is a whole zip on two deflating threads (started only for a part past one
      // chunk), and each of its parts well-formed XML; it holds the XML spreadsheet's sheets.
      TSpreadsheetOptions options;
      options.Stamp = stamp;
      options.Threads = 2;
      WriteXlsxProtocol(report, ScratchFile(), options);
      if (const std::string defect = testing::WorkbookDefect(ScratchFile()); !defect.empty()) {
        std::fprintf(stderr, "fuzz_write: xlsx: %s\n", defect.c_str());
        Finding();
      }
      std::size_t xlsxSheets = 0;
      for (const auto& [name, text] : testing::UnzipAll(ReadAll(ScratchFile()))) {
        Check(text, false, name.c_str());
        CheckDecodesStrictly(text, true, name.c_str());
        xlsxSheets += name.starts_with("xl/worksheets/") ? 1 : 0;
      }
      if (xlsxSheets != expected) {
        std::fprintf(stderr, "fuzz_write: %zu xlsx worksheets, %zu expected\n", xlsxSheets, expected);
        Finding();
      }
      break;
    }
#else
    case TFormat::Xlsx:
      break;
#endif
    case TFormat::Json:
    case TFormat::Csv: {
      // The data formats: the JSON well-formed, the CSV with no field a spreadsheet would run.
      TFileSet noFiles;
      TResults results;
      BuildResults(noFiles, report, false, results);
      if (format == TFormat::Json) {
        WriteJsonProtocol(report, results, ScratchFile(), stamp);
        const std::string json = ReadAll(ScratchFile());
        std::size_t offset = 0;
        if (const std::string error = fuzzing::JsonError(json, offset); !error.empty()) {
          std::fprintf(stderr, "fuzz_write: json: %s at %zu: ...%s\n", error.c_str(), offset,
                       json.substr(offset > 60 ? offset - 60 : 0, 120).c_str());
          Finding();
        }
      } else {
        WriteCsvActions(report, results, ScratchFile());
        if (const std::string field = fuzzing::RunnableCsvField(ReadAll(ScratchFile())); !field.empty()) {
          std::fprintf(stderr, "fuzz_write: csv: a spreadsheet would run the field \"%s\"\n", field.c_str());
          Finding();
        }
      }
      break;
    }
  }
  std::remove(ScratchFile().c_str());
  return 0;
}
