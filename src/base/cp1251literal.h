// The one way to write a windows-1251 constant: the text is written in the source as UTF-8 and
// turned into windows-1251 bytes at compile time, so a character the code page lacks fails to
// compile instead of turning into "?" at run time:
//   constexpr Cp1251Literal kRoot(u8"ФайлПФР");
//   std::string message = kWarning + personName;   // concatenates as a std::string
// The code page's table lives here too, as the codec in base/encoding.cpp reads it.
#pragma once

#include <array>
#include <cstddef>
#include <string>
#include <string_view>

namespace brisolt {

// The code points of windows-1251 bytes 0x80..0xFF; 0x98, which the code page leaves undefined,
// stands for U+0098 so that bytes survive a round trip.
inline constexpr std::array<char16_t, 128> kCp1251UpperHalf = {
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

template <std::size_t N>
class Cp1251Literal {
 public:
  // Any character of the code page is accepted; anything else fails to compile.
  consteval Cp1251Literal(const char8_t (&utf8)[N]) {
    std::size_t in = 0;
    while (in + 1 < N) {
      const unsigned lead = utf8[in];
      unsigned code = 0;
      if (lead < 0x80) {
        code = lead;
        in += 1;
      } else if ((lead & 0xE0) == 0xC0 && in + 2 < N) {
        code = ((lead & 0x1F) << 6) | (static_cast<unsigned>(utf8[in + 1]) & 0x3F);
        in += 2;
      } else if ((lead & 0xF0) == 0xE0 && in + 3 < N) {
        code = ((lead & 0x0F) << 12) | ((static_cast<unsigned>(utf8[in + 1]) & 0x3F) << 6) |
               (static_cast<unsigned>(utf8[in + 2]) & 0x3F);
        in += 3;
      } else {
        throw "not a character of windows-1251";
      }
      bytes_[size_++] = static_cast<char>(ByteOf(code));
    }
  }

  constexpr std::string_view View() const { return {bytes_, size_}; }
  constexpr operator std::string_view() const { return View(); }
  std::string Str() const { return std::string(View()); }
  operator std::string() const { return Str(); }

  friend constexpr bool operator==(std::string_view text, const Cp1251Literal& literal) {
    return text == literal.View();
  }
  friend std::string operator+(const Cp1251Literal& literal, const std::string& text) {
    return literal.Str() + text;
  }
  friend std::string operator+(std::string text, const Cp1251Literal& literal) {
    return text.append(literal.View());
  }

 private:
  static consteval unsigned ByteOf(unsigned code) {
    if (code < 0x80) return code;
    if (code >= 0x410 && code <= 0x44F) return 0xC0 + (code - 0x410);
    for (unsigned index = 0; index < 128; ++index) {
      if (kCp1251UpperHalf[index] == code) return 0x80 + index;
    }
    throw "not a character of windows-1251";
  }

  char bytes_[N]{};
  std::size_t size_ = 0;
};

template <std::size_t N, std::size_t M>
std::string operator+(const Cp1251Literal<N>& left, const Cp1251Literal<M>& right) {
  return left.Str().append(right.View());
}

}  // namespace brisolt
