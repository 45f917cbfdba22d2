#include "app/platform.h"

#include <cerrno>
#include <clocale>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <system_error>

#include "base/encoding.h"
#include "protocol/protfile.h"

#include <fcntl.h>

#ifdef _WIN32
#include <io.h>
#include <windows.h>
#include <shellapi.h>
#else
#include <signal.h>
#include <spawn.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>
#ifdef __GLIBC__
#include <libintl.h>
#endif
extern char** environ;
#endif

namespace brisolt::platform {

#ifdef _WIN32
std::wstring WideFromUtf8(const std::string& text) {
  if (text.empty()) {
    return {};
  }
  const int size = static_cast<int>(text.size());
  const int length = MultiByteToWideChar(CP_UTF8, 0, text.data(), size, nullptr, 0);
  std::wstring wide(static_cast<std::size_t>(length), L'\0');
  MultiByteToWideChar(CP_UTF8, 0, text.data(), size, wide.data(), length);
  return wide;
}

std::string Utf8FromWide(const std::wstring& text) {
  if (text.empty()) {
    return {};
  }
  const int size = static_cast<int>(text.size());
  const int length = WideCharToMultiByte(CP_UTF8, 0, text.data(), size, nullptr, 0, nullptr, nullptr);
  std::string narrow(static_cast<std::size_t>(length), '\0');
  WideCharToMultiByte(CP_UTF8, 0, text.data(), size, narrow.data(), length, nullptr, nullptr);
  return narrow;
}
#endif

std::vector<std::string> CommandLineArguments(int argc, char** argv) {
#ifdef _WIN32
  (void)argc;
  (void)argv;
  std::vector<std::string> args;
  int count = 0;
  wchar_t** wide = CommandLineToArgvW(GetCommandLineW(), &count);
  for (int index = 1; wide != nullptr && index < count; ++index) {
    args.push_back(Utf8FromWide(wide[index]));
  }
  LocalFree(wide);
  return args;
#else
  return std::vector<std::string>(argv + 1, argv + argc);
#endif
}

char PathSeparator() {
#ifdef _WIN32
  return '\\';
#else
  return '/';
#endif
}

std::string GetEnv(const char* name) {
#ifdef _WIN32
  const wchar_t* value = _wgetenv(WideFromUtf8(name).c_str());
  return value == nullptr ? std::string() : Utf8FromWide(value);
#else
  const char* value = std::getenv(name);
  return value == nullptr ? std::string() : std::string(value);
#endif
}

std::string TempFolder() {
  std::string folder = GetEnv("TEMP");
  if (folder.empty()) {
    std::error_code error;
    folder = NativeFromPath(std::filesystem::temp_directory_path(error));
    if (error || folder.empty()) {
#ifdef _WIN32
      folder = "C:\\Windows\\Temp";
#else
      folder = "/tmp";
#endif
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

std::string ExecutablePath() {
  std::error_code error;
#ifdef _WIN32
  wchar_t buffer[32768];
  DWORD length = GetModuleFileNameW(nullptr, buffer, 32768);
  if (length == 0 || length >= 32768) {
    return {};
  }
  return Utf8FromWide(std::wstring(buffer, length));
#else
  auto path = std::filesystem::read_symlink("/proc/self/exe", error);
  return error ? std::string() : NativeFromPath(path);
#endif
}

#ifndef _WIN32
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

}  // namespace
#endif

bool ProgramExists(const std::string& program) {
#ifdef _WIN32
  wchar_t found[MAX_PATH];
  const std::wstring name = WideFromUtf8(program);
  return SearchPathW(nullptr, name.c_str(), nullptr, MAX_PATH, found, nullptr) > 0;
#else
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
#endif
}

void ShellOpen(const std::string& target) {
#ifdef _WIN32
  const std::wstring wide = WideFromUtf8(target);
  ShellExecuteW(nullptr, L"open", wide.c_str(), nullptr, nullptr, SW_SHOWMAXIMIZED);
#else
  SpawnDetached({"xdg-open", target});
#endif
}

bool StartProgram(const std::string& program, const std::vector<std::string>& arguments) {
#ifdef _WIN32
  std::wstring parameters;
  for (const auto& argument : arguments) {
    if (!parameters.empty()) {
      parameters += L' ';
    }
    parameters += L'"' + WideFromUtf8(argument) + L'"';
  }
  const std::wstring wideProgram = WideFromUtf8(program);
  // No message box of the shell's own when the program is missing: the caller has a fallback.
  SHELLEXECUTEINFOW info{};
  info.cbSize = sizeof info;
  info.fMask = SEE_MASK_FLAG_NO_UI;
  info.lpVerb = L"open";
  info.lpFile = wideProgram.c_str();
  info.lpParameters = parameters.c_str();
  info.nShow = SW_SHOWMAXIMIZED;
  return ShellExecuteExW(&info) != FALSE;
#else
  std::vector<std::string> argv{program};
  argv.insert(argv.end(), arguments.begin(), arguments.end());
  return SpawnDetached(argv);
#endif
}

#ifdef _WIN32
namespace {

// Set when the batch runs with no standard error at all: brisolt.exe, a GUI program, started
// with parameters from a shortcut. Errors then go to message boxes, so that none is lost.
bool g_errorsInBoxes = false;

// Writes to the console behind standard error in UTF-16, which shows Cyrillic whatever the
// console's code page. False when standard error is a file or a pipe.
bool WriteStderrConsole(std::string_view text) {
  const HANDLE handle = GetStdHandle(STD_ERROR_HANDLE);
  DWORD mode = 0;
  if (handle == nullptr || handle == INVALID_HANDLE_VALUE || !GetConsoleMode(handle, &mode)) {
    return false;
  }
  std::fflush(stderr);
  const std::wstring wide = WideFromUtf8(std::string(text));
  DWORD written = 0;
  WriteConsoleW(handle, wide.data(), static_cast<DWORD>(wide.size()), &written, nullptr);
  return true;
}

}  // namespace
#endif

#ifndef _WIN32
namespace {

bool LinkOwnedByUserOrFolderOwner(const std::filesystem::path& link) {
  struct stat linkInfo {};
  struct stat folderInfo {};
  const std::filesystem::path folder = link.has_parent_path() ? link.parent_path() : ".";
  if (lstat(link.c_str(), &linkInfo) != 0 || stat(folder.c_str(), &folderInfo) != 0) {
    return false;
  }
  return linkInfo.st_uid == geteuid() || linkInfo.st_uid == folderInfo.st_uid;
}

}  // namespace
#endif

void UseUserLanguageForSystemMessages() {
#ifndef _WIN32
  std::setlocale(LC_MESSAGES, "");
#ifdef __GLIBC__
  // The program's texts are UTF-8 whatever the locale's character set.
  bind_textdomain_codeset("libc", "UTF-8");
#endif
#endif
  // Windows: the system's messages come in the user's language already.
}

std::string FileNameTooLong(const std::string& fileName) {
  const std::filesystem::path path = PathFromNative(fileName);
  const std::size_t length = path.filename().native().size();
#ifdef _WIN32
  const std::size_t limit = 255;  // UTF-16 units, on every file system Windows writes
#else
  const std::filesystem::path folder = path.has_parent_path() ? path.parent_path() : ".";
  errno = 0;
  const long nameMax = pathconf(folder.c_str(), _PC_NAME_MAX);
  if (nameMax <= 0) {
    return {};  // no folder, or no limit told: the writing itself will say
  }
  const auto limit = static_cast<std::size_t>(nameMax);
#endif
  if (length <= limit) {
    return {};
  }
  return fileName + ": имя файла длиннее, чем допускает файловая система (" + std::to_string(limit) +
         (PathSeparator() == '\\' ? " знаков)" : " байт)");
}

void InstallLinkOwnerRule() {
#ifndef _WIN32
  // Windows folders have no sticky bit: the rule is never asked there.
  SetLinkOwnerRule(LinkOwnedByUserOrFolderOwner);
#endif
}

void PrepareBatchOutput() {
#ifdef _WIN32
  if (GetConsoleWindow() != nullptr) {
    return;  // a console program, or brisolt.exe already in brisolt.com's console
  }
  // brisolt.exe started from a console (through brisolt.com, or typed in full): its messages go
  // to that console. Handles the starter passed on (a file, a pipe) stay as they are.
  const bool attached = AttachConsole(ATTACH_PARENT_PROCESS) != 0;
  const HANDLE error = GetStdHandle(STD_ERROR_HANDLE);
  if (error != nullptr && error != INVALID_HANDLE_VALUE) {
    return;
  }
  if (attached) {
    const HANDLE console = CreateFileW(L"CONOUT$", GENERIC_READ | GENERIC_WRITE, FILE_SHARE_WRITE,
                                       nullptr, OPEN_EXISTING, 0, nullptr);
    if (console != INVALID_HANDLE_VALUE) {
      SetStdHandle(STD_ERROR_HANDLE, console);
      return;
    }
  }
  g_errorsInBoxes = true;
#endif
}

void ReportError(const std::string& raw) {
  // Messages name files and folders, whose names may hold anything but '/' and NUL.
  const std::string text = EscapeControls(raw);
#ifdef _WIN32
  if (WriteStderrConsole(text + "\r\n")) {
    return;
  }
  if (g_errorsInBoxes) {
    MessageBoxW(nullptr, WideFromUtf8(text).c_str(), L"Программа сверки начислений и уплат в ПФР", MB_OK | MB_ICONERROR);
    return;
  }
  // Redirected: the C runtime's text mode turns the '\n' into CR LF.
#endif
  std::fputs(text.c_str(), stderr);
  std::fputc('\n', stderr);
  std::fflush(stderr);
}

namespace {

// Only what a signal handler may do: read lock-free atomics and call unlink or DeleteFile.
void RemovePendingProtocolFiles() {
  for (int slot = 0; slot < kPendingProtocolFileSlots; ++slot) {
    const auto* name = PendingProtocolFile(slot);
    if (name[0] != 0) {
#ifdef _WIN32
      DeleteFileW(name);
#else
      unlink(name);
#endif
    }
  }
}

#ifdef _WIN32
BOOL WINAPI OnConsoleEvent(DWORD) {
  RemovePendingProtocolFiles();
  return FALSE;  // the default handler then ends the process as usual
}
#else
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
#endif

}  // namespace

void RemoveProtocolFilesOnInterrupt() {
#ifdef _WIN32
  SetConsoleCtrlHandler(OnConsoleEvent, TRUE);
#else
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
#endif
}

TStderrSilenced::TStderrSilenced() {
  std::fflush(stderr);
#ifdef _WIN32
  const int sink = _open("NUL", _O_WRONLY);
  saved_ = sink < 0 ? -1 : _dup(2);
  if (saved_ >= 0) {
    _dup2(sink, 2);
  }
  if (sink >= 0) {
    _close(sink);
  }
#else
  const int sink = open("/dev/null", O_WRONLY | O_CLOEXEC);
  saved_ = sink < 0 ? -1 : fcntl(STDERR_FILENO, F_DUPFD_CLOEXEC, 0);
  if (saved_ >= 0) {
    dup2(sink, STDERR_FILENO);
  }
  if (sink >= 0) {
    close(sink);
  }
#endif
}

TStderrSilenced::~TStderrSilenced() {
  if (saved_ < 0) {
    return;
  }
  std::fflush(stderr);
#ifdef _WIN32
  _dup2(saved_, 2);
  _close(saved_);
#else
  dup2(saved_, STDERR_FILENO);
  close(saved_);
#endif
}

bool StderrIsTerminal() {
#ifdef _WIN32
  return _isatty(_fileno(stderr)) != 0;
#else
  return isatty(fileno(stderr)) != 0;
#endif
}

void WriteStderr(std::string_view text) {
#ifdef _WIN32
  if (WriteStderrConsole(text)) {
    return;
  }
#endif
  std::fwrite(text.data(), 1, text.size(), stderr);
  std::fflush(stderr);
}

}  // namespace brisolt::platform
