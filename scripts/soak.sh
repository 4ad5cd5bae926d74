#!/usr/bin/env bash
# make soak [SECONDS=600], or scripts/soak.sh [SECONDS] [--seed N]: builds, then
# drives the program with random input on a private display and checks that it
# holds (scripts/soak.py tells what).
set -euo pipefail
cd "$(dirname "$0")/.."
scripts/build.sh
scripts/with-display.sh /usr/bin/python3 scripts/soak.py "$@"
