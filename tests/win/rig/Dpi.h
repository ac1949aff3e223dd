// Running the program at another screen DPI, and reading its windows in screen pixels.
#pragma once

#include <windows.h>

#include <optional>

namespace rig {

// Makes programs started from now on run at `dpi` (LogPixels of the user's desktop, which Wine
// reads when a process starts); the value before comes back at the end. Wine 10 shows such a
// program scaled to the DPI that its session started at; run-in-wine.sh --dpi starts a session
// at another DPI.
class ProgramDpi {
public:
    explicit ProgramDpi(DWORD dpi);
    ~ProgramDpi();
    ProgramDpi(const ProgramDpi&) = delete;
    ProgramDpi& operator=(const ProgramDpi&) = delete;

private:
    std::optional<DWORD> m_before;
};

// Makes this thread see every window in screen pixels. A thread that is only aware of its own
// system DPI sees the windows of a process started at another DPI scaled to its own.
void UseScreenPixels();

// The DPI of a window of any process (GetDpiForWindow): its process's system DPI for a window
// that is aware of it; 0 where the system has no such call.
UINT WindowDpi(HWND window);

}  // namespace rig
