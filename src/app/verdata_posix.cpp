// The version data of an executable file where files carry none: the program's own, from the
// build.
#include "app/verdata.h"

#include <filesystem>
#include <string>
#include <system_error>

#include "app/platform.h"
#include "base/encoding.h"

#ifndef BRISOLT_PRODUCT_VERSION
#define BRISOLT_PRODUCT_VERSION ""
#endif

namespace brisolt {

void ReadFileVersionInfo(const std::string& fileName, TFileVersionInfo& info) {
  info = TFileVersionInfo{};
  std::error_code error;
  const std::filesystem::path path = PathFromNative(fileName);
  if (!std::filesystem::is_regular_file(path, error)) {
    return;
  }
  info.FileType = "Application";
  const std::string own = platform::ExecutablePath();
  if (own.empty() || !std::filesystem::equivalent(path, PathFromNative(own), error) || error) {
    return;
  }
  // The same fields the Windows build carries in its version resource.
  info.CompanyName = "Brisolt";
  info.FileDescription = "Brisolt";
  info.FileVersion = BRISOLT_PRODUCT_VERSION;
  info.InternalName = "brisolt";
  info.OriginalFileName = "brisolt";
  info.ProductName = "Brisolt";
  info.ProductVersion = BRISOLT_PRODUCT_VERSION;
  info.FileFunction = FileFunctionText(1, 0);
}

}  // namespace brisolt
