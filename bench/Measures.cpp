#include "bench/Measures.h"

#include <cstring>

#include "framework/Handles.h"

double Now() {
    static const double frequency = [] {
        LARGE_INTEGER f;
        ::QueryPerformanceFrequency(&f);
        return static_cast<double>(f.QuadPart);
    }();
    LARGE_INTEGER t;
    ::QueryPerformanceCounter(&t);
    return static_cast<double>(t.QuadPart) / frequency;
}

std::wstring WindowsPath(const char* unixPath) {
    std::wstring path = L"Z:";
    for (const char* c = unixPath; *c; ++c)
        path += *c == '/' ? L'\\' : static_cast<wchar_t>(static_cast<unsigned char>(*c));
    return path;
}

std::wstring CopyInto(const std::wstring& folder, const char* unixPath, const wchar_t* name) {
    const std::wstring copy = folder + name;
    ::CopyFileW(WindowsPath(unixPath).c_str(), copy.c_str(), FALSE);
    return copy;
}

namespace {

std::wstring FolderOf(const std::wstring& exe) {
    return exe.substr(0, exe.rfind(L'\\') + 1);
}

HWND VisibleDialog(const wchar_t* caption) {
    HWND window = ::FindWindowW(L"#32770", caption);
    return window && ::IsWindowVisible(window) ? window : nullptr;
}

}  // namespace

StartUpTime TimeStartUp(const WindowProgram& program) {
    STARTUPINFOW startup{};
    startup.cb = sizeof(startup);
    PROCESS_INFORMATION info{};
    std::wstring command = L"\"" + program.exe + L"\"";
    const std::wstring folder = FolderOf(program.exe);
    StartUpTime result;
    const double start = Now();
    if (!::CreateProcessW(program.exe.c_str(), command.data(), nullptr, nullptr, FALSE, 0, nullptr,
                          folder.c_str(), &startup, &info)) {
        return result;
    }
    const UniqueKernelHandle process(info.hProcess);
    const UniqueKernelHandle thread(info.hThread);
    HWND main = nullptr;
    while (Now() - start < program.timeout) {
        if (program.chooser && result.chooser < 0) {
            if (HWND chooser = VisibleDialog(program.chooser)) {
                result.chooser = Now() - start;
                ::PostMessageW(chooser, WM_COMMAND, MAKEWPARAM(IDOK, BN_CLICKED), 0);
            }
        }
        if ((main = VisibleDialog(program.caption)) != nullptr) {
            result.shown = Now() - start;
            break;
        }
        if (::WaitForSingleObject(process.get(), 1) == WAIT_OBJECT_0) break;
    }
    // A main window that is there but not shown yet still takes the command once it runs.
    if (!main) main = ::FindWindowW(L"#32770", program.caption);
    if (main) ::PostMessageW(main, WM_COMMAND, MAKEWPARAM(program.closeCommand, 0), 0);
    if (::WaitForSingleObject(process.get(), 10000) != WAIT_OBJECT_0) {
        ::TerminateProcess(process.get(), 99);
        ::WaitForSingleObject(process.get(), 5000);
        result.shown = -1;
    }
    if (program.chooser && result.chooser < 0) result.shown = -1;
    return result;
}

ConsoleRun TimeConsoleRun(const std::wstring& exe, const std::wstring& arguments) {
    static const HANDLE nul = [] {
        SECURITY_ATTRIBUTES inherit{sizeof(inherit), nullptr, TRUE};
        return ::CreateFileW(L"NUL", GENERIC_WRITE, FILE_SHARE_READ | FILE_SHARE_WRITE, &inherit,
                             OPEN_EXISTING, 0, nullptr);
    }();
    STARTUPINFOW startup{};
    startup.cb = sizeof(startup);
    startup.dwFlags = STARTF_USESTDHANDLES;
    startup.hStdInput = nul;
    startup.hStdOutput = nul;
    startup.hStdError = nul;
    PROCESS_INFORMATION info{};
    std::wstring command = L"\"" + exe + L"\" " + arguments;
    const std::wstring folder = FolderOf(exe);
    ConsoleRun run;
    const double start = Now();
    if (!::CreateProcessW(exe.c_str(), command.data(), nullptr, nullptr, TRUE, 0, nullptr,
                          folder.c_str(), &startup, &info)) {
        return run;
    }
    const UniqueKernelHandle process(info.hProcess);
    const UniqueKernelHandle thread(info.hThread);
    if (::WaitForSingleObject(process.get(), 60000) != WAIT_OBJECT_0) {
        ::TerminateProcess(process.get(), 99);
        ::WaitForSingleObject(process.get(), 5000);
        return run;
    }
    run.seconds = Now() - start;
    ::GetExitCodeProcess(process.get(), &run.status);
    return run;
}

PairResult MeasureConsolePair(const std::wstring& program, const std::wstring& programArguments,
                              const std::wstring& floor, const std::wstring& floorArguments,
                              int rounds, const std::function<bool()>& check) {
    return TimeInTurn(2, rounds,
                      [&](int which) {
                          const ConsoleRun run = which == 0
                                                     ? TimeConsoleRun(program, programArguments)
                                                     : TimeConsoleRun(floor, floorArguments);
                          const bool checked = check();
                          return run.status == 0 && checked ? run.seconds : -1;
                      })
        .Pair(0, 1);
}

std::wstring QueueName(int k) {
    return k == 0 ? std::wstring(rig::kModelDriver) : L"KW Fleet " + std::to_wstring(k + 1);
}

std::wstring QueuePort(int k) {
    return L"LPT" + std::to_wstring(k + 1) + L":";
}

void AddModelQueues(rig::TestPrinters& printers, int first, int last) {
    for (int k = first; k < last; ++k)
        printers.Add(QueueName(k), QueuePort(k));
}

PeImage Stripped(const char* target) {
    return ReadPeImage(WindowsPath(KW_STRIPPED_DIR_UNIX_PATH) +
                       std::wstring(target, target + std::strlen(target)) + L"-stripped.exe");
}

double KiB(const PeImage& image) {
    return static_cast<double>(image.fileSize) / 1024;
}

std::string ImportList(const PeImage& image) {
    std::string list;
    for (const std::string& dll : image.imports)
        list += (list.empty() ? "" : ", ") + dll;
    return list;
}
