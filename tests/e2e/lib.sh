# End-to-end helpers: start kelvane.exe under Wine on the current display, find
# its window, drive it with xdotool and read its exit code. Sourced by the
# tests/e2e/test_*.sh scripts and by scripts/screenshot.sh.
#
# Every wait is bounded. Only the process started here is ever killed, by its pid.

KELVANE_ROOT="${KELVANE_ROOT:-$(cd "$(dirname "${BASH_SOURCE[0]}")/../.." && pwd)}"
source "$KELVANE_ROOT/scripts/wine-env.sh"

KELVANE_PID=""
KELVANE_WID=""
KELVANE_LOG=""
KELVANE_EXIT_CODE=""
KELVANE_TEST_NAME="${KELVANE_TEST_NAME:-$(basename "$0" .sh)}"
# The x11drv channel lets client_size read the client rectangle; it writes a
# few lines per window change, not per frame.
KELVANE_WINEDEBUG="${KELVANE_WINEDEBUG:-+x11drv}"

pass() {
    echo "PASS: $*"
}

# Reports the failure with the tail of the program's output, stops the program
# if it still runs (the EXIT trap) and ends the test.
fail() {
    echo "FAIL: $*" >&2
    if [ -n "$KELVANE_LOG" ] && [ -s "$KELVANE_LOG" ]; then
        echo "--- last lines of $KELVANE_LOG ---" >&2
        tail -n 20 "$KELVANE_LOG" >&2
    fi
    exit 1
}

kelvane_running() {
    [ -n "$KELVANE_PID" ] && kill -0 "$KELVANE_PID" 2>/dev/null
}

# A test that ends early must not leave its program behind.
_kelvane_cleanup() {
    if kelvane_running; then
        kill "$KELVANE_PID" 2>/dev/null
        wait "$KELVANE_PID" 2>/dev/null
    fi
}
trap _kelvane_cleanup EXIT

# wait_for_window NAME [TIMEOUT]: prints the id of the first visible window of
# the started program whose name is exactly NAME (Wine sets _NET_WM_PID to the
# process's pid); fails when none appears in time.
wait_for_window() {
    local name="$1" timeout="${2:-30}" wid="" i
    # Names are matched as regular expressions; anchor them and escape the rest.
    local pattern
    pattern="^$(printf '%s' "$name" | sed 's/[][\.*^$(){}?+|/]/\\&/g')\$"
    for ((i = 0; i < timeout * 10; i++)); do
        wid=$(xdotool search --all --onlyvisible --pid "$KELVANE_PID" --name "$pattern" 2>/dev/null |
            head -n 1 || true)
        [ -n "$wid" ] && { echo "$wid"; return 0; }
        kelvane_running || return 1
        sleep 0.1
    done
    return 1
}

# wait_for_no_window NAME [TIMEOUT]: waits until no visible window is named NAME.
wait_for_no_window() {
    local name="$1" timeout="${2:-10}" i pattern
    pattern="^$(printf '%s' "$name" | sed 's/[][\.*^$(){}?+|/]/\\&/g')\$"
    for ((i = 0; i < timeout * 10; i++)); do
        xdotool search --all --onlyvisible --pid "$KELVANE_PID" --name "$pattern" >/dev/null 2>&1 || return 0
        sleep 0.1
    done
    return 1
}

# launch_kelvane EXE: starts the program in the background (output to
# KELVANE_LOG) and sets KELVANE_PID. With KELVANE_LOG_FILTER set (an extended
# regular expression), only the matching lines of the program's output are kept:
# Wine's Direct3D trace channels write tens of thousands of lines a second.
launch_kelvane() {
    local exe="$1"
    [ -f "$exe" ] || fail "no program at $exe"
    [ -n "${DISPLAY:-}" ] || fail "DISPLAY is not set"
    mkdir -p "$KELVANE_BUILD_DIR/e2e"
    KELVANE_LOG="$KELVANE_BUILD_DIR/e2e/$KELVANE_TEST_NAME.log"
    if [ -n "${KELVANE_LOG_FILTER:-}" ]; then
        # The process substitution keeps $! the program's own pid.
        WINEDEBUG="$KELVANE_WINEDEBUG" "$KELVANE_ROOT/scripts/wine-run.sh" "$exe" </dev/null \
            > >(grep --line-buffered -E "$KELVANE_LOG_FILTER" >"$KELVANE_LOG") 2>&1 &
    else
        WINEDEBUG="$KELVANE_WINEDEBUG" "$KELVANE_ROOT/scripts/wine-run.sh" "$exe" >"$KELVANE_LOG" 2>&1 </dev/null &
    fi
    KELVANE_PID=$!
    KELVANE_EXIT_CODE=""
}

# start_kelvane EXE: launches the program and, once its main window is up, sets
# KELVANE_WID.
start_kelvane() {
    launch_kelvane "$1"
    KELVANE_WID=$(wait_for_window kelvane 30) ||
        fail "the window \"kelvane\" did not appear within 30 s (process $(kelvane_running && echo running || echo ended))"
}

