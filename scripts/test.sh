#!/usr/bin/env bash
# Installs what is missing, builds everything and runs all tests through CTest: the native
# unit tests, then the Windows-side tests under Wine, the x86_64 suite and the i686 suite side by
# side. Where Wine cannot run 32-bit programs, the i686 tests are skipped and the summary says
# why. Fails when any test fails.
set -u
. "$(dirname "$0")/lib/common.sh"
. "$root/scripts/lib/wine.sh"

"$root/scripts/setup.sh" || exit 1
"$root/scripts/build.sh" native win64 win32 || exit 1

status=0
echo "== Native tests"
ctest --test-dir "$build/native" --output-on-failure -j "$jobs" || status=1
bash "$root/scripts/sanitize.sh" || status=1
bash "$root/scripts/fuzz.sh" 10 || status=1
echo "== Windows-side tests under Wine: x86_64 (win.*), i686 (i686.*), the packages (install.*, release.*)"
ctest --test-dir "$build" -L 'wine|install' --output-on-failure -j "$jobs" || status=1
# Each Windows-side CTest test is one test program; add up the cases that each suite ran.
log="$build/Testing/Temporary/LastTest.log"
if [ -f "$log" ]; then
  awk '
    /^[0-9]+\/[0-9]+ Testing: / {
      suite = ($3 ~ /^i686\./) ? "i686" : ($3 ~ /^(install|release)\./) ? "install" : "x86_64"
      programs[suite]++
    }
    /^\[==========\] [0-9]+ tests? from/ { ran[suite] += $2 }
    /^\[  PASSED  \] [0-9]+/ { passed[suite] += $4 }
    /^\[  SKIPPED \] [0-9]+ tests?, listed below/ { gskipped[suite] += $4 }
    /^SKIPPED: / { skipped[suite]++ }
    END {
      split("x86_64 i686", suites, " ")
      for (i = 1; i <= 2; i++) {
        s = suites[i]
        line = sprintf("Windows-side test cases, %s: %d passed", s, passed[s])
        if (gskipped[s]) line = line sprintf(", %d skipped", gskipped[s])
        line = line sprintf(" of %d run", ran[s])
        if (skipped[s]) line = line sprintf("; %d of %d CTest tests skipped", skipped[s], programs[s])
        print line
      }
    }' "$log"
fi
if ! kw_wine32_works; then
  echo "The i686 suite did not run: $KW_WINE32_WHY."
fi
exit $status
