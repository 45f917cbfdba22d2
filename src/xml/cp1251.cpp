#include "xml/cp1251.h"

#include <array>
#include <unordered_map>

namespace brisolt {
namespace {

constexpr std::array<char16_t, 128> kUpperHalf = {
    0x0402, 0x0403, 0x201A, 0x0453, 0x201E, 0x2026, 0x2020, 0x2021,
    0x20AC, 0x2030, 0x0409, 0x2039, 0x040A, 0x040C, 0x040B, 0x040F,
    0x0452, 0x2018, 0x2019, 0x201C, 0x201D, 0x2022, 0x2013, 0x2014,
    0x0098, 0x2122, 0x0459, 0x203A, 0x045A, 0x045C, 0x045B, 0x045F,
    0x00A0, 0x040E, 0x045E, 0x0408, 0x00A4, 0x0490, 0x00A6, 0x00A7,
    0x0401, 0x00A9, 0x0404, 0x00AB, 0x00AC, 0x00AD, 0x00AE, 0x0407,
    0x00B0, 0x00B1, 0x0406, 0x0456, 0x0491, 0x00B5, 0x00B6, 0x00B7,
    0x0451, 0x2116, 0x0454, 0x00BB, 0x0458, 0x0405, 0x0455, 0x0457,
    0x0410, 0x0411, 0x0412, 0x0413, 0x0414, 0x0415, 0x0416, 0x0417,
    0x0418, 0x0419, 0x041A, 0x041B, 0x041C, 0x041D, 0x041E, 0x041F,
    0x0420, 0x0421, 0x0422, 0x0423, 0x0424, 0x0425, 0x0426, 0x0427,
    0x0428, 0x0429, 0x042A, 0x042B, 0x042C, 0x042D, 0x042E, 0x042F,
    0x0430, 0x0431, 0x0432, 0x0433, 0x0434, 0x0435, 0x0436, 0x0437,
    0x0438, 0x0439, 0x043A, 0x043B, 0x043C, 0x043D, 0x043E, 0x043F,
    0x0440, 0x0441, 0x0442, 0x0443, 0x0444, 0x0445, 0x0446, 0x0447,
    0x0448, 0x0449, 0x044A, 0x044B, 0x044C, 0x044D, 0x044E, 0x044F,
};

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
  std::array<unsigned char, 256> lower{};
};

// Case pairs of the code page, derived from the Unicode values: Cyrillic а..я/А..Я are 0x20
// apart, ѐ..џ/Ѐ..Џ 0x50, ґ/Ґ 1; ASCII as usual.
const CaseTables& Cases() {
  static const CaseTables tables = [] {
    CaseTables result;
    for (int byte = 0; byte < 256; ++byte) {
      result.upper[byte] = result.lower[byte] = static_cast<unsigned char>(byte);
    }
    for (int byte = 'a'; byte <= 'z'; ++byte) {
      result.upper[byte] = static_cast<unsigned char>(byte - 32);
      result.lower[byte - 32] = static_cast<unsigned char>(byte);
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
          result.lower[upperByte] = static_cast<unsigned char>(byte);
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

// Decodes one UTF-8 sequence at `pos`; a malformed one yields U+FFFD and consumes one byte.
char32_t NextUtf8(std::string_view text, std::size_t& pos) {
  auto byte = static_cast<unsigned char>(text[pos]);
  int length = byte < 0x80 ? 1 : (byte >> 5) == 0x6 ? 2 : (byte >> 4) == 0xE ? 3 : (byte >> 3) == 0x1E ? 4 : 0;
  if (length == 0 || pos + length > text.size()) {
    ++pos;
    return 0xFFFD;
  }
  char32_t code = length == 1 ? byte : byte & (0x7F >> length);
  for (int index = 1; index < length; ++index) {
    auto next = static_cast<unsigned char>(text[pos + index]);
    if ((next & 0xC0) != 0x80) {
      ++pos;
      return 0xFFFD;
    }
    code = (code << 6) | (next & 0x3F);
  }
  pos += length;
  return code;
}

}  // namespace

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
    char32_t code = NextUtf8(text, pos);
    int byte = code == 0xFFFD ? -1 : UnicodeToCp1251(code);
    result += byte < 0 ? replacement : static_cast<char>(byte);
  }
  return result;
}

unsigned char Cp1251ToUpper(unsigned char byte) { return Cases().upper[byte]; }

unsigned char Cp1251ToLower(unsigned char byte) { return Cases().lower[byte]; }

std::string Cp1251UpperCase(std::string_view text) {
  std::string result(text);
  for (char& byte : result) {
    byte = static_cast<char>(Cp1251ToUpper(static_cast<unsigned char>(byte)));
  }
  return result;
}

bool Cp1251EqualsIgnoreCase(std::string_view a, std::string_view b) {
  if (a.size() != b.size()) {
    return false;
  }
  for (std::size_t index = 0; index < a.size(); ++index) {
    if (Cp1251ToUpper(static_cast<unsigned char>(a[index])) !=
        Cp1251ToUpper(static_cast<unsigned char>(b[index]))) {
      return false;
    }
  }
  return true;
}

std::filesystem::path PathFromNative(const std::string& native) {
#ifdef _WIN32
  return std::filesystem::path(std::u8string(native.begin(), native.end()));
#else
  return std::filesystem::path(native);
#endif
}

std::string NativeFromPath(const std::filesystem::path& path) {
#ifdef _WIN32
  std::u8string text = path.u8string();
  return std::string(text.begin(), text.end());
#else
  return path.string();
#endif
}

}  // namespace brisolt
