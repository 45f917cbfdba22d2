// A strict check of the markup the protocol writers produce, for the fuzz targets: every tag
// closed in order, attributes well formed, text free of stray "<", bare "&" and the control
// characters XML forbids. In XML mode it is a well-formedness check (one root, quoted attributes,
// only the predefined entities); in HTML mode it also knows void elements, unquoted attribute
// values, the named entity "nbsp" and the raw text of <script> and <style>. The writers close
// every element themselves, so nesting is held to exactly, stricter than HTML needs.
#pragma once

#include <cctype>
#include <cstddef>
#include <string>
#include <string_view>
#include <vector>

namespace brisolt::fuzzing {

struct TMarkupReport {
  std::string Error;  // empty when the text passed
  std::size_t Offset = 0;
  std::size_t Elements = 0;  // elements opened
  std::size_t Counted = 0;   // of them, those named as the checker was asked to count
};

class TMarkupChecker {
 public:
  // Counts the elements named `counted` (in HTML mode regardless of case).
  TMarkupChecker(std::string_view text, bool html, std::string_view counted = {})
      : text_(text), html_(html), counted_(counted) {}

  TMarkupReport Check() {
    if (!html_) {
      if (text_.substr(0, 5) != "<?xml") return Fail("no XML declaration");
      const std::size_t end = text_.find("?>");
      if (end == std::string_view::npos) return Fail("declaration not closed");
      pos_ = end + 2;
    }
    while (pos_ < text_.size() && report_.Error.empty()) {
      const char c = text_[pos_];
      if (c == '<') {
        if (!html_ && stack_.empty() && report_.Elements != 0 && !At("<?") && !At("<!--")) {
          return Fail("a second root element");
        }
        Markup();
      } else if (c == '&') {
        Reference();
      } else if (html_ || !stack_.empty()) {
        SkipPlain();
        if (pos_ < text_.size() && text_[pos_] != '<' && text_[pos_] != '&') Character();
      } else {
        if (!IsXmlBlank(c)) return Fail("text outside the root element");
        Character();
      }
    }
    if (report_.Error.empty() && !stack_.empty()) return Fail("element " + std::string(stack_.back()) + " not closed");
    if (report_.Error.empty() && report_.Elements == 0) return Fail("no element");
    return report_;
  }

 private:
  // Whether `what` begins at the current position; compared character by character, as a
  // library comparison per tag cost more than the rest of the check.
  bool At(std::string_view what) const {
    if (text_.size() - pos_ < what.size()) return false;
    for (std::size_t at = 0; at < what.size(); ++at) {
      if (text_[pos_ + at] != what[at]) return false;
    }
    return true;
  }
  static bool IsXmlBlank(char c) { return c == ' ' || c == '\t' || c == '\r' || c == '\n'; }
  static bool IsNameChar(char c) {
    return std::isalnum(static_cast<unsigned char>(c)) != 0 || c == ':' || c == '-' || c == '_' || c == '.';
  }

  TMarkupReport Fail(const std::string& what) {
    if (report_.Error.empty()) {
      report_.Error = what;
      report_.Offset = pos_;
    }
    pos_ = text_.size();
    return report_;
  }

  // Passes over the characters Character() would let through without a look at their neighbours
  // (all but "<", "&", ">", `quote` and the control characters), which are most of a text: one
  // plain loop for a run of them instead of a call per character.
  void SkipPlain(char quote = '<') {
    while (pos_ < text_.size()) {
      const auto c = static_cast<unsigned char>(text_[pos_]);
      if (c < 0x20 || c == '<' || c == '&' || c == '>' || c == static_cast<unsigned char>(quote)) return;
      ++pos_;
    }
  }

  void Character() {
    const auto c = static_cast<unsigned char>(text_[pos_]);
    if (c < 0x20 && c != '\t' && c != '\n' && c != '\r') {
      Fail("control character " + std::to_string(c));
      return;
    }
    if (c == '>' && !html_ && pos_ >= 2 && text_[pos_ - 2] == ']' && text_[pos_ - 1] == ']') {
      Fail("]]> in text");
      return;
    }
    ++pos_;
  }

  void Reference() {
    const std::size_t end = text_.find(';', pos_);
    if (end == std::string_view::npos || end - pos_ > 10) {
      Fail("bare &");
      return;
    }
    const std::string_view name = text_.substr(pos_ + 1, end - pos_ - 1);
    bool known = name == "amp" || name == "lt" || name == "gt" || name == "quot" || name == "apos" ||
                 (html_ && name == "nbsp");
    if (!known && name.size() >= 2 && name[0] == '#') {
      const bool hex = name[1] == 'x';
      known = name.size() > (hex ? 2u : 1u);
      for (std::size_t at = hex ? 2 : 1; at < name.size() && known; ++at) {
        known = hex ? std::isxdigit(static_cast<unsigned char>(name[at])) != 0
                    : std::isdigit(static_cast<unsigned char>(name[at])) != 0;
      }
    }
    if (!known) {
      Fail("unknown entity &" + std::string(name) + ";");
      return;
    }
    pos_ = end + 1;
  }

  // A name as it stands in the text, not copied: a string made per tag and per attribute cost
  // more, under the sanitizer's allocator, than the rest of the check. Names are ASCII (IsNameChar).
  std::string_view Name() {
    const std::size_t start = pos_;
    while (pos_ < text_.size() && IsNameChar(text_[pos_])) ++pos_;
    return text_.substr(start, pos_ - start);
  }

