// A workbook's parts as text to compare whole with a golden file: each XML part one node a line,
// indented by its depth, attributes in the order of their names, blanks between tags left out,
// an empty element written the same with or without its closing tag. What a reader of the XML
// may not tell apart is written the same; everything it can tell apart shows in a diff line by
// line. The zip around the parts (packing, times, order) is the workbook check's business.
#pragma once

#include <algorithm>
#include <map>
#include <string>
#include <string_view>
#include <utility>
#include <vector>

#include "sheet_grid.h"

namespace brisolt::testing {

namespace canonical_detail {

inline bool IsBlank(char ch) { return ch == ' ' || ch == '\t' || ch == '\r' || ch == '\n'; }

// "<name a="1" b='2'" (without its closing bracket) with the attributes sorted.
inline std::string SortedTag(std::string_view tag, bool selfClosing) {
  std::size_t at = 1;
  while (at < tag.size() && !IsBlank(tag[at])) ++at;
  std::string out(tag.substr(0, at));
  std::vector<std::pair<std::string, std::string>> attributes;
  while (at < tag.size()) {
    while (at < tag.size() && IsBlank(tag[at])) ++at;
    if (at >= tag.size()) break;
    const std::size_t equals = tag.find('=', at);
    std::string name(tag.substr(at, equals - at));
    while (!name.empty() && IsBlank(name.back())) name.pop_back();
    std::size_t open = equals + 1;
    while (IsBlank(tag[open])) ++open;
    const char quote = tag[open];
    const std::size_t close = tag.find(quote, open + 1);
    attributes.emplace_back(std::move(name), std::string(tag.substr(open + 1, close - open - 1)));
    at = close + 1;
  }
  std::sort(attributes.begin(), attributes.end());
  for (const auto& [name, value] : attributes) {
    out += " " + name + "=\"" + value + "\"";
  }
  return out + (selfClosing ? "/>" : ">");
}

}  // namespace canonical_detail

inline std::string CanonicalXml(std::string_view xml) {
  using namespace canonical_detail;
  std::string out;
  int depth = 0;
  auto line = [&](std::string_view text) {
    out.append(static_cast<std::size_t>(2 * std::max(depth, 0)), ' ');
    out.append(text);
    out += '\n';
  };
  std::size_t at = 0;
  while (at < xml.size()) {
    if (xml[at] != '<') {
      const std::size_t next = std::min(xml.find('<', at), xml.size());
      const std::string_view text = xml.substr(at, next - at);
      if (!std::all_of(text.begin(), text.end(), IsBlank)) {
        line(text);
      }
      at = next;
      continue;
    }
    const std::size_t end = xml.find('>', at);
    if (end == std::string_view::npos) {
      line(xml.substr(at));
      break;
    }
    const std::string_view tag = xml.substr(at, end - at);  // without '>'
    at = end + 1;
    if (tag.starts_with("<?") || tag.starts_with("<!")) {
      line(std::string(tag) + ">");
    } else if (tag.starts_with("</")) {
      --depth;
      line(std::string(tag) + ">");
    } else if (tag.ends_with("/")) {
      line(SortedTag(tag.substr(0, tag.size() - 1), true));
    } else {
      // An element closed right after it opens is the same as one that closes itself.
      const std::size_t nameEnd = tag.find_first_of(" \t\r\n");
      const std::string closing = "</" + std::string(tag.substr(1, nameEnd - 1)) + ">";
      if (xml.substr(at, closing.size()) == closing) {
        line(SortedTag(tag, true));
        at += closing.size();
      } else {
        line(SortedTag(tag, false));
        ++depth;
      }
    }
  }
  return out;
}

#ifdef BRISOLT_HAVE_XLSX
// Every part of a zip in the order of their names, each under a line "== name", XML parts as
// CanonicalXml, any other as its size.
inline std::string CanonicalWorkbook(const std::string& zip) {
  std::string out;
  for (const auto& [name, text] : UnzipAll(zip)) {
    out += "== " + name + "\n";
    if (name.ends_with(".xml") || name.ends_with(".rels")) {
      out += CanonicalXml(text);
    } else {
      out += std::to_string(text.size()) + " bytes\n";
    }
  }
  return out;
}
#endif

}  // namespace brisolt::testing
