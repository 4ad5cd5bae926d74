# Sourced by the other scripts: the project's own Wine prefix inside the build
# folder, never the user's ~/.wine nor a prefix the shell names in WINEPREFIX.
# Wine users often export WINEPREFIX for the prefix of their games; adopting it
# would write our Direct3D settings into it, wait on its programs and end them
# at clean-up. Another prefix of the project's own can be named with
# KELVANE_WINEPREFIX.
KELVANE_ROOT="$(cd "$(dirname "${BASH_SOURCE[0]}")/.." && pwd)"
export KELVANE_BUILD_DIR="${KELVANE_BUILD_DIR:-$KELVANE_ROOT/build}"
export WINEPREFIX="${KELVANE_WINEPREFIX:-$KELVANE_BUILD_DIR/wineprefix}"
export WINEARCH=win64
# No Mono or Gecko installers, and no debug chatter unless asked for.
export WINEDLLOVERRIDES="${WINEDLLOVERRIDES:-mscoree,mshtml=}"
export WINEDEBUG="${WINEDEBUG:--all}"
# Without a GPU (Xvfb, or no driver) Mesa's llvmpipe rasterises every frame on
# the processor. Our frames are small: drawing them on the calling thread costs
# less than sharing them out to a rasteriser thread per core and waiting for
# those. Hardware drivers ignore the setting.
export LP_NUM_THREADS="${LP_NUM_THREADS:-0}"

# Starts a persistent Wine server for the project's prefix and boots its session,
# so that each later Wine process starts in well under a second. Output is
# detached: Wine's lingering helper processes would otherwise hold the caller's
# pipe open.
kelvane_start_wine_session() {
    timeout 120 wineserver -p >/dev/null 2>&1 </dev/null
    timeout 120 wine cmd /c exit >/dev/null 2>&1 </dev/null
}