  // Whether two names are the same: in HTML mode regardless of case.
  bool SameName(std::string_view one, std::string_view other) const {
    if (one.size() != other.size()) return false;
    for (std::size_t at = 0; at < one.size(); ++at) {
      if (html_ ? std::tolower(static_cast<unsigned char>(one[at])) != std::tolower(static_cast<unsigned char>(other[at]))
                : one[at] != other[at]) {
        return false;
      }
    }
    return true;
  }

  void SkipBlanks() {
    while (pos_ < text_.size() && IsXmlBlank(text_[pos_])) ++pos_;
  }

  bool IsVoid(std::string_view name) const {
    if (!html_) return false;
    for (const std::string_view element : {"br", "meta", "input", "img", "hr", "col", "link"}) {
      if (SameName(name, element)) return true;
    }
    return false;
  }

  void Markup() {
    if (At("<!--")) {
      const std::size_t end = text_.find("-->", pos_ + 4);
      if (end == std::string_view::npos) {
        Fail("comment not closed");
        return;
      }
      pos_ = end + 3;
      return;
    }
    if (At("<?")) {
      const std::size_t end = text_.find("?>", pos_);
      if (html_ || end == std::string_view::npos) {
        Fail("processing instruction");
        return;
      }
      pos_ = end + 2;
      return;
    }
    if (At("<!")) {
      Fail("declaration inside the document");
      return;
    }
    ++pos_;
    const bool closing = pos_ < text_.size() && text_[pos_] == '/';
    if (closing) ++pos_;
    const std::string_view name = Name();
    if (name.empty()) {
      Fail("< not starting a tag");
      return;
    }
    if (closing) {
      SkipBlanks();
      if (pos_ >= text_.size() || text_[pos_] != '>') {
        Fail("end tag " + std::string(name) + " not closed");
        return;
      }
      ++pos_;
      if (stack_.empty() || !SameName(stack_.back(), name)) {
        Fail("end tag " + std::string(name) + " does not close " +
             (stack_.empty() ? std::string("anything") : std::string(stack_.back())));
        return;
      }
      stack_.pop_back();
      return;
    }
    ++report_.Elements;
    if (SameName(name, counted_)) ++report_.Counted;
    std::vector<std::string_view>& attributes = attributes_;
    attributes.clear();
    for (;;) {
      const std::size_t before = pos_;
      SkipBlanks();
      if (pos_ >= text_.size()) {
        Fail("tag " + std::string(name) + " not closed");
        return;
      }
      if (text_[pos_] == '>' || At("/>")) break;
      if (pos_ == before) {
        Fail("no blank before an attribute of " + std::string(name));
        return;
      }
      const std::string_view attribute = Name();
      if (attribute.empty()) {
        Fail("bad attribute in " + std::string(name));
        return;
      }
      for (const std::string_view seen : attributes) {
        if (SameName(seen, attribute)) {
          Fail("attribute " + std::string(attribute) + " twice in " + std::string(name));
          return;
        }
      }
      attributes.push_back(attribute);
      if (pos_ < text_.size() && text_[pos_] != '=') {
        if (html_) continue;  // a boolean attribute such as "checked"
        Fail("attribute " + std::string(attribute) + " without a value");
        return;
      }
      ++pos_;
      AttributeValue();
      if (!report_.Error.empty()) return;
    }
    const bool empty = text_[pos_] == '/';
    pos_ += empty ? 2 : 1;
    if (empty || IsVoid(name)) return;
    if (html_ && (SameName(name, "script") || SameName(name, "style"))) {
      const std::size_t close = text_.find(SameName(name, "script") ? "</script" : "</style", pos_);
      if (close == std::string_view::npos) {
        Fail(std::string(name) + " not closed");
        return;
      }
      pos_ = close;
    }
    stack_.push_back(name);
  }

  void AttributeValue() {
    if (pos_ >= text_.size()) {
      Fail("attribute value missing");
      return;
    }
    const char quote = text_[pos_];
    if (quote != '"' && quote != '\'') {
      if (!html_) {
        Fail("unquoted attribute value");
        return;
      }
      const std::size_t start = pos_;
      while (pos_ < text_.size() && !IsXmlBlank(text_[pos_]) && text_[pos_] != '>') {
        const char c = text_[pos_];
        if (c == '"' || c == '\'' || c == '<' || c == '=' || c == '`') {
          Fail("character " + std::string(1, c) + " in an unquoted attribute value");
          return;
        }
        if (c == '&') {
          Reference();
          if (!report_.Error.empty()) return;
          continue;
        }
        Character();
        if (!report_.Error.empty()) return;
      }
      if (pos_ == start) Fail("empty unquoted attribute value");
      return;
    }
    ++pos_;
    while (pos_ < text_.size() && text_[pos_] != quote) {
      SkipPlain(quote);
      if (pos_ >= text_.size() || text_[pos_] == quote) break;
      if (text_[pos_] == '<') {
        Fail("< in an attribute value");
        return;
      }
      if (text_[pos_] == '&') {
        Reference();
      } else {
        Character();
      }
      if (!report_.Error.empty()) return;
    }
    if (pos_ >= text_.size()) {
      Fail("attribute value not closed");
      return;
    }
    ++pos_;
  }

  std::string_view text_;
  bool html_;
  std::string_view counted_;
  std::size_t pos_ = 0;
  std::vector<std::string_view> stack_;       // names of the open elements, in the text
  std::vector<std::string_view> attributes_;  // of the tag being read; kept to spare an allocation per tag
  TMarkupReport report_;
};

inline TMarkupReport CheckMarkup(std::string_view text, bool html, std::string_view counted = {}) {
  return TMarkupChecker(text, html, counted).Check();
}

}  // namespace brisolt::fuzzing
