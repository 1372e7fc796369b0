#!/usr/bin/env bash
# Figures for the service host under Wine, in one run and a fresh prefix of its own: private
# bytes while supervising one idle program, exit-to-replacement time beyond the monitoring
# interval, and stop-to-stopped time for a program that honours Ctrl-C. Not a test.
set -euo pipefail
root=$(cd "$(dirname "$0")/.." && pwd)
cd "$root"
cmake --preset windows >/dev/null
cmake --build --preset windows --target host_bench >/dev/null
run="$root/build/windows/bench"
mkdir -p "$run"
trap 'tests/wine/wine-teardown.sh "$run"' EXIT
tests/wine/wine-setup.sh "$run" >/dev/null
. tests/wine/wine-env.sh "$run"
bench="$root/build/windows/bin/host_bench.exe"
"$VELMORA_WINE" "$bench" start-idle
# Wine reports no private bytes for another process; the host's Unix process tells its
# anonymous (private) memory. Wine shows the Windows command line, with this build's path.
bin=$(printf '%s' "$root/build/windows/bin" | tr '/' '\\')
report() {  # label, Windows command line
  for p in /proc/[0-9]*; do
    [ "$({ tr '\0' ' ' <"$p/cmdline"; } 2>/dev/null | sed 's/ *$//')" = "$2" ] || continue
    echo "$1: $(awk '/Private_Dirty/ {s+=$2} END {print s " kB"}' "$p/smaps_rollup") private dirty," \
         "$(grep -E 'VmRSS' "$p/status" | tr -s ' \t' ' ')"
  done
}
report "host (Velmora.exe -s) Unix process" "Z:$bin\\Velmora.exe -s"
report "baseline: the idle example program it runs" "Z:$bin\\VelmoraExample.exe"
"$VELMORA_WINE" "$bench"
