// Running the program at another screen DPI, and reading its windows in screen pixels.
#pragma once

#include <windows.h>

#include <optional>

namespace rig {

// Makes programs started from now on run at `dpi` (LogPixels of the user's desktop, which Wine
// reads when a process starts); the value before comes back at the end.
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

}  // namespace rig
