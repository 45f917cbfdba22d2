// What the shared part of the platform layer (platform.cpp) asks of the one system part built
// with it (platform_posix.cpp or platform_win32.cpp).
#pragma once

#include <cstddef>
#include <filesystem>
#include <string>

namespace brisolt::platform::detail {

// The temporary folder when neither TEMP nor the standard library tells one.
extern const char* const kFallbackTempFolder;

// The longest last part of a name the file system of a folder takes, counted in the units of
// std::filesystem::path::native(), and those units' name for a message.
struct TNameLimit {
  std::size_t Length = 0;  // 0: the system tells none
  const char* Unit = "";
};
TNameLimit NameLimit(const std::filesystem::path& folder);

// One line of an error where the user sees it; control characters are already escaped.
void WriteErrorLine(const std::string& text);

}  // namespace brisolt::platform::detail
