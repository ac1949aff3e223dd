#include "tests/win/rig/Printers.h"

#include <algorithm>
#include <cstdlib>
#include <cwchar>
#include <filesystem>
#include <fstream>
#include <iterator>

#include <gtest/gtest.h>

namespace rig {

namespace {

constexpr wchar_t kPrintersKey[] = L"System\\CurrentControlSet\\Control\\Print\\Printers\\";
constexpr wchar_t kSpoolerKey[] = L"Software\\Wine\\Printing\\Spooler";

std::wstring Env(const wchar_t* name) {
    const wchar_t* value = _wgetenv(name);
    return value ? value : L"";
}

std::wstring WithSlash(std::wstring path, wchar_t slash) {
    if (!path.empty() && path.back() != slash) path += slash;
    return path;
}

std::wstring FileNameForPort(const std::wstring& port) {
    std::wstring name = L"capture-";
    for (wchar_t c : port)
        name += iswalnum(c) ? c : L'_';
    return name + L".bin";
}

void SetString(HKEY key, const wchar_t* name, const std::wstring& value) {
    ::RegSetValueExW(key, name, 0, REG_SZ, reinterpret_cast<const BYTE*>(value.c_str()),
                     static_cast<DWORD>((value.size() + 1) * sizeof(wchar_t)));
}

void SetDword(HKEY key, const wchar_t* name, DWORD value) {
    ::RegSetValueExW(key, name, 0, REG_DWORD, reinterpret_cast<const BYTE*>(&value), sizeof(value));
}

}  // namespace

std::wstring TestDir() {
    std::wstring dir = Env(L"KW_TEST_DIR");
    if (dir.empty()) {
        wchar_t temp[MAX_PATH] = {};
        ::GetTempPathW(MAX_PATH, temp);
        dir = temp;
    }
    return WithSlash(dir, L'\\');
}

TestPrinters::~TestPrinters() {
    for (const std::wstring& name : m_queues) {
        ::RegDeleteTreeW(HKEY_LOCAL_MACHINE, (kPrintersKey + name).c_str());
    }
    HKEY spooler = nullptr;
    if (::RegOpenKeyExW(HKEY_CURRENT_USER, kSpoolerKey, 0, KEY_SET_VALUE, &spooler) ==
        ERROR_SUCCESS) {
        for (const std::wstring& port : m_ports)
            ::RegDeleteValueW(spooler, port.c_str());
        ::RegCloseKey(spooler);
    }
}

void TestPrinters::Add(const std::wstring& name, const std::wstring& port,
                       const std::wstring& driver, DWORD attributes, DWORD status) {
    HKEY key = nullptr;
    const LONG created = ::RegCreateKeyExW(HKEY_LOCAL_MACHINE, (kPrintersKey + name).c_str(), 0,
                                           nullptr, 0, KEY_ALL_ACCESS, nullptr, &key, nullptr);
    ASSERT_EQ(created, ERROR_SUCCESS) << "cannot create the queue's registry key";
    SetString(key, L"Name", name);
    SetString(key, L"Port", port);
    SetString(key, L"Printer Driver", driver);
    SetDword(key, L"Attributes", attributes);
    SetDword(key, L"Status", status);
    SetString(key, L"Description", L"");
    SetString(key, L"Location", L"");
    SetString(key, L"Print Processor", L"wineprint");
    SetString(key, L"Datatype", L"RAW");
    ::RegCloseKey(key);
    if (std::find(m_queues.begin(), m_queues.end(), name) == m_queues.end()) {
        m_queues.push_back(name);
    }
    if (port != L"FILE:") MapPort(port);
}

void TestPrinters::Remove(const std::wstring& name) {
    ::RegDeleteTreeW(HKEY_LOCAL_MACHINE, (kPrintersKey + name).c_str());
    m_queues.erase(std::remove(m_queues.begin(), m_queues.end(), name), m_queues.end());
}

void TestPrinters::MapPort(const std::wstring& port) {
    if (std::find(m_ports.begin(), m_ports.end(), port) != m_ports.end()) return;
    // The spooler writes with Unix paths.
    std::wstring unixDir = Env(L"KW_TEST_UNIX_DIR");
    ASSERT_FALSE(unixDir.empty()) << "KW_TEST_UNIX_DIR is not set; run under run-in-wine.sh";
    HKEY spooler = nullptr;
    ASSERT_EQ(::RegCreateKeyExW(HKEY_CURRENT_USER, kSpoolerKey, 0, nullptr, 0, KEY_ALL_ACCESS,
                                nullptr, &spooler, nullptr),
              ERROR_SUCCESS);
    SetString(spooler, port.c_str(), WithSlash(unixDir, L'/') + FileNameForPort(port));
    ::RegCloseKey(spooler);
    m_ports.push_back(port);
    Clear(port);
}

std::wstring TestPrinters::CapturePath(const std::wstring& port) const {
    return TestDir() + FileNameForPort(port);
}

std::vector<std::uint8_t> TestPrinters::Captured(const std::wstring& port) const {
    std::ifstream in(std::filesystem::path(CapturePath(port)), std::ios::binary);
    return std::vector<std::uint8_t>(std::istreambuf_iterator<char>(in),
                                     std::istreambuf_iterator<char>());
}

void TestPrinters::Clear(const std::wstring& port) const {
    ::DeleteFileW(CapturePath(port).c_str());
}

}  // namespace rig
