// A spooler made of tables, for tests of discovery and of the selection dialog.
#pragma once

#include <map>
#include <set>

#include "printer/PrinterDiscovery.h"

class FakePrinterSpooler final : public PrinterSpooler {
public:
    struct EnumCall {
        int level;
        std::uint32_t flags;
        std::optional<std::wstring> name;
        friend bool operator==(const EnumCall&, const EnumCall&) = default;
    };

    // What the level-4 enumeration reports, in order.
    std::vector<PrinterLevel4> level4;
    // What a level-2 enumeration reports, by the name asked for (none: the local queues).
    std::map<std::optional<std::wstring>, std::vector<PrinterLevel2>> level2;
    // Queues that do not open for use.
    std::set<std::wstring> closedToUser;
    // Enumerations that fail: the level-4 one, and level-2 ones by the name asked for.
    bool level4Fails = false;
    std::set<std::optional<std::wstring>> level2Fails;

    std::vector<EnumCall> enumCalls;
    std::vector<std::wstring> openCalls;
    std::vector<std::wstring> getCalls;

    // A local queue, seen at both levels.
    void AddLocal(const std::wstring& name, const std::wstring& port,
                  const std::wstring& driver = kModelDriverName, std::uint32_t attributes = 0x40,
                  std::uint32_t status = 0) {
        level4.push_back({name, std::nullopt, attributes});
        level2[std::nullopt].push_back({L"", name, port, driver, status, attributes, L"RAW"});
    }

    // A connection to a queue on `server`, seen at level 4 locally and at level 2 by the server.
    void AddConnection(const std::wstring& server, const std::wstring& name,
                       const std::wstring& port, std::uint32_t attributes,
                       const std::wstring& driver = kModelDriverName) {
        level4.push_back({name, server, attributes});
        level2[server].push_back({server, name, port, driver, 0, attributes, L"RAW"});
    }

    std::vector<PrinterLevel4> EnumLevel4(std::uint32_t flags,
                                          const std::optional<std::wstring>& name) override {
        enumCalls.push_back({4, flags, name});
        if (level4Fails) return {};
        return level4;
    }

    std::vector<PrinterLevel2> EnumLevel2(std::uint32_t flags,
                                          const std::optional<std::wstring>& name) override {
        enumCalls.push_back({2, flags, name});
        if (level2Fails.count(name)) return {};
        const auto found = level2.find(name);
        return found == level2.end() ? std::vector<PrinterLevel2>{} : found->second;
    }

    bool OpensForUse(const std::wstring& printerName) override {
        openCalls.push_back(printerName);
        return closedToUser.count(printerName) == 0;
    }

    // The first level-2 entry of that name on any server; none for a queue no table holds.
    std::optional<PrinterLevel2> GetLevel2(const std::wstring& printerName) override {
        getCalls.push_back(printerName);
        for (const auto& [server, entries] : level2) {
            for (const PrinterLevel2& entry : entries) {
                if (entry.printerName == printerName) return entry;
            }
        }
        return std::nullopt;
    }
};
