#include "kwctl/LogView.h"

namespace kwctl {

nlohmann::ordered_json EntryJson(const LogEntry& entry) {
    return nlohmann::ordered_json::parse(FormatLogLine(entry));
}

std::string LastSendText(const LogEntry& entry) {
    std::string text = std::string(Facts(entry.outcome).word) + " " + entry.time;
    if (entry.reason) text += ": " + *entry.reason;
    return text;
}

}  // namespace kwctl
