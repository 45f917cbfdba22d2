// The whole batch run (RunProtocol: read and fold the packs, assemble and write the protocol)
// against pugixml reading and parsing the same files in place on one core, the floor any reader
// built on an XML parser meets. The two take turns, round after round, so that a busy machine
// slows both alike; prints the best and the median of each, their ratio, the run's peak memory and
// the time of each stage of the best run.
//
// Each run of the pipeline is a child process of its own, so that its peak memory is its own and
// not that of the benchmark or of an earlier round.
//
// bench_pipeline [--persons N] [--periods N] [--folder DIR] [--threads N] [--rounds N]
//                [--form 0|1] [--format 0|1] [--saldofilter N] [--keep]
// --folder names an existing folder of packs, or one to generate and keep. Without it a folder is
// generated in the temporary folder and removed at the end unless --keep. --threads (or the
// environment variable BRISOLT_THREADS) sets the number of reading threads; 0, the default, lets
// the program decide.
//
// bench_pipeline --compare EARLIER [--current PROGRAM] [--folder DIR] [--rounds N] ...
// runs two builds of the program itself in batch mode in turn instead (see Compare below): an
// earlier one, and the current one (by default the brisolt of this build folder).
#include <poll.h>
#include <pty.h>
#include <sys/inotify.h>
#include <sys/resource.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cerrno>

#include <algorithm>
#include <cctype>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <map>
#include <string>
#include <thread>
#include <vector>

#include "app/pipeline.h"
#include "bench_common.h"
#include "packgen.h"
#include "base/encoding.h"

#ifdef BRISOLT_HAVE_PUGIXML
#include <pugixml.hpp>
#endif

