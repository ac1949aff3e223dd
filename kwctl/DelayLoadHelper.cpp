// Delay-loading winspool.drv with GNU ld 2.44 and later: that linker puts the import section,
// which also holds the delay-load address table, in read-only memory, and mingw-w64's helper
// writes each resolved address into that table, which then faults at the first spooler call.
// The linker sends the helper's calls here (--wrap): make the entry writable, as Microsoft's
// helper does for a protected table, then resolve it as before. The page stays writable, so
// that threads resolving their first calls at once cannot take it back from each other.
#include <windows.h>
#include <delayimp.h>

extern "C" FARPROC WINAPI __real___delayLoadHelper2(PCImgDelayDescr descriptor, FARPROC* entry);

extern "C" FARPROC WINAPI __wrap___delayLoadHelper2(PCImgDelayDescr descriptor, FARPROC* entry) {
    MEMORY_BASIC_INFORMATION page{};
    if (::VirtualQuery(entry, &page, sizeof page) &&
        !(page.Protect & (PAGE_READWRITE | PAGE_WRITECOPY | PAGE_EXECUTE_READWRITE))) {
        DWORD previous = 0;
        ::VirtualProtect(entry, sizeof *entry, PAGE_READWRITE, &previous);
    }
    return __real___delayLoadHelper2(descriptor, entry);
}
