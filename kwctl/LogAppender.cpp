#include "kwctl/LogAppender.h"

namespace kwctl {

bool LogAppender::Append(const LogEntry& entry) {
    if (!Ok()) return false;
    const std::string line = FormatLogLine(entry);
    // Under the lock, so that no append comes between the look at the end and the write: the
    // last line keeps to itself, whole or torn, and this one stays whole.
    const AppendLock lock(m_file, true);
    return Write(lock.Held() && EndsInsideALine() ? "\n" + line : line);
}

}  // namespace kwctl
