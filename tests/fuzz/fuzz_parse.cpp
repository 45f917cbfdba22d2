// Arbitrary bytes through the codec, the XML reader and both pack readers, in memory and from a file. The
// reader's tree must equal the one of the plain reference reader, and its second split of the
// root's text the first one; where the walk that reads packs without a tree goes through, it must
// read what the tree's readers read. Any difference, crash or sanitizer report is a finding.
#include <unistd.h>

#include <cstddef>
#include <cstdint>
#include <cstdio>
#include <string>
#include <string_view>

#include "forms/szv6.h"
#include "forms/szv63.h"
#include "../reference/pack_walk_check.h"
#include "reference_reader.h"
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
  static const std::string name = "/tmp/brisolt-fuzz-parse-" + std::to_string(::getpid()) + ".xml";
  return name;
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  const std::string bytes(reinterpret_cast<const char*>(data), size);
  Check(Utf8ToCp1251(Cp1251ToUtf8(bytes)) == bytes, "windows-1251 does not survive UTF-8");
  Utf8ToCp1251(bytes);

  TXMLFile document;
  document.Content = bytes;
  const bool parsed = document.Parse();
  reference::TRefElement expected;
  const bool expectedParsed = reference::Parse(bytes, expected);
  Check(parsed == expectedParsed, "Parse result differs from the reference");
  if (parsed) {
    const std::string difference = reference::Compare(*document.Root, expected);
    Check(difference.empty(), "tree differs from the reference at " + difference);

    TXMLElement again;
    again.Name = document.Root->Name;
    again.Text = document.Root->Text;
    again.ParseChildren();
    again.Attributes = document.Root->Attributes;
    Check(reference::Compare(again, expected).empty(), "ParseChildren differs from Parse");
  }
  LoadPack<TSZV6File>(document);
  LoadPack<TSZV63File>(document);
  ReadValues(bytes);

  // The walk that reads packs without a tree: wherever it goes through, the tree's readers agree.
  std::string byWalk;
  if (reference::ReadByWalk(bytes, byWalk)) {
    Check(parsed, "the walk went through a document that does not parse");
    Check(byWalk == reference::ReadFromTree(bytes), "the walk reads otherwise than the tree");
  }

  // The same bytes through the file readers, as the file set reads them.
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
