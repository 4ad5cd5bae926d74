#!/usr/bin/env bash
# The status overlay as the program draws it: the start text, the measured rate
# reaching the target, and the answers changing as the keyboard moves and grows
# sphere 1.
set -uo pipefail
source "$(dirname "$0")/lib.sh"
source "$(dirname "$0")/overlay.sh"
exe="$1"

start_kelvane "$exe"
activate_window "$KELVANE_WID"
wait_overlay "^FPS 60/60  CPU [0-9]{3}%" 10

start='FPS 00/60  CPU 000%\nSphere1 (-40.00, 0.00, 0.00) R=50.00\nSphere2 (40.00, 0.00, 0.00) R=50.00\nAABB true\nCollision true\n'
assert_eq "$(overlays | head -n 1)" "$start" "the first overlay"
pass "the first overlay reads the five start lines"

# From the first overlay to the first "FPS 60/60", by Wine's own timestamps.
first=$(grep -m1 "DrawTextW" "$KELVANE_LOG" | cut -d: -f1)
sixty=$(grep -m1 'DrawTextW .*string L"FPS 60/60' "$KELVANE_LOG" | cut -d: -f1)
awk -v a="$first" -v b="$sixty" 'BEGIN { exit !(b - a <= 2.0) }' ||
    fail "\"FPS 60/60\" came $(awk -v a="$first" -v b="$sixty" 'BEGIN { print b - a }') s after the first frame"
pass "the overlay read FPS 60/60 within two seconds of the first frame"

# TAB selects sphere 1; LEFT moves it along the camera's side axis, one unit a
# frame, until the boxes only touch (x = -60) and beyond.
hold Tab 0.1
hold Left 1.2
wait_overlay '^FPS [0-9]+/60  CPU [0-9]{3}%\\nSphere1 \(-[0-9.]+, 0\.00, 0\.00\) R=50\.00\\nSphere2 \(40\.00, 0\.00, 0\.00\) R=50\.00\\nAABB false\\nCollision false\\n$' 5
x=$(last_overlay | sed 's/.*Sphere1 (\([-0-9.]*\),.*/\1/')
awk -v x="$x" 'BEGIN { exit !(x <= -60) }' || fail "sphere 1 stopped at x = $x"
pass "LEFT moved sphere 1 to x = $x: AABB false, Collision false"

# SHIFT+UP grows the radius by one a frame, to exactly 100 and no further.
xdotool keydown shift
hold Up 2.5
xdotool keyup shift
wait_overlay 'Sphere1 \([-0-9.]+, 0\.00, 0\.00\) R=100\.00\\n' 5
overlays | grep -q -E 'R=(10[1-9]|1[1-9][0-9]|[2-9][0-9]{2})\.' && fail "a radius above 100 was shown"
pass "SHIFT+UP grew sphere 1 to R=100.00 and no further"

activate_window "$KELVANE_WID"
xdotool key --clearmodifiers alt+f
sleep 0.3
xdotool key x
wait_kelvane_exit 15 >/dev/null
assert_eq "$KELVANE_EXIT_CODE" 0 "exit code after File, Exit"
pass "File, Exit ended the program with exit code 0"
