// The floor of a plan that reads a whole send log: reads the file in blocks of a megabyte and
// splits it into lines, nothing else. Exit status 0 when the file was read.
//   kw_bench_floor_split.exe LOG
#include <cstdio>
#include <string_view>
#include <vector>

int wmain(int argc, wchar_t** argv) {
    if (argc != 2) return 2;
    std::FILE* file = ::_wfopen(argv[1], L"rb");
    if (!file) return 2;
    std::vector<char> block(1 << 20);
    std::size_t lines = 0, longest = 0, partial = 0;
    for (std::size_t got; (got = std::fread(block.data(), 1, block.size(), file)) > 0;) {
        std::string_view rest(block.data(), got);
        for (std::size_t nl; (nl = rest.find('\n')) != std::string_view::npos;) {
            const std::size_t length = partial + nl;
            if (length > longest) longest = length;
            ++lines;
            partial = 0;
            rest.remove_prefix(nl + 1);
        }
        partial += rest.size();
    }
    std::fclose(file);
    return lines > 0 && longest > 0 ? 0 : 1;
}
