#include "kwctl/LogAppender.h"

namespace kwctl {

bool LogAppender::Append(const LogEntry& entry) {
    if (!Ok()) return false;
    // The last line keeps to itself, whole or torn, and this one stays whole.
    std::string text(m_startOnNewLine ? 1 : 0, '\n');
    text += FormatLogLine(entry);
    if (!AppendText(text)) return false;
    m_startOnNewLine = false;
    return true;
}

}  // namespace kwctl
