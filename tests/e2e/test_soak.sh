#!/usr/bin/env bash
# Thirty seconds of the soak: random key storms, the About box, moving and
# resizing, the foreground taken away and given back, the device lost and
# reset (through the proxy d3d9.dll of tests/proxy), then Exit. The program
# must survive all of it, exit with 0, draw only well-formed overlays, present
# nothing in the background, draw nothing on a lost device and keep its memory. One fixed seed, so that a
# failure here can be repeated with scripts/soak.sh 30 --seed 1; make soak
# draws a new one each time.
set -uo pipefail
root="$(cd "$(dirname "$0")/../.." && pwd)"
exec /usr/bin/python3 "$root/scripts/soak.py" 30 --seed 1 --exe "$1"
