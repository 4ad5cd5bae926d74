#!/usr/bin/env bash
# with-display.sh COMMAND...: runs COMMAND on a private Xvfb display with openbox
# as window manager and a warm Wine session, then stops exactly what it started
# (by process id, and the wineserver of the project's own prefix).
set -uo pipefail
source "$(dirname "$0")/wine-env.sh"

# One run at a time per Wine prefix: two would share one Wine server and one
# Wine desktop, with a single foreground window between them, and the first to
# finish would stop the server under the other's program. flock holds the lock
# while this script runs again under it; -o keeps the lock out of the children,
# so nothing left behind can hold it. A run holding it for CI's whole 90 minutes hangs.
if [ -z "${KELVANE_PREFIX_LOCKED:-}" ]; then
    lock="$WINEPREFIX.lock"
    mkdir -p "$(dirname "$lock")"
    flock -n -o "$lock" true || echo "with-display: another run is using $WINEPREFIX; waiting for it" >&2
    KELVANE_PREFIX_LOCKED=1 flock -w 5400 -E 75 -o "$lock" "$0" "$@"
    status=$?
    [ "$status" -ne 75 ] || echo "with-display: $WINEPREFIX was still in use after 90 minutes" >&2
    exit "$status"
fi

display=""
for n in $(seq 90 150); do
    if [ ! -e "/tmp/.X11-unix/X$n" ] && [ ! -e "/tmp/.X$n-lock" ]; then display=":$n"; break; fi
done
[ -n "$display" ] || { echo "with-display: no free display number" >&2; exit 1; }

xvfb_pid=""
wm_pid=""
cleanup() {
    wineserver -k >/dev/null 2>&1 || true
    [ -n "$wm_pid" ] && kill "$wm_pid" 2>/dev/null
    [ -n "$xvfb_pid" ] && kill "$xvfb_pid" 2>/dev/null
    wait 2>/dev/null
}
trap cleanup EXIT
trap 'exit 130' INT TERM

Xvfb "$display" -screen 0 1024x768x24 -nolisten tcp >/dev/null 2>&1 &
xvfb_pid=$!
export DISPLAY="$display"
for _ in $(seq 100); do xdpyinfo >/dev/null 2>&1 && break; sleep 0.1; done
xdpyinfo >/dev/null 2>&1 || { echo "with-display: Xvfb did not start" >&2; exit 1; }
openbox --sm-disable >/dev/null 2>&1 &
wm_pid=$!

kelvane_start_wine_session

"$@"
exit $?
