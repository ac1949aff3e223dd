// Appends entries to a send log, creating it when needed, while any number of kwctl processes
// append to it at once.
#pragma once

#include <string>

#include "kwctl/InputFile.h"
#include "kwctl/LogEntry.h"
#include "settings/SettingsFileIo.h"

namespace kwctl {

// Each line goes to the file whole, in one write, to its end as the system finds it at that
// moment, under the lock on the appenders' byte, so lines that several processes append at once
// never mix and a reader never sees half of one; none is buffered in the process. A log whose
// last line has no newline at that moment (a torn line, also one that another process left
// since this one opened the log, or a line saved without one) gets one first. Not for use by
// two threads at once.
class LogAppender {
public:
    explicit LogAppender(const FilePath& path);
    ~LogAppender();
    LogAppender(const LogAppender&) = delete;
    LogAppender& operator=(const LogAppender&) = delete;

    // False, with the reason in Error(), when the log could not be opened or the line was not
    // written whole.
    bool Ok() const { return m_error.empty(); }
    bool Append(const LogEntry& entry);
    const std::string& Error() const { return m_error; }

private:
    // Whether the log's last byte can be read and is no newline.
    bool EndsInsideALine();
    bool Write(const std::string& text);

#ifdef _WIN32
    FileHandle m_file = nullptr;
#else
    FileHandle m_file = -1;
#endif
    std::string m_error;
};

}  // namespace kwctl
