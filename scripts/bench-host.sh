#!/usr/bin/env bash
# Figures for the service host under Wine, in one run and a fresh prefix of its own, each beside
# a floor measured in the same run: private memory while supervising one idle program (beside
# that program's own), exit-to-replacement time beyond the monitoring interval (beside an ideal
# supervisor), stop-to-stopped time for a program that honours Ctrl-C (beside the program's own
# end), and install time (beside `sc.exe create`). Not a test.
#
#   bash scripts/bench-host.sh [windows-release|windows]
#
# The default measures what ships (the release build); `windows` measures the development build.
set -euo pipefail
root=$(cd "$(dirname "$0")/.." && pwd)
cd "$root"
build=${1:-windows-release}
cmake --preset windows >/dev/null
cmake --build --preset windows --target host_bench bench_trivial VelmoraExample example_windowed >/dev/null
cmake --preset "$build" >/dev/null
cmake --build --preset "$build" --target Velmora >/dev/null
# The measured programs from the chosen build, the bench and the example programs beside them.
. scripts/bench-common.sh
bench_prepare "$build" "$root/build/bench-host" host_bench.exe bench_trivial.exe VelmoraExample.exe example_windowed.exe
"$VELMORA_WINE" "$bin/host_bench.exe" start-idle
# Wine shows the Windows command line, with this folder's path.
winbin=$(printf '%s' "$bin" | tr '/' '\\')
privateKb() {  # Windows command line -> private dirty kB of its process
  local pid
  pid=$(pid_of "$1")
  [ -n "$pid" ] && private_kb "$pid"
}
host=$(privateKb "Z:$winbin\\Velmora.exe -s")
idle=$(privateKb "Z:$winbin\\VelmoraExample.exe")
"$VELMORA_WINE" "$bin/bench_trivial.exe" &
sleep 3
trivial=$(privateKb "$bin/bench_trivial.exe")  # started from here, it shows its Unix path
kill $! 2>/dev/null || true
ratio() { awk -v a="${1:-0}" -v b="${2:-1}" 'BEGIN {printf "%.2f", a / b}'; }
echo "memory ($build): host (Velmora.exe -s) ${host:-?} kB private dirty; a trivial program (the floor)" \
     "${trivial:-?} kB, ratio $(ratio "$host" "$trivial"); the idle example program the host runs ${idle:-?} kB"
"$VELMORA_WINE" "$bin/host_bench.exe"
