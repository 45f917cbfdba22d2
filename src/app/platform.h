// The few facts the program asks of the operating system. Everything platform-specific outside
// the windows lives behind these functions. Texts are the platform's narrow encoding (UTF-8 on
// Linux).
#pragma once

#include <string>
#include <string_view>
#include <vector>

namespace brisolt::platform {

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

// Opens a document or a web address with the program the desktop associates with it. Starts it
// detached and does not wait; failures are not reported, as nobody could act on them.
void ShellOpen(const std::string& target);

// Starts a program by name (looked up on the search path) with the given arguments, detached.
// Returns false when the program cannot be found or started.
bool StartProgram(const std::string& program, const std::vector<std::string>& arguments);

// True when a program of that name is on the search path.
bool ProgramExists(const std::string& program);

// On Ctrl-C, SIGTERM, SIGHUP or the console window closing, removes the temporary files of
// protocols being written, then lets the process end as that event ends it. Signals already
// ignored stay ignored.
void RemoveProtocolFilesOnInterrupt();

// One line on standard error, the program's way of telling the user in batch mode.
void ReportError(const std::string& text);

// True when standard error goes to a terminal, not to a file or a pipe.
bool StderrIsTerminal();

// Text on standard error as it is, without a line end, at once.
void WriteStderr(std::string_view text);

}  // namespace brisolt::platform
