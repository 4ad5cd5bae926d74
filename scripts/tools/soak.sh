#!/usr/bin/env bash
# make soak [SECONDS=600], or scripts/tools/soak.sh [SECONDS] [--seed N]: builds,
# then drives the program with random input on a private display and checks
# that it holds (soak.py tells what).
set -euo pipefail
cd "$(dirname "$0")/../.."
scripts/build.sh
scripts/with-display.sh python3 scripts/tools/soak.py "$@"
