// Lines of a send log, as a crash, an editor or another program may leave them. Properties: the
// quick look at a line's queue never names another queue than reading the line whole does; an
// entry written back is the same line; a torn line is what a writer could have begun; and the
// text read as a whole log never holds an entry that its lines do not.
#include <cstddef>
#include <cstdint>
#include <string>
#include <string_view>

#include "fuzz/FuzzCheck.h"
#include "kwctl/LogEntry.h"
#include "kwctl/LogReader.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    const std::string_view text(reinterpret_cast<const char*>(data), size);
    std::size_t entries = 0;
    for (std::size_t start = 0; start <= text.size();) {
        std::size_t end = text.find('\n', start);
        if (end == std::string_view::npos) end = text.size();
        const std::string_view line = text.substr(start, end - start);
        const kwctl::LogLine read = kwctl::ReadLogLine(line);
        const auto printer = kwctl::LinePrinter(line);
        if (read.kind == kwctl::LogLine::Kind::Entry) {
            ++entries;
            KW_FUZZ_CHECK(!printer || *printer == read.entry.printer);
            const std::string again = kwctl::FormatLogLine(read.entry);
            const kwctl::LogLine back = kwctl::ReadLogLine(again.substr(0, again.size() - 1));
            KW_FUZZ_CHECK(back.kind == kwctl::LogLine::Kind::Entry);
            KW_FUZZ_CHECK(kwctl::FormatLogLine(back.entry) == again);
        }
        if (read.kind == kwctl::LogLine::Kind::Torn) {
            KW_FUZZ_CHECK(read.entry.outcome == kwctl::Outcome::Unknown);
            KW_FUZZ_CHECK(!printer || read.entry.printer.empty() || *printer == read.entry.printer);
        }
        start = end + 1;
    }
    const kwctl::LogRead whole = kwctl::ParseLog(text, [](kwctl::LogEntry&&) {});
    KW_FUZZ_CHECK(whole.entries <= entries);
    return 0;
}
