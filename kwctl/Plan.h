// What a send would do to each queue, from the send log: which queues already have the record
// and which would be sent to, naming the settings that would change.
#pragma once

#include <cstddef>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "kwctl/LogReader.h"
#include "settings/SettingsCatalog.h"
#include "settings/SettingsRecord.h"

namespace kwctl {

enum class PlanState {
    UpToDate,     // its last send was of the same 180 bytes and finished
    Differs,      // its last send, which finished, was of other bytes
    NeverSent,    // the log has no send to it
    NotFinished,  // its last send did not finish (see the outcomes' table)
};

// "up to date", "differs", "never sent", "last send did not finish".
std::string_view PlanStateText(PlanState state);

// Whether the queue would be sent to: all but UpToDate.
bool NeedsSend(PlanState state);

// The state as a name for scripts and styles: "up-to-date", "differs", "never-sent",
// "not-finished".
std::string_view PlanStateName(PlanState state);

// How soon the queue wants looking at: 0 for a send that did not finish, then differs, never
// sent, up to date.
int PlanStateUrgency(PlanState state);

inline constexpr int kPlanStates = 4;

// A setting, or a byte that no setting shows, whose value differs between two records.
struct SettingChange {
    std::string key;   // the settings' key ("msw2-7"); "offset 3" for a byte no setting shows
    std::string name;  // the setting's label, or what the byte is ("separator", "carried ...")
    std::string from;  // as kwctl diff shows values: "１３６桁 (0)", "66", "0x31"
    std::string to;
    const catalog::Setting* setting = nullptr;  // null for a byte that no setting shows
    catalog::Reading fromReading;               // a setting as each record holds it
    catalog::Reading toReading;
    std::size_t offset = 0;  // the byte's offset
};

// The changes from `from` to `to`: every setting of the catalogue that reads differently (the
// carried ones as bytes), then the bytes whose bits no setting shows. kwctl diff shows these.
std::vector<SettingChange> RecordChanges(const SettingsRecord& from, const SettingsRecord& to);

// A setting's value as kwctl shows a change: the text with the code as held; a number alone
// unless it holds other characters.
std::string ValueText(const catalog::Setting& setting, const catalog::Reading& reading);

// A setting's label as the program shows it, with its switch name: "印刷桁数の切り替え (MSW2-7)".
std::string SettingLabel(const catalog::Setting& setting);

struct QueuePlan {
    std::string printer;
    PlanState state = PlanState::NeverSent;
    std::optional<LogEntry> last;        // the queue's last send, when there is one
    std::vector<SettingChange> changes;  // Differs: from the record last sent
};

// The plan for sending `record` to each of `queues`, in their order.
std::vector<QueuePlan> MakePlan(const SettingsRecord& record,
                                const std::vector<std::string>& queues, const LastSends& last);

// How many of the queues would be sent to.
std::size_t QueuesToSend(const std::vector<QueuePlan>& plan);

// kSuccess when no queue would be sent to, kDiffers when some would.
int PlanExitStatus(const std::vector<QueuePlan>& plan);

}  // namespace kwctl
