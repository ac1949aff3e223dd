// Discovery's view of the spooler over winspool.
#pragma once

#include "printer/PrinterDiscovery.h"

class WinPrinterSpooler final : public PrinterSpooler {
public:
    std::vector<PrinterLevel4> EnumLevel4(std::uint32_t flags,
                                          const std::optional<std::wstring>& name) override;
    std::vector<PrinterLevel2> EnumLevel2(std::uint32_t flags,
                                          const std::optional<std::wstring>& name) override;
    // OpenPrinterW with PRINTER_ACCESS_USE, no data type and no device mode.
    bool OpensForUse(const std::wstring& printerName) override;
    // OpenPrinterW with no defaults, then GetPrinterW at level 2.
    std::optional<PrinterLevel2> GetLevel2(const std::wstring& printerName) override;
};
