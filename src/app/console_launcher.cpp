// brisolt.com, the console face of the Windows program. brisolt.exe is a GUI program, so that a
// double click opens no console; but cmd neither waits for a GUI program nor gives it its
// console. Typed in cmd, "brisolt ..." finds this program first (.com comes before .exe), which
// starts brisolt.exe beside it with the same command line and the same standard handles, waits
// for it and returns its exit status. brisolt.exe attaches to this console to write its messages.
#include <windows.h>

#include <string>

namespace {

// Our own few messages, as brisolt.exe writes its own: UTF-16 to a console, UTF-8 to a file or a
// pipe.
void Say(const std::wstring& text) {
  const HANDLE error = GetStdHandle(STD_ERROR_HANDLE);
  DWORD written = 0;
  DWORD mode = 0;
  if (GetConsoleMode(error, &mode)) {
    WriteConsoleW(error, text.data(), static_cast<DWORD>(text.size()), &written, nullptr);
    return;
  }
  const int size = WideCharToMultiByte(CP_UTF8, 0, text.data(), static_cast<int>(text.size()),
                                       nullptr, 0, nullptr, nullptr);
  std::string utf8(static_cast<std::string::size_type>(size), '\0');
  WideCharToMultiByte(CP_UTF8, 0, text.data(), static_cast<int>(text.size()), utf8.data(), size,
                      nullptr, nullptr);
  WriteFile(error, utf8.data(), static_cast<DWORD>(utf8.size()), &written, nullptr);
}

std::wstring SiblingProgram() {
  std::wstring path(32768, L'\0');
  const DWORD length = GetModuleFileNameW(nullptr, path.data(), static_cast<DWORD>(path.size()));
  if (length == 0 || length >= path.size()) {
    return {};
  }
  path.resize(length);
  const std::wstring::size_type dot = path.find_last_of(L'.');
  const std::wstring::size_type slash = path.find_last_of(L"\\/");
  if (dot == std::wstring::npos || (slash != std::wstring::npos && dot < slash)) {
    return {};
  }
  return path.substr(0, dot) + L".exe";
}

}  // namespace

int wmain() {
  const std::wstring program = SiblingProgram();
  if (program.empty()) {
    Say(L"Не удалось определить имя программы brisolt.exe.\r\n");
    return 1;
  }
  // The child gets Ctrl-C from the console as we do and removes its unfinished protocol; we only
  // wait for it and pass its status on.
  SetConsoleCtrlHandler(nullptr, TRUE);

  STARTUPINFOW startup{};
  startup.cb = sizeof startup;
  startup.dwFlags = STARTF_USESTDHANDLES;
  startup.hStdInput = GetStdHandle(STD_INPUT_HANDLE);
  startup.hStdOutput = GetStdHandle(STD_OUTPUT_HANDLE);
  startup.hStdError = GetStdHandle(STD_ERROR_HANDLE);
  std::wstring commandLine = GetCommandLineW();
  PROCESS_INFORMATION child{};
  if (!CreateProcessW(program.c_str(), commandLine.data(), nullptr, nullptr, TRUE, 0, nullptr,
                      nullptr, &startup, &child)) {
    const std::wstring message =
        L"Не удалось запустить программу " + program + L" (код ошибки " +
        std::to_wstring(GetLastError()) + L").\r\n";
    Say(message);
    return 1;
  }
  CloseHandle(child.hThread);
  WaitForSingleObject(child.hProcess, INFINITE);
  DWORD status = 1;
  GetExitCodeProcess(child.hProcess, &status);
  CloseHandle(child.hProcess);
  return static_cast<int>(status);
}
