#!/bin/sh
# Starts a test run: an Xvfb display, a fresh Wine prefix, and one wineserver kept alive until
# wine-teardown.sh. Daemons get their own output files so ctest does not wait on them.
set -eu
. "$(dirname "$0")/wine-env.sh" "$1"
build=$1
"$(dirname "$0")/wine-teardown.sh" "$build" || true

display=
for n in $(seq 90 140); do
  if [ ! -e "/tmp/.X$n-lock" ] && [ ! -e "/tmp/.X11-unix/X$n" ]; then display=$n; break; fi
done
[ -n "$display" ] || { echo "no free X display" >&2; exit 1; }
Xvfb ":$display" -screen 0 1024x768x24 -nolisten tcp >"$build/xvfb.log" 2>&1 &
echo $! >"$build/xvfb.pid"
echo ":$display" >"$build/wine-display"
export DISPLAY=":$display"
for i in $(seq 1 50); do
  [ -e "/tmp/.X11-unix/X$display" ] && break
  sleep 0.1
done

rm -rf "$WINEPREFIX"
mkdir -p "$WINEPREFIX"
wineserver -p >"$build/wineserver.log" 2>&1
"$VELMORA_WINE" wineboot -i >"$build/wineboot.log" 2>&1
# A service gets as long to connect as it would on Windows (30 s, not Wine's 10 s): on a loaded
# machine a host that is merely slow to load must not count as one that failed to start.
"$VELMORA_WINE" reg add 'HKLM\System\CurrentControlSet\Control' /v ServicesPipeTimeout /t REG_DWORD /d 30000 /f \
  >>"$build/wineboot.log" 2>&1
# The session that created the prefix misbehaves with services created later: OpenService
# fails with 1060 and a started service cannot open its own entry. A second session is sound.
wineserver -k >/dev/null 2>&1 || true
wineserver -w >/dev/null 2>&1 || true
wineserver -p >>"$build/wineserver.log" 2>&1
"$VELMORA_WINE" cmd /c exit >/dev/null 2>&1
echo "Wine prefix ready: $WINEPREFIX on display :$display"
