#!/bin/sh
# Ends a test run: stops the run's wineserver (and every Wine process in the prefix) and Xvfb.
. "$(dirname "$0")/wine-env.sh" "$1"
build=$1
[ -d "$WINEPREFIX" ] && wineserver -k >/dev/null 2>&1
if [ -f "$build/xvfb.pid" ]; then
  kill "$(cat "$build/xvfb.pid")" 2>/dev/null
  rm -f "$build/xvfb.pid" "$build/wine-display"
fi
exit 0
