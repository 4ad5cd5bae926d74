#!/usr/bin/env bash
# When no Direct3D device can be made, the program shows no window and ends
# quietly with exit code 0.
#
# Wine's "no3d" renderer makes CreateDevice fail. It is set only for a copy of the
# program under its own name (Wine's per-application defaults), so the prefix's
# settings for kelvane.exe itself stay as they are.
set -uo pipefail
source "$(dirname "$0")/lib.sh"
exe="$1"

copy_dir="$KELVANE_BUILD_DIR/e2e/no3d"
mkdir -p "$copy_dir"
cp "$exe" "$copy_dir/kelvane-no3d.exe"
"$KELVANE_ROOT/scripts/wine-run.sh" reg add 'HKCU\Software\Wine\AppDefaults\kelvane-no3d.exe\Direct3D' \
    /v renderer /t REG_SZ /d no3d /f >/dev/null 2>&1 </dev/null || fail "could not set the no3d renderer"

KELVANE_WINEDEBUG="+x11drv"
launch_kelvane "$copy_dir/kelvane-no3d.exe"
shown=""
for _ in $(seq 300); do
    kelvane_running || break
    [ -z "$shown" ] && shown=$(xdotool search --all --onlyvisible --pid "$KELVANE_PID" 2>/dev/null | head -n 1)
    sleep 0.1
done
wait_kelvane_exit 10 >/dev/null
assert_eq "$KELVANE_EXIT_CODE" 0 "exit code without a device"
[ -z "$shown" ] || fail "a window ($shown) was shown"
grep -q "map_window" "$KELVANE_LOG" && fail "Wine mapped a window: $(grep -m1 map_window "$KELVANE_LOG")"
pass "without a device no window was shown and the exit code was 0"
