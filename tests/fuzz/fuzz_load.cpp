// A whole folder load: the input, cut at "\n====\n", becomes a few pack files in a folder and its
// sub-folder; the first byte picks the options and where each file goes. The load, the checks and
// the assembly of the protocol must hold together whatever the files say: every reference within
// the file set in range, the periods ascending, one entry per period in every protocol line.
#include <unistd.h>

#include <cstddef>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <array>
#include <filesystem>
#include <optional>
#include <string>
#include <vector>

#include "checks.h"
#include "engine/report.h"
#include "engine/sverka.h"
#include "forms/szv6.h"
#include "protocol/prot.h"

namespace {

using namespace brisolt;
namespace fs = std::filesystem;

void Check(bool condition, const char* what) {
  if (!condition) {
    std::fprintf(stderr, "fuzz_load: %s\n", what);
    __builtin_trap();
  }
}

// Made once: a fresh folder per input cost more than the load itself.
const fs::path& Scratch() {
  static const fs::path folder = [] {
    fs::path made = fuzzing::ScratchPath("brisolt-fuzz-load");
    std::error_code ignored;
    fs::remove_all(made, ignored);
    fs::create_directories(made / "sub");
    return made;
  }();
  // Removed when the run ends by its time or its count (a finding ends it without this); the
  // handler is registered after the folder's name, so it runs while the name still exists.
  [[maybe_unused]] static const int removal = std::atexit([] {
    std::error_code ignored;
    fs::remove_all(Scratch(), ignored);
  });
  return folder;
}

// Puts the input's files in place and removes those of the input before that are not among them,
// so that the folder holds exactly this input's files. A file already in its place with the same
// bytes (a mutation mostly changes one file of the input) is left as it is.
void PlaceFiles(const std::vector<std::string>& files, unsigned options) {
  constexpr std::size_t kSlots = 6;
  enum : char { kNone, kTop, kSub };
  static std::array<char, kSlots> placed{};  // where each slot's file is now
  static std::array<std::optional<std::string>, kSlots> contents;  // and what it holds, when known
  for (std::size_t index = 0; index < kSlots; ++index) {
    const std::string name = "PFR-700-Y-2011-ORG-087-123-456789-DCK-0000" + std::to_string(index) +
                             "-DPT-000000-DCK-00000.XML";
    const char wanted = index >= files.size() ? kNone : ((options >> (2 + index)) & 1) ? kSub : kTop;
    if (placed[index] != kNone && placed[index] != wanted) {
      ::unlink((placed[index] == kSub ? Scratch() / "sub" / name : Scratch() / name).c_str());
      contents[index].reset();
    }
    if (wanted != kNone && placed[index] == wanted && contents[index] == files[index]) {
      continue;
    }
    placed[index] = wanted;
    contents[index].reset();
    if (wanted != kNone) {
      const fs::path path = wanted == kSub ? Scratch() / "sub" / name : Scratch() / name;
      if (std::FILE* file = std::fopen(path.c_str(), "wb")) {
        const bool whole = std::fwrite(files[index].data(), 1, files[index].size(), file) == files[index].size();
        if (std::fclose(file) == 0 && whole) contents[index] = files[index];
      }
    }
  }
}

std::vector<std::string> SplitFiles(const std::string& bytes) {
  static const std::string kCut = "\n====\n";
  std::vector<std::string> files;
  std::size_t start = 0;
  while (files.size() < 6) {
    const std::size_t end = bytes.find(kCut, start);
    files.push_back(bytes.substr(start, end == std::string::npos ? std::string::npos : end - start));
    if (end == std::string::npos) break;
    start = end + kCut.size();
  }
  return files;
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  if (size == 0) return 0;
  const unsigned options = data[0];
  const std::vector<std::string> files = SplitFiles(std::string(reinterpret_cast<const char*>(data) + 1, size - 1));

  PlaceFiles(files, options);

  TFileSet fileSet;
  fileSet.Threads = 1;  // workers started per input would cost more than these few files
  std::vector<std::string> messages;
  try {
    fileSet.LoadSubmissions(Scratch().string() + "/", (options & 1) != 0, (options & 2) != 0,
                            "087-123-456789,087-123-000001", messages,
                            [](const std::string&, const std::string&, int, int) {});
  } catch (const EConvertError&) {
    return 0;  // an impossible date in a pack ends the run by design
  }
  for (std::size_t period = 1; period < fileSet.ReportPeriods.size(); ++period) {
    const TReportPeriod& before = fileSet.ReportPeriods[period - 1];
    const TReportPeriod& after = fileSet.ReportPeriods[period];
    Check(before.Year < after.Year || (before.Year == after.Year && before.Quarter < after.Quarter),
          "periods not ascending");
  }
  for (const TSZV6Sotr& person : fileSet.Sotrs) {
    for (const TSZV6NU& entry : person.NUList) {
      Check(entry.FileIndex >= 0 && static_cast<std::size_t>(entry.FileIndex) < fileSet.SZV6Files.size(),
            "an entry names a file out of range");
    }
  }
  if (fileSet.Sotrs.empty()) return 0;

  for (const TSaldoFilter filter : {TSaldoFilter::All, TSaldoFilter::NonZero, TSaldoFilter::Debt,
                                    TSaldoFilter::Overpayment}) {
    TReport report;
    BuildReport(fileSet,
                {.Messages = messages, .ProgVersion = "1.0", .ProgURL = "https://brisolt.example/", .OrgName = "X",
                 .RegNumb = "087-123-456789", .SaldoFilter = filter},
                report);
    Check(report.PeriodList.size() == fileSet.ReportPeriods.size(), "period list differs from the file set");
    Check(report.PeriodTotals.size() == fileSet.ReportPeriods.size(), "one total per period expected");
    Check(report.FileList.size() == fileSet.SZV6Files.size() + fileSet.SZV63Files.size(),
          "file list differs from the file set");
    for (const TMainLine& line : report.MainLines) {
      Check(line.Periods.size() == fileSet.ReportPeriods.size(), "a line without one entry per period");
    }
    Check(report.MainLines.size() <= fileSet.Sotrs.size(), "more lines than persons");
  }
  return 0;
}
