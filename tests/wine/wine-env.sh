# Sourced with the build folder as $1: the Wine environment of one test run in that build.
velmoraBuild=$1
export WINEPREFIX="$velmoraBuild/wineprefix"
export WINEARCH=win64
export WINEDEBUG=-all
# No Mono/Gecko installers, no desktop menu entries.
export WINEDLLOVERRIDES="mscoree,mshtml=;winemenubuilder.exe=d"
if [ -f "$velmoraBuild/wine-display" ]; then
  DISPLAY=$(cat "$velmoraBuild/wine-display")
  export DISPLAY
fi
VELMORA_WINE=/usr/lib/wine/wine64
[ -x "$VELMORA_WINE" ] || VELMORA_WINE=wine
