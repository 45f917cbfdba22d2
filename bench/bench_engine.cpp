// Loads a generated folder of one large insurer and prints the time of each loading stage, of the
// per-person checks and period totals the protocol asks for, the peak memory of the load, and the
// time of the window's list of insurers of the same folder.
//
// bench_engine [--persons N] [--periods N] [--seed N] [--folder DIR] [--keep]
// Without --folder a folder is generated in the temporary folder (and removed unless --keep).
#include <chrono>
#include <ctime>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <string>
#include <vector>

#include "engine/sverka.h"
#include "bench_common.h"
#include "packgen.h"

namespace {

using brisolt::bench::Clock;
using brisolt::bench::CurrentKilobytes;
using brisolt::bench::PeakKilobytes;
using brisolt::bench::Seconds;

// Starts the peak anew, so that generating the folder does not count.
void ResetPeak() { std::ofstream("/proc/self/clear_refs") << "5"; }

}  // namespace

int main(int argc, char** argv) {
  brisolt::packgen::TGenOptions options;
  options.Persons = 20000;
  options.Periods = 16;
  std::string folder;
  bool keep = false;
  for (int index = 1; index < argc; ++index) {
    const std::string argument = argv[index];
    const bool hasValue = index + 1 < argc;
    if (argument == "--persons" && hasValue) {
      options.Persons = std::atoi(argv[++index]);
    } else if (argument == "--periods" && hasValue) {
      options.Periods = std::atoi(argv[++index]);
    } else if (argument == "--seed" && hasValue) {
      options.Seed = std::strtoull(argv[++index], nullptr, 10);
    } else if (argument == "--folder" && hasValue) {
      folder = argv[++index];
    } else if (argument == "--keep") {
      keep = true;
    } else {
      std::fprintf(stderr, "usage: bench_engine [--persons N] [--periods N] [--seed N] [--folder DIR] [--keep]\n");
      return 2;
    }
  }
  const bool generate = folder.empty();
  if (generate) {
    folder = (std::filesystem::temp_directory_path() / ("brisolt-bench-engine-" + std::to_string(options.Persons)))
                 .string();
    std::filesystem::remove_all(folder);
    const auto start = Clock::now();
    const auto summary = brisolt::packgen::GenerateFolder(options, folder);
    std::printf("generated %d persons x %d periods: %d files, %lld documents, %.1f MB in %.2f s\n", options.Persons,
                options.Periods, summary.Files, static_cast<long long>(summary.Documents),
                static_cast<double>(summary.Bytes) / 1e6, Seconds(start, Clock::now()));
  }

  ResetPeak();
  const long baseline = CurrentKilobytes();
  struct TStage {
    std::string Name;
    Clock::time_point Start;
  };
  std::vector<TStage> stages;
  const auto progress = [&stages](const std::string& stage, const std::string&, int, int) {
    if (stages.empty() || stages.back().Name != stage) {
      stages.push_back({stage, Clock::now()});
    }
  };
  brisolt::TFileSet files;
  std::vector<std::string> messages;
  const auto loadStart = Clock::now();
  files.LoadSubmissions(folder, false, false, "087-001-012345", messages, progress);
  const auto loadEnd = Clock::now();
  const long loadPeak = PeakKilobytes();
  const long afterLoad = CurrentKilobytes();

  std::printf("load: %.2f s (%zu СЗВ-6 packs, %zu СЗВ-6-3 packs, %zu persons, %zu periods, %zu messages)\n",
              Seconds(loadStart, loadEnd), files.SZV6Files.size(), files.SZV63Files.size(), files.Sotrs.size(),
              files.ReportPeriods.size(), messages.size());
  std::printf("  %-40s %8.3f s\n", "counting files", Seconds(loadStart, stages.empty() ? loadEnd : stages[0].Start));
  for (std::size_t index = 0; index < stages.size(); ++index) {
    const auto end = index + 1 < stages.size() ? stages[index + 1].Start : loadEnd;
    std::printf("  %-40s %8.3f s\n", stages[index].Name.c_str(), Seconds(stages[index].Start, end));
  }

  // What the protocol asks of every person and period.
  auto queryStart = Clock::now();
  std::vector<std::string> notes;
  long long flagged = 0;
  brisolt::TAmount check = 0;
  for (int person = 0; person < static_cast<int>(files.Sotrs.size()); ++person) {
    const std::vector<brisolt::TPeriodSums> periodSums = files.GetPeriodSumsByPeriod(person);
    flagged += files.CheckSotr(person, periodSums, notes).SaldoFlags != 0 ? 1 : 0;
    for (const auto& sums : periodSums) {
      check += sums.InsAccrued;
    }
  }
  const double personSeconds = Seconds(queryStart, Clock::now());
  queryStart = Clock::now();
  for (const auto& totals : files.GetPeriodTotalsByPeriod()) {
    check += totals.InsPaid;
  }
  const double totalsSeconds = Seconds(queryStart, Clock::now());
  queryStart = Clock::now();
  brisolt::TAmount onePass = 0;
  for (int person = 0; person < static_cast<int>(files.Sotrs.size()); ++person) {
    for (const auto& sums : files.GetPeriodSumsByPeriod(person)) {
      onePass += sums.InsAccrued;
    }
  }
  for (const auto& sums : files.GetPeriodTotalsByPeriod()) {
    onePass += sums.InsPaid;
  }
  const double onePassSeconds = Seconds(queryStart, Clock::now());
  std::printf("checks and period sums of every person: %.3f s (%lld with a non-zero balance)\n", personSeconds, flagged);
  std::printf("period totals: %.3f s (checksum %lld)\n", totalsSeconds, static_cast<long long>(check));
  std::printf("the same sums and totals in one pass per person: %.3f s (checksum %s)\n", onePassSeconds,
              onePass == check ? "equal" : "DIFFERENT");
  std::printf("memory: peak during the load %.1f MB, resident after it %.1f MB, before it %.1f MB\n", loadPeak / 1024.0,
              afterLoad / 1024.0, baseline / 1024.0);

  // The window's list of insurers of the same folder, with its progress as the window has it.
  std::vector<std::string> names;
  std::vector<std::string> regNumbs;
  int scanned = 0;
  // It runs on one thread: its processor time is what it takes on a machine that others do not
  // share.
  const std::clock_t scanCpuStart = std::clock();
  const auto scanStart = Clock::now();
  brisolt::TFileSet::ScanInsurers(folder, false, names, regNumbs,
                                  [&scanned](const std::string&, const std::string&, int, int) { ++scanned; });
  const double scanSeconds = Seconds(scanStart, Clock::now());
  const double scanCpu = static_cast<double>(std::clock() - scanCpuStart) / CLOCKS_PER_SEC;
  std::printf("insurer list: %.3f s, processor %.3f s (%d files, %zu insurers)\n", scanSeconds, scanCpu, scanned,
              names.size());

  if (generate && !keep) {
    std::filesystem::remove_all(folder);
  }
  return 0;
}
