#!/usr/bin/env bash
# prepare.sh EXE: makes a copy of the program that loads the device-loss proxy
# and prints its path. The copy, kelvane-lost.exe, has a folder of its own under
# build/ with the proxy's d3d9.dll and signal-proxy.exe beside it, and only that
# application's Wine defaults prefer the native d3d9.dll: the prefix's settings
# for kelvane.exe itself stay as they are.
set -euo pipefail
root="$(cd "$(dirname "$0")/../.." && pwd)"
source "$root/scripts/wine-env.sh"
exe="$1"
proxy="$(dirname "$exe")/proxy"
[ -f "$proxy/d3d9.dll" ] && [ -f "$proxy/signal-proxy.exe" ] || { echo "no proxy built in $proxy" >&2; exit 1; }

dir="$KELVANE_BUILD_DIR/e2e/lost"
mkdir -p "$dir"
cp "$exe" "$dir/kelvane-lost.exe"
cp "$proxy/d3d9.dll" "$proxy/signal-proxy.exe" "$dir/"
"$root/scripts/wine-run.sh" reg add 'HKCU\Software\Wine\AppDefaults\kelvane-lost.exe\DllOverrides' \
    /v d3d9 /t REG_SZ /d native,builtin /f >/dev/null 2>&1 </dev/null
echo "$dir/kelvane-lost.exe"
