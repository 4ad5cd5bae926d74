#!/usr/bin/env bash
# make run: builds the program (and nothing else) and starts it. Without a
# display it runs on a private Xvfb for a few seconds, saves a screenshot under
# build/ and exits 0.
set -euo pipefail
cd "$(dirname "$0")/.."
scripts/build.sh kelvane
source scripts/wine-env.sh
exe="$KELVANE_BUILD_DIR/mingw/kelvane.exe"

if [ -n "${DISPLAY:-}" ]; then
    exec scripts/wine-run.sh "$exe"
fi

shot="$KELVANE_BUILD_DIR/kelvane.png"
scripts/with-display.sh python3 scripts/kelvane_run.py --screenshot "$shot" --seconds "${KELVANE_RUN_SECONDS:-4}" "$exe"
echo "screenshot: $shot"
