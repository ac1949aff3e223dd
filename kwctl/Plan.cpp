#include "kwctl/Plan.h"

#include <cstddef>
#include <cstdint>
#include <iterator>
#include <utility>

#include "kwctl/Environment.h"
#include "settings/SettingsCatalog.h"
#include "settings/Utf8.h"

namespace kwctl {
namespace {

using catalog::Kind;
using catalog::Setting;

struct PlanStateFacts {
    constexpr PlanStateFacts(PlanState state, std::string_view word, std::string_view name,
                             bool needsSend, int urgency)
        : state(state), word(word), name(name), needsSend(needsSend), urgency(urgency) {}
    PlanState state;
    std::string_view word;
    std::string_view name;
    bool needsSend;
    int urgency;
};

constexpr PlanStateFacts kStates[] = {
    //             state                  word                        name        send urgency
    PlanStateFacts(PlanState::UpToDate, "up to date", "up-to-date", false, 3),
    PlanStateFacts(PlanState::Differs, "differs", "differs", true, 1),
    PlanStateFacts(PlanState::NeverSent, "never sent", "never-sent", true, 2),
    PlanStateFacts(PlanState::NotFinished, "last send did not finish", "not-finished", true, 0),
};

constexpr bool InEnumOrder() {
    for (std::size_t i = 0; i < std::size(kStates); ++i) {
        if (kStates[i].state != static_cast<PlanState>(i)) return false;
    }
    return std::size(kStates) == static_cast<std::size_t>(PlanState::NotFinished) + 1;
}
static_assert(InEnumOrder(), "one row for each plan state, in the enum's order");

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
    return kStates[static_cast<std::size_t>(state)].word;
}

bool NeedsSend(PlanState state) {
    return kStates[static_cast<std::size_t>(state)].needsSend;
}

std::string_view PlanStateName(PlanState state) {
    return kStates[static_cast<std::size_t>(state)].name;
}

int PlanStateUrgency(PlanState state) {
    return kStates[static_cast<std::size_t>(state)].urgency;
}

std::vector<SettingChange> RecordChanges(const SettingsRecord& from, const SettingsRecord& to) {
    std::vector<SettingChange> changes;
    for (const Setting& s : catalog::Settings()) {
        if (s.Carried()) continue;
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
            const std::optional<SettingsRecord> sent = catalog::RecordFromHex(entry->record);
            if (!Facts(entry->outcome).finished) {
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

std::size_t QueuesToSend(const std::vector<QueuePlan>& plan) {
    std::size_t count = 0;
    for (const QueuePlan& q : plan)
        count += NeedsSend(q.state);
    return count;
}

int PlanExitStatus(const std::vector<QueuePlan>& plan) {
    return QueuesToSend(plan) ? kDiffers : kSuccess;
}

}  // namespace kwctl
