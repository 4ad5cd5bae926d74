# Overlay helpers for end-to-end tests: the status text each frame hands to
# ID3DXFont::DrawTextW, as Wine's trace+d3dx channel records it. Sourced after
# lib.sh.

# Keep only the lines the tests read: the overlay strings and the presentations.
KELVANE_WINEDEBUG="+timestamp,trace+d3dx,trace+d3d9"
KELVANE_LOG_FILTER="ID3DXFontImpl_DrawTextW|d3d9_device_Present"

# overlays: every overlay string so far, one a line, "\n" left as written.
overlays() {
    sed -n 's/.*ID3DXFontImpl_DrawTextW .*string L"\(.*\)", in_count.*/\1/p' "$KELVANE_LOG"
}

last_overlay() {
    overlays | tail -n 1
}

# presents: how many frames have been presented so far.
presents() {
    grep -c "d3d9_device_Present" "$KELVANE_LOG"
}

# wait_overlay PATTERN TIMEOUT: waits until the latest overlay matches PATTERN
# (grep -E); fails with the latest overlay when it does not in time.
wait_overlay() {
    local pattern="$1" timeout="${2:-10}" i
    for ((i = 0; i < timeout * 10; i++)); do
        last_overlay | grep -q -E -- "$pattern" && return 0
        sleep 0.1
    done
    fail "the overlay never matched '$pattern'; last: $(last_overlay)"
}

# hold KEY SECONDS: holds KEY down in the active window for SECONDS.
hold() {
    xdotool keydown "$1"
    sleep "$2"
    xdotool keyup "$1"
}
