#!/usr/bin/env bash
# screenshot.sh EXE PNG SECONDS: on the current display, starts the program,
# lets it run, saves its window to PNG and closes it through its close box.
set -euo pipefail
source "$(dirname "$0")/wine-env.sh"
source "$(dirname "$0")/../tests/e2e/lib.sh"
exe="$1" png="$2" seconds="$3"

start_kelvane "$exe"
sleep "$seconds"
import -window "$KELVANE_WID" "$png"
close_kelvane
