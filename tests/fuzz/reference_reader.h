// A second reader of the same XML subset, written for clarity rather than speed: every element
// copies its text and every end tag is found by a plain search of its parent's text. The fuzz
// target and the tests compare the real reader's tree with this one's.
#pragma once

#include <string>
#include <string_view>
#include <vector>

#include "xml/xmlwork.h"

namespace brisolt::reference {

struct TRefElement {
  std::string Name;
  std::vector<TXMLAttribute> Attributes;
  std::string Text;
  std::vector<TRefElement> Children;
};

inline bool IsBlank(char c) { return c == ' ' || c == '\t' || c == '\r' || c == '\n'; }

inline std::string Trim(const std::string& text) {
  std::size_t begin = 0;
  while (begin < text.size() && IsBlank(text[begin])) ++begin;
  std::size_t end = text.size();
  while (end > begin && IsBlank(text[end - 1])) --end;
  return text.substr(begin, end - begin);
}

inline std::string Normalize(std::string text) {
  for (char& c : text) {
    if (c == '\t' || c == '\r' || c == '\n') c = ' ';
  }
  for (;;) {
    const std::size_t at = text.find(" >");
    if (at == std::string::npos) return text;
    text.erase(at, 1);
  }
}

struct TRefTag {
  std::string Name;
  std::vector<TXMLAttribute> Attributes;
  bool Empty = false;
  std::size_t Next = 0;  // index just after the tag's ">"
};

// The tag whose "<" is at index `at` of `text`; false when the text ends inside it.
inline bool ReadTag(const std::string& text, std::size_t at, bool isRoot, TRefTag& tag) {
  std::size_t pos = at + 1;
  tag = TRefTag();
  while (pos < text.size() && text[pos] != ' ' && text[pos] != '/' && text[pos] != '>') tag.Name += text[pos++];
  if (pos >= text.size()) return false;
  if (text[pos] == ' ') {
    ++pos;
    if (pos >= text.size()) return false;
    std::string attributes(1, text[pos]);
    bool quoted = text[pos] == '"';
    ++pos;
    for (;;) {
      if (pos >= text.size()) return false;
      const char c = text[pos];
      const bool ends = isRoot ? (!quoted && (c == '/' || c == '>')) : (c == '>' || (c == '/' && !quoted));
      if (ends) break;
      if (c == '"') quoted = !quoted;
      attributes += c;
      ++pos;
    }
    tag.Attributes = ParseAttributes(Trim(attributes));
  }
  if (text[pos] == '/') {
    tag.Empty = true;
    const std::size_t gt = text.find('>', pos);
    if (gt == std::string::npos) return false;
    pos = gt;
  }
  tag.Next = pos + 1;
  return true;
}

inline bool Split(TRefElement& element, int depth) {
  element.Children.clear();
  const std::string text = Trim(element.Text);
  if (text.empty() || text[0] != '<') return false;
  std::size_t at = 0;
  for (;;) {
    TRefTag tag;
    if (!ReadTag(text, at, false, tag)) return false;
    TRefElement child;
    child.Name = tag.Name;
    child.Attributes = tag.Attributes;
    std::size_t next = tag.Next;
    if (!tag.Empty) {
      const std::string endTag = "</" + tag.Name + ">";
      const std::size_t found = text.find(endTag, tag.Next);
      if (found == std::string::npos) return false;
      child.Text = text.substr(tag.Next, found - tag.Next);
      next = found + endTag.size();
    }
    element.Children.push_back(child);
    if (depth < TXMLElement::kMaxDepth) Split(element.Children.back(), depth + 1);
    at = next;
    while (at < text.size() && IsBlank(text[at])) ++at;
    if (at + 1 >= text.size()) return true;
  }
}

// Parses `content`; false when the document is refused.
inline bool Parse(const std::string& content, TRefElement& root) {
  const std::string all = Trim(content);
  if (all.size() < 8 || all.compare(0, 5, "<?xml") != 0) return false;
  const std::size_t declEnd = all.find("?>", 5);
  if (declEnd == std::string::npos) return false;
  const std::string body = Normalize(Trim(all.substr(declEnd + 2)));
  if (body.empty() || body[0] != '<') return false;
  TRefTag tag;
  if (!ReadTag(body, 0, true, tag)) return false;
  std::string text;
  if (!tag.Empty) {
    const std::size_t found = body.find("</" + tag.Name + ">", tag.Next);
    if (found == std::string::npos) return false;
    text = body.substr(tag.Next, found - tag.Next);
  }
  root = TRefElement();
  root.Name = Trim(tag.Name);
  root.Attributes = tag.Attributes;
  root.Text = Trim(text);
  if (!root.Text.empty()) Split(root, 0);
  return true;
}

// An empty text when both trees are equal, else where they part.
inline std::string Compare(const TXMLElement& element, const TRefElement& expected, const std::string& path = "") {
  const std::string here = path + "/" + expected.Name;
  if (element.Name != expected.Name) return here + ": name " + std::string(element.Name);
  if (element.Text != expected.Text) return here + ": text";
  if (element.Attributes.size() != expected.Attributes.size()) return here + ": attribute count";
  for (std::size_t index = 0; index < expected.Attributes.size(); ++index) {
    if (element.Attributes[index].Name != expected.Attributes[index].Name ||
        element.Attributes[index].Value != expected.Attributes[index].Value) {
      return here + ": attribute " + std::to_string(index);
    }
  }
  if (element.Children.size() != expected.Children.size()) {
    return here + ": " + std::to_string(element.Children.size()) + " children, expected " +
           std::to_string(expected.Children.size());
  }
  for (std::size_t index = 0; index < expected.Children.size(); ++index) {
    std::string difference = Compare(element.Children[index], expected.Children[index], here);
    if (!difference.empty()) return difference;
  }
  return "";
}

}  // namespace brisolt::reference
