#include "kwctl/Plan.h"

#include <cstdint>
#include <cstdio>
#include <span>
#include <utility>

#include "kwctl/Kwctl.h"
#include "settings/SettingsCatalog.h"
#include "settings/Utf8.h"

namespace kwctl {
namespace {

using catalog::Kind;
using catalog::Setting;

int HexDigit(char c) {
    if (c >= '0' && c <= '9') return c - '0';
    if (c >= 'a' && c <= 'f') return c - 'a' + 10;
    if (c >= 'A' && c <= 'F') return c - 'A' + 10;
    return -1;
}

}  // namespace

std::string ValueText(const Setting& s, const catalog::Reading& r) {
    if (s.kind == Kind::FormNumber && !r.note) return ToUtf8(r.text);
    return ToUtf8(r.text) + " (" + r.raw + ")";
}

std::string SettingLabel(const Setting& s) {
    std::string label = ToUtf8(s.name);
    if (!s.switchName.empty()) {
        if (!label.empty()) label += ' ';
        label += '(';
        label += s.switchName;
        label += ')';
    }
    return label;
}

std::string_view PlanStateText(PlanState state) {
    switch (state) {
        case PlanState::UpToDate:
            return "up to date";
        case PlanState::Differs:
            return "differs";
        case PlanState::NeverSent:
            return "never sent";
        case PlanState::NotFinished:
            return "last send did not finish";
    }
    return "";
}

bool NeedsSend(PlanState state) {
    return state != PlanState::UpToDate;
}

std::vector<SettingChange> RecordChanges(const SettingsRecord& from, const SettingsRecord& to) {
    std::vector<SettingChange> changes;
    for (const Setting& s : catalog::Settings()) {
        if (s.kind == Kind::CarriedDigit || s.kind == Kind::CarriedSwitch) continue;
        catalog::Reading a = catalog::Read(s, from);
        catalog::Reading b = catalog::Read(s, to);
        if (a.raw == b.raw && a.text == b.text) continue;
        SettingChange change;
        change.key = s.key;
        change.name = SettingLabel(s);
        change.from = ValueText(s, a);
        change.to = ValueText(s, b);
        change.setting = &s;
        change.fromReading = std::move(a);
        change.toReading = std::move(b);
        change.offset = s.offset;
        changes.push_back(std::move(change));
    }
    for (std::size_t i = 0; i < SettingsRecord::kSize; ++i) {
        const auto hidden = static_cast<std::uint8_t>((from[i] ^ to[i]) & ~catalog::ShownBits(i));
        if (!hidden) continue;
        SettingChange change;
        change.key = "offset " + std::to_string(i);
        change.name = catalog::ByteRole(i, hidden);
        change.from = catalog::Hex(from[i]);
        change.to = catalog::Hex(to[i]);
        change.offset = i;
        changes.push_back(std::move(change));
    }
    return changes;
}

std::vector<QueuePlan> MakePlan(const SettingsRecord& record,
                                const std::vector<std::string>& queues, const LastSends& last) {
    std::vector<QueuePlan> plan;
    plan.reserve(queues.size());
    for (const std::string& name : queues) {
        QueuePlan q;
        q.printer = name;
        if (const LogEntry* entry = last.Find(name)) {
            q.last = *entry;
            const std::optional<SettingsRecord> sent = RecordFromHex(entry->record);
            if (!SendFinished(entry->outcome)) {
                q.state = PlanState::NotFinished;
            } else if (sent && *sent == record) {
                q.state = PlanState::UpToDate;
            } else {
                q.state = PlanState::Differs;
                if (sent) q.changes = RecordChanges(*sent, record);
            }
        }
        plan.push_back(std::move(q));
    }
    return plan;
}

int PlanExitStatus(const std::vector<QueuePlan>& plan) {
    for (const QueuePlan& q : plan) {
        if (NeedsSend(q.state)) return kDiffers;
    }
    return kSuccess;
}

std::optional<SettingsRecord> RecordFromHex(std::string_view hex) {
    if (hex.size() != 2 * SettingsRecord::kSize) return std::nullopt;
    SettingsRecord record;
    for (std::size_t i = 0; i < SettingsRecord::kSize; ++i) {
        const int high = HexDigit(hex[2 * i]);
        const int low = HexDigit(hex[2 * i + 1]);
        if (high < 0 || low < 0) return std::nullopt;
        record[i] = static_cast<std::uint8_t>(high << 4 | low);
    }
    return record;
}

}  // namespace kwctl
