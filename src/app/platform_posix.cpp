// The platform layer on Linux and other POSIX systems.
#include "app/platform.h"

#include <cerrno>
#include <clocale>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <memory>
#include <string>
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

// The mode a new file gets from the umask, read once at start, while the program has one thread:
// the umask can only be read by setting it.
mode_t gNewFileMode = 0644;

std::error_code LastError() { return std::error_code(errno, std::generic_category()); }

// An unfinished protocol created owner-only by the system itself. Where the file system offers
// O_TMPFILE it has no name until it is whole, so that even kill -9 leaves nothing behind; it is
// then linked in under its temporary name and renamed over the target, as a named one is.
class TPosixUnfinishedFile final : public TUnfinishedFile {
 public:
  TPosixUnfinishedFile(int descriptor, std::filesystem::path name, bool named)
      : descriptor_(descriptor), name_(std::move(name)), named_(named) {}
  ~TPosixUnfinishedFile() override {
    if (descriptor_ >= 0) {
      close(descriptor_);
    }
    if (named_ && !placed_) {
      unlink(name_.c_str());
    }
  }
  TPosixUnfinishedFile(const TPosixUnfinishedFile&) = delete;
  TPosixUnfinishedFile& operator=(const TPosixUnfinishedFile&) = delete;

  static std::unique_ptr<TUnfinishedFile> Make(const std::filesystem::path& tempName, std::error_code& error) {
#ifdef O_TMPFILE
    const std::filesystem::path folder = tempName.has_parent_path() ? tempName.parent_path() : ".";
    const int unnamed = open(folder.c_str(), O_TMPFILE | O_WRONLY | O_CLOEXEC, S_IRUSR | S_IWUSR);
    if (unnamed >= 0) {
      return std::make_unique<TPosixUnfinishedFile>(unnamed, tempName, false);
    }
    // Not every file system has it (EOPNOTSUPP, EISDIR or EINVAL on older kernels): a named one.
#endif
    const int named = open(tempName.c_str(), O_CREAT | O_EXCL | O_WRONLY | O_NOFOLLOW | O_CLOEXEC, S_IRUSR | S_IWUSR);
    if (named < 0) {
      error = LastError();
      return nullptr;
    }
    return std::make_unique<TPosixUnfinishedFile>(named, tempName, true);
  }

  std::error_code Write(std::string_view bytes) override {
    while (!bytes.empty()) {
      const ssize_t written = write(descriptor_, bytes.data(), bytes.size());
      if (written < 0) {
        if (errno == EINTR) {
          continue;
        }
        return LastError();
      }
      bytes.remove_prefix(static_cast<std::size_t>(written));
    }
    return {};
  }

  // Written with write(2): the bytes are the system's already; close reports the rest in Place.
  std::error_code Finish() override { return {}; }

  std::error_code SetMode(std::optional<std::filesystem::perms> perms) override {
    const mode_t mode = perms ? static_cast<mode_t>(*perms) : gNewFileMode;
    return fchmod(descriptor_, mode) == 0 ? std::error_code() : LastError();
  }

  std::error_code Place(const std::filesystem::path& target) override {
    if (!named_) {
      // linkat with AT_EMPTY_PATH needs a privilege; the descriptor's /proc entry does not.
      const std::string self = "/proc/self/fd/" + std::to_string(descriptor_);
      if (linkat(AT_FDCWD, self.c_str(), AT_FDCWD, name_.c_str(), AT_SYMLINK_FOLLOW) != 0) {
        return LastError();
      }
      named_ = true;
    }
    const int descriptor = descriptor_;
    descriptor_ = -1;
    if (close(descriptor) != 0 && errno != EINTR) {
      return LastError();
    }
    if (rename(name_.c_str(), target.c_str()) != 0) {
      return LastError();
    }
    placed_ = true;
    return {};
  }

 private:
  int descriptor_;
  std::filesystem::path name_;
  bool named_;
  bool placed_ = false;
};

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

bool DisplayConfigured() {
  return !GetEnv("DISPLAY").empty() || !GetEnv("WAYLAND_DISPLAY").empty() ||
         !GetEnv("QT_QPA_PLATFORM").empty();
}

bool SettingsKeepTypes() { return false; }

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

void InstallPrivateProtocolFiles() {
  const mode_t mask = umask(0);
  umask(mask);
  gNewFileMode = 0666 & ~mask;
  SetUnfinishedFileMaker(TPosixUnfinishedFile::Make);
}

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
