#pragma once

namespace brisolt {

// The program started without parameters: the main window and its message loop. Returns the
// process's exit status.
int RunWindowMode(int argc, char** argv);

}  // namespace brisolt