namespace {

namespace fs = std::filesystem;
using brisolt::bench::Clock;
using brisolt::bench::Seconds;

// The peak resident size of this process's memory (VmHWM, which exec starts anew, unlike
// ru_maxrss, which also counts what the spawning process held); ru_maxrss where /proc is missing.
long PeakKilobytes() {
  if (const long peak = brisolt::bench::PeakKilobytes(); peak > 0) return peak;
  rusage usage{};
  return getrusage(RUSAGE_SELF, &usage) == 0 ? usage.ru_maxrss : 0;
}

struct TOptions {
  brisolt::packgen::TGenOptions Gen;
  std::string Folder;
  int Threads = 0;
  int Rounds = 5;
  int Form = 0;
  int Format = 0;
  int SaldoFilter = 0;
  bool Keep = false;
};

// ---------------------------------------------------------------------------------------------
// The child: one run of the pipeline. Prints "stage<TAB>name<TAB>seconds" for every stage and
// "total<TAB>seconds<TAB>peak KB<TAB>result" at the end.

int RunChild(const std::string& folder, const std::string& protocol, const TOptions& options) {
  struct TStage {
    std::string Name;
    Clock::time_point Start;
  };
  std::vector<TStage> stages;
  const auto start = Clock::now();
  stages.push_back({"counting files", start});
  const auto progress = [&stages](const std::string& stage, const std::string&, int, int) {
    if (stages.back().Name != stage) stages.push_back({stage, Clock::now()});
  };
  brisolt::TRunRequest request;
  request.Path = folder;
  request.RegNumb = brisolt::Utf8ToCp1251(options.Gen.RegNumb);
  request.OrgName = brisolt::Utf8ToCp1251("ООО \"Ромашка\"");
  // The bench takes the options as the command line's digits.
  request.SaldoFilter = static_cast<brisolt::TSaldoFilter>(options.SaldoFilter);
  request.ProtForm = static_cast<brisolt::TProtForm>(options.Form);
  request.ProtFormat = static_cast<brisolt::TProtFormat>(options.Format);
  request.ProtFileName = protocol;
  request.VersionText = "bench";
  request.Threads = options.Threads;
  request.LeaveMemoryToExit = true;  // as in batch mode
  const brisolt::TRunOutcome outcome = brisolt::RunProtocol(request, progress);
  const auto end = Clock::now();
  for (std::size_t index = 0; index < stages.size(); ++index) {
    const auto until = index + 1 < stages.size() ? stages[index + 1].Start : end;
    std::printf("stage\t%s\t%.6f\n", stages[index].Name.c_str(), Seconds(stages[index].Start, until));
  }
  std::error_code ignored;
  const auto protocolBytes = fs::file_size(protocol, ignored);
  std::printf("total\t%.6f\t%ld\t%llu\t%s\n", Seconds(start, end), PeakKilobytes(),
              ignored ? 0ull : static_cast<unsigned long long>(protocolBytes),
              outcome.Result == brisolt::TRunResult::Written ? "written" : outcome.Message.c_str());
  fs::remove(protocol, ignored);
  return outcome.Result == brisolt::TRunResult::Written ? 0 : 1;
}

struct TChildRun {
  bool Ok = false;
  double Seconds = 0;
  long PeakKB = 0;
  unsigned long long ProtocolBytes = 0;
  std::string Result;
  std::vector<std::pair<std::string, double>> Stages;
};

std::string Quoted(const std::string& text) {
  std::string result = "'";
  for (const char c : text) {
    if (c == '\'') {
      result += "'\\''";
    } else {
      result += c;
    }
  }
  return result + "'";
}

TChildRun SpawnChild(const std::string& self, const std::string& folder, const std::string& protocol,
                     const TOptions& options) {
  const std::string command = Quoted(self) + " --child " + Quoted(folder) + " " + Quoted(protocol) +
                              " --threads " + std::to_string(options.Threads) + " --form " +
                              std::to_string(options.Form) + " --format " + std::to_string(options.Format) +
                              " --saldofilter " + std::to_string(options.SaldoFilter);
  TChildRun run;
  FILE* pipe = popen(command.c_str(), "r");
  if (pipe == nullptr) return run;
  char line[4096];
  while (std::fgets(line, sizeof line, pipe) != nullptr) {
    std::string text(line);
    while (!text.empty() && (text.back() == '\n' || text.back() == '\r')) text.pop_back();
    std::vector<std::string> fields;
    std::size_t from = 0;
    for (;;) {
      const std::size_t tab = text.find('\t', from);
      fields.push_back(text.substr(from, tab == std::string::npos ? std::string::npos : tab - from));
      if (tab == std::string::npos) break;
      from = tab + 1;
    }
    if (fields[0] == "stage" && fields.size() == 3) {
      run.Stages.emplace_back(fields[1], std::atof(fields[2].c_str()));
    } else if (fields[0] == "total" && fields.size() == 5) {
      run.Seconds = std::atof(fields[1].c_str());
      run.PeakKB = std::atol(fields[2].c_str());
      run.ProtocolBytes = std::strtoull(fields[3].c_str(), nullptr, 10);
      run.Result = fields[4];
    }
  }
  run.Ok = pclose(pipe) == 0 && run.Result == "written";
  return run;
}

// ---------------------------------------------------------------------------------------------
// The files the pipeline reads: regular files of the folder named like packs.

bool NamedLikePack(std::string name) {
  for (char& c : name) c = static_cast<char>(std::toupper(static_cast<unsigned char>(c)));
  const std::string head = "PFR-700-Y-";
  if (name.size() < head.size() + 9 || name.compare(0, head.size(), head) != 0) return false;
  if (name.compare(head.size() + 4, 5, "-ORG-") != 0) return false;
  return name.size() >= 4 && name.compare(name.size() - 4, 4, ".XML") == 0;
}

std::vector<std::string> PackFiles(const std::string& folder, std::uint64_t& bytes) {
  std::vector<std::string> files;
  bytes = 0;
  for (const auto& entry : fs::directory_iterator(folder)) {
    if (entry.is_regular_file() && NamedLikePack(entry.path().filename().string())) {
      files.push_back(entry.path().string());
      bytes += entry.file_size();
    }
  }
  std::sort(files.begin(), files.end());
  return files;
}

#ifdef BRISOLT_HAVE_PUGIXML
// Reads each file into one reused buffer and parses it in place; returns the element count.
std::size_t PugixmlPass(const std::vector<std::string>& files) {
  std::vector<char> buffer;
  std::size_t elements = 0;
  for (const std::string& name : files) {
    FILE* file = std::fopen(name.c_str(), "rb");
    if (file == nullptr) std::abort();
    std::fseek(file, 0, SEEK_END);
    const long size = std::ftell(file);
    std::fseek(file, 0, SEEK_SET);
    buffer.resize(static_cast<std::size_t>(size));
    if (std::fread(buffer.data(), 1, buffer.size(), file) != buffer.size()) std::abort();
    std::fclose(file);
    pugi::xml_document document;
    if (!document.load_buffer_inplace(buffer.data(), buffer.size(), pugi::parse_default, pugi::encoding_utf8)) {
      std::abort();
    }
    elements += static_cast<std::size_t>(document.first_child() ? 1 : 0);
  }
  return elements;
}
#endif

double Median(std::vector<double> values) {
  std::sort(values.begin(), values.end());
  const std::size_t middle = values.size() / 2;
  return values.size() % 2 == 1 ? values[middle] : (values[middle - 1] + values[middle]) / 2;
}

// ---------------------------------------------------------------------------------------------
// --compare: two builds of the program itself, an earlier one and the current one, run in turn on
// the same folder as the clerk runs them (batch mode, the protocol written to tmpfs, so that the
// disk does not count). Neither needs to know it is measured: each runs on a terminal of its own
// (a pseudo-terminal), where it shows its stages as they begin, and the protocol's folder is
// watched for the temporary file the writing opens and for its renaming over the target. So the
// stages are read from outside alike for any build:
//   reading  from the start to "Сортировка списка файлов"
//   folding  from there to "Создание протокола..." (sorting the files, folding, sorting persons)
//   report   from there to the temporary file's creation (the protocol's assembly)
//   writing  from there to its renaming over the target
//   exit     from there to the end of the process
// The order of the two alternates from round to round, and each pair's ratio is taken from the
// same round, so that a machine whose load changes slows both alike.

enum EStage { kReading, kFolding, kReport, kWriting, kExit, kStageCount };
const char* const kStageNames[kStageCount] = {"reading", "folding", "report", "writing", "exit"};

struct TProgramRun {
  bool Ok = false;
  std::string Failure;
  double Seconds = 0;
  double Stages[kStageCount] = {};
  double UserSeconds = 0;
  double SystemSeconds = 0;
  long PeakKB = 0;
  long MinorFaults = 0;
  long ContextSwitches = 0;  // voluntary and involuntary
};

struct TCompareOptions {
  std::string Earlier;
  std::string Current;
  std::string ProtocolFolder = "/dev/shm";
  std::string Extension = ".html";
  std::vector<std::string> Extra;  // further /name=value parameters
};

double SecondsOf(const timeval& value) {
  return static_cast<double>(value.tv_sec) + static_cast<double>(value.tv_usec) / 1e6;
}

TProgramRun RunProgram(const std::string& program, const std::string& folder, const std::string& regNumb,
                       const std::string& protocolFolder, const TCompareOptions& compare) {
  TProgramRun run;
  const std::string target = protocolFolder + "/" + regNumb + compare.Extension;
  std::vector<std::string> arguments = {program, "/regnumb=" + regNumb, "/path=" + folder,
                                        "/orgname=ООО \"Ромашка\"", "/protfilename=" + target};
  arguments.insert(arguments.end(), compare.Extra.begin(), compare.Extra.end());
  std::vector<char*> argv;
  for (std::string& argument : arguments) argv.push_back(argument.data());
  argv.push_back(nullptr);

  const int watch = inotify_init1(IN_NONBLOCK | IN_CLOEXEC);
  if (watch < 0 || inotify_add_watch(watch, protocolFolder.c_str(), IN_CREATE | IN_MOVED_TO) < 0) {
    run.Failure = "inotify: " + std::string(std::strerror(errno));
    if (watch >= 0) close(watch);
    return run;
  }
  int terminal = -1;
  const auto start = Clock::now();
  const pid_t child = forkpty(&terminal, nullptr, nullptr, nullptr);
  if (child < 0) {
    run.Failure = "forkpty: " + std::string(std::strerror(errno));
    close(watch);
    return run;
  }
  if (child == 0) {
    execv(argv[0], argv.data());
    _exit(127);
  }
  Clock::time_point marks[kStageCount];  // when each stage ended
  bool seen[kStageCount] = {};
  const auto mark = [&](EStage stage) {
    if (!seen[stage]) {
      seen[stage] = true;
      marks[stage] = Clock::now();
    }
  };
  const std::string fileSort = "Сортировка списка файлов";
  const std::string persons = "Создание списка сотрудников";
  const std::string protocolStage = "Создание протокола...";
  const std::string targetName = regNumb + compare.Extension;
  std::string pending;
  std::string output;  // what the program said besides its stages, for a failure
  bool open = true;
  while (open) {
    pollfd fds[2] = {{terminal, POLLIN, 0}, {watch, POLLIN, 0}};
    if (poll(fds, 2, -1) < 0) {
      if (errno == EINTR) continue;
      break;
    }
    if ((fds[1].revents & POLLIN) != 0) {
      alignas(inotify_event) char events[4096];
      const ssize_t got = read(watch, events, sizeof events);
      for (ssize_t at = 0; at < got;) {
        const auto* event = reinterpret_cast<const inotify_event*>(events + at);
        const std::string name = event->len > 0 ? event->name : "";
        if ((event->mask & IN_CREATE) != 0 && name.rfind("~brs", 0) == 0) {
          mark(kFolding);  // a build that showed no protocol stage
          mark(kReport);
        } else if ((event->mask & IN_MOVED_TO) != 0 && name == targetName) {
          mark(kWriting);
        }
        at += static_cast<ssize_t>(sizeof(inotify_event) + event->len);
      }
    }
    if ((fds[0].revents & (POLLIN | POLLHUP | POLLERR)) != 0) {
      char chunk[4096];
      const ssize_t got = read(terminal, chunk, sizeof chunk);
      if (got <= 0) {
        open = false;  // EIO: the program's side of the terminal is closed
      } else {
        pending.append(chunk, static_cast<std::size_t>(got));
        // A stage's text is drawn as "\r" and the text, and the next "\r" comes only with the
        // next drawing: the text after the last one is looked at too, as it is.
        const auto stageOf = [&](const std::string& line) {
          if (line.rfind(fileSort, 0) == 0 || line.rfind(persons, 0) == 0) {
            mark(kReading);
            return true;
          }
          if (line.rfind(protocolStage, 0) == 0) {
            mark(kReading);
            mark(kFolding);
            return true;
          }
          return line.rfind("Чтение файлов", 0) == 0;
        };
        std::size_t from = 0;
        for (std::size_t at; (at = pending.find_first_of("\r\n", from)) != std::string::npos; from = at + 1) {
          const std::string line = pending.substr(from, at - from);
          if (!stageOf(line) && line.find_first_not_of(' ') != std::string::npos) output += line + " ";
        }
        pending.erase(0, from);
        stageOf(pending);
      }
    }
  }
  int status = 0;
  rusage usage{};
  while (wait4(child, &status, 0, &usage) < 0 && errno == EINTR) {
  }
  const auto end = Clock::now();
  close(terminal);
  close(watch);
  std::error_code ignored;
  fs::remove(target, ignored);
  run.Seconds = Seconds(start, end);
  run.UserSeconds = SecondsOf(usage.ru_utime);
  run.SystemSeconds = SecondsOf(usage.ru_stime);
  run.PeakKB = usage.ru_maxrss;
  run.MinorFaults = usage.ru_minflt;
  run.ContextSwitches = usage.ru_nvcsw + usage.ru_nivcsw;
  if (!WIFEXITED(status) || WEXITSTATUS(status) != 0 || !seen[kWriting]) {
    run.Failure = "status " + std::to_string(WIFEXITED(status) ? WEXITSTATUS(status) : -1) + ": " + output;
    return run;
  }
  auto from = start;
  for (int stage = 0; stage < kStageCount; ++stage) {
    const auto until = stage == kExit ? end : marks[stage];
    run.Stages[stage] = seen[stage] || stage == kExit ? Seconds(from, until) : 0;
    if (seen[stage]) from = until;
  }
  run.Ok = true;
  return run;
}

struct TSpread {
  double Median = 0;
  double Low = 0;
  double High = 0;
};

TSpread SpreadOf(std::vector<double> values) {
  if (values.empty()) return {};
  std::sort(values.begin(), values.end());
  return {Median(values), values.front(), values.back()};
}

int Compare(const TOptions& options, const TCompareOptions& compare, const std::vector<std::string>& files) {
  const std::string regNumb = options.Gen.RegNumb;
  const std::string protocolFolder =
      compare.ProtocolFolder + "/bench_pipeline_" + std::to_string(getpid());
  fs::create_directories(protocolFolder);
  std::printf("earlier: %s\ncurrent: %s\nprotocol: %s/%s%s\n", compare.Earlier.c_str(), compare.Current.c_str(),
              protocolFolder.c_str(), regNumb.c_str(), compare.Extension.c_str());
  // One untimed run of each puts the files in the page cache and the programs in memory.
#ifdef BRISOLT_HAVE_PUGIXML
  PugixmlPass(files);
#endif
  for (const std::string* program : {&compare.Earlier, &compare.Current}) {
    const TProgramRun warm = RunProgram(*program, options.Folder, regNumb, protocolFolder, compare);
    if (!warm.Ok) {
      std::fprintf(stderr, "%s failed: %s\n", program->c_str(), warm.Failure.c_str());
      fs::remove_all(protocolFolder);
      return 1;
    }
  }
  std::vector<TProgramRun> earlier;
  std::vector<TProgramRun> current;
  std::vector<double> pugixml;
  for (int round = 0; round < options.Rounds; ++round) {
    // Alternate which goes first: the second of a pair meets a warmer, or a busier, machine.
    for (int turn = 0; turn < 2; ++turn) {
      const bool earlierTurn = (turn == 0) == (round % 2 == 0);
      TProgramRun run = RunProgram(earlierTurn ? compare.Earlier : compare.Current, options.Folder, regNumb,
                                   protocolFolder, compare);
      if (!run.Ok) {
        std::fprintf(stderr, "%s failed: %s\n", (earlierTurn ? compare.Earlier : compare.Current).c_str(),
                     run.Failure.c_str());
        fs::remove_all(protocolFolder);
        return 1;
      }
      (earlierTurn ? earlier : current).push_back(run);
    }
#ifdef BRISOLT_HAVE_PUGIXML
    const auto start = Clock::now();
    PugixmlPass(files);
    pugixml.push_back(Seconds(start, Clock::now()));
#endif
    std::printf("  pair %2d: earlier %.3f s, current %.3f s, ratio %.3f", round + 1, earlier.back().Seconds,
                current.back().Seconds, current.back().Seconds / earlier.back().Seconds);
    if (!pugixml.empty()) std::printf("; pugixml %.3f s", pugixml.back());
    std::printf("\n");
    std::fflush(stdout);
  }
  fs::remove_all(protocolFolder);

  const auto column = [](const std::vector<TProgramRun>& runs, auto field) {
    std::vector<double> values;
    for (const TProgramRun& run : runs) values.push_back(static_cast<double>(field(run)));
    return values;
  };
  const auto ratios = [](const std::vector<double>& a, const std::vector<double>& b) {
    std::vector<double> values;
    for (std::size_t index = 0; index < a.size(); ++index) values.push_back(b[index] > 0 ? a[index] / b[index] : 0);
    return values;
  };
  const auto line = [&](const char* name, const std::vector<double>& early, const std::vector<double>& now,
                        const char* unit) {
    const TSpread e = SpreadOf(early);
    const TSpread c = SpreadOf(now);
    const TSpread r = SpreadOf(ratios(now, early));
    std::printf("  %-14s %9.3f %-2s %9.3f %-2s   %6.3f  (%.3f-%.3f)\n", name, e.Median, unit, c.Median, unit,
                r.Median, r.Low, r.High);
  };
  std::printf("%d pairs; medians, and the median of the pairs' ratios current/earlier (lowest-highest)\n",
              options.Rounds);
  std::printf("  %-14s %12s %12s   %s\n", "", "earlier", "current", "ratio");
  const auto total = [](const TProgramRun& run) { return run.Seconds; };
  line("whole run", column(earlier, total), column(current, total), "s");
  for (int stage = 0; stage < kStageCount; ++stage) {
    const auto of = [stage](const TProgramRun& run) { return run.Stages[stage]; };
    line(kStageNames[stage], column(earlier, of), column(current, of), "s");
  }
  line("user", column(earlier, [](const TProgramRun& run) { return run.UserSeconds; }),
       column(current, [](const TProgramRun& run) { return run.UserSeconds; }), "s");
  line("system", column(earlier, [](const TProgramRun& run) { return run.SystemSeconds; }),
       column(current, [](const TProgramRun& run) { return run.SystemSeconds; }), "s");
  line("peak memory", column(earlier, [](const TProgramRun& run) { return run.PeakKB / 1024.0; }),
       column(current, [](const TProgramRun& run) { return run.PeakKB / 1024.0; }), "MB");
  line("minor faults", column(earlier, [](const TProgramRun& run) { return run.MinorFaults / 1000.0; }),
       column(current, [](const TProgramRun& run) { return run.MinorFaults / 1000.0; }), "k");
  line("ctx switches", column(earlier, [](const TProgramRun& run) { return run.ContextSwitches / 1000.0; }),
       column(current, [](const TProgramRun& run) { return run.ContextSwitches / 1000.0; }), "k");
  if (!pugixml.empty()) {
    const TSpread p = SpreadOf(pugixml);
    const TSpread e = SpreadOf(ratios(column(earlier, total), pugixml));
    const TSpread c = SpreadOf(ratios(column(current, total), pugixml));
    std::printf("pugixml read + parse, one core: median %.3f s (%.3f-%.3f)\n", p.Median, p.Low, p.High);
    std::printf("  earlier / pugixml: median %.3f (%.3f-%.3f)\n", e.Median, e.Low, e.High);
    std::printf("  current / pugixml: median %.3f (%.3f-%.3f)\n", c.Median, c.Low, c.High);
  }
  return 0;
}

int Usage() {
  std::fprintf(stderr,
               "usage: bench_pipeline [--persons N] [--periods N] [--folder DIR] [--threads N] [--rounds N]\n"
               "                      [--form 0|1] [--format 0|1] [--saldofilter N] [--keep]\n"
               "       bench_pipeline --compare EARLIER [--current PROGRAM] [--folder DIR] [--persons N]\n"
               "                      [--rounds N] [--regnumb NNN-NNN-NNNNNN] [--protocol-folder DIR]\n"
               "                      [--extension .html|.xml|.xlsx|.json|.csv] [--param /name=value ...]\n");
  return 2;
}

}  // namespace

