#!/usr/bin/env bash
# Renders the definition editor under Xvfb in a fresh Wine prefix and saves PNGs in
# build/screenshots/: each of its eleven pages on a realistic definition (the Settings page with
# monitoring and debugging on, the Dependencies page with both lists filled, the Output page
# with both streams in one rotated file, the Supervision page with a stop program, exit actions,
# a restart limit and daily restarts, the Log On / Recovery page with an account and recovery
# actions, the Health page with a ready and a live check, the Limits page with memory, CPU and
# handle limits and a job memory cap, the Notify page with a hook and a webhook), the environment
# variable dialog, the exit action dialog, the notification dialog of the webhook and the
# password Install asks for. Needs
# the Windows build (cmake --build --preset windows). VELMORA_DPI=144 draws them at 150 %, and
# OUT_DIR (the first argument) puts them elsewhere. VELMORA_DOCS=1 also copies the newer pages
# into docs/ as the README shows them (docs/editor-output.png, …).
set -euo pipefail
root=$(cd "$(dirname "$0")/.." && pwd)
bin=$root/build/windows/bin
run=$root/build/screenshots-editor
out=${1:-$root/build/screenshots}
[ -f "$bin/velmora_editor_preview.exe" ] || { echo "build the windows preset first" >&2; exit 1; }
mkdir -p "$run" "$out"

"$root/tests/wine/wine-setup.sh" "$run" >/dev/null
trap '"$root/tests/wine/wine-teardown.sh" "$run" >/dev/null 2>&1 || true' EXIT
. "$root/tests/wine/wine-env.sh" "$run"
if [ -n "${VELMORA_DPI:-}" ]; then
  "$VELMORA_WINE" reg add 'HKCU\Control Panel\Desktop' /v LogPixels /t REG_DWORD /d "$VELMORA_DPI" /f >/dev/null
fi

dpi=${VELMORA_DPI:-96}
crop="$((660 * dpi / 96))x$((600 * dpi / 96))+0+0"
shot() {  # NAME TAB [variable|exitaction|notification|password]
  local name=$1 tab=$2; shift 2
  rm -f "$run/ready"
  "$VELMORA_WINE" explorer /desktop=editor,1280x1024 "$bin/velmora_editor_preview.exe" "$tab" "Z:$run/ready" "$@" \
    >/dev/null 2>&1 &
  local pid=$!
  for _ in $(seq 1 100); do [ -f "$run/ready" ] && break; sleep 0.2; done
  # The editor sits at the desktop's top left; the rest of the desktop is empty.
  import -window root -display "$DISPLAY" -crop "$crop" +repage "$out/$name.png"
  kill "$pid" 2>/dev/null || true
  wineserver -k >/dev/null 2>&1 || true
  wait "$pid" 2>/dev/null || true
  wineserver -p >/dev/null 2>&1
  echo "saved $out/$name.png"
}

shot editor-1-program 0
shot editor-2-settings 1
shot editor-3-dependencies 2
shot editor-4-environment 3
shot editor-5-prepost 4
shot editor-6-variable-dialog 3 variable
shot editor-7-output 5
shot editor-8-supervision 6
shot editor-9-exit-action-dialog 6 exitaction
shot editor-10-logon 7
shot editor-11-password-dialog 7 password
shot editor-12-health 8
shot editor-13-limits 9
shot editor-14-notify 10
shot editor-15-notification-dialog 10 notification

if [ -n "${VELMORA_DOCS:-}" ]; then
  for page in 7-output 8-supervision 10-logon 12-health 13-limits 14-notify; do
    cp "$out/editor-$page.png" "$root/docs/editor-${page#*-}.png"
  done
  echo "copied the newer pages into $root/docs"
fi
