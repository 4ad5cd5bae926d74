#!/usr/bin/env bash
# A test executable that crashes ends at once, the way CTest runs it: with a
# non-zero exit code, and with the name of the test and a backtrace in its
# output, instead of waiting in Wine's crash dialog until CTest's timeout.
# Run it alone to see what a crashing test reports:
#   scripts/with-display.sh ctest --test-dir build/mingw -R rig --output-on-failure
set -uo pipefail
root="$(cd "$(dirname "$0")/../.." && pwd)"
exe="$1"
log="${exe%.exe}.log"

fail() {
    echo "FAIL: $*"
    echo "--- $log ---"
    tail -n 40 "$log"
    exit 1
}

start=$SECONDS
timeout 60 "$root/scripts/wine-run.sh" "$exe" --gtest_color=no >"$log" 2>&1
rc=$?
elapsed=$((SECONDS - start))
[ "$rc" -ne 124 ] || fail "still running after 60 s"
[ "$rc" -ne 0 ] || fail "exit code 0 after a crash"
[ "$elapsed" -le 10 ] || fail "the crash took $elapsed s to end the run"
grep -q "^\[ RUN      \] Rig.CrashesInATest" "$log" || fail "the output does not name the test that crashed"
grep -q "^CRASH in Rig.CrashesInATest: exception 0xc0000005" "$log" || fail "no report of the crash"
grep -q "#0 .* Rig_CrashesInATest_Test::TestBody" "$log" || fail "the backtrace does not begin in the crashing test"
echo "PASS: the crash ended the run in $elapsed s with exit code $rc and a backtrace"
