// The platform layer on Windows. Texts cross to the system in UTF-16 (see platform.h).
#include "app/platform.h"

#include <cstdio>
#include <cstdlib>
#include <filesystem>

#include <io.h>
#include <windows.h>
#include <shellapi.h>

#include "app/platform_parts.h"
#include "protocol/protfile.h"

namespace brisolt::platform {

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

// Only what a console control handler may do: read lock-free atomics and call DeleteFile.
void RemovePendingProtocolFiles() {
  for (int slot = 0; slot < kPendingProtocolFileSlots; ++slot) {
    const wchar_t* name = PendingProtocolFile(slot);
    if (name[0] != 0) {
      DeleteFileW(name);
    }
  }
}

BOOL WINAPI OnConsoleEvent(DWORD) {
  RemovePendingProtocolFiles();
  return FALSE;  // the default handler then ends the process as usual
}

}  // namespace

namespace detail {

const char* const kFallbackTempFolder = "C:\\Windows\\Temp";

TNameLimit NameLimit(const std::filesystem::path&) {
  return {255, "знаков"};  // UTF-16 units, on every file system Windows writes
}

void WriteErrorLine(const std::string& text) {
  if (WriteStderrConsole(text + "\r\n")) {
    return;
  }
  if (g_errorsInBoxes) {
    MessageBoxW(nullptr, WideFromUtf8(text).c_str(), L"Программа сверки начислений и уплат в ПФР", MB_OK | MB_ICONERROR);
    return;
  }
  // Redirected: the C runtime's text mode turns the '\n' into CR LF.
  std::fputs(text.c_str(), stderr);
  std::fputc('\n', stderr);
  std::fflush(stderr);
}

}  // namespace detail

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

std::vector<std::string> CommandLineArguments(int, char**) {
  std::vector<std::string> args;
  int count = 0;
  wchar_t** wide = CommandLineToArgvW(GetCommandLineW(), &count);
  for (int index = 1; wide != nullptr && index < count; ++index) {
    args.push_back(Utf8FromWide(wide[index]));
  }
  LocalFree(wide);
  return args;
}

char PathSeparator() { return '\\'; }

bool DisplayConfigured() { return true; }

bool SettingsKeepTypes() { return true; }

std::string GetEnv(const char* name) {
  const wchar_t* value = _wgetenv(WideFromUtf8(name).c_str());
  return value == nullptr ? std::string() : Utf8FromWide(value);
}

std::string ExecutablePath() {
  wchar_t buffer[32768];
  DWORD length = GetModuleFileNameW(nullptr, buffer, 32768);
  if (length == 0 || length >= 32768) {
    return {};
  }
  return Utf8FromWide(std::wstring(buffer, length));
}

bool ProgramExists(const std::string& program) {
  wchar_t found[MAX_PATH];
  const std::wstring name = WideFromUtf8(program);
  return SearchPathW(nullptr, name.c_str(), nullptr, MAX_PATH, found, nullptr) > 0;
}

void ShellOpen(const std::string& target) {
  const std::wstring wide = WideFromUtf8(target);
  ShellExecuteW(nullptr, L"open", wide.c_str(), nullptr, nullptr, SW_SHOWMAXIMIZED);
}

bool StartProgram(const std::string& program, const std::vector<std::string>& arguments) {
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
}

bool StartSpreadsheet(const std::string& fileName, bool excelFirst) {
  if (excelFirst && StartProgram("excel.exe", {fileName})) return true;
  return StartProgram("scalc.exe", {fileName});
}

// The system's messages come in the user's language already.
void UseUserLanguageForSystemMessages() {}

// Windows folders have no sticky bit: the rule is never asked there.
void InstallLinkOwnerRule() {}

// A new file takes the access list of its folder (the user's own TEMP unless told otherwise);
// the standard library's unfinished file serves.
void InstallPrivateProtocolFiles() {}

void PrepareBatchOutput() {
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
}

void RemoveProtocolFilesOnInterrupt() { SetConsoleCtrlHandler(OnConsoleEvent, TRUE); }

bool StderrIsTerminal() { return _isatty(_fileno(stderr)) != 0; }

void WriteStderr(std::string_view text) {
  if (WriteStderrConsole(text)) {
    return;
  }
  std::fwrite(text.data(), 1, text.size(), stderr);
  std::fflush(stderr);
}

}  // namespace brisolt::platform
