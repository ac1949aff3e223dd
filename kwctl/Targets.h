// Lists of queue names: a targets file, and the one rule by which two names are the same queue.
#pragma once

#include <cstddef>
#include <string>
#include <string_view>
#include <vector>

#include "settings/SettingsFileIo.h"

namespace kwctl {

// The form of a queue name under which names of one queue compare equal: Windows takes queue
// names without regard to case, so ASCII letters are folded (other letters are kept as given).
std::string QueueKey(std::string_view name);

// `names` with each queue once, at its first place.
std::vector<std::string> EachQueueOnce(const std::vector<std::string>& names);

// A list holds names, not megabytes: a longer one is refused rather than held.
inline constexpr std::size_t kTargetsLimit = 16 * 1024 * 1024;
inline constexpr std::size_t kTargetLineLimit = 64 * 1024;

struct TargetList {
    bool ok = false;
    std::vector<std::string> names;  // UTF-8, each queue once, at its first place
    std::string error;               // why the list was refused ("line 3: not valid UTF-8")
};

// A targets file's text: one queue name a line, UTF-8 with or without a byte order mark, LF or
// CRLF. A line whose first non-blank character is '#' is a comment, so that a name may hold
// '#' elsewhere; blank lines are skipped and blanks around a name are dropped. A name given
// again (in any case) is kept only at its first place. Text that is not valid UTF-8, a line
// with a NUL or over 64 KiB, or a list over 16 MiB refuses the whole list.
TargetList ParseTargets(std::string_view text);

// The same for the file at `path`, read in pieces; what is not a regular file that can be read
// is refused.
TargetList ReadTargets(const FilePath& path);

}  // namespace kwctl
