// Protocol assembly and writing at the largest size the program is meant for: prints the time of
// BuildReport on an in-memory file set and of each writer (HTML, XML spreadsheet, XLSX where
// built), and the size of each file; then BuildResults and the JSON data against the HTML page. Spreadsheets past the row limit are refused, so the compact
// layout is also written with as many persons as fit.
// Usage: bench_protocol [persons] [periods] [folder] [checks]   (defaults 100000, 16, the temp
// folder; "checks": only what runs before writing, the HTML estimate and the XLSX byte count)
#include <algorithm>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <string>

#include "engine/constants.h"
#include "engine/report.h"
#include "engine/results.h"
#include "protocol/protdata.h"
#include "engine/sverka.h"
#include "protocol/prot.h"
#include "base/encoding.h"
#ifdef BRISOLT_HAVE_XLSX
#include "protocol/protxlsx.h"
#endif

namespace {

using Clock = std::chrono::steady_clock;

double SecondsSince(Clock::time_point start) {
  return std::chrono::duration<double>(Clock::now() - start).count();
}

brisolt::TFileSet MakeFileSet(int persons, int periods) {
  using namespace brisolt;
  TFileSet set;
  for (int index = 0; index < periods; ++index) {
    const int year = index < 2 ? 2010 : 2011 + (index - 2) / 4;
    const int quarter = index < 2 ? index + 1 : (index - 2) % 4 + 1;
    set.ReportPeriods.push_back({year, quarter});
    TFileRec file;
    file.FileName = "PFR-700-Y-" + std::to_string(year) + "-ORG-087-001-012345-DCK-" +
                    std::to_string(index + 1) + ".XML";
    file.FormKind = Utf8ToCp1251("СЗВ-6-1");
    file.DataType = Utf8ToCp1251("ИСХОДНАЯ");
    file.PeriodYear = year;
    file.PeriodQuarter = quarter;
    file.CategoryCode = Utf8ToCp1251("НР");
    set.SZV6Files.push_back(file);
  }
  TFileRec file63;
  file63.FileName = "szv63.xml";
  file63.DataType = Utf8ToCp1251("ИСХОДНАЯ");
  file63.Year = 2012;
  file63.CategoryCode = Utf8ToCp1251("НР");
  set.SZV63Files.push_back(file63);
  const std::string code = Utf8ToCp1251("НР");
  set.Sotrs.reserve(static_cast<std::size_t>(persons));
  for (int person = 0; person < persons; ++person) {
    TSZV6Sotr sotr;
    char snils[16];
    std::snprintf(snils, sizeof snils, "%011d", person);
    sotr.SNILS = snils;
    sotr.LastName = Utf8ToCp1251("Иванов") + std::to_string(person);
    sotr.FirstName = Utf8ToCp1251("Иван");
    sotr.MiddleName = Utf8ToCp1251("Иванович");
    for (int index = 0; index < periods; ++index) {
      // Every tenth person stops a period early and leaves a small debt.
      if (person % 10 == 0 && index == periods - 1) {
        break;
      }
      TSZV6NU entry;
      entry.Year = set.ReportPeriods[static_cast<std::size_t>(index)].Year;
      entry.Quarter = set.ReportPeriods[static_cast<std::size_t>(index)].Quarter;
      entry.CategoryCode = code;
      entry.FileIndex = index;
      entry.InsAccrued = 180000000 + person % 1000;
      entry.InsPaid = entry.InsAccrued - (person % 10 == 0 ? 5000 : 0);
      entry.FundAccrued = 54000000;
      entry.FundPaid = 54000000;
      entry.StageDates.push_back({40179, PeriodEndDate(entry.Year, entry.Quarter)});
      sotr.NUList.push_back(std::move(entry));
    }
    TSZV63NU payments;
    payments.Year = 2012;
    payments.CategoryCode = code;
    payments.FileNumber = 1;
    for (int month = 1; month <= 12; ++month) {
      payments.Months[static_cast<std::size_t>(month)] = {300000000, 300000000};
    }
    sotr.NU63List.push_back(payments);
    set.Sotrs.push_back(std::move(sotr));
  }
  return set;
}

enum class Format { Html, Xml, Xlsx };

const char* Name(Format format) {
  switch (format) {
    case Format::Html: return "HTML";
    case Format::Xml: return "XML";
    case Format::Xlsx: return "XLSX";
  }
  return "";
}

const char* Extension(Format format) {
  switch (format) {
    case Format::Html: return ".html";
    case Format::Xml: return ".xml";
    case Format::Xlsx: return ".xlsx";
  }
  return "";
}

void Write(Format format, const brisolt::TReport& report, const std::string& fileName) {
  switch (format) {
    case Format::Html:
      brisolt::WriteHtmlProtocol(report, fileName);
      return;
    case Format::Xml:
      brisolt::WriteXmlProtocol(report, fileName);
      return;
    case Format::Xlsx:
#ifdef BRISOLT_HAVE_XLSX
      brisolt::WriteXlsxProtocol(report, fileName, {});
#endif
      return;
  }
}

#ifdef BRISOLT_HAVE_XLSX
constexpr Format kFormats[] = {Format::Html, Format::Xml, Format::Xlsx};
#else
constexpr Format kFormats[] = {Format::Html, Format::Xml};
#endif

}  // namespace

