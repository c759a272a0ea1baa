// The main window: a heading, a short explanation, and the buttons that
// run the update or leave.
#pragma once

#include <windows.h>

namespace wof {

// Opens the main window and runs the message loop until the window has
// closed; returns the program's exit code.
int RunForm1(HINSTANCE instance);

}  // namespace wof
