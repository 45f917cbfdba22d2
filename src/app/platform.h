// The few facts the program asks of the operating system. Everything platform-specific outside
// the windows lives behind these functions. Texts are UTF-8 on every platform; on Windows they
// cross to the system in UTF-16, never in the ANSI code page, which cannot hold every name.
#pragma once

#include <string>
#include <string_view>
#include <vector>

namespace brisolt::platform {

// The program's arguments without its own name. On Windows they are taken from the UTF-16
// command line, as the narrow argv is in the ANSI code page.
std::vector<std::string> CommandLineArguments(int argc, char** argv);

// The separator this platform writes between folder names.
char PathSeparator();

// The folder for protocols when none is named: TEMP, else the system's temporary folder. Never
// ends in a separator.
std::string TempFolder();

// The value of an environment variable, empty when unset.
std::string GetEnv(const char* name);

bool FolderExists(const std::string& path);

// The full name of the running program's executable file; empty when it cannot be told.
std::string ExecutablePath();

// True when a window could be shown: always on Windows; elsewhere when the environment names a
// display (X11 or Wayland) or a Qt platform.
bool DisplayConfigured();

// True when the system's settings store keeps each value's type (the Windows registry); false
// where it keeps every scalar as text (a settings file).
bool SettingsKeepTypes();

// Opens a document or a web address with the program the desktop associates with it. Starts it
// detached and does not wait; failures are not reported, as nobody could act on them.
void ShellOpen(const std::string& target);

// Starts a program by name (looked up on the search path) with the given arguments, detached.
// Returns false when the program cannot be found or started.
bool StartProgram(const std::string& program, const std::vector<std::string>& arguments);

// True when a program of that name is on the search path.
bool ProgramExists(const std::string& program);

// Starts the spreadsheet program of this system with a workbook, detached: Excel first where
// there is one and `excelFirst`, else LibreOffice or OpenOffice Calc. False when none started.
bool StartSpreadsheet(const std::string& fileName, bool excelFirst);

// On Ctrl-C, SIGTERM, SIGHUP or the console window closing, removes the temporary files of
// protocols being written, then lets the process end as that event ends it. Signals already
// ignored stay ignored.
void RemoveProtocolFilesOnInterrupt();

// The system's reasons for failures (std::error_code messages) in the user's language, where
// the system has them: only the messages category of the user's locale is taken, so that numbers
// and texts the program formats stay as they are. Called once at start.
void UseUserLanguageForSystemMessages();

// Empty when the last part of `fileName` is no longer than the file system of its folder allows
// for a name; otherwise why not (UTF-8). Asked before a run, so that a name that cannot be
// created is refused before the work, not after it.
std::string FileNameTooLong(const std::string& fileName);

// Lets protocols follow a symbolic link in a sticky folder anyone may write where the kernel
// would: the link is the user's, or the folder's owner made it. Called once at start.
void InstallLinkOwnerRule();

// Creates the unfinished files of protocols owner-only from their first byte, with no name until
// they are whole where the file system allows it (see TUnfinishedFile). Called once at start,
// before any other thread runs.
void InstallPrivateProtocolFiles();

// One line on standard error, the program's way of telling the user in batch mode. A Windows
// console is written in UTF-16, so that it shows Cyrillic whatever its code page; a file or a
// pipe gets UTF-8 with the platform's line end (CR LF on Windows). Control characters in the
// text are escaped (EscapeControls), so that a name cannot drive the terminal or forge a line.
void ReportError(const std::string& text);

// Before a batch run: on Windows, where brisolt.exe is a GUI program, finds it the console it was
// started from, or, with none, has errors shown in message boxes. Nothing elsewhere.
void PrepareBatchOutput();

// True when standard error goes to a terminal, not to a file or a pipe.
bool StderrIsTerminal();

// Text on standard error as it is, without a line end, at once (UTF-16 on a Windows console).
void WriteStderr(std::string_view text);

#ifdef _WIN32
// UTF-8 and UTF-16 for the system's wide functions. Invalid UTF-8 becomes U+FFFD.
std::wstring WideFromUtf8(const std::string& text);
std::string Utf8FromWide(const std::wstring& text);
#endif

}  // namespace brisolt::platform
