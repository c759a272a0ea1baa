// The main window: a heading, a short explanation, and the buttons that
// run the update or leave.
#pragma once

#include <windows.h>

namespace wof {

// The title bar's text: how the user, and whatever drives the window from
// outside, tells this window from others.
constexpr wchar_t kForm1Caption[] = L"Update for Win XP and Office 2007";

// Opens the main window and runs the message loop until the window has
// closed; returns the program's exit code.
int RunForm1(HINSTANCE instance);

}  // namespace wof
