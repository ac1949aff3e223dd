// Printer queues of Wine's real spooler, made for one test: each queue is written into the
// registry, where the spooler finds it at once, and each port's jobs land in a capture file.
#pragma once

#include <windows.h>

#include <cstdint>
#include <string>
#include <vector>

namespace rig {

inline constexpr wchar_t kModelDriver[] = L"Vek Brelvistoka 410ZQ";

// The test's scratch folder (KW_TEST_DIR from the runner), with a trailing backslash.
std::wstring TestDir();

class TestPrinters {
public:
    TestPrinters() = default;
    // Removes every queue and port mapping that this object added.
    ~TestPrinters();
    TestPrinters(const TestPrinters&) = delete;
    TestPrinters& operator=(const TestPrinters&) = delete;

    // Adds a queue; jobs for its port (other than "FILE:") go to the port's capture file.
    void Add(const std::wstring& name, const std::wstring& port,
             const std::wstring& driver = kModelDriver, DWORD attributes = 0x40, DWORD status = 0);
    void Remove(const std::wstring& name);

    // Bytes spooled to `port` since the last Clear (empty when none).
    std::vector<std::uint8_t> Captured(const std::wstring& port) const;
    // Forgets what was spooled to `port`; Wine replaces the file at the next job anyway.
    void Clear(const std::wstring& port) const;
    std::wstring CapturePath(const std::wstring& port) const;

private:
    void MapPort(const std::wstring& port);

    std::vector<std::wstring> m_queues;
    std::vector<std::wstring> m_ports;
};

}  // namespace rig
