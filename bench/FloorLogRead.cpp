// The floor of a plan over a send log: reads the log line by line and parses each line as JSON,
// nothing else. Exit status 0 when every line is a JSON object, 1 when one is not.
//   kw_bench_floor_log.exe LOG
#include <filesystem>
#include <fstream>
#include <string>

#include <nlohmann/json.hpp>

int wmain(int argc, wchar_t** argv) {
    if (argc != 2) return 2;
    std::ifstream in(std::filesystem::path(argv[1]), std::ios::binary);
    if (!in) return 2;
    int bad = 0;
    std::string line;
    while (std::getline(in, line))
        bad += !nlohmann::json::parse(line, nullptr, false).is_object();
    return bad ? 1 : 0;
}
