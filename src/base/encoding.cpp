#include "base/encoding.h"

#include "base/cp1251literal.h"

#include <algorithm>
#include <array>
#include <cstdint>
#include <cstring>
#include <type_traits>
#include <unordered_map>

namespace brisolt {
namespace {

constexpr const std::array<char16_t, 128>& kUpperHalf = kCp1251UpperHalf;

const std::unordered_map<char32_t, unsigned char>& ReverseTable() {
  static const auto table = [] {
    std::unordered_map<char32_t, unsigned char> map;
    for (int index = 0; index < 128; ++index) {
      map.emplace(kUpperHalf[index], static_cast<unsigned char>(0x80 + index));
    }
    return map;
  }();
  return table;
}

struct CaseTables {
  std::array<unsigned char, 256> upper{};
};

// Case pairs of the code page, derived from the Unicode values: Cyrillic а..я/А..Я are 0x20
// apart, ѐ..џ/Ѐ..Џ 0x50, ґ/Ґ 1; ASCII as usual.
const CaseTables& Cases() {
  static const CaseTables tables = [] {
    CaseTables result;
    for (int byte = 0; byte < 256; ++byte) {
      result.upper[byte] = static_cast<unsigned char>(byte);
    }
    for (int byte = 'a'; byte <= 'z'; ++byte) {
      result.upper[byte] = static_cast<unsigned char>(byte - 32);
    }
    for (int byte = 0x80; byte < 256; ++byte) {
      char32_t code = Cp1251ToUnicode(static_cast<unsigned char>(byte));
      char32_t upperCode = code;
      if (code >= 0x0430 && code <= 0x044F) {
        upperCode = code - 0x20;
      } else if (code >= 0x0450 && code <= 0x045F) {
        upperCode = code - 0x50;
      } else if (code == 0x0491) {
        upperCode = 0x0490;
      }
      if (upperCode != code) {
        int upperByte = UnicodeToCp1251(upperCode);
        if (upperByte >= 0) {
          result.upper[byte] = static_cast<unsigned char>(upperByte);
        }
      }
    }
    return result;
  }();
  return tables;
}

void AppendUtf8(std::string& out, char32_t code) {
  if (code < 0x80) {
    out += static_cast<char>(code);
  } else if (code < 0x800) {
    out += static_cast<char>(0xC0 | (code >> 6));
    out += static_cast<char>(0x80 | (code & 0x3F));
  } else if (code < 0x10000) {
    out += static_cast<char>(0xE0 | (code >> 12));
    out += static_cast<char>(0x80 | ((code >> 6) & 0x3F));
    out += static_cast<char>(0x80 | (code & 0x3F));
  } else {
    out += static_cast<char>(0xF0 | (code >> 18));
    out += static_cast<char>(0x80 | ((code >> 12) & 0x3F));
    out += static_cast<char>(0x80 | ((code >> 6) & 0x3F));
    out += static_cast<char>(0x80 | (code & 0x3F));
  }
}

// Whether `text` may hold a byte that IsUnwritableCp1251 names, eight bytes at a time: a byte
// below a space (tab, LF and CR too, which only cost the byte-wise look), DEL or 0x98.
bool MayHoldUnwritable(std::string_view text) {
  constexpr std::uint64_t kEach = 0x0101010101010101ull;
  constexpr std::uint64_t kHigh = 0x8080808080808080ull;
  constexpr std::uint64_t kLow7 = 0x7F7F7F7F7F7F7F7Full;
  const auto equal = [](std::uint64_t word, unsigned char byte) {
    const std::uint64_t x = word ^ (kEach * byte);
    return ~(((x & kLow7) + kLow7) | x | kLow7);
  };
  for (std::size_t at = 0; at < text.size(); at += 8) {
    std::uint64_t word = kEach * ' ';  // what lies past the end reads as spaces
    std::memcpy(&word, text.data() + at, std::min<std::size_t>(8, text.size() - at));
    const std::uint64_t below = (word - kEach * ' ') & ~word & kHigh;
    if ((below | equal(word, 0x7F) | equal(word, 0x98)) != 0) return true;
  }
  return false;
}

}  // namespace

std::string CleanCp1251Text(std::string_view text) {
  std::string result(text);
  // Nearly every text is clean, and is told so without a look at each byte.
  if (!MayHoldUnwritable(text)) return result;
  for (char& byte : result) {
    if (IsUnwritableCp1251(static_cast<unsigned char>(byte))) {
      byte = kUnwritableMark;
    }
  }
  return result;
}

char32_t Cp1251ToUnicode(unsigned char byte) {
  return byte < 0x80 ? byte : kUpperHalf[byte - 0x80];
}

int UnicodeToCp1251(char32_t codePoint) {
  if (codePoint < 0x80) {
    return static_cast<int>(codePoint);
  }
  if (codePoint >= 0x0410 && codePoint <= 0x044F) {
    return static_cast<int>(codePoint - 0x0410 + 0xC0);
  }
  const auto& table = ReverseTable();
  auto found = table.find(codePoint);
  return found == table.end() ? -1 : found->second;
}

bool NextUtf8(std::string_view text, std::size_t& pos, char32_t& code) {
  const auto lead = static_cast<unsigned char>(text[pos]);
  const std::size_t length = lead < 0x80                   ? 1
                             : lead >= 0xC2 && lead <= 0xDF ? 2
                             : (lead & 0xF0) == 0xE0        ? 3
                             : lead >= 0xF0 && lead <= 0xF4 ? 4
                                                            : 0;
  if (length == 0 || pos + length > text.size()) {
    ++pos;
    return false;
  }
  char32_t value = length == 1 ? lead : lead & (0x7F >> length);
  for (std::size_t index = 1; index < length; ++index) {
    const auto next = static_cast<unsigned char>(text[pos + index]);
    if ((next & 0xC0) != 0x80) {
      ++pos;
      return false;
    }
    value = (value << 6) | (next & 0x3F);
  }
  pos += length;
  code = value;
  return true;
}

bool IsUtf8(std::string_view text) {
  std::size_t pos = 0;
  char32_t code = 0;
  while (pos < text.size()) {
    if (!NextUtf8(text, pos, code)) {
      return false;
    }
  }
  return true;
}

std::u16string Cp1251ToUtf16(std::string_view text) {
  std::u16string result;
  result.reserve(text.size());
  for (char byte : text) {
    result += static_cast<char16_t>(Cp1251ToUnicode(static_cast<unsigned char>(byte)));
  }
  return result;
}

std::string Cp1251ToUtf8(std::string_view text) {
  std::string result;
  result.reserve(text.size() * 2);
  for (char byte : text) {
    AppendUtf8(result, Cp1251ToUnicode(static_cast<unsigned char>(byte)));
  }
  return result;
}

std::string Utf16ToCp1251(std::u16string_view text, char replacement) {
  std::string result;
  result.reserve(text.size());
  for (std::size_t pos = 0; pos < text.size(); ++pos) {
    char32_t code = text[pos];
    if (code >= 0xD800 && code <= 0xDBFF && pos + 1 < text.size() && text[pos + 1] >= 0xDC00 &&
        text[pos + 1] <= 0xDFFF) {
      ++pos;  // a surrogate pair is one character, and none is in the code page
      result += replacement;
      continue;
    }
    int byte = UnicodeToCp1251(code);
    result += byte < 0 ? replacement : static_cast<char>(byte);
  }
  return result;
}

std::string Utf8ToCp1251(std::string_view text, char replacement) {
  std::string result;
  result.reserve(text.size());
  std::size_t pos = 0;
  while (pos < text.size()) {
    char32_t code = 0;
    const int byte = NextUtf8(text, pos, code) ? UnicodeToCp1251(code) : -1;
    result += byte < 0 ? replacement : static_cast<char>(byte);
  }
  return result;
}

unsigned char Cp1251ToUpper(unsigned char byte) { return Cases().upper[byte]; }

std::string Cp1251UpperCase(std::string_view text) {
  std::string result(text);
  for (char& byte : result) {
    byte = static_cast<char>(Cp1251ToUpper(static_cast<unsigned char>(byte)));
  }
  return result;
}

int CompareCp1251ByUtf16(std::string_view a, std::string_view b) {
  // Every character of the code page is a single UTF-16 code unit, so a byte-wise map suffices.
  static const std::array<char16_t, 256> units = [] {
    std::array<char16_t, 256> table{};
    for (int byte = 0; byte < 256; ++byte) {
      table[static_cast<std::size_t>(byte)] = static_cast<char16_t>(Cp1251ToUnicode(static_cast<unsigned char>(byte)));
    }
    return table;
  }();
  const std::size_t common = std::min(a.size(), b.size());
  for (std::size_t index = 0; index < common; ++index) {
    const char16_t left = units[static_cast<unsigned char>(a[index])];
    const char16_t right = units[static_cast<unsigned char>(b[index])];
    if (left != right) {
      return left < right ? -1 : 1;
    }
  }
  return a.size() < b.size() ? -1 : a.size() > b.size() ? 1 : 0;
}

namespace {

// Converts each part of a name between separators on its own, keeping the separators.
template <typename TConvert>
std::string ConvertNameParts(std::string_view name, TConvert convert) {
  std::string result;
  result.reserve(name.size() * 2);
  std::size_t start = 0;
  for (;;) {
    const std::size_t end = name.find_first_of(kNameSeparators, start);
    const std::string_view part =
        name.substr(start, end == std::string_view::npos ? std::string_view::npos : end - start);
    result += convert(part, IsUtf8(part));
    if (end == std::string_view::npos) {
      return result;
    }
    result += name[end];
    start = end + 1;
  }
}

}  // namespace

std::string NameToCp1251(std::string_view name) {
  return ConvertNameParts(name, [](std::string_view part, bool utf8) {
    return utf8 ? Utf8ToCp1251(part) : std::string(part);
  });
}

std::string NameToUtf8(std::string_view name) {
  return ConvertNameParts(name, [](std::string_view part, bool utf8) {
    return utf8 ? std::string(part) : Cp1251ToUtf8(part);
  });
}

// Where paths are wide (Windows), the program's narrow names are UTF-8 and cross as such; where
// they are narrow, the bytes are the name, whatever their encoding.
constexpr bool kWidePaths = std::is_same_v<std::filesystem::path::value_type, wchar_t>;

std::filesystem::path PathFromNative(const std::string& native) {
  if constexpr (kWidePaths) {
    return std::filesystem::path(std::u8string(native.begin(), native.end()));
  } else {
    return std::filesystem::path(native);
  }
}

std::string NativeFromPath(const std::filesystem::path& path) {
  if constexpr (kWidePaths) {
    const std::u8string text = path.u8string();
    return std::string(text.begin(), text.end());
  } else {
    return path.string();
  }
}

std::string EscapeControls(std::string_view utf8) {
  static constexpr char kHex[] = "0123456789ABCDEF";
  std::string out;
  out.reserve(utf8.size());
  for (std::size_t at = 0; at < utf8.size(); ++at) {
    const auto byte = static_cast<unsigned char>(utf8[at]);
    // C1 controls are U+0080..U+009F, two bytes in UTF-8: C2 80..C2 9F.
    if (byte == 0xC2 && at + 1 < utf8.size() && static_cast<unsigned char>(utf8[at + 1]) >= 0x80 &&
        static_cast<unsigned char>(utf8[at + 1]) <= 0x9F) {
      const auto code = static_cast<unsigned char>(utf8[++at]);
      out += "\\u00";
      out += kHex[code >> 4];
      out += kHex[code & 0xF];
    } else if (byte >= 0x20 && byte != 0x7F) {
      out += static_cast<char>(byte);
    } else if (byte == '\n') {
      out += "\\n";
    } else if (byte == '\r') {
      out += "\\r";
    } else if (byte == '\t') {
      out += "\\t";
    } else if (byte == 0x1B) {
      out += "\\e";
    } else {
      out += "\\x";
      out += kHex[byte >> 4];
      out += kHex[byte & 0xF];
    }
  }
  return out;
}

}  // namespace brisolt
