// The floor of a fleet send: the 180 record bytes of a settings file to every usable queue of
// the model, with the plain spooler calls and one process. One enumeration at level 2 finds the
// queues; each gets the job that kwctl sends (a raw job "Kestrowinda Status Write" with the
// queue's data type, ResetPrinter, one write of 180 bytes) and one result line.
//   kw_bench_floor_send.exe FILE.dat [--dry-run]
// --dry-run reads the file and finds the queues, and sends nothing.
#include <windows.h>
#include <winspool.h>

#include <cstring>
#include <string>
#include <vector>

namespace {

constexpr wchar_t kModelDriver[] = L"Vek Brelvistoka 410ZQ";
constexpr char kHeader[] = "Brelvistoka 410ZQ\n";  // with its zero: 19 bytes
constexpr DWORD kRecordSize = 180;

void Write(HANDLE out, const std::wstring& text) {
    char bytes[512];
    const int length = ::WideCharToMultiByte(CP_UTF8, 0, text.data(), static_cast<int>(text.size()),
                                             bytes, sizeof(bytes), nullptr, nullptr);
    DWORD written = 0;
    ::WriteFile(out, bytes, static_cast<DWORD>(length > 0 ? length : 0), &written, nullptr);
}

bool Send(wchar_t* name, BYTE* record) {
    PRINTER_DEFAULTSW use{nullptr, nullptr, PRINTER_ACCESS_USE};
    HANDLE printer = nullptr;
    if (!::OpenPrinterW(name, &printer, &use)) return false;
    wchar_t document[] = L"Kestrowinda Status Write";
    DOC_INFO_1W doc{document, nullptr, nullptr};
    DWORD written = 0;
    bool sent = false;
    if (::StartDocPrinterW(printer, 1, reinterpret_cast<BYTE*>(&doc))) {
        ::ResetPrinterW(printer, nullptr);
        sent = ::WritePrinter(printer, record, kRecordSize, &written) && written == kRecordSize;
        ::EndDocPrinter(printer);
    }
    ::ClosePrinter(printer);
    return sent;
}

}  // namespace

int wmain(int argc, wchar_t** argv) {
    if (argc < 2 || argc > 3) return 2;
    const bool dryRun = argc == 3 && std::wcscmp(argv[2], L"--dry-run") == 0;
    BYTE file[sizeof(kHeader) + kRecordSize] = {};
    HANDLE in =
        ::CreateFileW(argv[1], GENERIC_READ, FILE_SHARE_READ, nullptr, OPEN_EXISTING, 0, nullptr);
    DWORD read = 0;
    const BOOL ok =
        in != INVALID_HANDLE_VALUE && ::ReadFile(in, file, sizeof(file), &read, nullptr);
    if (in != INVALID_HANDLE_VALUE) ::CloseHandle(in);
    if (!ok || read != sizeof(file) || std::memcmp(file, kHeader, sizeof(kHeader)) != 0) return 2;

    DWORD needed = 0, count = 0;
    ::EnumPrintersW(PRINTER_ENUM_LOCAL, nullptr, 2, nullptr, 0, &needed, &count);
    std::vector<BYTE> buffer(needed ? needed : 1);
    if (!::EnumPrintersW(PRINTER_ENUM_LOCAL, nullptr, 2, buffer.data(), needed, &needed, &count))
        count = 0;
    const auto* queues = reinterpret_cast<const PRINTER_INFO_2W*>(buffer.data());
    HANDLE out = ::GetStdHandle(STD_OUTPUT_HANDLE);
    int failed = 0;
    for (DWORD i = 0; i < count; ++i) {
        const PRINTER_INFO_2W& queue = queues[i];
        if (!queue.pDriverName || std::wcscmp(queue.pDriverName, kModelDriver) != 0) continue;
        if (queue.pPortName && std::wcscmp(queue.pPortName, L"FILE:") == 0) continue;
        if (dryRun) {
            Write(out, std::wstring(L"ready   ") + queue.pPrinterName + L"\n");
            continue;
        }
        const bool sent = Send(queue.pPrinterName, file + sizeof(kHeader));
        failed += !sent;
        Write(out, std::wstring(sent ? L"sent    " : L"failed  ") + queue.pPrinterName + L"\n");
    }
    return failed ? 1 : 0;
}
