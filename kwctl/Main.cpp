// kwctl's entry point: arguments in, results to stdout, errors to stderr.
#ifdef _WIN32
#include <windows.h>
#endif

#include <cstdio>
#include <exception>
#include <string>
#include <string_view>
#include <vector>

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
};
#endif

// Runs the command line; an exception that nothing else caught ends the run with its message and
// exit status 2, never with an abort.
int Guarded(const std::vector<std::string>& args, kwctl::Output& output) {
    try {
        kwctl::Environment env{output};
        return kwctl::Run(args, env);
    } catch (const std::exception& e) {
        output.Err(std::string("kwctl: ") + e.what() + "\n");
    } catch (...) {
        output.Err("kwctl: an unexpected error ended the command\n");
    }
    return kwctl::kUsage;
}

}  // namespace

#ifdef _WIN32
int wmain(int argc, wchar_t** argv) {
    StandardOutput output;
    std::vector<std::string> args;
    for (int i = 1; i < argc; ++i) {
        args.push_back(ToUtf8(argv[i]));
        // kwctl holds its arguments as UTF-8, which has no form for half of a surrogate pair:
        // such a name would become another one.
        if (HasLoneSurrogate(argv[i])) {
            output.Err("kwctl: argument " + std::to_string(i) + " (\"" + args.back() +
                       "\") holds half of a UTF-16 surrogate pair; no name with it can be used\n");
            return kwctl::kUsage;
        }
    }
    return Guarded(args, output);
}
#else
// The arguments stay the bytes given: a name need not be UTF-8.
int main(int argc, char** argv) {
    StandardOutput output;
    return Guarded(std::vector<std::string>(argv + 1, argv + argc), output);
}
#endif