# wait_kelvane_exit TIMEOUT: waits for the program to end, prints its exit code
# and stores it in KELVANE_EXIT_CODE. A program still running after TIMEOUT
# seconds is killed and the test fails. Call it directly, not in $(...): only
# this shell can collect the exit code of its child.
wait_kelvane_exit() {
    local timeout="${1:-10}" i
    for ((i = 0; i < timeout * 10; i++)); do
        kelvane_running || break
        sleep 0.1
    done
    kelvane_running && fail "the program did not end within $timeout s"
    # "|| ..." keeps a non-zero exit code from ending a caller that runs with set -e.
    KELVANE_EXIT_CODE=0
    wait "$KELVANE_PID" || KELVANE_EXIT_CODE=$?
    KELVANE_PID=""
    echo "$KELVANE_EXIT_CODE"
}

# close_kelvane: closes the main window as a user would, through the window
# manager's Alt+F4, and waits (bounded) for the program to end. Exit code in
# KELVANE_EXIT_CODE.
close_kelvane() {
    local attempt i
    # The window manager's close request can arrive while Wine is still taking
    # the window into the foreground and be dropped; a user would press Alt+F4
    # again, and so does this, up to three times.
    for attempt in 1 2 3; do
        kelvane_running || break
        activate_window "$KELVANE_WID"
        xdotool key --clearmodifiers alt+F4
        for ((i = 0; i < 50; i++)); do
            kelvane_running || break
            sleep 0.1
        done
    done
    wait_kelvane_exit 15 >/dev/null
}

# activate_window WID: raises WID and gives it the focus; fails when it does
# not become the active window within 10 s.
activate_window() {
    xdotool windowactivate "$1" 2>/dev/null
    wait_active "$1" 10 || fail "window $1 did not become active"
}

# wait_active WID SECONDS: waits until WID is the active window; 1 if it is not in time.
wait_active() {
    local i
    for ((i = 0; i < $2 * 10; i++)); do
        [ "$(active_window)" = "$1" ] && return 0
        sleep 0.1
    done
    return 1
}

active_window() {
    xdotool getactivewindow 2>/dev/null
}

# screenshot WID PNG: saves the window's contents.
screenshot() {
    import -window "$1" "$2" || fail "could not take a screenshot of window $1"
}

# client_size WID: prints "WIDTH HEIGHT" of the Win32 client area of the
# program's top-level window WID.
#
# The X window alone does not tell: under a window manager Wine leaves caption
# and border to the manager (openbox frames the X window from outside, see
# _NET_FRAME_EXTENTS) but draws the menu bar itself, inside the X window, so the
# X window is the client area plus a menu bar whose height follows the menu
# font, and the menu bar has the same colour as the empty client area. Wine's
# x11drv channel, on by default in start_kelvane, records for every X window it
# creates the Win32 handle it belongs to ("win HWND/XID ...") and for every move
# or resize the window and client rectangles ("win HWND window (l,t)-(r,b)
# client (l,t)-(r,b) ..."): the last of those is the client area the program
# itself sees. The X window is checked against it: as wide as the client area,
# and taller by the menu bar only.
client_size() {
    local wid="$1" xid hwnd rect l t r b width height
    [ -n "$KELVANE_LOG" ] || fail "client_size needs a program started by start_kelvane"
    xid=$(printf '%x' "$wid")
    hwnd=$(sed -n "s|.*X11DRV_create_win_data win \(0x[0-9a-f]*\)/$xid .*|\1|p" "$KELVANE_LOG" | tail -n 1)
    [ -n "$hwnd" ] || fail "no x11drv record of X window $xid in $KELVANE_LOG (WINEDEBUG=$KELVANE_WINEDEBUG)"
    rect=$(sed -n "s|.*X11DRV_WindowPosChanged win $hwnd window .* client (\(-*[0-9]*\),\(-*[0-9]*\))-(\(-*[0-9]*\),\(-*[0-9]*\)) .*|\1 \2 \3 \4|p" "$KELVANE_LOG" | tail -n 1)
    [ -n "$rect" ] || fail "no client rectangle of window $hwnd in $KELVANE_LOG"
    read -r l t r b <<<"$rect"
    read -r width height < <(xwininfo -id "$wid" | sed -n 's/^ *\(Width\|Height\): *//p' | tr '\n' ' ')
    [ "$width" -eq $((r - l)) ] || fail "X window $width wide, client area $((r - l))"
    [ "$height" -gt $((b - t)) ] || fail "X window $height high, client area $((b - t)): no menu bar above it"
    echo "$((r - l)) $((b - t))"
}

# assert_eq ACTUAL EXPECTED WHAT
assert_eq() {
    [ "$1" = "$2" ] || fail "$3: expected '$2', got '$1'"
}
