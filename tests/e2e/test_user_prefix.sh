#!/usr/bin/env bash
# A Wine user's own prefix, named in WINEPREFIX as many Wine users keep it
# exported, is left alone: `make run` without a display, and the scripts that
# run the tests, use the project's prefix. The other prefix's registry files
# stay byte for byte as they were, and the program running there keeps running.
set -uo pipefail
source "$(dirname "$0")/lib.sh"

user_prefix="$KELVANE_BUILD_DIR/e2e/user-prefix"
user_pid=""
# This test made that prefix and started its server and its program.
end_user_program() {
    [ -n "$user_pid" ] && kill "$user_pid" 2>/dev/null
    WINEPREFIX="$user_prefix" wineserver -k 2>/dev/null
    WINEPREFIX="$user_prefix" wineserver -w 2>/dev/null
    user_pid=""
}
trap 'end_user_program; _kelvane_cleanup' EXIT

registry() { (cd "$user_prefix" && sha256sum system.reg user.reg userdef.reg); }

if [ ! -f "$user_prefix/system.reg" ]; then
    mkdir -p "$user_prefix"
    WINEPREFIX="$user_prefix" wineboot -i >/dev/null 2>&1 </dev/null
    WINEPREFIX="$user_prefix" wineserver -w
fi

# The user's program. Its session's start-up touches the registry, which Wine
# writes out some 30 s later; only after that does the registry hold still.
saved=$(stat -c %Y "$user_prefix/system.reg")
WINEPREFIX="$user_prefix" wine notepad >/dev/null 2>&1 </dev/null &
user_pid=$!
for _ in $(seq 120); do
    [ "$(stat -c %Y "$user_prefix/system.reg")" != "$saved" ] && break
    sleep 0.5
done
sleep 1
kill -0 "$user_pid" 2>/dev/null || fail "the user's program did not start"
before=$(registry)

out="$KELVANE_BUILD_DIR/e2e/user-prefix-run.log"
WINEPREFIX="$user_prefix" timeout 120 env -u DISPLAY make -C "$KELVANE_ROOT" --no-print-directory run >"$out" 2>&1
rc=$?
[ "$rc" -eq 0 ] || fail "make run ended with $rc: $(tail -n 5 "$out")"
grep -q "^screenshot: $KELVANE_BUILD_DIR/kelvane.png" "$out" || fail "make run saved no screenshot: $(tail -n 5 "$out")"
WINEPREFIX="$user_prefix" timeout 120 "$KELVANE_ROOT/scripts/with-display.sh" "$KELVANE_ROOT/scripts/wine-run.sh" \
    "$KELVANE_BUILD_DIR/mingw/tests/unit_camera.exe" --gtest_brief=1 >>"$out" 2>&1 ||
    fail "a test executable run the way the tests run failed: $(tail -n 5 "$out")"

# Those runs stopped the project's own Wine server, as every run does at its end.
kelvane_start_wine_session

kill -0 "$user_pid" 2>/dev/null || fail "the program in the user's prefix was ended"
end_user_program
assert_eq "$(registry)" "$before" "the user's registry files"
pass "the prefix named in WINEPREFIX kept its registry and its running program"
