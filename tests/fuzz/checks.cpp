#include "checks.h"

#include "../reference/pack_walk_check.h"
#include "markup_check.h"
#include "reference_reader.h"
#include "xml/xmlwork.h"

namespace brisolt::fuzzing {

std::string MarkupError(std::string_view text, bool html, std::size_t& offset,
                        std::vector<std::string>& elements) {
  TMarkupReport report = CheckMarkup(text, html);
  offset = report.Offset;
  elements = std::move(report.Elements);
  return report.Error;
}

std::string ReferenceDifference(const std::string& bytes, const TXMLFile& document, bool parsed) {
  reference::TRefElement expected;
  if (parsed != reference::Parse(bytes, expected)) {
    return "Parse result differs from the reference";
  }
  if (parsed) {
    if (const std::string difference = reference::Compare(*document.Root, expected); !difference.empty()) {
      return "tree differs from the reference at " + difference;
    }
    TXMLElement again;
    again.Name = document.Root->Name;
    again.Text = document.Root->Text;
    again.ParseChildren();
    again.Attributes = document.Root->Attributes;
    if (!reference::Compare(again, expected).empty()) {
      return "ParseChildren differs from Parse";
    }
  }
  return {};
}

std::string WalkDifference(const std::string& bytes, bool parsed) {
  std::string byWalk;
  if (reference::ReadByWalk(bytes, byWalk)) {
    if (!parsed) {
      return "the walk went through a document that does not parse";
    }
    if (byWalk != reference::ReadFromTree(bytes)) {
      return "the walk reads otherwise than the tree";
    }
  }
  return {};
}

}  // namespace brisolt::fuzzing
