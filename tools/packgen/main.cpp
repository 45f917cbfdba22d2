// brisolt-packgen --out DIR [--seed N] [--persons P] [--periods N] [--docs-per-pack N] [--one-line]
// brisolt-packgen --out DIR --sample
#include <cstdio>
#include <cstdlib>
#include <exception>
#include <string>

#include <vector>

#include "app/platform.h"
#include "packgen.h"

namespace {

int Usage() {
  std::fprintf(stderr,
               "usage: brisolt-packgen --out DIR [--seed N] [--persons P] [--periods N] [--docs-per-pack N]"
               " [--one-line]\n"
               "       brisolt-packgen --out DIR --sample\n");
  return 2;
}

bool ParseNumber(const std::string& text, long long& value) {
  char* end = nullptr;
  value = std::strtoll(text.c_str(), &end, 10);
  return end != text.c_str() && *end == '\0';
}

}  // namespace

int main(int argc, char** argv) {
  brisolt::packgen::TGenOptions options;
  std::string out;
  bool sample = false;
  // UTF-8 everywhere, so that a folder with a Russian name works on Windows too.
  const std::vector<std::string> args = brisolt::platform::CommandLineArguments(argc, argv);
  const std::size_t count = args.size();
  for (std::size_t index = 0; index < count; ++index) {
    const std::string& argument = args[index];
    const bool hasValue = index + 1 < count;
    long long number = 0;
    if (argument == "--sample") {
      sample = true;
    } else if (argument == "--one-line") {
      options.Indented = false;
    } else if (argument == "--out" && hasValue) {
      out = args[++index];
    } else if (argument == "--seed" && hasValue && ParseNumber(args[++index], number) && number >= 0) {
      options.Seed = static_cast<std::uint64_t>(number);
    } else if (argument == "--persons" && hasValue && ParseNumber(args[++index], number) && number >= 0 &&
               number <= 10000000) {
      options.Persons = static_cast<int>(number);
    } else if (argument == "--periods" && hasValue && ParseNumber(args[++index], number) && number >= 1 &&
               number <= 200) {
      options.Periods = static_cast<int>(number);
    } else if (argument == "--docs-per-pack" && hasValue && ParseNumber(args[++index], number) && number >= 1 &&
               number <= 100000) {
      options.DocsPerPack = static_cast<int>(number);
    } else {
      return Usage();
    }
  }
  if (out.empty()) {
    return Usage();
  }
  try {
    const auto summary = sample ? brisolt::packgen::GenerateSample(out) : brisolt::packgen::GenerateFolder(options, out);
    std::printf("%d files (%d СЗВ-6 packs, %d СЗВ-6-3 packs, %lld documents, %.1f MB) in %s\n", summary.Files,
                summary.SZV6Packs, summary.SZV63Packs, static_cast<long long>(summary.Documents),
                static_cast<double>(summary.Bytes) / 1e6, out.c_str());
  } catch (const std::exception& error) {
    std::fprintf(stderr, "brisolt-packgen: %s\n", error.what());
    return 1;
  }
  return 0;
}
