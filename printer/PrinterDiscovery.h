// Finding the printer queues of the supported model, over a replaceable view of the spooler.
#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <vector>

// One discovered queue: its name and its connection (a port such as "LPT1:" or "FILE:", or the
// server name of a network connection).
struct PrinterEntry {
    std::wstring name;
    std::wstring connection;

    friend bool operator==(const PrinterEntry&, const PrinterEntry&) = default;
};

inline constexpr wchar_t kModelDriverName[] = L"Vek Brelvistoka 410ZQ";
inline constexpr wchar_t kFilePort[] = L"FILE:";

// The spooler's flag and bit values that discovery needs.
namespace spooler {
inline constexpr std::uint32_t kEnumLocal = 0x00000002;
inline constexpr std::uint32_t kEnumConnections = 0x00000004;
inline constexpr std::uint32_t kEnumName = 0x00000008;
inline constexpr std::uint32_t kAttributeNetwork = 0x00000010;
inline constexpr std::uint32_t kStatusUserIntervention = 0x00100000;
inline constexpr std::uint32_t kStatusPaused = 0x00000001;
inline constexpr std::uint32_t kStatusError = 0x00000002;
inline constexpr std::uint32_t kStatusOffline = 0x00000080;
inline constexpr std::uint32_t kAttributeWorkOffline = 0x00000400;
}  // namespace spooler

// The fields of a level-4 enumeration entry that discovery reads.
struct PrinterLevel4 {
    std::wstring printerName;
    std::optional<std::wstring> serverName;  // none for a local queue
    std::uint32_t attributes = 0;
};

// The fields of a level-2 enumeration entry that discovery reads.
struct PrinterLevel2 {
    std::wstring serverName;  // empty when the spooler gives none
    std::wstring printerName;
    std::wstring portName;
    std::wstring driverName;
    std::uint32_t status = 0;
    std::uint32_t attributes = 0;
    std::wstring datatype;  // the queue's default data type
};

// What discovery asks of the spooler. An enumeration that fails yields no entries.
class PrinterSpooler {
public:
    virtual ~PrinterSpooler() = default;

    virtual std::vector<PrinterLevel4> EnumLevel4(std::uint32_t flags,
                                                  const std::optional<std::wstring>& name) = 0;
    virtual std::vector<PrinterLevel2> EnumLevel2(std::uint32_t flags,
                                                  const std::optional<std::wstring>& name) = 0;
    // Whether the queue opens for printing by the current user; a handle is closed at once.
    virtual bool OpensForUse(const std::wstring& printerName) = 0;
    // The queue's level-2 entry as the queue itself gives it, opened with no access asked;
    // nothing when it does not open or does not answer.
    virtual std::optional<PrinterLevel2> GetLevel2(const std::wstring& printerName) = 0;
};

// The queues whose driver is exactly the model's, in the order the spooler gives them. On the
// NT family a queue that does not open for use is left out; on the 9x family a queue whose
// status asks for user intervention is.
std::vector<PrinterEntry> EnumerateModelPrinters(PrinterSpooler& spooler, bool ntFamily);

// A queue of the model as the NT family's discovery finds it, whether it opens for use or not.
// Each server is asked for its level-2 entries once, however many of its queues are listed.
struct ModelQueue {
    PrinterEntry entry;  // the name and the connection, as the selection dialog lists them
    bool opensForUse = false;
    PrinterLevel2 details;  // what the queue's server reports at level 2
};
// `unlisted`, when given, gets the names of the queues whose server did not list them at all (a
// server that does not answer lists none): their model is unknown.
std::vector<ModelQueue> DescribeModelPrinters(PrinterSpooler& spooler,
                                              std::vector<std::wstring>* unlisted = nullptr);
