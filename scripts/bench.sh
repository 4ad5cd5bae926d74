#!/usr/bin/env bash
# make bench [SECONDS=60]: builds, then measures the program's pace, load and
# memory on a private display (scripts/bench.py tells what and how).
set -euo pipefail
cd "$(dirname "$0")/.."
scripts/setup.sh python3-matplotlib python3-xlib
scripts/build.sh
scripts/with-display.sh /usr/bin/python3 scripts/bench.py "$@"
