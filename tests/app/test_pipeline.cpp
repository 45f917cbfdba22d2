// Handing a written protocol to the program that shows it, with stand-in programs on the search
// path that note how they were called.
#include <gtest/gtest.h>

#ifndef _WIN32

#include <chrono>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <random>
#include <sstream>
#include <string>
#include <thread>
#include <vector>

#include "app/pipeline.h"

namespace brisolt {
namespace {

namespace fs = std::filesystem;

struct TOpenCase {
  const char* name;
  std::vector<std::string> installed;  // stand-ins besides xdg-open
  int protFormat;
  std::string expected;  // the program and its arguments, as the stand-in noted them
};

TEST(OpenProtocol, SpreadsheetsOpenInCalcWhereInstalledElseOnTheDesktop) {
  std::random_device random;
  const fs::path scratch = fs::temp_directory_path() / ("brisolt-open-" + std::to_string(random()));
  const fs::path bin = scratch / "bin";
  fs::create_directories(bin);
  const std::string savedPath = std::getenv("PATH") ? std::getenv("PATH") : "";
  const std::string protocol = (scratch / "087-001-000001.xml").string();

  const std::vector<TOpenCase> cases = {
      {"Excel chosen, LibreOffice Calc installed", {"localc", "soffice"}, 1, "localc " + protocol},
      {"OpenOffice Calc chosen", {"localc"}, 2, "localc " + protocol},
      {"only the office suite's launcher", {"soffice"}, 1, "soffice --calc " + protocol},
      {"no spreadsheet program", {}, 1, "xdg-open " + protocol},
      {"HTML goes to the desktop", {"localc"}, 0, "xdg-open " + protocol},
  };
  for (const TOpenCase& test : cases) {
    SCOPED_TRACE(test.name);
    fs::remove_all(bin);
    fs::create_directories(bin);
    const fs::path record = scratch / "called.txt";
    fs::remove(record);
    std::vector<std::string> programs = test.installed;
    programs.push_back("xdg-open");
    for (const std::string& program : programs) {
      const fs::path script = bin / program;
      std::ofstream(script) << "#!/bin/sh\necho \"" << program << " $*\" > \"" << record.string()
                            << ".part\" && /bin/mv \"" << record.string() << ".part\" \""
                            << record.string() << "\"\n";
      fs::permissions(script, fs::perms::owner_all);
    }
    // The search path holds the stand-ins alone, so that no real program is started.
    setenv("PATH", bin.string().c_str(), 1);
    OpenProtocol(protocol, test.protFormat);
    setenv("PATH", savedPath.c_str(), 1);

    const auto deadline = std::chrono::steady_clock::now() + std::chrono::seconds(20);
    while (!fs::exists(record) && std::chrono::steady_clock::now() < deadline) {
      std::this_thread::sleep_for(std::chrono::milliseconds(20));
    }
    std::ifstream in(record);
    std::string called;
    std::getline(in, called);
    EXPECT_EQ(called, test.expected);
  }
  fs::remove_all(scratch);
}

}  // namespace
}  // namespace brisolt

#endif
