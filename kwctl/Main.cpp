// kwctl's entry point: arguments in, results to stdout, errors to stderr.
#ifdef _WIN32
#include <windows.h>
#else
#include <unistd.h>
#endif

#include <cstdio>

#include "kwctl/Kwctl.h"
#include "settings/Utf8.h"

namespace {

#ifdef _WIN32
// A console gets UTF-16 through WriteConsoleW, so that Japanese shows whatever its code page;
// a file or pipe gets the UTF-8 bytes.
class StandardOutput final : public kwctl::Output {
public:
    StandardOutput()
        : m_out(::GetStdHandle(STD_OUTPUT_HANDLE)), m_err(::GetStdHandle(STD_ERROR_HANDLE)) {}
    void Out(std::string_view text) override { Write(m_out, text); }
    void Err(std::string_view text) override { Write(m_err, text); }
    bool ErrIsConsole() const override { return IsConsole(m_err); }

private:
    static bool IsConsole(HANDLE handle) {
        DWORD mode = 0;
        return ::GetFileType(handle) == FILE_TYPE_CHAR && ::GetConsoleMode(handle, &mode);
    }
    static void Write(HANDLE handle, std::string_view text) {
        if (handle == nullptr || handle == INVALID_HANDLE_VALUE || text.empty()) return;
        DWORD written = 0;
        // A closed or full output loses the text; there is nowhere else to report it.
        if (IsConsole(handle)) {
            const std::wstring wide = FromUtf8(text);
            ::WriteConsoleW(handle, wide.data(), static_cast<DWORD>(wide.size()), &written,
                            nullptr);
        } else {
            ::WriteFile(handle, text.data(), static_cast<DWORD>(text.size()), &written, nullptr);
        }
    }

    HANDLE m_out;
    HANDLE m_err;
};
#else
class StandardOutput final : public kwctl::Output {
public:
    void Out(std::string_view text) override { std::fwrite(text.data(), 1, text.size(), stdout); }
    void Err(std::string_view text) override {
        std::fflush(stdout);
        std::fwrite(text.data(), 1, text.size(), stderr);
    }
    bool ErrIsConsole() const override { return ::isatty(2) != 0; }
};
#endif

}  // namespace

#ifdef _WIN32
int wmain(int argc, wchar_t** argv) {
    std::vector<std::string> args;
    for (int i = 1; i < argc; ++i)
        args.push_back(ToUtf8(argv[i]));
#else
int main(int argc, char** argv) {
    std::vector<std::string> args(argv + 1, argv + argc);
#endif
    StandardOutput output;
    kwctl::Environment env{output};
    return kwctl::Run(args, env);
}
