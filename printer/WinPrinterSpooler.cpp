#include "printer/WinPrinterSpooler.h"

#include <windows.h>
#include <winspool.h>

#include <algorithm>

#include "framework/Handles.h"

static_assert(spooler::kEnumLocal == PRINTER_ENUM_LOCAL);
static_assert(spooler::kEnumConnections == PRINTER_ENUM_CONNECTIONS);
static_assert(spooler::kEnumName == PRINTER_ENUM_NAME);
static_assert(spooler::kAttributeNetwork == PRINTER_ATTRIBUTE_NETWORK);
static_assert(spooler::kStatusUserIntervention == PRINTER_STATUS_USER_INTERVENTION);
static_assert(spooler::kStatusPaused == PRINTER_STATUS_PAUSED);
static_assert(spooler::kStatusError == PRINTER_STATUS_ERROR);
static_assert(spooler::kStatusOffline == PRINTER_STATUS_OFFLINE);
static_assert(spooler::kAttributeWorkOffline == PRINTER_ATTRIBUTE_WORK_OFFLINE);

namespace {

std::wstring Copy(const wchar_t* text) {
    return text ? std::wstring(text) : std::wstring();
}

PrinterLevel2 Level2(const PRINTER_INFO_2W& info) {
    return {Copy(info.pServerName),
            Copy(info.pPrinterName),
            Copy(info.pPortName),
            Copy(info.pDriverName),
            info.Status,
            info.Attributes,
            Copy(info.pDatatype)};
}

// EnumPrintersW in two calls: the first learns the size, the second fills a zero-filled buffer
// of that size. Neither result is tested: a failed call leaves the count at 0. The count is
// still held to what the buffer can hold. The buffer goes when the walk ends.
template <class Info, class Visit>
void ForEachPrinter(DWORD flags, const std::optional<std::wstring>& name, DWORD level,
                    Visit visit) {
    std::wstring nameCopy = name.value_or(L"");
    wchar_t* namePtr = name ? nameCopy.data() : nullptr;
    DWORD needed = 0;
    DWORD count = 0;
    ::EnumPrintersW(flags, namePtr, level, nullptr, 0, &needed, &count);
    std::vector<BYTE> buffer(needed, 0);
    count = 0;
    ::EnumPrintersW(flags, namePtr, level, buffer.empty() ? nullptr : buffer.data(), needed,
                    &needed, &count);
    count = std::min<DWORD>(count, static_cast<DWORD>(buffer.size() / sizeof(Info)));
    const auto* entries = reinterpret_cast<const Info*>(buffer.data());
    for (DWORD i = 0; i < count; ++i)
        visit(entries[i]);
}

}  // namespace

std::vector<PrinterLevel4> WinPrinterSpooler::EnumLevel4(std::uint32_t flags,
                                                         const std::optional<std::wstring>& name) {
    std::vector<PrinterLevel4> entries;
    ForEachPrinter<PRINTER_INFO_4W>(flags, name, 4, [&](const PRINTER_INFO_4W& info) {
        PrinterLevel4 entry;
        entry.printerName = Copy(info.pPrinterName);
        if (info.pServerName) entry.serverName = info.pServerName;
        entry.attributes = info.Attributes;
        entries.push_back(std::move(entry));
    });
    return entries;
}

std::vector<PrinterLevel2> WinPrinterSpooler::EnumLevel2(std::uint32_t flags,
                                                         const std::optional<std::wstring>& name) {
    std::vector<PrinterLevel2> entries;
    ForEachPrinter<PRINTER_INFO_2W>(
        flags, name, 2, [&](const PRINTER_INFO_2W& info) { entries.push_back(Level2(info)); });
    return entries;
}

bool WinPrinterSpooler::OpensForUse(const std::wstring& printerName) {
    std::wstring nameCopy = printerName;
    PRINTER_DEFAULTSW defaults{nullptr, nullptr, PRINTER_ACCESS_USE};
    HANDLE handle = nullptr;
    if (!::OpenPrinterW(nameCopy.data(), &handle, &defaults)) return false;
    UniquePrinter printer(handle);  // the open was only a test
    return true;
}

std::optional<PrinterLevel2> WinPrinterSpooler::GetLevel2(const std::wstring& printerName) {
    std::wstring nameCopy = printerName;
    HANDLE handle = nullptr;
    if (!::OpenPrinterW(nameCopy.data(), &handle, nullptr)) return std::nullopt;
    UniquePrinter printer(handle);
    DWORD needed = 0;
    ::GetPrinterW(handle, 2, nullptr, 0, &needed);  // learns the size; fails by design
    if (needed < sizeof(PRINTER_INFO_2W)) return std::nullopt;
    std::vector<BYTE> buffer(needed, 0);
    if (!::GetPrinterW(handle, 2, buffer.data(), needed, &needed)) return std::nullopt;
    return Level2(*reinterpret_cast<const PRINTER_INFO_2W*>(buffer.data()));
}
