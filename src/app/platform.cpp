// The part of the platform layer that is the same on every system; the rest is in
// platform_posix.cpp and platform_win32.cpp, of which the build takes one.
#include "app/platform.h"

#include <filesystem>
#include <system_error>

#include "app/platform_parts.h"
#include "base/encoding.h"

namespace brisolt::platform {

std::string TempFolder() {
  std::string folder = GetEnv("TEMP");
  if (folder.empty()) {
    std::error_code error;
    folder = NativeFromPath(std::filesystem::temp_directory_path(error));
    if (error || folder.empty()) {
      folder = detail::kFallbackTempFolder;
    }
  }
  while (folder.size() > 1 && (folder.back() == '/' || folder.back() == PathSeparator())) {
    folder.pop_back();
  }
  return folder;
}

bool FolderExists(const std::string& path) {
  if (path.empty()) {
    return false;
  }
  std::error_code error;
  return std::filesystem::is_directory(PathFromNative(path), error);
}

std::string FileNameTooLong(const std::string& fileName) {
  const std::filesystem::path path = PathFromNative(fileName);
  const std::size_t length = path.filename().native().size();
  const detail::TNameLimit limit = detail::NameLimit(path.has_parent_path() ? path.parent_path() : ".");
  if (limit.Length == 0 || length <= limit.Length) {
    return {};  // no folder, or no limit told: the writing itself will say
  }
  return fileName + ": имя файла длиннее, чем допускает файловая система (" +
         std::to_string(limit.Length) + " " + limit.Unit + ")";
}

void ReportError(const std::string& raw) {
  // Messages name files and folders, whose names may hold anything but '/' and NUL.
  detail::WriteErrorLine(EscapeControls(raw));
}

}  // namespace brisolt::platform
