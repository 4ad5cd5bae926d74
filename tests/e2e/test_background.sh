#!/usr/bin/env bash
# While another window is in the foreground the program presents nothing; made
# the foreground window again, it draws on without any other action.
set -uo pipefail
source "$(dirname "$0")/lib.sh"
source "$(dirname "$0")/overlay.sh"
exe="$1"

other_pid=""
stop_other() { [ -n "$other_pid" ] && kill "$other_pid" 2>/dev/null; wait "$other_pid" 2>/dev/null; other_pid=""; }
trap 'stop_other; _kelvane_cleanup' EXIT

start_kelvane "$exe"
activate_window "$KELVANE_WID"
wait_overlay "^FPS 60/60" 10

xmessage -name kelvane-e2e-other -title kelvane-e2e-other "another window" &
other_pid=$!
other_wid=""
for _ in $(seq 100); do
    other_wid=$(xdotool search --all --onlyvisible --name "^kelvane-e2e-other$" 2>/dev/null | head -n 1)
    [ -n "$other_wid" ] && break
    sleep 0.1
done
[ -n "$other_wid" ] || fail "the other window did not appear"
activate_window "$other_wid"

# The frame in flight when the foreground moved may still be presented.
sleep 0.5
before=$(presents)
sleep 2
after=$(presents)
assert_eq "$after" "$before" "frames presented while another window was in the foreground"
pass "no frame was presented in 2 s in the background"

activate_window "$KELVANE_WID"
sleep 1
resumed=$(presents)
[ "$resumed" -gt $((after + 30)) ] || fail "only $((resumed - after)) frames in the second after coming back"
pass "$((resumed - after)) frames presented in the second after the window came back"

stop_other
close_kelvane
assert_eq "$KELVANE_EXIT_CODE" 0 "exit code"
