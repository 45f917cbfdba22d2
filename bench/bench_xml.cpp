// Throughput of the pack reader against pugixml on the same bytes: a large generated СЗВ-6-1
// pack, indented like the packs employers' programs write, parsed from memory. Prints MB/s.
//
//   bench_xml [megabytes]     (default 50)
#include <algorithm>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <functional>
#include <memory>
#include <string>

#include "forms/szv6.h"
#include "packgen.h"
#include "xml/xmlwork.h"

#ifdef BRISOLT_HAVE_PUGIXML
#include <pugixml.hpp>
#endif

namespace {

using brisolt::TSZV6File;
using brisolt::TXMLFile;

std::string MakePack(std::size_t wantedBytes, bool indented) {
  brisolt::packgen::TGenSZV6Pack pack;
  const int docsPerBlock = 500;
  brisolt::packgen::TGenDoc doc;
  doc.LastName = "Константинопольская";
  doc.FirstName = "Александра";
  doc.MiddleName = "Вениаминовна";
  doc.InsAccrued = 123456700;
  doc.InsPaid = 123456700;
  doc.FundAccrued = 3703700;
  doc.FundPaid = 3703700;
  doc.Stages.push_back({"01.01.2011", "31.03.2011", true});
  brisolt::packgen::TRenderStyle style;
  style.Indented = indented;
  // Measure one block, then size the pack from it.
  for (int index = 0; index < docsPerBlock; ++index) {
    doc.SNILS = brisolt::packgen::MakeSNILS(static_cast<std::uint64_t>(index) + 1);
    pack.Docs.push_back(doc);
  }
  const std::size_t blockBytes = brisolt::packgen::RenderSZV6Pack(pack, style).size();
  const std::size_t blocks = std::max<std::size_t>(1, wantedBytes / blockBytes);
  pack.Docs.clear();
  for (std::size_t index = 0; index < blocks * docsPerBlock; ++index) {
    doc.SNILS = brisolt::packgen::MakeSNILS(index + 1);
    pack.Docs.push_back(doc);
  }
  return brisolt::packgen::RenderSZV6Pack(pack, style);
}

// Best of `rounds` runs, in MB/s (1 MB = 10^6 bytes).
double Measure(std::size_t bytes, int rounds, const std::function<void()>& prepare,
               const std::function<void()>& run) {
  double best = 1e100;
  for (int round = 0; round < rounds; ++round) {
    prepare();
    const auto started = std::chrono::steady_clock::now();
    run();
    const double seconds =
        std::chrono::duration<double>(std::chrono::steady_clock::now() - started).count();
    best = std::min(best, seconds);
  }
  return static_cast<double>(bytes) / 1e6 / best;
}

void RunOn(const char* title, const std::string& bytes, int rounds) {
  std::printf("%s: %.1f MB\n", title, static_cast<double>(bytes.size()) / 1e6);

  std::unique_ptr<TXMLFile> file;
  std::size_t elements = 0;
  const double ours = Measure(
      bytes.size(), rounds,
      [&] {
        file = std::make_unique<TXMLFile>();
        file->Content = bytes;
      },
      [&] {
        if (!file->Parse()) std::abort();
      });
  std::function<std::size_t(const brisolt::TXMLElement&)> count = [&](const brisolt::TXMLElement& element) {
    std::size_t total = 1;
    for (const auto& child : element.Children) total += count(child);
    return total;
  };
  elements = count(*file->Root);
  std::printf("  xmlwork Parse                 %8.1f MB/s  (%zu elements)\n", ours, elements);

  std::size_t documents = 0;
  const double model = Measure(
      bytes.size(), rounds,
      [&] {
        file = std::make_unique<TXMLFile>();
        file->Content = bytes;
      },
      [&] {
        TSZV6File pack;
        if (!file->Parse() || !pack.LoadFromDocument(*file)) std::abort();
        documents = pack.Docs.size();
      });
  std::printf("  xmlwork Parse + TSZV6File     %8.1f MB/s  (%zu documents)\n", model, documents);

#ifdef BRISOLT_HAVE_PUGIXML
  std::unique_ptr<pugi::xml_document> doc;
  const double pugiCopy = Measure(
      bytes.size(), rounds, [&] { doc = std::make_unique<pugi::xml_document>(); },
      [&] {
        if (!doc->load_buffer(bytes.data(), bytes.size(), pugi::parse_default, pugi::encoding_utf8)) {
          std::abort();
        }
      });
  std::printf("  pugixml load_buffer           %8.1f MB/s\n", pugiCopy);

  std::unique_ptr<char[]> buffer;
  const double pugiInPlace = Measure(
      bytes.size(), rounds,
      [&] {
        doc = std::make_unique<pugi::xml_document>();
        buffer = std::make_unique<char[]>(bytes.size());
        std::memcpy(buffer.get(), bytes.data(), bytes.size());
      },
      [&] {
        if (!doc->load_buffer_inplace(buffer.get(), bytes.size(), pugi::parse_default,
                                      pugi::encoding_utf8)) {
          std::abort();
        }
      });
  std::printf("  pugixml load_buffer_inplace   %8.1f MB/s\n", pugiInPlace);
  std::printf("  ratio xmlwork / pugixml       %8.2f (copying)  %.2f (in place)\n", ours / pugiCopy,
              ours / pugiInPlace);
#else
  std::printf("  pugixml not found: no comparison\n");
#endif
}

}  // namespace

int main(int argc, char** argv) {
  const double megabytes = argc > 1 ? std::atof(argv[1]) : 50.0;
  const auto wanted = static_cast<std::size_t>(std::max(1.0, megabytes) * 1e6);
  const int rounds = 5;
  RunOn("Indented pack (CR LF, TABs)", MakePack(wanted, true), rounds);
  RunOn("One-line pack", MakePack(wanted, false), rounds);
  return 0;
}