int main(int argc, char** argv) {
  TOptions options;
  options.Gen.Persons = 20000;
  options.Gen.Periods = 14;  // 2010 to 2013
  if (const char* threads = std::getenv("BRISOLT_THREADS")) options.Threads = std::atoi(threads);
  std::string childFolder;
  std::string childProtocol;
  TCompareOptions compare;
  for (int index = 1; index < argc; ++index) {
    const std::string argument = argv[index];
    const bool hasValue = index + 1 < argc;
    if (argument == "--child" && index + 2 < argc) {
      childFolder = argv[++index];
      childProtocol = argv[++index];
    } else if (argument == "--persons" && hasValue) {
      options.Gen.Persons = std::atoi(argv[++index]);
    } else if (argument == "--periods" && hasValue) {
      options.Gen.Periods = std::atoi(argv[++index]);
    } else if (argument == "--folder" && hasValue) {
      options.Folder = argv[++index];
    } else if (argument == "--threads" && hasValue) {
      options.Threads = std::atoi(argv[++index]);
    } else if (argument == "--rounds" && hasValue) {
      options.Rounds = std::max(1, std::atoi(argv[++index]));
    } else if (argument == "--form" && hasValue) {
      options.Form = std::atoi(argv[++index]);
    } else if (argument == "--format" && hasValue) {
      options.Format = std::atoi(argv[++index]);
    } else if (argument == "--saldofilter" && hasValue) {
      options.SaldoFilter = std::atoi(argv[++index]);
    } else if (argument == "--compare" && hasValue) {
      compare.Earlier = argv[++index];
    } else if (argument == "--current" && hasValue) {
      compare.Current = argv[++index];
    } else if (argument == "--protocol-folder" && hasValue) {
      compare.ProtocolFolder = argv[++index];
    } else if (argument == "--extension" && hasValue) {
      compare.Extension = argv[++index];
    } else if (argument == "--param" && hasValue) {
      compare.Extra.push_back(argv[++index]);
    } else if (argument == "--regnumb" && hasValue) {
      options.Gen.RegNumb = argv[++index];
    } else if (argument == "--keep") {
      options.Keep = true;
    } else {
      return Usage();
    }
  }
  if (!childFolder.empty()) return RunChild(childFolder, childProtocol, options);

  const bool temporary = options.Folder.empty();
  if (temporary) {
    options.Folder = (fs::temp_directory_path() / ("brisolt-bench-pipeline-" + std::to_string(options.Gen.Persons)))
                         .string();
    fs::remove_all(options.Folder);
  }
  if (!fs::exists(options.Folder)) {
    const auto start = Clock::now();
    const auto summary = brisolt::packgen::GenerateFolder(options.Gen, options.Folder);
    std::printf("generated %d persons x %d periods: %d files, %lld documents, %.1f MB in %.1f s\n",
                options.Gen.Persons, options.Gen.Periods, summary.Files, static_cast<long long>(summary.Documents),
                static_cast<double>(summary.Bytes) / 1e6, Seconds(start, Clock::now()));
  }
  std::uint64_t bytes = 0;
  const std::vector<std::string> files = PackFiles(options.Folder, bytes);
  const unsigned cores = std::max(1u, std::thread::hardware_concurrency());
  std::printf("folder %s: %zu pack files, %.1f MB; %u cores, threads %s\n", options.Folder.c_str(), files.size(),
              static_cast<double>(bytes) / 1e6, cores,
              options.Threads > 0 ? std::to_string(options.Threads).c_str() : "as the program decides");
  if (!compare.Earlier.empty()) {
    // The program of this build stands one folder up from the benchmarks.
    if (compare.Current.empty()) compare.Current = (fs::read_symlink("/proc/self/exe").parent_path().parent_path() / "brisolt").string();
    const int result = Compare(options, compare, files);
    if (temporary && !options.Keep) fs::remove_all(options.Folder);
    return result;
  }
  std::printf("protocol: %s %s, balance filter %d\n", options.Form == 0 ? "compact" : "detailed",
              options.Format == 0 ? "HTML" : "spreadsheet", options.SaldoFilter);

  const std::string self = fs::read_symlink("/proc/self/exe").string();
  const std::string protocol =
      (fs::temp_directory_path() / ("bench_pipeline_" + std::to_string(getpid()) +
                                    (options.Format == 0 ? ".html" : ".xml")))
          .string();

  // One untimed pass of each puts the files in the page cache and the code in memory.
#ifdef BRISOLT_HAVE_PUGIXML
  PugixmlPass(files);
#endif
  TChildRun warm = SpawnChild(self, options.Folder, protocol, options);
  if (!warm.Ok) {
    std::fprintf(stderr, "the pipeline failed: %s\n", warm.Result.c_str());
    return 1;
  }

  std::vector<double> pipelineTimes;
  std::vector<double> pugixmlTimes;
  TChildRun best;
  best.Seconds = 1e100;
  long peakKB = 0;
  for (int round = 0; round < options.Rounds; ++round) {
    TChildRun run = SpawnChild(self, options.Folder, protocol, options);
    if (!run.Ok) {
      std::fprintf(stderr, "the pipeline failed: %s\n", run.Result.c_str());
      return 1;
    }
    pipelineTimes.push_back(run.Seconds);
    peakKB = std::max(peakKB, run.PeakKB);
    if (run.Seconds < best.Seconds) best = run;
#ifdef BRISOLT_HAVE_PUGIXML
    const auto start = Clock::now();
    PugixmlPass(files);
    pugixmlTimes.push_back(Seconds(start, Clock::now()));
#endif
    std::printf("  round %d: pipeline %.3f s", round + 1, run.Seconds);
    if (!pugixmlTimes.empty()) std::printf(", pugixml %.3f s", pugixmlTimes.back());
    std::printf("\n");
    std::fflush(stdout);
  }

  const double pipelineBest = *std::min_element(pipelineTimes.begin(), pipelineTimes.end());
  const double pipelineMedian = Median(pipelineTimes);
  std::printf("%-32s best %7.3f s   median %7.3f s\n", "pipeline (RunProtocol):", pipelineBest, pipelineMedian);
  if (!pugixmlTimes.empty()) {
    const double pugixmlBest = *std::min_element(pugixmlTimes.begin(), pugixmlTimes.end());
    const double pugixmlMedian = Median(pugixmlTimes);
    std::printf("%-32s best %7.3f s   median %7.3f s\n", "pugixml read + parse, one core:", pugixmlBest, pugixmlMedian);
    std::printf("%-32s best %7.2f     median %7.2f\n", "ratio pipeline / pugixml:", pipelineBest / pugixmlBest,
                pipelineMedian / pugixmlMedian);
  } else {
    std::printf("pugixml not found: no comparison\n");
  }
  std::printf("peak memory of the pipeline: %.1f MB; protocol %.1f MB\n", static_cast<double>(peakKB) / 1024.0,
              static_cast<double>(best.ProtocolBytes) / 1e6);
  std::printf("stages of the best run:\n");
  for (const auto& [name, seconds] : best.Stages) {
    // Stage names are UTF-8: pad by characters, not bytes.
    std::size_t characters = 0;
    for (const char c : name) characters += (static_cast<unsigned char>(c) & 0xC0) != 0x80 ? 1 : 0;
    std::printf("  %s%s %8.3f s\n", name.c_str(), std::string(characters < 40 ? 40 - characters : 0, ' ').c_str(),
                seconds);
  }

  if (temporary && !options.Keep) fs::remove_all(options.Folder);
  return 0;
}
