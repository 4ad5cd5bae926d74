#!/usr/bin/env bash
# make test: builds, then runs the unit, visual and end-to-end tests on a
# private display. Extra arguments go to ctest (e.g. -L unit, -R e2e_menu).
set -euo pipefail
cd "$(dirname "$0")/.."
scripts/build.sh
source scripts/wine-env.sh
scripts/with-display.sh ctest --test-dir "$KELVANE_BUILD_DIR/mingw" --output-on-failure "$@"
