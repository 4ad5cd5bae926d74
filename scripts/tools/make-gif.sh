#!/usr/bin/env bash
# make gif: records the README's animation, docs/kelvane.gif. Builds, then on a
# private display starts kelvane.exe, plays the demonstration on its keyboard
# with xdotool while ffmpeg records the window, and turns the recording into a
# looping GIF under 1 MB: the camera turns, TAB selects sphere 1, the sphere
# moves away until both answers read false, then grows to radius 100.
set -euo pipefail
cd "$(dirname "$0")/../.."
scripts/setup.sh ffmpeg gifsicle
scripts/build.sh
source scripts/wine-env.sh
work="$KELVANE_BUILD_DIR/gif"
rm -rf "$work" && mkdir -p "$work"

scripts/with-display.sh python3 - "$KELVANE_BUILD_DIR/mingw/kelvane.exe" "$work/demo.mkv" <<'PLAY'
import re, subprocess, sys, time
sys.path.insert(0, "scripts")
import kelvane_run as kr

exe, video = sys.argv[1:]
k = kr.Kelvane("gif", exe).start()
k.wait_text("the overlay reads FPS 60/60", lambda t: t.startswith("FPS 60/60"))
# The window's place on the screen and its size (client area and menu bar); even sizes for the encoder.
info = subprocess.run(["xwininfo", "-id", k.wid], capture_output=True, text=True).stdout
x, y, w, h = (int(re.search(name + r": *(-?\d+)", info)[1])
              for name in ("Absolute upper-left X", "Absolute upper-left Y", "Width", "Height"))
recorder = subprocess.Popen(["ffmpeg", "-loglevel", "error", "-f", "x11grab", "-draw_mouse", "0", "-framerate", "24",
                             "-video_size", f"{w // 2 * 2}x{h // 2 * 2}", "-i", f"{kr.os.environ['DISPLAY']}+{x},{y}",
                             "-t", "10", "-c:v", "ffv1", video], stdin=subprocess.DEVNULL)
time.sleep(1.2)
for keys, seconds, pause in (("Right", 0.7, 0.3),      # the camera turns to the right
                             ("Left", 0.7, 0.6),       # and back
                             ("Tab", 0.1, 0.8),        # sphere 1 is selected and blinks
                             ("Left", 0.7, 1.2),       # it moves away: AABB false, Collision false
                             ("shift+Up", 1.0, 0)):    # its radius grows to 100
    k.hold(keys, lambda end=time.monotonic() + seconds: time.monotonic() >= end, "the choreography")
    time.sleep(pause)
if recorder.wait() != 0:
    sys.exit("ffmpeg could not record the window")
k.close()
PLAY

# One palette for the whole clip; ordered dithering keeps the still parts of
# consecutive frames identical, so the GIF stores only what changed.
ffmpeg -loglevel error -i "$work/demo.mkv" \
    -filter_complex "fps=12,split[a][b];[a]palettegen=max_colors=96:stats_mode=diff[p];[b][p]paletteuse=dither=bayer:bayer_scale=4:diff_mode=rectangle" \
    -loop 0 "$work/demo.gif"
gifsicle -O3 "$work/demo.gif" -o docs/kelvane.gif
seconds=$(ffprobe -loglevel error -show_entries format=duration -of csv=p=0 docs/kelvane.gif)
echo "gif: docs/kelvane.gif, $(stat -c %s docs/kelvane.gif) bytes, ${seconds} s"
