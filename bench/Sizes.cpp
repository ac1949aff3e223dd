// The stripped programs' sizes: the program's with the DLLs it imports, and kwctl's with what
// CLI11 and nlohmann/json add to it (kwctl rebuilt with each replaced by a stand-in).
#include "bench/Measures.h"

Report MeasureProgramSize(const BenchContext&) {
    const PeImage exe = Stripped("kestrowinda");
    bool systemOnly = exe.valid;
    for (const std::string& dll : exe.imports)
        systemOnly = systemOnly && IsSystemDll(dll);

    Report report;
    report.rows.push_back(SizeRow("stripped exe", KiB(exe), "<= 400 KiB, system DLLs only",
                                  Met(exe.valid && KiB(exe) <= 400 && systemOnly)));
    report.notes.push_back(Format("- imports of the stripped exe (%s): %s",
                                  systemOnly ? "all system DLLs" : "NOT all system DLLs",
                                  ImportList(exe).c_str()));
    return report;
}

Report MeasureKwctlSize(const BenchContext&) {
    const double kwctl = KiB(Stripped("kwctl"));
    const double noCli = KiB(Stripped("kw_bench_kwctl_no_cli"));
    const double noJson = KiB(Stripped("kw_bench_kwctl_no_json"));
    const double neither = KiB(Stripped("kw_bench_kwctl_neither"));

    Report report;
    report.rows.push_back(SizeRow("kwctl stripped exe", kwctl, "none given", "-"));
    report.notes.push_back(
        Format("- kwctl size: %.1f KiB stripped. Built with CLI11 replaced by a hand-read command "
               "line: %.1f KiB (CLI11 costs %.1f KiB); with nlohmann/json replaced by a class that "
               "does nothing: %.1f KiB (nlohmann/json costs %.1f KiB); without either: %.1f KiB "
               "(both cost %.1f KiB).",
               kwctl, noCli, kwctl - noCli, noJson, kwctl - noJson, neither, kwctl - neither));
    return report;
}
