#!/usr/bin/env bash
# Creates the project's Wine prefix once: Direct3D without the command-stream
# thread (it keeps a core busy on its own: 104 % of a core against 28 % without)
# and drawing straight into the window's back buffer rather than an off-screen
# buffer copied there on every Present (a fifth less processor time with
# Mesa's software rasteriser), a Japanese font for the menu and the About box,
# and no debugger on a crash. Wine's own would wait in its crash dialog on a
# display nobody sees, and without the dialog it ends the crashed process with
# exit code 0 or the exception's code, whichever comes first. Without it the
# process ends at once with the exception's code, which is never 0; the test
# executables write their own backtrace first.
set -euo pipefail
source "$(dirname "$0")/wine-env.sh"

stamp="$WINEPREFIX/.kelvane-prefix-v4"
[ -f "$stamp" ] && exit 0

mkdir -p "$WINEPREFIX"
echo "setup: creating Wine prefix in $WINEPREFIX"
# Wine's helper processes keep the output pipe open long after wineboot
# returns, so their output goes nowhere. A step that hangs fails the set-up.
step() {
    timeout 300 "$@" >/dev/null 2>&1 </dev/null || { echo "setup: '$*' failed or hung (exit $?)" >&2; exit 1; }
}
step wineboot -i
step wine reg add 'HKCU\Software\Wine\Direct3D' /v csmt /t REG_DWORD /d 0 /f
step wine reg add 'HKCU\Software\Wine\Direct3D' /v OffscreenRenderingMode /t REG_SZ /d backbuffer /f
step wine reg add 'HKCU\Software\Wine\Fonts\Replacements' /v 'MS UI Gothic' /t REG_SZ /d IPAGothic /f
step wine reg add 'HKLM\Software\Microsoft\Windows NT\CurrentVersion\AeDebug' /v Debugger /t REG_SZ /d '' /f
step wineserver -w
touch "$stamp"
