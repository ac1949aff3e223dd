// The fleet report: one HTML page that stands alone (no scripts, nothing fetched) with every
// queue's state from the plan, its last send and its earlier ones.
#pragma once

#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

#include "kwctl/LogEntry.h"
#include "kwctl/Plan.h"

namespace kwctl {

struct ReportQueue {
    QueuePlan plan;                  // the state, the last send and what differs
    std::vector<LogEntry> earlier;  // the sends before the last, the latest first
};

struct ReportInput {
    std::string file;       // the settings file, as given
    std::string recordSha;  // the SHA-256 of its record
    std::string log;        // the send log, as given
    std::int64_t made = 0;  // when the report was made, seconds since 1970, UTC
    std::vector<ReportQueue> queues;
};

// The page, queues most urgent first (a send that did not finish, then differs, never sent, up
// to date), then by name. Every text from the log, the list or a name is escaped; each queue is
// one row <tr data-printer="NAME" data-state="up-to-date|differs|never-sent|not-finished">.
std::string FleetReportHtml(ReportInput input);

// Text for HTML, as element content or in a quoted attribute; bytes that are not UTF-8 become
// U+FFFD.
std::string HtmlEscaped(std::string_view text);

// "3 days ago", "5 h ago", "just now"; "in the future" for a time after `now`.
std::string AgeText(std::int64_t then, std::int64_t now);

}  // namespace kwctl
