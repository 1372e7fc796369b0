#!/usr/bin/env bash
# Times the main window's list refresh with 300 services installed against a bare loop of the
# same service manager queries, under Wine in a fresh prefix of its own.
#   bench-refresh.sh [BUILD_DIR]   (default: build/windows; build the windows preset first)
set -euo pipefail
root=$(cd "$(dirname "$0")/.." && pwd)
build=$(cd "${1:-$root/build/windows}" && pwd)
run=$build/bench-refresh-run
[ -f "$build/bin/velmora_bench_refresh.exe" ] || { echo "bench-refresh: build the windows preset first" >&2; exit 1; }
mkdir -p "$run"
"$root/tests/wine/wine-setup.sh" "$run" >/dev/null
trap '"$root/tests/wine/wine-teardown.sh" "$run"' EXIT
. "$root/tests/wine/wine-env.sh" "$run"
"$VELMORA_WINE" "$build/bin/velmora_bench_refresh.exe"
