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
#include <vector>

#include "forms/packreader.h"
#include "forms/szv6.h"
#include "packgen.h"
#include "xml/xmlwork.h"

#ifdef BRISOLT_HAVE_PUGIXML
#include <pugixml.hpp>
#endif

namespace {

using brisolt::ReadPacks;
using brisolt::TPacksFound;
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

struct TContender {
  const char* Title;
  std::function<void()> Prepare;  // not timed: a fresh copy of the bytes, a fresh document
  std::function<void()> Run;
  double BestSeconds = 1e100;
};

// The contenders take turns, round after round, so that a busy machine slows them alike; each
// keeps its best round.
void Race(std::vector<TContender>& contenders, int rounds) {
  for (int round = 0; round < rounds; ++round) {
    for (TContender& contender : contenders) {
      contender.Prepare();
      const auto started = std::chrono::steady_clock::now();
      contender.Run();
      const double seconds =
          std::chrono::duration<double>(std::chrono::steady_clock::now() - started).count();
      contender.BestSeconds = std::min(contender.BestSeconds, seconds);
    }
  }
}

std::size_t CountElements(const brisolt::TXMLElement& element) {
  std::size_t total = 1;
  for (const auto& child : element.Children) total += CountElements(child);
  return total;
}

void RunOn(const char* title, const std::string& bytes, int rounds) {
  std::printf("%s: %.1f MB\n", title, static_cast<double>(bytes.size()) / 1e6);
  std::vector<TContender> contenders;

  std::unique_ptr<TXMLFile> file;
  std::size_t elements = 0;
  contenders.push_back({"xmlwork Parse", [&] {
                          file = std::make_unique<TXMLFile>();
                          file->Content = bytes;
                        },
                        [&] {
                          if (!file->Parse()) std::abort();
                        }});
  std::unique_ptr<TXMLFile> modelFile;
  std::size_t documents = 0;
  // The pack reader by its two routes: the tree replayed, and the document walked without a tree.
  for (const bool walk : {false, true}) {
    contenders.push_back({walk ? "xmlwork Walk into TSZV6File" : "xmlwork Parse + replay into TSZV6File",
                          [&] {
                            modelFile = std::make_unique<TXMLFile>();
                            modelFile->Content = bytes;
                          },
                          [&, walk] {
                            TSZV6File pack;
                            TPacksFound found;
                            if (walk) {
                              if (!ReadPacks(*modelFile, &pack, nullptr, found) || !found.SZV6) std::abort();
                            } else if (!modelFile->Parse() || !pack.LoadFromDocument(*modelFile)) {
                              std::abort();
                            }
                            documents = pack.Docs.size();
                          }});
  }
#ifdef BRISOLT_HAVE_PUGIXML
  std::unique_ptr<pugi::xml_document> doc;
  contenders.push_back({"pugixml load_buffer", [&] { doc = std::make_unique<pugi::xml_document>(); },
                        [&] {
                          if (!doc->load_buffer(bytes.data(), bytes.size(), pugi::parse_default,
                                                pugi::encoding_utf8)) {
                            std::abort();
                          }
                        }});
  std::unique_ptr<pugi::xml_document> docInPlace;
  std::unique_ptr<char[]> buffer;
  contenders.push_back({"pugixml load_buffer_inplace", [&] {
                          docInPlace = std::make_unique<pugi::xml_document>();
                          buffer = std::make_unique<char[]>(bytes.size());
                          std::memcpy(buffer.get(), bytes.data(), bytes.size());
                        },
                        [&] {
                          if (!docInPlace->load_buffer_inplace(buffer.get(), bytes.size(), pugi::parse_default,
                                                               pugi::encoding_utf8)) {
                            std::abort();
                          }
                        }});
#endif
  Race(contenders, rounds);
  elements = CountElements(*file->Root);

  auto throughput = [&](const TContender& contender) {
    return static_cast<double>(bytes.size()) / 1e6 / contender.BestSeconds;
  };
  for (const TContender& contender : contenders) {
    std::printf("  %-38s %8.1f MB/s\n", contender.Title, throughput(contender));
  }
  std::printf("  (%zu elements, %zu documents)\n", elements, documents);
#ifdef BRISOLT_HAVE_PUGIXML
  const TContender& copying = contenders[contenders.size() - 2];
  const TContender& inPlace = contenders.back();
  std::printf("  ratio xmlwork / pugixml                %8.2f (pugixml copying)  %.2f (pugixml in place)\n",
              throughput(contenders[0]) / throughput(copying), throughput(contenders[0]) / throughput(inPlace));
#else
  std::printf("  pugixml not found: no comparison\n");
#endif
}

}  // namespace

int main(int argc, char** argv) {
  const double megabytes = argc > 1 ? std::atof(argv[1]) : 50.0;
  const auto wanted = static_cast<std::size_t>(std::max(1.0, megabytes) * 1e6);
  const int rounds = 7;
  RunOn("Indented pack (CR LF, TABs)", MakePack(wanted, true), rounds);
  RunOn("One-line pack", MakePack(wanted, false), rounds);
  return 0;
}
