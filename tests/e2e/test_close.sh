#!/usr/bin/env bash
# Closing the main window through the window manager ends the program with exit
# code 0: once by a click on the caption's close box, once by Alt+F4.
set -uo pipefail
source "$(dirname "$0")/lib.sh"
exe="$1"

# The close box is the rightmost button of openbox's title bar, which sits in
# the frame above the X window (_NET_FRAME_EXTENTS: left, right, top, bottom).
start_kelvane "$exe"
activate_window "$KELVANE_WID"
read -r left right top _ < <(xprop -id "$KELVANE_WID" _NET_FRAME_EXTENTS | sed 's/.*= //; s/,//g')
[ -n "${top:-}" ] && [ "$top" -gt 0 ] || fail "the window manager gave the window no title bar"
geometry=$(xwininfo -id "$KELVANE_WID")
x=$(sed -n 's/^ *Absolute upper-left X: *//p' <<<"$geometry")
y=$(sed -n 's/^ *Absolute upper-left Y: *//p' <<<"$geometry")
width=$(sed -n 's/^ *Width: *//p' <<<"$geometry")
# The button is about 12 px square, its centre 11 px in from the frame's right
# edge and halfway down the title bar.
xdotool mousemove --sync $((x + width + right - 11)) $((y - top / 2)) click 1
wait_kelvane_exit 15 >/dev/null
# The next window opens in the same place: a pointer left resting on its close
# box keeps openbox's button in a hover state in which Alt+F4 can go unanswered.
xdotool mousemove --sync 0 0
assert_eq "$KELVANE_EXIT_CODE" 0 "exit code after a click on the close box"
pass "the close box ended the program with exit code 0"

start_kelvane "$exe"
close_kelvane
assert_eq "$KELVANE_EXIT_CODE" 0 "exit code after Alt+F4"
pass "Alt+F4 ended the program with exit code 0"
