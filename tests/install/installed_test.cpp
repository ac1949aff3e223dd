// One version everywhere, and the installed program at work. By default the checks read the
// build's kestrowinda.exe and kwctl.exe and expect the version CMake configured; install-test.sh
// points them at an installed folder (KW_INSTALL_DIR) and the package's version
// (KW_EXPECT_VERSION).
#include <windows.h>

#include <cstdint>
#include <cwchar>
#include <string>
#include <vector>

#include <gtest/gtest.h>

#include "framework/Handles.h"
#include "kw_version.h"
#include "res/resource.h"
#include "settings/SettingsRecord.h"
#include "tests/win/rig/Printers.h"
#include "tests/win/rig/Process.h"
#include "tests/win/rig/Ui.h"

namespace {

constexpr wchar_t kQueue[] = L"Vek Brelvistoka 410ZQ";

std::wstring Env(const wchar_t* name) {
    const wchar_t* value = _wgetenv(name);
    return value ? value : L"";
}

// Versions and the texts compared here are ASCII.
std::string Narrow(const std::wstring& text) {
    return std::string(text.begin(), text.end());
}

std::wstring Widen(const std::string& text) {
    return std::wstring(text.begin(), text.end());
}

struct Subject {
    std::wstring program;
    std::wstring kwctl;
    std::string version;
};

Subject UnderTest() {
    const std::wstring installed = Env(L"KW_INSTALL_DIR");
    if (installed.empty()) {
        std::wstring kwctl = L"Z:" KW_KWCTL_UNIX_PATH;
        for (wchar_t& c : kwctl) {
            if (c == L'/') c = L'\\';
        }
        return {rig::ProgramPath(), kwctl, KW_VERSION_TEXT};
    }
    return {installed + L"\\kestrowinda.exe", installed + L"\\kwctl.exe",
            Narrow(Env(L"KW_EXPECT_VERSION"))};
}

// "3.100" -> {3, 100, 0, 0}: the four numbers of the version resource and the manifest.
std::vector<unsigned> FourNumbers(const std::string& version) {
    std::vector<unsigned> numbers;
    std::size_t start = 0;
    while (start <= version.size()) {
        const std::size_t dot = version.find('.', start);
        numbers.push_back(static_cast<unsigned>(std::stoul(version.substr(start, dot - start))));
        if (dot == std::string::npos) break;
        start = dot + 1;
    }
    numbers.resize(4, 0);
    return numbers;
}

std::string Dotted(const std::vector<unsigned>& numbers) {
    std::string text;
    for (unsigned n : numbers) {
        if (!text.empty()) text += '.';
        text += std::to_string(n);
    }
    return text;
}

struct VersionResource {
    std::vector<unsigned> fileVersion;
    std::vector<unsigned> productVersion;
    std::string fileVersionText;
    std::string productVersionText;
};

std::vector<unsigned> FromMsLs(DWORD ms, DWORD ls) {
    return {HIWORD(ms), LOWORD(ms), HIWORD(ls), LOWORD(ls)};
}

bool ReadVersionResource(const std::wstring& path, VersionResource& out) {
    DWORD ignored = 0;
    const DWORD size = ::GetFileVersionInfoSizeW(path.c_str(), &ignored);
    if (size == 0) return false;
    std::vector<BYTE> data(size);
    if (!::GetFileVersionInfoW(path.c_str(), 0, size, data.data())) return false;
    void* value = nullptr;
    UINT length = 0;
    if (!::VerQueryValueW(data.data(), L"\\", &value, &length) ||
        length < sizeof(VS_FIXEDFILEINFO)) {
        return false;
    }
    const auto* fixed = static_cast<const VS_FIXEDFILEINFO*>(value);
    out.fileVersion = FromMsLs(fixed->dwFileVersionMS, fixed->dwFileVersionLS);
    out.productVersion = FromMsLs(fixed->dwProductVersionMS, fixed->dwProductVersionLS);

    if (!::VerQueryValueW(data.data(), L"\\VarFileInfo\\Translation", &value, &length) ||
        length < 2 * sizeof(WORD)) {
        return false;
    }
    const auto* translation = static_cast<const WORD*>(value);
    wchar_t block[64] = {};
    swprintf(block, 64, L"\\StringFileInfo\\%04x%04x\\", translation[0], translation[1]);
    auto text = [&](const wchar_t* name) {
        void* found = nullptr;
        UINT chars = 0;
        if (!::VerQueryValueW(data.data(), (std::wstring(block) + name).c_str(), &found, &chars) ||
            chars == 0) {
            return std::string("(none)");
        }
        return Narrow(static_cast<const wchar_t*>(found));
    };
    out.fileVersionText = text(L"FileVersion");
    out.productVersionText = text(L"ProductVersion");
    return true;
}

std::string EmbeddedManifest(const std::wstring& path) {
    const UniqueLibrary module(::LoadLibraryExW(
        path.c_str(), nullptr, LOAD_LIBRARY_AS_DATAFILE | LOAD_LIBRARY_AS_IMAGE_RESOURCE));
    if (!module) return {};
    HRSRC found = ::FindResourceW(module.get(), MAKEINTRESOURCEW(1), RT_MANIFEST);
    HGLOBAL loaded = found ? ::LoadResource(module.get(), found) : nullptr;
    const void* bytes = loaded ? ::LockResource(loaded) : nullptr;
    if (!bytes) return {};
    return std::string(static_cast<const char*>(bytes), ::SizeofResource(module.get(), found));
}

// The first assemblyIdentity of a manifest is the program's own; the dependencies' follow.
std::string OwnIdentity(const std::string& manifest) {
    const std::size_t start = manifest.find("<assemblyIdentity");
    if (start == std::string::npos) return {};
    return manifest.substr(start, manifest.find('>', start) - start);
}

std::string Attribute(const std::string& element, const std::string& name) {
    const std::string key = " " + name + "=\"";
    const std::size_t start = element.find(key);
    if (start == std::string::npos) return "(none)";
    const std::size_t from = start + key.size();
    return element.substr(from, element.find('"', from) - from);
}

std::vector<std::uint8_t> FactoryBytes() {
    const SettingsRecord& r = FactoryRecord();
    return std::vector<std::uint8_t>(r.data(), r.data() + r.size());
}

// The version resources and manifests of both programs, kwctl --version and the About box all
// show the version set in CMake (or the one the package was built with).
TEST(VersionTest, EveryPartShowsTheOneVersion) {
    const Subject subject = UnderTest();
    ASSERT_FALSE(subject.version.empty()) << "KW_EXPECT_VERSION is not set";
    SCOPED_TRACE(subject.version);
    const std::vector<unsigned> numbers = FourNumbers(subject.version);

    const struct {
        std::wstring exe;
        std::string identity;
    } programs[] = {{subject.program, "Kestrowinda"}, {subject.kwctl, "Kestrowinda.kwctl"}};
    for (const auto& program : programs) {
        SCOPED_TRACE(Narrow(program.exe));
        VersionResource resource;
        ASSERT_TRUE(ReadVersionResource(program.exe, resource));
        EXPECT_EQ(resource.fileVersion, numbers);
        EXPECT_EQ(resource.productVersion, numbers);
        EXPECT_EQ(resource.fileVersionText, subject.version);
        EXPECT_EQ(resource.productVersionText, subject.version);

        const std::string manifest = EmbeddedManifest(program.exe);
        const std::string identity = OwnIdentity(manifest);
        ASSERT_FALSE(identity.empty()) << "no manifest";
        EXPECT_EQ(Attribute(identity, "name"), program.identity);
        EXPECT_EQ(Attribute(identity, "version"), Dotted(numbers));
        EXPECT_NE(manifest.find("<ws2:longPathAware>true</ws2:longPathAware>"), std::string::npos);
    }

    int status = 0;
    std::string printed = rig::RunConsole(subject.kwctl, L"--version", status);
    EXPECT_EQ(status, 0);
    while (!printed.empty() && (printed.back() == '\n' || printed.back() == '\r'))
        printed.pop_back();
    EXPECT_EQ(printed, "kwctl " + subject.version);

    rig::TestPrinters printers;
    printers.Add(kQueue, L"LPT1:");
    rig::AppProcess app;
    ASSERT_TRUE(app.StartInPlace(subject.program));
    HWND main = app.WaitForMainWindow();
    ASSERT_NE(main, nullptr) << app.State();
    ::PostMessageW(main, WM_COMMAND, ID_APP_ABOUT, 0);
    HWND about = app.WaitForDialog(L"バージョン情報");
    ASSERT_NE(about, nullptr);
    EXPECT_EQ(rig::ItemText(about, IDC_VERSION), L"Version " + Widen(subject.version));
    ::PostMessageW(about, WM_COMMAND, IDOK, 0);
    ASSERT_TRUE(rig::WaitFor([&] { return !::IsWindow(about); }));
    ::PostMessageW(main, WM_COMMAND, ID_APP_EXIT, 0);
    EXPECT_EQ(app.WaitForExit(), 0);
}

// The installed program, started where the package put it, sends the factory record to the
// one queue of the model, byte for byte.
TEST(InstalledProgramTest, SendsTheFactoryRecordToTheQueue) {
    if (Env(L"KW_INSTALL_DIR").empty()) GTEST_SKIP() << "only for an installed program";
    rig::TestPrinters printers;
    printers.Add(kQueue, L"LPT1:");
    rig::AppProcess app;
    ASSERT_TRUE(app.StartInPlace(UnderTest().program));
    HWND main = app.WaitForMainWindow();
    ASSERT_NE(main, nullptr) << app.State();
    ::PostMessageW(main, WM_COMMAND, ID_SEND_TO_PRINTER, 0);
    EXPECT_EQ(app.Answer(IDOK).text, L"プリンタに設定値を送信しました。");
    EXPECT_EQ(printers.Captured(L"LPT1:"), FactoryBytes());
    ::PostMessageW(main, WM_COMMAND, ID_APP_EXIT, 0);
    EXPECT_EQ(app.WaitForExit(), 0);
}

}  // namespace
