// The platform layer on Linux and other POSIX systems.
#include "app/platform.h"

#include <cerrno>
#include <clocale>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <system_error>

#include <fcntl.h>
#include <signal.h>
#include <spawn.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>
#ifdef __GLIBC__
#include <libintl.h>
#endif

#include "app/platform_parts.h"
#include "base/encoding.h"
#include "protocol/protfile.h"

extern char** environ;

namespace brisolt::platform {

namespace detail {

const char* const kFallbackTempFolder = "/tmp";

TNameLimit NameLimit(const std::filesystem::path& folder) {
  errno = 0;
  const long nameMax = pathconf(folder.c_str(), _PC_NAME_MAX);
  return {nameMax <= 0 ? 0 : static_cast<std::size_t>(nameMax), "байт"};
}

void WriteErrorLine(const std::string& text) {
  std::fputs(text.c_str(), stderr);
  std::fputc('\n', stderr);
  std::fflush(stderr);
}

}  // namespace detail

namespace {

// Runs the program in a grandchild so that it outlives us and never becomes a zombie; the
// intermediate child reports through its exit status whether the start worked.
bool SpawnDetached(const std::vector<std::string>& argv) {
  pid_t child = fork();
  if (child < 0) {
    return false;
  }
  if (child == 0) {
    setsid();
    int devNull = open("/dev/null", O_RDWR);
    if (devNull >= 0) {
      dup2(devNull, STDIN_FILENO);
      dup2(devNull, STDOUT_FILENO);
      dup2(devNull, STDERR_FILENO);
    }
    std::vector<char*> args;
    for (const auto& arg : argv) {
      args.push_back(const_cast<char*>(arg.c_str()));
    }
    args.push_back(nullptr);
    pid_t grandchild = 0;
    int status = posix_spawnp(&grandchild, args[0], nullptr, nullptr, args.data(), environ);
    _exit(status == 0 ? 0 : 1);
  }
  int status = 0;
  while (waitpid(child, &status, 0) < 0) {
  }
  return WIFEXITED(status) && WEXITSTATUS(status) == 0;
}

bool LinkOwnedByUserOrFolderOwner(const std::filesystem::path& link) {
  struct stat linkInfo {};
  struct stat folderInfo {};
  const std::filesystem::path folder = link.has_parent_path() ? link.parent_path() : ".";
  if (lstat(link.c_str(), &linkInfo) != 0 || stat(folder.c_str(), &folderInfo) != 0) {
    return false;
  }
  return linkInfo.st_uid == geteuid() || linkInfo.st_uid == folderInfo.st_uid;
}

// Only what a signal handler may do: read lock-free atomics and call unlink.
void RemovePendingProtocolFiles() {
  for (int slot = 0; slot < kPendingProtocolFileSlots; ++slot) {
    const char* name = PendingProtocolFile(slot);
    if (name[0] != 0) {
      unlink(name);
    }
  }
}

void OnInterrupt(int signalNumber) {
  const int savedErrno = errno;
  RemovePendingProtocolFiles();
  // The default action, once this handler returns, ends the process with the signal's status.
  struct sigaction standard {};
  standard.sa_handler = SIG_DFL;
  sigemptyset(&standard.sa_mask);
  sigaction(signalNumber, &standard, nullptr);
  raise(signalNumber);
  errno = savedErrno;
}

}  // namespace

std::vector<std::string> CommandLineArguments(int argc, char** argv) {
  return std::vector<std::string>(argv + 1, argv + argc);
}

char PathSeparator() { return '/'; }

std::string GetEnv(const char* name) {
  const char* value = std::getenv(name);
  return value == nullptr ? std::string() : std::string(value);
}

std::string ExecutablePath() {
  std::error_code error;
  auto path = std::filesystem::read_symlink("/proc/self/exe", error);
  return error ? std::string() : NativeFromPath(path);
}

bool ProgramExists(const std::string& program) {
  if (program.find('/') != std::string::npos) {
    return access(program.c_str(), X_OK) == 0;
  }
  std::string path = GetEnv("PATH");
  std::size_t start = 0;
  while (start <= path.size()) {
    std::size_t end = path.find(':', start);
    if (end == std::string::npos) {
      end = path.size();
    }
    std::string folder = path.substr(start, end - start);
    if (folder.empty()) {
      folder.assign(1, '.');
    }
    if (access((folder + "/" + program).c_str(), X_OK) == 0) {
      return true;
    }
    start = end + 1;
  }
  return false;
}

void ShellOpen(const std::string& target) { SpawnDetached({"xdg-open", target}); }

// No Excel runs here: every workbook opens in LibreOffice Calc where it is installed.
bool StartSpreadsheet(const std::string& fileName, bool /*excelFirst*/) {
  if (ProgramExists("localc") && StartProgram("localc", {fileName})) return true;
  return ProgramExists("soffice") && StartProgram("soffice", {"--calc", fileName});
}

bool StartProgram(const std::string& program, const std::vector<std::string>& arguments) {
  std::vector<std::string> argv{program};
  argv.insert(argv.end(), arguments.begin(), arguments.end());
  return SpawnDetached(argv);
}

void UseUserLanguageForSystemMessages() {
  std::setlocale(LC_MESSAGES, "");
#ifdef __GLIBC__
  // The program's texts are UTF-8 whatever the locale's character set.
  bind_textdomain_codeset("libc", "UTF-8");
#endif
}

void InstallLinkOwnerRule() { SetLinkOwnerRule(LinkOwnedByUserOrFolderOwner); }

void PrepareBatchOutput() {}

void RemoveProtocolFilesOnInterrupt() {
  for (const int signalNumber : {SIGINT, SIGTERM, SIGHUP}) {
    struct sigaction current {};
    // A signal the caller chose to ignore (nohup, a background job) stays ignored.
    if (sigaction(signalNumber, nullptr, &current) != 0 || current.sa_handler == SIG_IGN) {
      continue;
    }
    struct sigaction handler {};
    handler.sa_handler = OnInterrupt;
    sigemptyset(&handler.sa_mask);
    sigaction(signalNumber, &handler, nullptr);
  }
}

bool StderrIsTerminal() { return isatty(fileno(stderr)) != 0; }

void WriteStderr(std::string_view text) {
  std::fwrite(text.data(), 1, text.size(), stderr);
  std::fflush(stderr);
}

}  // namespace brisolt::platform
