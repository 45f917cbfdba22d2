#include "checks.h"

#include <unistd.h>

#include <cstdint>
#include <filesystem>

#include "base/encoding.h"

#include "../reference/xml_events.h"
#include "forms/packreader.h"
#include "forms/szv6.h"
#include "forms/szv63.h"
#include "markup_check.h"
#include "reference_reader.h"
#include "xml/xmlwork.h"

namespace brisolt::fuzzing {

std::string MarkupError(std::string_view text, bool html, std::string_view counted, std::size_t& offset,
                        std::size_t& count) {
  TMarkupReport report = CheckMarkup(text, html, counted);
  offset = report.Offset;
  count = report.Counted;
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

namespace {

class TJsonChecker {
 public:
  explicit TJsonChecker(std::string_view text) : text_(text) {}

  std::string Check(std::size_t& offset) {
    Blank();
    Value(0);
    Blank();
    if (error_.empty() && pos_ != text_.size()) Fail("text after the value");
    offset = pos_;
    return error_;
  }

 private:
  void Fail(const char* what) {
    if (error_.empty()) error_ = what;
  }
  bool More() const { return error_.empty() && pos_ < text_.size(); }
  void Blank() {
    while (More() && (text_[pos_] == ' ' || text_[pos_] == '\t' || text_[pos_] == '\r' || text_[pos_] == '\n')) {
      ++pos_;
    }
  }
  bool Take(char c) {
    if (More() && text_[pos_] == c) {
      ++pos_;
      return true;
    }
    return false;
  }
  void Word(std::string_view word) {
    if (text_.substr(pos_, word.size()) == word) {
      pos_ += word.size();
    } else {
      Fail("unknown word");
    }
  }
  void Digits() {
    const std::size_t start = pos_;
    while (More() && text_[pos_] >= '0' && text_[pos_] <= '9') ++pos_;
    if (pos_ == start) Fail("digit expected");
  }
  void Number() {
    Take('-');
    if (Take('0')) {
      if (More() && text_[pos_] >= '0' && text_[pos_] <= '9') Fail("leading zero");
    } else {
      Digits();
    }
    if (Take('.')) Digits();
    if (Take('e') || Take('E')) {
      if (!Take('+')) Take('-');
      Digits();
    }
  }
  void String() {
    ++pos_;  // the opening quote
    for (;;) {
      if (!More()) return Fail("string not closed");
      const auto byte = static_cast<unsigned char>(text_[pos_]);
      if (byte == '"') {
        ++pos_;
        return;
      }
      if (byte < 0x20) return Fail("raw control character in a string");
      if (byte == '\\') {
        ++pos_;
        if (!More()) return Fail("escape not finished");
        const char escaped = text_[pos_++];
        if (escaped == 'u') {
          for (int digit = 0; digit < 4; ++digit) {
            if (!More() || std::string_view("0123456789abcdefABCDEF").find(text_[pos_]) == std::string_view::npos) {
              return Fail("bad \\u escape");
            }
            ++pos_;
          }
        } else if (std::string_view("\"\\/bfnrt").find(escaped) == std::string_view::npos) {
          return Fail("unknown escape");
        }
        continue;
      }
      char32_t code = 0;
      if (!NextUtf8(text_, pos_, code)) return Fail("not UTF-8");
    }
  }
  void Value(int depth) {
    if (depth > 64) return Fail("nested too deep");
    if (!More()) return Fail("value expected");
    const char c = text_[pos_];
    if (c == '{') {
      ++pos_;
      Blank();
      if (Take('}')) return;
      do {
        Blank();
        if (!More() || text_[pos_] != '"') return Fail("key expected");
        String();
        Blank();
        if (!Take(':')) return Fail("':' expected");
        Blank();
        Value(depth + 1);
        Blank();
      } while (Take(','));
      if (!Take('}')) Fail("'}' expected");
    } else if (c == '[') {
      ++pos_;
      Blank();
      if (Take(']')) return;
      do {
        Blank();
        Value(depth + 1);
        Blank();
      } while (Take(','));
      if (!Take(']')) Fail("']' expected");
    } else if (c == '"') {
      String();
    } else if (c == 't') {
      Word("true");
    } else if (c == 'f') {
      Word("false");
    } else if (c == 'n') {
      Word("null");
    } else if (c == '-' || (c >= '0' && c <= '9')) {
      Number();
    } else {
      Fail("value expected");
    }
  }

  std::string_view text_;
  std::size_t pos_ = 0;
  std::string error_;
};

// A number as the CSV writes amounts (-12,34) is a number to a spreadsheet, not a formula.
bool IsAmount(std::string_view field) {
  if (!field.empty() && field[0] == '-') field.remove_prefix(1);
  const std::size_t comma = field.find(',');
  const std::string_view whole = field.substr(0, comma);
  const std::string_view cents = comma == std::string_view::npos ? std::string_view("0") : field.substr(comma + 1);
  const auto digits = [](std::string_view part) {
    return !part.empty() && part.find_first_not_of("0123456789") == std::string_view::npos;
  };
  return digits(whole) && digits(cents);
}

bool RunsInASpreadsheet(std::string_view field) {
  if (IsAmount(field) || (!field.empty() && field[0] == '\'')) return false;
  if (!field.empty() && (field[0] == '\t' || field[0] == '\r')) return true;
  const std::size_t first = field.find_first_not_of(std::string_view(" \t\r\n\0", 5));
  return first != std::string_view::npos && std::string_view("=+-@").find(field[first]) != std::string_view::npos;
}

}  // namespace

std::string JsonError(std::string_view text, std::size_t& offset) { return TJsonChecker(text).Check(offset); }

std::string RunnableCsvField(std::string_view text) {
  std::size_t pos = 0;
  while (pos < text.size()) {
    std::string field;
    if (text[pos] == '"') {
      for (++pos; pos < text.size(); ++pos) {
        if (text[pos] == '"') {
          if (pos + 1 < text.size() && text[pos + 1] == '"') {
            field += '"';
            ++pos;
          } else {
            ++pos;
            break;
          }
        } else {
          field += text[pos];
        }
      }
    } else {
      const std::size_t end = text.find_first_of(";\r\n", pos);
      field = text.substr(pos, end == std::string_view::npos ? std::string_view::npos : end - pos);
      pos = end == std::string_view::npos ? text.size() : end;
    }
    if (RunsInASpreadsheet(field)) return field;
    // The separator or the line end after the field.
    if (pos < text.size() && text[pos] == ';') {
      ++pos;
    } else if (text.substr(pos, 2) == "\r\n") {
      pos += 2;
    } else if (pos < text.size()) {
      ++pos;
    }
  }
  return {};
}

std::size_t UndecodableByte(std::string_view text, bool utf8) {
  for (std::size_t at = 0; at < text.size(); ++at) {
    const auto byte = static_cast<unsigned char>(text[at]);
    const bool c0 = (byte < 0x20 && byte != '\t' && byte != '\r' && byte != '\n') || byte == 0x7F;
    const bool unassigned = utf8 ? byte == 0xC2 && at + 1 < text.size() &&
                                       static_cast<unsigned char>(text[at + 1]) >= 0x80 &&
                                       static_cast<unsigned char>(text[at + 1]) <= 0x9F
                                 : byte == 0x98;
    if (c0 || unassigned) {
      return at;
    }
  }
  return std::string_view::npos;
}

std::string ScratchPath(const std::string& stem) {
  static const std::filesystem::path folder = [] {
    std::error_code error;
    const std::filesystem::path memory = "/dev/shm";
    if (std::filesystem::is_directory(memory, error) && ::access(memory.c_str(), W_OK | X_OK) == 0) return memory;
    return std::filesystem::temp_directory_path();
  }();
  return (folder / (stem + "-" + std::to_string(::getpid()))).string();
}

std::uint32_t InputHash(std::string_view bytes) {
  std::uint32_t hash = 2166136261u;
  for (const char ch : bytes) hash = (hash ^ static_cast<unsigned char>(ch)) * 16777619u;
  return hash;
}

}  // namespace brisolt::fuzzing
