# Sourced by the other scripts: the project's own Wine prefix inside the build
# folder, never the user's ~/.wine.
KELVANE_ROOT="$(cd "$(dirname "${BASH_SOURCE[0]}")/.." && pwd)"
export KELVANE_BUILD_DIR="${KELVANE_BUILD_DIR:-$KELVANE_ROOT/build}"
export WINEPREFIX="${WINEPREFIX:-$KELVANE_BUILD_DIR/wineprefix}"
export WINEARCH=win64
# No Mono or Gecko installers, and no debug chatter unless asked for.
export WINEDLLOVERRIDES="${WINEDLLOVERRIDES:-mscoree,mshtml=}"
export WINEDEBUG="${WINEDEBUG:--all}"
# Without a GPU (Xvfb, or no driver) Mesa's llvmpipe rasterises every frame on
# the processor. Our frames are small: drawing them on the calling thread costs
# less than sharing them out to a rasteriser thread per core and waiting for
# those. Hardware drivers ignore the setting.
export LP_NUM_THREADS="${LP_NUM_THREADS:-0}"
