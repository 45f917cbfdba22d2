#include "checks.h"

#include "../reference/xml_events.h"
#include "forms/packreader.h"
#include "forms/szv6.h"
#include "forms/szv63.h"
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

std::string ReplayDifference(const std::string& bytes, bool parsed) {
  std::string byWalk;
  if (reference::WalkEvents(bytes, byWalk)) {
    if (!parsed) {
      return "the walk went through a document that does not parse";
    }
    std::string byReplay;
    if (!reference::ReplayEvents(bytes, byReplay)) {
      return "the replay stopped where the walk went through";
    }
    if (byWalk != byReplay) {
      return "the replay tells otherwise than the walk";
    }
  }
  TXMLFile walked;
  walked.Content = bytes;
  TSZV6File pack;
  TSZV63File pack63;
  TPacksFound found;
  if (ReadPacks(walked, &pack, &pack63, found) != parsed) {
    return "the pack reader parses otherwise";
  }
  return {};
}

}  // namespace brisolt::fuzzing
