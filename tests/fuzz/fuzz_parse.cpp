// Arbitrary bytes through the codec, the XML reader and the pack reader, in memory and from a file.
// The reader's tree must equal the one of the plain reference reader, and its second split of the
// root's text the first one; wherever the walk goes through, the replay of the tree must tell the
// same events. Any difference, crash or sanitizer report is a finding.
// The comparison with the reference reader and the reading from a file run on a quarter of the
// inputs each, the codec's round trip and the replay's comparison on half of them, chosen by the
// input's bytes so that a finding reproduces: each cost as much as the reading itself and mostly
// repeats what the inputs before told. The field readers get the text's beginning, as long as a
// field ever is and more: the whole text made them build and throw a message of kilobytes.
#include <unistd.h>

#include <cstddef>
#include <cstdint>
#include <cstdio>
#include <string>
#include <string_view>

#include "checks.h"
#include "forms/szv6.h"
#include "forms/szv63.h"
#include "base/encoding.h"
#include "xml/xmlwork.h"

namespace {

using namespace brisolt;

void Check(bool condition, const std::string& what) {
  if (!condition) {
    std::fprintf(stderr, "fuzz_parse: %s\n", what.c_str());
    __builtin_trap();
  }
}

void ReadValues(std::string_view text) {
  text = text.substr(0, 128);
  ReadText(text, 40);
  ReadInteger(text);
  ReadAmount(text);
  try {
    ReadDate(text);
  } catch (const EConvertError&) {
  }
}

template <typename TPack>
void LoadPack(const TXMLFile& document) {
  TPack pack;
  try {
    pack.LoadFromDocument(document);
  } catch (const EConvertError&) {
  }
}


const std::string& ScratchFile() {
  static const std::string name = fuzzing::ScratchPath("brisolt-fuzz-parse") + ".xml";
  return name;
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  const std::string bytes(reinterpret_cast<const char*>(data), size);
  const unsigned quarter = fuzzing::InputHash(bytes) >> 30;
  if (quarter >= 2) {
    Check(Utf8ToCp1251(Cp1251ToUtf8(bytes)) == bytes, "windows-1251 does not survive UTF-8");
    Utf8ToCp1251(bytes);
  }

  TXMLFile document;
  document.Content = bytes;
  const bool parsed = document.Parse();
  if (quarter == 0) {
    const std::string difference = fuzzing::ReferenceDifference(bytes, document, parsed);
    Check(difference.empty(), difference);
  }
  LoadPack<TSZV6File>(document);
  LoadPack<TSZV63File>(document);
  ReadValues(bytes);

  // Wherever the walk goes through, the tree's replay tells the same, so the pack reader reads
  // the same by either route.
  if (quarter % 2 == 0) {
    const std::string replayDifference = fuzzing::ReplayDifference(bytes, parsed);
    Check(replayDifference.empty(), replayDifference);
  }

  // The same bytes through the file readers, as the file set reads them.
  if (quarter != 1) {
    return 0;
  }
  if (std::FILE* file = std::fopen(ScratchFile().c_str(), "wb")) {
    std::fwrite(bytes.data(), 1, bytes.size(), file);
    std::fclose(file);
    TSZV6File pack;
    pack.FileName = ScratchFile();
    TSZV63File pack63;
    pack63.FileName = ScratchFile();
    try {
      pack.Load();
    } catch (const EConvertError&) {
    }
    try {
      pack63.Load();
    } catch (const EConvertError&) {
    }
    // libFuzzer may end the process without running exit handlers: nothing is left behind.
    std::remove(ScratchFile().c_str());
  }
  return 0;
}
