#include "engine/protocoltarget.h"

#include <filesystem>
#include <system_error>

#include "engine/sverka.h"
#include "protocol/protfile.h"
#include "base/encoding.h"

namespace brisolt {

namespace fs = std::filesystem;

namespace {

// Same file or folder however named: links, "..", letter case where the file system ignores it.
bool SameEntry(const fs::path& a, const fs::path& b) {
  std::error_code error;
  return fs::equivalent(a, b, error) && !error;
}

}  // namespace

std::string ProtocolTargetConflict(const std::string& target, const std::vector<std::string>& packFiles,
                                   const std::vector<std::string>& folders) {
  fs::path resolved;
  try {
    resolved = ResolveProtocolTarget(target);
  } catch (const EProtocolWriteError& refused) {
    return std::string("Протокол не может быть записан в файл ") + refused.what();
  }
  std::error_code error;
  if (fs::exists(resolved, error)) {
    for (const std::string& pack : packFiles) {
      if (SameEntry(resolved, PathFromNative(pack))) {
        return "Протокол не может быть записан в файл " + target + ": это читаемый файл " + pack;
      }
    }
  }
  if (!MatchesPackFileMask(NativeFromPath(resolved.filename()))) {
    return {};
  }
  fs::path folder = resolved.parent_path();
  if (folder.empty()) {
    folder = ".";
  }
  for (const std::string& walked : folders) {
    if (SameEntry(folder, PathFromNative(walked))) {
      return "Протокол не может быть записан в файл " + target +
             ": имя файла протокола совпадает с маской файлов пачек в читаемой папке " + walked;
    }
  }
  return {};
}

}  // namespace brisolt
