// Program entry: any argument at all means one batch run without a window; none opens the window.
#include <exception>
#include <string>
#include <vector>

#include "app/cmdline.h"
#include "app/platform.h"
#include "app/windowmode.h"

#ifdef _WIN32
#include <windows.h>
#include <shellapi.h>
#include "base/encoding.h"
#endif

namespace {

std::vector<std::string> Arguments(int argc, char** argv) {
#ifdef _WIN32
  // The narrow argv is in the ANSI code page; take the UTF-16 command line instead.
  (void)argc;
  (void)argv;
  std::vector<std::string> args;
  int count = 0;
  wchar_t** wide = CommandLineToArgvW(GetCommandLineW(), &count);
  for (int index = 1; index < count; ++index) {
    args.push_back(brisolt::NativeFromPath(std::filesystem::path(wide[index])));
  }
  LocalFree(wide);
  return args;
#else
  return std::vector<std::string>(argv + 1, argv + argc);
#endif
}

}  // namespace

int main(int argc, char** argv) {
  std::vector<std::string> args = Arguments(argc, argv);
  brisolt::platform::RemoveProtocolFilesOnInterrupt();
  if (args.empty()) {
    return brisolt::RunWindowMode(argc, argv);
  }
  try {
    return brisolt::RunBatch(args);
  } catch (const std::exception& failure) {
    brisolt::platform::ReportError(failure.what());
    return brisolt::kExitFailure;
  }
}
