#!/usr/bin/env bash
# make gif: records the README's animation, docs/kelvane.gif. Builds, then on a
# private display starts kelvane.exe, plays the demonstration on its keyboard
# with xdotool while ffmpeg records the window, and turns the recording into a
# looping GIF under 1 MB: the camera turns, TAB selects sphere 1, the sphere
# moves away until both answers read false, then grows to radius 100.
set -euo pipefail
cd "$(dirname "$0")/.."

if [ "${1:-}" != "--record" ]; then
    scripts/setup.sh ffmpeg gifsicle
    scripts/build.sh
    source scripts/wine-env.sh
    work="$KELVANE_BUILD_DIR/gif"
    rm -rf "$work" && mkdir -p "$work"
    scripts/with-display.sh "$0" --record "$KELVANE_BUILD_DIR/mingw/kelvane.exe" "$work/demo.mkv"
    # One palette for the whole clip; ordered dithering keeps the still parts
    # of consecutive frames identical, so the GIF stores only what changed.
    ffmpeg -loglevel error -i "$work/demo.mkv" \
        -filter_complex "fps=12,split[a][b];[a]palettegen=max_colors=96:stats_mode=diff[p];[b][p]paletteuse=dither=bayer:bayer_scale=4:diff_mode=rectangle" \
        -loop 0 "$work/demo.gif"
    gifsicle -O3 "$work/demo.gif" -o docs/kelvane.gif
    seconds=$(ffprobe -loglevel error -show_entries format=duration -of csv=p=0 docs/kelvane.gif)
    echo "gif: docs/kelvane.gif, $(stat -c %s docs/kelvane.gif) bytes, ${seconds} s"
    exit 0
fi

# Under with-display.sh: record the program's window while driving it.
source scripts/wine-env.sh
source tests/e2e/lib.sh
exe="$2" video="$3"
start_kelvane "$exe"
activate_window "$KELVANE_WID"
sleep 3 # the measured rate reaches 60/60

# The window's place on the screen and its size (client area and menu bar);
# even sizes for the encoder.
read -r x y w h < <(xwininfo -id "$KELVANE_WID" |
    sed -n 's/^ *\(Absolute upper-left X\|Absolute upper-left Y\|Width\|Height\): *//p' | paste -sd ' ')
ffmpeg -loglevel error -f x11grab -draw_mouse 0 -framerate 24 -video_size "$((w / 2 * 2))x$((h / 2 * 2))" \
    -i "$DISPLAY+$x,$y" -t 10 -c:v ffv1 "$video" </dev/null &
recorder=$!
sleep 1.2

hold() { xdotool keydown "$1"; sleep "$2"; xdotool keyup "$1"; }
hold Right 0.7 # the camera turns to the right
sleep 0.3
hold Left 0.7 # and back
sleep 0.6
hold Tab 0.1 # sphere 1 is selected and blinks
sleep 0.8
hold Left 0.7 # it moves away: AABB false, Collision false
sleep 1.2
xdotool keydown shift
hold Up 1.0 # its radius grows to 100
xdotool keyup shift

wait "$recorder" || fail "ffmpeg could not record the window"
close_kelvane
