#include "kwctl/FleetReport.h"

#include <algorithm>
#include <array>
#include <utility>

#include "kwctl/Targets.h"
#include "settings/Utf8.h"

namespace kwctl {
namespace {

// Inline, so that the page opens from a share, a mail or a stick as it is. Fonts are the
// system's own; a state has its word beside its colour; A4 when printed.
constexpr std::string_view kStyle = R"(
body { font-family: "Yu Gothic UI", "Meiryo UI", Meiryo, "MS PGothic", IPAPGothic,
  "Noto Sans CJK JP", sans-serif; margin: 1.5em; color: #1b1b1b; background: #fff; }
h1 { font-size: 1.4em; margin: 0 0 .5em; }
dl.facts { display: grid; grid-template-columns: max-content auto; gap: .2em 1em; margin: 0 0 1em; }
dl.facts dt { font-weight: bold; }
dl.facts dd { margin: 0; overflow-wrap: anywhere; }
.bar { display: flex; height: 1.8em; border: 1px solid #888; margin: 0 0 1em; }
.bar span { display: flex; align-items: center; justify-content: center; white-space: nowrap;
  overflow: hidden; font-size: .85em; padding: 0 .3em; }
table.q { border-collapse: collapse; width: 100%; font-size: .9em; }
table.q th, table.q td { border: 1px solid #bbb; padding: .3em .4em; vertical-align: top;
  text-align: left; overflow-wrap: anywhere; }
table.q thead th { background: #eee; }
.st { font-weight: bold; white-space: nowrap; }
.st::before { content: "\25CF\00A0"; }
.not-finished { background: #fbe3e4; } .not-finished .st, .s0 { color: #9b1c1c; }
.differs { background: #fdf1d8; } .differs .st, .s1 { color: #8a4b00; }
.never-sent { background: #e8eef7; } .never-sent .st, .s2 { color: #2b4c7e; }
.up-to-date { background: #e6f4e8; } .up-to-date .st, .s3 { color: #1e6b2e; }
.bar .s0 { background: #fbe3e4; } .bar .s1 { background: #fdf1d8; }
.bar .s2 { background: #e8eef7; } .bar .s3 { background: #e6f4e8; }
.age, .none { color: #555; }
ul.ch { margin: 0; padding-left: 1.1em; }
del { text-decoration: line-through; } ins { text-decoration: none; font-weight: bold; }
details table { border-collapse: collapse; margin-top: .3em; font-size: .95em; }
details td { border: 1px solid #ccc; padding: .1em .3em; }
code { font-family: Consolas, "MS Gothic", IPAGothic, monospace; }
@page { size: A4; margin: 12mm; }
@media print {
  body { margin: 0; font-size: 9pt; }
  table.q { font-size: 8pt; }
  tr { break-inside: avoid; }
  thead { display: table-header-group; }
  .bar span, .not-finished, .differs, .never-sent, .up-to-date, table.q thead th {
    -webkit-print-color-adjust: exact; print-color-adjust: exact; }
}
)";

// The states in the order the page lists them.
constexpr std::array<PlanState, kPlanStates> kByUrgency = {
    PlanState::NotFinished, PlanState::Differs, PlanState::NeverSent, PlanState::UpToDate};

std::string Cell(std::string_view text) {
    return "<td>" + HtmlEscaped(text) + "</td>";
}

// "done 2026-12-08T19:39:26Z (3 days ago)".
std::string SendText(const LogEntry& e, std::int64_t made) {
    std::string text = HtmlEscaped(Facts(e.outcome).word) + " " + HtmlEscaped(e.time);
    if (const auto then = UtcSeconds(e.time)) {
        text += " <span class=\"age\">(" + AgeText(*then, made) + ")</span>";
    }
    return text;
}

std::string ByText(const LogEntry& e) {
    return HtmlEscaped(e.user) + " on " + HtmlEscaped(e.computer);
}

std::string Changes(const QueuePlan& q) {
    if (q.changes.empty()) return "";
    std::string html = "<ul class=\"ch\">";
    for (const SettingChange& c : q.changes) {
        html += "<li><code>" + HtmlEscaped(c.key) + "</code> " + HtmlEscaped(c.name) + ": <del>" +
                HtmlEscaped(c.from) + "</del> &rarr; <ins>" + HtmlEscaped(c.to) + "</ins></li>";
    }
    return html + "</ul>";
}

std::string Earlier(const ReportQueue& q, std::int64_t made) {
    if (q.earlier.empty()) return "";
    std::string html = "<details><summary>" + std::to_string(q.earlier.size()) + " earlier send" +
                       (q.earlier.size() > 1 ? "s" : "") + "</summary><table>";
    for (const LogEntry& e : q.earlier) {
        html += "<tr><td>" + SendText(e, made) + "</td><td>" + ByText(e) + "</td>" +
                Cell(e.sha256.substr(0, 12)) + Cell(e.file) + Cell(e.reason.value_or("")) +
                "</tr>";
    }
    return html + "</table></details>";
}

std::string Row(const ReportQueue& q, std::int64_t made) {
    const QueuePlan& p = q.plan;
    const std::string name(PlanStateName(p.state));
    std::string html = "<tr data-printer=\"" + HtmlEscaped(p.printer) + "\" data-state=\"" + name +
                       "\" class=\"" + name + "\"><th scope=\"row\">" + HtmlEscaped(p.printer) +
                       "</th><td class=\"st\">" + std::string(PlanStateText(p.state)) + "</td>";
    if (!p.last) return html + "<td class=\"none\" colspan=\"5\">no send in the log</td></tr>";
    const LogEntry& last = *p.last;
    html += "<td>" + SendText(last, made) + "</td><td>" + ByText(last) + "</td>" +
            Cell(last.file) + Cell(last.reason.value_or(""));
    return html + "<td>" + Changes(p) + Earlier(q, made) + "</td></tr>";
}

std::string Heading(const ReportInput& input, const std::array<std::size_t, kPlanStates>& count) {
    std::string html = "<dl class=\"facts\"><dt>Settings file</dt><dd>" + HtmlEscaped(input.file) +
                       " <code>sha256 " + HtmlEscaped(input.recordSha.substr(0, 12)) +
                       "</code></dd><dt>Send log</dt><dd>" + HtmlEscaped(input.log) +
                       "</dd><dt>Made</dt><dd>" +
                       UtcTimestamp(std::chrono::system_clock::time_point(
                           std::chrono::seconds(input.made))) +
                       "</dd><dt>Queues</dt><dd>" + std::to_string(input.queues.size());
    for (const PlanState state : kByUrgency) {
        html += ", <span class=\"s" + std::to_string(PlanStateUrgency(state)) + "\">" +
                std::to_string(count[PlanStateUrgency(state)]) + " " +
                std::string(PlanStateText(state)) + "</span>";
    }
    return html + "</dd></dl>";
}

// The counts of the states as one bar, each part as wide as its count.
std::string Bar(const std::array<std::size_t, kPlanStates>& count) {
    std::string html = "<div class=\"bar\">";
    for (const PlanState state : kByUrgency) {
        const int u = PlanStateUrgency(state);
        if (count[u] == 0) continue;
        html += "<span class=\"s" + std::to_string(u) + "\" style=\"flex-grow:" +
                std::to_string(count[u]) + "\">" + std::to_string(count[u]) + " " +
                std::string(PlanStateText(state)) + "</span>";
    }
    return html + "</div>";
}

}  // namespace

std::string HtmlEscaped(std::string_view text) {
    const std::string valid = IsValidUtf8(text) ? std::string(text) : ToValidUtf8(text);
    std::string html;
    html.reserve(valid.size());
    for (const char c : valid) {
        switch (c) {
            case '&': html += "&amp;"; break;
            case '<': html += "&lt;"; break;
            case '>': html += "&gt;"; break;
            case '"': html += "&quot;"; break;
            case '\'': html += "&#39;"; break;
            default: html += c;
        }
    }
    return html;
}

std::string AgeText(std::int64_t then, std::int64_t now) {
    const std::int64_t s = now - then;
    if (s < 0) return "in the future";
    if (s < 60) return "just now";
    if (s < 3600) return std::to_string(s / 60) + " min ago";
    if (s < 2 * 86400) return std::to_string(s / 3600) + " h ago";
    return std::to_string(s / 86400) + " days ago";
}

std::string FleetReportHtml(ReportInput input) {
    std::stable_sort(input.queues.begin(), input.queues.end(),
                     [](const ReportQueue& a, const ReportQueue& b) {
                         const int ua = PlanStateUrgency(a.plan.state);
                         const int ub = PlanStateUrgency(b.plan.state);
                         if (ua != ub) return ua < ub;
                         return std::pair(QueueKey(a.plan.printer), a.plan.printer) <
                                std::pair(QueueKey(b.plan.printer), b.plan.printer);
                     });
    std::array<std::size_t, kPlanStates> count{};
    for (const ReportQueue& q : input.queues)
        ++count[PlanStateUrgency(q.plan.state)];
    std::string html =
        "<!DOCTYPE html>\n<html lang=\"ja\"><head><meta charset=\"utf-8\">"
        "<meta http-equiv=\"Content-Security-Policy\" content=\"default-src 'none'; style-src "
        "'unsafe-inline'\"><meta name=\"viewport\" content=\"width=device-width\">"
        "<title>Kestrowinda fleet report: " +
        HtmlEscaped(input.file) + "</title><style>" + std::string(kStyle) +
        "</style></head>\n<body><h1>Kestrowinda fleet report</h1>\n" + Heading(input, count) + "\n" +
        Bar(count) +
        "\n<table class=\"q\"><thead><tr><th>Printer</th><th>State</th><th>Last send (UTC)</th>"
        "<th>By</th><th>Settings file</th><th>Reason</th><th>Differences from the settings "
        "file; earlier sends</th></tr></thead>\n<tbody>\n";
    for (const ReportQueue& q : input.queues)
        html += Row(q, input.made) + "\n";
    return html + "</tbody></table>\n</body></html>\n";
}

}  // namespace kwctl
