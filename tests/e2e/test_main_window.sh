#!/usr/bin/env bash
# One run through the main window: it comes up titled "kelvane" with a 640 x 480
# client area, the Help menu and both accelerators open the About box, every
# way of closing the box gives the focus back to the main window, and File >
# Exit ends the program with exit code 0.
set -uo pipefail
source "$(dirname "$0")/lib.sh"
exe="$1"
about="バージョン情報 kelvane"

start_kelvane "$exe"
pass "the window \"kelvane\" appeared"

assert_eq "$(client_size "$KELVANE_WID")" "640 480" "client area"
pass "client area 640 x 480"

activate_window "$KELVANE_WID"

# open_about KEYS...: types KEYS into the main window and waits for the About box.
open_about() {
    activate_window "$KELVANE_WID"
    xdotool key --clearmodifiers --delay 200 "$@"
    about_wid=$(wait_for_window "$about" 10) || fail "\"$*\" did not open the About box"
    wait_active "$about_wid" 5 || fail "the About box opened by \"$*\" is not the active window"
}

# close_about KEYS...: closes the open About box with KEYS and checks that the
# main window is active again.
close_about() {
    xdotool key --clearmodifiers "$@"
    wait_for_no_window "$about" 10 || fail "\"$*\" did not close the About box"
    wait_active "$KELVANE_WID" 5 || fail "after \"$*\" the main window is not active again (active: $(active_window))"
}

open_about alt+h a
pass "Alt+H, A opened \"$about\""
close_about Escape
pass "Esc closed it and the main window is active again"

open_about alt+h a
close_about Return
pass "Enter (the default OK button) closed it"

open_about alt+question
close_about Escape
pass "the accelerator Alt+? opened it"

open_about alt+slash
close_about Escape
pass "the accelerator Alt+/ opened it"

kelvane_running || fail "the program ended while the About box was used"

activate_window "$KELVANE_WID"
xdotool key --clearmodifiers --delay 200 alt+f x
wait_kelvane_exit 15 >/dev/null
assert_eq "$KELVANE_EXIT_CODE" 0 "exit code after File > Exit"
pass "Alt+F, X ended the program with exit code 0"