int main(int argc, char** argv) {
  const int persons = argc > 1 ? std::atoi(argv[1]) : 100000;
  const int periods = argc > 2 ? std::atoi(argv[2]) : 16;
  const std::filesystem::path folder =
      argc > 3 ? std::filesystem::path(argv[3]) : std::filesystem::temp_directory_path();

  auto start = Clock::now();
  brisolt::TFileSet set = MakeFileSet(persons, periods);
  std::printf("file set in memory: %d persons x %d periods, %.2f s\n", persons, periods,
              SecondsSince(start));

  brisolt::TReport report;
  start = Clock::now();
  brisolt::BuildReport(set,
                       {.ProgVersion = "bench", .ProgURL = "https://example/", .OrgName = "bench",
                        .RegNumb = "087-001-012345"},
                       report);
  std::printf("BuildReport: %.2f s (%zu lines, %zu forgotten, %zu СЗВ-6-3 blocks)\n",
              SecondsSince(start), report.MainLines.size(), report.ForgottenLines.size(),
              report.SZV63Blocks.size());

  // What runs before a protocol is written: the HTML page's estimate and the XLSX sheets' bytes.
  for (const brisolt::TProtForm layout : {brisolt::TProtForm::Compact, brisolt::TProtForm::Detailed}) {
    report.ProtForm = layout;
    start = Clock::now();
    const auto estimate = brisolt::EstimateHtmlProtocolBytes(report);
    std::printf("%s HTML estimated at %.1f MB in %.3f s", layout == brisolt::TProtForm::Detailed ? "detailed" : "compact",
                static_cast<double>(estimate) / 1e6, SecondsSince(start));
#ifdef BRISOLT_HAVE_XLSX
    if (layout == brisolt::TProtForm::Detailed) {
      start = Clock::now();
      std::uint64_t most = 0;
      for (const auto& sheet : brisolt::XlsxSheetBytesAtLeast(report)) {
        most = std::max(most, sheet.Bytes);
      }
      std::printf("; XLSX sheets' bytes counted in %.3f s (the largest at least %.1f MB)",
                  SecondsSince(start), static_cast<double>(most) / 1e6);
    }
#endif
    std::printf("\n");
  }
  if (argc > 4 && std::string(argv[4]) == "checks") {
    return 0;
  }

  // The spreadsheets of the compact layout pass the programs' row limit at this size and are
  // refused; the persons that fit are written again so that the formats can still be compared.
  brisolt::TReport fitting = report;
  const std::size_t fit = (brisolt::TSheetLimits{}.Rows - 3) / static_cast<std::size_t>(periods);
  if (fitting.MainLines.size() > fit) {
    fitting.MainLines.resize(fit);
  }
  using brisolt::TProtForm;
  for (const TProtForm layout : {TProtForm::Compact, TProtForm::Detailed}) {
    const char* const layoutName = layout == TProtForm::Detailed ? "detailed" : "compact";
    for (brisolt::TReport* source : {&report, &fitting}) {
      if (source == &fitting &&
          (layout == TProtForm::Detailed || fitting.MainLines.size() == report.MainLines.size())) {
        continue;
      }
      brisolt::TReport& current = *source;
      current.ProtForm = layout;
      std::printf("%s layout, %zu persons:\n", layoutName, current.MainLines.size());
      double xmlSeconds = 0;
      double xmlMegabytes = 0;
      for (const Format format : kFormats) {
        const std::filesystem::path target =
            folder / (std::string("bench_protocol") + Extension(format));
        start = Clock::now();
        try {
          Write(format, current, brisolt::NativeFromPath(target));
        } catch (const brisolt::ESpreadsheetTooLarge& refusal) {
          std::printf("  %-5s refused: %s\n", Name(format), refusal.what());
          continue;
        }
        const double seconds = SecondsSince(start);
        const double megabytes = static_cast<double>(std::filesystem::file_size(target)) / 1e6;
        std::printf("  %-5s %6.2f s, %7.1f MB, %5.0f MB/s", Name(format), seconds, megabytes,
                    megabytes / seconds);
        if (format == Format::Xml) {
          xmlSeconds = seconds;
          xmlMegabytes = megabytes;
        }
        if (format == Format::Xlsx && xmlSeconds > 0) {
          std::printf("   (against XML: %.2fx the time, %.3fx the size)", seconds / xmlSeconds,
                      megabytes / xmlMegabytes);
        }
        std::printf("\n");
        std::filesystem::remove(target);
      }
    }
  }

  // The JSON carries every period's ten amounts of every person: the detailed page's content.
  brisolt::TResults results;
  start = Clock::now();
  brisolt::BuildResults(set, report, false, results);
  std::printf("BuildResults: %.2f s (%zu persons with an action)\n", SecondsSince(start), results.ByOwed.size());
  const std::filesystem::path json = folder / "bench_protocol.json";
  const std::filesystem::path html = folder / "bench_protocol.html";
  const std::filesystem::path csv = folder / "bench_protocol.csv";
  const std::string stamp = brisolt::CurrentProtocolStamp();
  for (const TProtForm layout : {TProtForm::Compact, TProtForm::Detailed}) {
    report.ProtForm = layout;
    double best[2] = {1e9, 1e9};
    for (int round = 0; round < 3; ++round) {
      start = Clock::now();
      brisolt::WriteHtmlProtocol(report, brisolt::NativeFromPath(html), stamp);
      best[0] = std::min(best[0], SecondsSince(start));
      start = Clock::now();
      brisolt::WriteJsonProtocol(report, results, brisolt::NativeFromPath(json), stamp);
      best[1] = std::min(best[1], SecondsSince(start));
    }
    std::printf("%s HTML %.2f s, %.1f MB; JSON %.2f s, %.1f MB: %.2fx the HTML's time (best of 3)\n",
                layout == TProtForm::Detailed ? "detailed" : "compact", best[0],
                static_cast<double>(std::filesystem::file_size(html)) / 1e6, best[1],
                static_cast<double>(std::filesystem::file_size(json)) / 1e6, best[1] / best[0]);
  }
  start = Clock::now();
  brisolt::WriteCsvActions(report, results, brisolt::NativeFromPath(csv));
  std::printf("CSV action list: %.2f s, %.1f MB\n", SecondsSince(start),
              static_cast<double>(std::filesystem::file_size(csv)) / 1e6);
  std::filesystem::remove(json);
  std::filesystem::remove(html);
  std::filesystem::remove(csv);
  return 0;
}
