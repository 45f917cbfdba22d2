// What the app tests ask of the operating system, on Linux and on Windows: environment variables
// set in UTF-8 (UTF-16 underneath on Windows, as the program reads them) and the program itself
// run with its standard error kept.
#pragma once

#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <optional>
#include <sstream>
#include <string>
#include <vector>

#ifdef _WIN32
#include <process.h>

#include "app/platform.h"
#else
#include <sys/wait.h>
#include <unistd.h>
#endif

#include "base/encoding.h"

namespace brisolt::testing_support {

// Sets or (with nullopt) removes a variable of this process. On Windows an empty value removes
// it too, as the system keeps no empty variables.
inline void SetEnvironment(const std::string& name, const std::optional<std::string>& value) {
#ifdef _WIN32
  _wputenv_s(platform::WideFromUtf8(name).c_str(), platform::WideFromUtf8(value.value_or("")).c_str());
#else
  if (value) {
    setenv(name.c_str(), value->c_str(), 1);
  } else {
    unsetenv(name.c_str());
  }
#endif
}

inline std::optional<std::string> GetEnvironment(const std::string& name) {
#ifdef _WIN32
  const wchar_t* value = _wgetenv(platform::WideFromUtf8(name).c_str());
  return value == nullptr ? std::nullopt : std::optional<std::string>(platform::Utf8FromWide(value));
#else
  const char* value = std::getenv(name.c_str());
  return value == nullptr ? std::nullopt : std::optional<std::string>(value);
#endif
}

// Gives a variable a value for one scope and restores the old one afterwards.
class TScopedVariable {
 public:
  TScopedVariable(std::string name, const std::optional<std::string>& value)
      : name_(std::move(name)), saved_(GetEnvironment(name_)) {
    SetEnvironment(name_, value);
  }
  ~TScopedVariable() { SetEnvironment(name_, saved_); }
  TScopedVariable(const TScopedVariable&) = delete;
  TScopedVariable& operator=(const TScopedVariable&) = delete;

 private:
  std::string name_;
  std::optional<std::string> saved_;
};

inline long TestProcessId() {
#ifdef _WIN32
  return static_cast<long>(_getpid());
#else
  return static_cast<long>(getpid());
#endif
}

struct TProgramRun {
  int status = -1;
  std::string errorOutput;  // the bytes as written, line ends included
};

// Runs a program through the system's shell with each argument quoted as one word, standard
// output discarded and standard error kept, without a display to open windows on.
inline TProgramRun RunProgram(const std::string& program, const std::vector<std::string>& arguments) {
  namespace fs = std::filesystem;
  // A name of its own for every run: under Wine, a process the run starts on the side (the
  // desktop) may still hold the previous run's file open, so that the shell could not write it.
  static int runNumber = 0;
  const fs::path errorFile =
      fs::temp_directory_path() / ("brisolt-program-stderr-" + std::to_string(TestProcessId()) + "-" +
                                   std::to_string(++runNumber) + ".txt");
#ifdef _WIN32
  // cmd.exe takes the whole line between the outer quotes; inner quotes group the words.
  std::string command = "\"\"" + NativeFromPath(fs::absolute(PathFromNative(program)).make_preferred()) + "\"";
  for (const auto& argument : arguments) {
    command += " \"" + argument + "\"";
  }
  command += " 2>\"" + NativeFromPath(errorFile) + "\" >NUL\"";
  const int status = _wsystem(platform::WideFromUtf8(command).c_str());
#else
  std::string command = "env -u DISPLAY -u WAYLAND_DISPLAY '" + program + "'";
  for (const auto& argument : arguments) {
    command += " '" + argument + "'";
  }
  command += " 2>'" + errorFile.string() + "' >/dev/null";
  const int raw = std::system(command.c_str());
  const int status = WIFEXITED(raw) ? WEXITSTATUS(raw) : -1;
#endif
  TProgramRun run;
  run.status = status;
  std::ifstream in(errorFile, std::ios::binary);
  std::ostringstream text;
  text << in.rdbuf();
  run.errorOutput = text.str();
  in.close();
  std::error_code ignored;
  fs::remove(errorFile, ignored);
  return run;
}

}  // namespace brisolt::testing_support
