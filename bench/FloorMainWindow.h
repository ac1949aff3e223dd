// The program's main window built with plain Win32 calls: the second start-up floor, also
// measured inside the benchmark's own process.
#pragma once

#include <windows.h>

// Creates the window, hidden, with everything the program's main window has when it shows;
// null when no queue of the model can be used. ID_APP_EXIT or WM_CLOSE destroys it, and ends
// the thread's message loop when `quitOnDestroy`.
HWND CreateFloorMainWindow(HINSTANCE instance, bool quitOnDestroy);
