#!/usr/bin/env bash
# make run: builds and starts the program. Without a display it runs on a
# private Xvfb for a few seconds, saves a screenshot under build/ and exits 0.
set -euo pipefail
cd "$(dirname "$0")/.."
scripts/build.sh
source scripts/wine-env.sh
exe="$KELVANE_BUILD_DIR/mingw/kelvane.exe"

if [ -n "${DISPLAY:-}" ]; then
    exec scripts/wine-run.sh "$exe"
fi

shot="$KELVANE_BUILD_DIR/kelvane.png"
scripts/with-display.sh scripts/screenshot.sh "$exe" "$shot" "${KELVANE_RUN_SECONDS:-4}"
echo "screenshot: $shot"
