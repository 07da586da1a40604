# Sourced by the Wine test scripts: the test prefix and how Windows programs are started.
# usage: . wine-env.sh <prefix-dir>
export WINEPREFIX="$1"
export WINEARCH=win64
export WINEDEBUG="${WINEDEBUG:--all}"
# No Mono or Gecko installers in a test prefix.
export WINEDLLOVERRIDES="mscoree,mshtml="
WINE64=/usr/lib/wine/wine64
WINESERVER=/usr/lib/wine/wineserver
[ -x "$WINE64" ] || WINE64=$(command -v wine64)
[ -x "$WINESERVER" ] || WINESERVER=$(command -v wineserver)
