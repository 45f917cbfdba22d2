#include "app/verdata.h"

#include <cstdio>
#include <filesystem>
#include <system_error>

#include "app/platform.h"
#include "base/encoding.h"

namespace brisolt {

std::string FileFunctionText(std::uint32_t fileType, std::uint32_t fileSubtype) {
  static const char* const kDrivers[] = {
      "Unknown Driver",  "Printer Driver", "Keyboard Driver",   "Language Driver",
      "Display Driver",  "Mouse Driver",   "Network Driver",    "System Driver",
      "InstallableDriver", "Sound Driver", "Communications Driver"};
  static const char* const kFonts[] = {"Unknown Font", "Raster Font", "Vector Font",
                                       "Truetype Font"};
  switch (fileType) {
    case 0: return "Unknown";
    case 1: return "Application";
    case 2: return "DLL";
    case 3: return fileSubtype <= 10 ? kDrivers[fileSubtype] : "";
    case 4: return fileSubtype <= 3 ? kFonts[fileSubtype] : "";
    case 5: {
      char hex[9];
      std::snprintf(hex, sizeof hex, "%08X", static_cast<unsigned>(fileSubtype));
      return std::string("Virtual Defice Identifier = ") + hex;
    }
    case 7: return "Static-link Library";
    default: return "";
  }
}

std::string FindGuide(const std::string& executable) {
  if (executable.empty()) return {};
  const std::filesystem::path folder = PathFromNative(executable).parent_path();
  const std::filesystem::path candidates[] = {
      folder / "guide",
      folder / ".." / "share" / "brisolt" / "guide",
      folder / ".." / "share" / "doc" / "brisolt" / "guide",
      folder / ".." / "docs" / "guide",
  };
  for (const std::filesystem::path& candidate : candidates) {
    std::error_code error;
    const std::filesystem::path page = candidate / "index.html";
    if (std::filesystem::is_regular_file(page, error)) {
      const std::filesystem::path full = std::filesystem::weakly_canonical(page, error);
      return NativeFromPath(error ? page.lexically_normal() : full);
    }
  }
  return {};
}

}  // namespace brisolt
