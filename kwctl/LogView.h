// A log entry as kwctl's commands show it.
#pragma once

#include <string>

#include <nlohmann/json.hpp>

#include "kwctl/LogEntry.h"

namespace kwctl {

// The keys and values of its line.
nlohmann::ordered_json EntryJson(const LogEntry& entry);

// "done 2026-12-08T17:42:10Z", with the reason when there is one.
std::string LastSendText(const LogEntry& entry);

}  // namespace kwctl
