#!/usr/bin/env bash
# A lost Direct3D device comes back. Wine does not lose a windowed device by
# itself, so a copy of the program loads the proxy d3d9.dll of tests/proxy,
# which forwards to Wine's own and, on signals sent with signal-proxy.exe, plays
# a lost device: Present and TestCooperativeLevel answer D3DERR_DEVICELOST, then
# TestCooperativeLevel D3DERR_DEVICENOTRESET until a Reset; it counts the other
# calls the program makes on the lost device and tells them at the Reset. While
# the device is lost the program draws and presents nothing and its About box
# still opens and closes; once it can, it resets the device and draws on, the
# overlay reading 60/60 within two seconds of the Reset. Lost a second time, it
# closes at once with exit code 0 and releases the device and the Direct3D
# object once each.
set -uo pipefail
source "$(dirname "$0")/lib.sh"
source "$(dirname "$0")/overlay.sh"
KELVANE_LOG_FILTER="$KELVANE_LOG_FILTER|d3d9_device_Reset|d3d9proxy"
exe=$("$KELVANE_ROOT/tests/proxy/prepare.sh" "$1") || fail "could not prepare the copy with the proxy"
about="バージョン情報 kelvane"

signal_proxy() {
    "$KELVANE_ROOT/scripts/wine-run.sh" "$(dirname "$exe")/signal-proxy.exe" </dev/null >/dev/null 2>&1 ||
        fail "signal-proxy.exe found no proxy listening"
}

# wait_log PATTERN COUNT TIMEOUT: waits until COUNT lines of the log match PATTERN.
wait_log() {
    local i
    for ((i = 0; i < $3 * 10; i++)); do
        [ "$(grep -c -E -- "$1" "$KELVANE_LOG")" -ge "$2" ] && return 0
        sleep 0.1
    done
    fail "no line '$1' (number $2) in the program's output within $3 s"
}

start_kelvane "$exe"
activate_window "$KELVANE_WID"
wait_overlay "^FPS 60/60" 10
grep -q "d3d9proxy: forwarding to .*system32.d3d9.dll" "$KELVANE_LOG" ||
    fail "the program does not draw through the proxy on the system's d3d9.dll"
pass "the copy draws through the proxy on the system's Direct3D 9"

signal_proxy
wait_log "d3d9proxy: lost" 1 5
activate_window "$KELVANE_WID"
xdotool key --clearmodifiers --delay 200 alt+h a
about_wid=$(wait_for_window "$about" 5) || fail "the About box did not open while the device was lost"
activate_window "$about_wid"
xdotool key Escape
wait_for_no_window "$about" 5 || fail "the About box did not close while the device was lost"
wait_active "$KELVANE_WID" 5 || fail "the main window is not active again after the About box"
pass "with the device lost the About box opened and closed"

signal_proxy
wait_log "d3d9proxy: Reset answered" 1 5
reset=$(grep -m1 "d3d9proxy: Reset answered" "$KELVANE_LOG")
[[ "$reset" == *"answered 0x00000000 "*"; 0 other calls while lost" ]] || fail "after the loss: $reset"
# A few seconds lost, a question every 50 ms or so: a busy loop would ask thousands of times.
questions=$(sed 's/.* after \([0-9]*\) questions.*/\1/' <<<"$reset")
[ "$questions" -lt 500 ] || fail "the lost device was asked $questions times"
pass "reset once it could be, after $questions questions; ${reset#*; } (nothing drawn or presented)"

# The first frames after the Reset still show the rate measured before the loss;
# then the frames around the gap drag it down until they leave the measurement.
# settled_at: Wine's timestamp of the first "FPS 60/60" after such a lower rate.
at_reset=$(grep -m1 "d3d9_device_Reset" "$KELVANE_LOG" | cut -d: -f1)
settled_at() {
    awk -v t="$at_reset" -F: '$1 > t && /DrawTextW/ {
        if (!/string L"FPS 60\/60/) low = 1
        else if (low) { print $1; exit }
    }' "$KELVANE_LOG"
}
sixty=""
for _ in $(seq 50); do
    sixty=$(settled_at)
    [ -n "$sixty" ] && break
    sleep 0.1
done
[ -n "$sixty" ] || fail "the overlay did not dip and come back to \"FPS 60/60\" after the Reset; last: $(last_overlay)"
took=$(awk -v a="$at_reset" -v b="$sixty" 'BEGIN { print b - a }')
awk -v took="$took" 'BEGIN { exit !(took <= 2.0) }' || fail "\"FPS 60/60\" came back $took s after the Reset"
pass "the overlay moved on after the Reset and read FPS 60/60 again $took s after it"

shot="$KELVANE_BUILD_DIR/e2e/device_lost.png"
screenshot "$KELVANE_WID" "$shot"
corner=$(convert "$shot" -format '%[fx:int(255*r)],%[fx:int(255*g)],%[fx:int(255*b)]' -crop 1x1+620+470 info:)
assert_eq "$corner" "0,0,255" "background colour after the Reset"
pass "the real device draws the picture again: the background is blue"

signal_proxy
wait_log "d3d9proxy: lost" 2 5
close_kelvane
assert_eq "$KELVANE_EXIT_CODE" 0 "exit code after closing the window with the device lost"
assert_eq "$(grep -c "d3d9proxy: device released while lost; 0 other calls while lost$" "$KELVANE_LOG")" 1 \
    "device releases while lost"
assert_eq "$(grep -c "d3d9proxy: Direct3D object released" "$KELVANE_LOG")" 1 "Direct3D object releases"
pass "closed while lost: exit code 0, the device and the Direct3D object released once each"
