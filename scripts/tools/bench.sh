#!/usr/bin/env bash
# make bench [SECONDS=60] [EXTRAS=1], or scripts/tools/bench.sh [SECONDS] [--traced] [--extras]:
# builds, then measures the program's pace, load and memory, and what the tests'
# instrument costs it, on a private display (bench.py tells what and how).
set -euo pipefail
cd "$(dirname "$0")/../.."
scripts/setup.sh python3-matplotlib python3-xlib
scripts/build.sh
# Debian's own Python, the one those packages are installed for (another one may
# come first on the PATH).
scripts/with-display.sh /usr/bin/python3 scripts/tools/bench.py "$@"
