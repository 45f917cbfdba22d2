#pragma once

namespace brisolt {

// The program started without parameters: the main window and its message loop. Returns the
// process's exit status.
int RunWindowMode(int argc, char** argv);

// Installs Qt's Russian translation into the running application, so that the standard dialogs
// and menus speak the window's language. False when no translation file was found.
bool InstallQtTranslation();

}  // namespace brisolt
