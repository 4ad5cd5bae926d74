#!/usr/bin/env bash
# Installs the Debian packages the build, the program and the tests need, when
# any is missing, and any further packages named as arguments (the benchmark's
# plotting package). Uses sudo when not run as root.
set -euo pipefail

packages=(
    cmake make python3
    g++-mingw-w64-x86-64-posix mingw-w64-tools
    wine wine64
    xvfb openbox xdotool x11-utils imagemagick
    googletest fonts-ipafont-gothic
    "$@"
)

missing=()
for p in "${packages[@]}"; do
    dpkg-query -W -f='${Status}' "$p" 2>/dev/null | grep -q "ok installed" || missing+=("$p")
done
[ ${#missing[@]} -eq 0 ] && exit 0

echo "setup: installing ${missing[*]}"
sudo=""
[ "$(id -u)" -eq 0 ] || sudo="sudo"
export DEBIAN_FRONTEND=noninteractive
$sudo apt-get update -qq
$sudo apt-get install -y -qq --no-install-recommends "${missing[@]}" >/dev/null
