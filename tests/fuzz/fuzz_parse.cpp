// Arbitrary bytes through the text codec; the pack readers join here as they arrive.
#include <cstddef>
#include <cstdint>
#include <string_view>

#include "xml/cp1251.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  std::string_view bytes(reinterpret_cast<const char*>(data), size);
  std::string utf8 = brisolt::Cp1251ToUtf8(bytes);
  if (brisolt::Utf8ToCp1251(utf8) != bytes) {
    __builtin_trap();
  }
  brisolt::Utf8ToCp1251(bytes);
  return 0;
}
