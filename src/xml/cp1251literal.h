// Element names and fixed texts written in the source as UTF-8 and compared, at no run-time cost,
// with the windows-1251 bytes of a pack: constexpr Cp1251Literal kRoot(u8"ФайлПФР").
#pragma once

#include <cstddef>
#include <string>
#include <string_view>

namespace brisolt {

template <std::size_t N>
class Cp1251Literal {
 public:
  // Only ASCII and the Russian alphabet are accepted; anything else fails to compile.
  consteval Cp1251Literal(const char8_t (&utf8)[N]) {
    std::size_t in = 0;
    while (in + 1 < N) {
      const unsigned lead = utf8[in];
      if (lead < 0x80) {
        bytes_[size_++] = static_cast<char>(lead);
        ++in;
        continue;
      }
      if ((lead & 0xE0) != 0xC0 || in + 2 >= N) throw "only ASCII and Cyrillic letters";
      const unsigned code = ((lead & 0x1F) << 6) | (static_cast<unsigned>(utf8[in + 1]) & 0x3F);
      if (code >= 0x410 && code <= 0x44F) {
        bytes_[size_++] = static_cast<char>(0xC0 + (code - 0x410));
      } else if (code == 0x401) {
        bytes_[size_++] = static_cast<char>(0xA8);
      } else if (code == 0x451) {
        bytes_[size_++] = static_cast<char>(0xB8);
      } else {
        throw "only ASCII and Cyrillic letters";
      }
      in += 2;
    }
  }

  constexpr std::string_view View() const { return {bytes_, size_}; }
  constexpr operator std::string_view() const { return View(); }
  std::string Str() const { return std::string(View()); }

  friend constexpr bool operator==(std::string_view text, const Cp1251Literal& literal) {
    return text == literal.View();
  }

 private:
  char bytes_[N]{};
  std::size_t size_ = 0;
};

}  // namespace brisolt
