#!/usr/bin/env bash
# Figures for keeping a program's output, under Wine, in one run and a fresh prefix of its own:
# a program writing 200 MB in 100-byte lines through the host into a file, beside the same
# program writing the file itself; the host's CPU time for it; and the host's private memory
# sampled while it captures (it must not grow with the volume). Not a test.
#
#   bash scripts/bench-output.sh [MEGABYTES] [--buffered]
#
# By default every line is a write of its own (the worst case); --buffered writes through the C
# library's stream with an 8 KB buffer, as most programs do when their output is not a console.
set -euo pipefail
root=$(cd "$(dirname "$0")/.." && pwd)
cd "$root"
megabytes=${1:-200}
mode=${2:-}
bytes=$((megabytes * 1000000))
cmake --preset windows >/dev/null
cmake --build --preset windows --target output_writer >/dev/null
cmake --preset windows-release >/dev/null
cmake --build --preset windows-release --target Velmora >/dev/null
bench="$root/build/bench-output"
work="$bench/work"
rm -rf "$work"
mkdir -p "$work"
. scripts/bench-common.sh
bench_prepare windows-release "$bench" output_writer.exe
w() { printf 'Z:%s' "$1" | tr '/' '\\'; }

# The floor: the program writing its own file. The program times its own writing, so process
# starts (a service's takes a second or more under Wine) are not counted on either side.
"$VELMORA_WINE" "$bin/output_writer.exe" --bytes "$bytes" $mode --to "$(w "$work/direct.log")" \
  --timing "$(w "$work/direct.timing")"
field() { sed -n "s/.*$1=\([0-9]*\).*/\1/p" "$2"; }
seconds() { awk -v a="$(field began "$1")" -v b="$(field ended "$1")" 'BEGIN {printf "%.2f", (b - a) / 1000}'; }
# The pipe floor: the same write into a pipe that a thread of the program empties and discards.
"$VELMORA_WINE" "$bin/output_writer.exe" --bytes "$bytes" $mode --floor --timing "$(w "$work/floor.timing")"
floor=$(seconds "$work/floor.timing")
direct=$(awk -v a="$(field began "$work/direct.timing")" -v b="$(field ended "$work/direct.timing")" \
  'BEGIN {printf "%.2f", (b - a) / 1000}')

cat >"$bin/bench.xml" <<XML
<?xml version="1.0" encoding="UTF-8" standalone="no" ?>
<!DOCTYPE Service SYSTEM "Velmora.dtd">
<Service>
 <Program>
  <Name>vlbenchout</Name>
  <DisplayName>Output bench</DisplayName>
  <WorkingDir>$(w "$work")</WorkingDir>
  <Executable>$(w "$bin/output_writer.exe")</Executable>
  <Parameters>--bytes $bytes $mode --timing $(w "$work/captured.timing")</Parameters>
 </Program>
 <Options><UponExit>0</UponExit></Options>
 <Output><OutputLocation>$(w "$work/captured.log")</OutputLocation></Output>
</Service>
XML
(cd "$bin" && "$VELMORA_WINE" Velmora.exe -i "$(w "$bin/bench.xml")" >/dev/null)

hostPid() { pid_of "$(w "$bin")\\Velmora.exe -s"; }
size() { stat -c %s "$work/captured.log" 2>/dev/null || echo 0; }

"$VELMORA_WINE" sc.exe start vlbenchout >/dev/null
pid=""
samples=()
while [ "$(size)" -lt "$bytes" ] || [ ! -s "$work/captured.timing" ]; do
  [ -n "$pid" ] || pid=$(hostPid)
  if [ -n "$pid" ]; then
    samples+=("$(private_kb "$pid")")
  fi
  sleep 0.2
done
inFile=$(date +%s%3N)
began=$(field began "$work/captured.timing")
ended=$(field ended "$work/captured.timing")
captured=$(awk -v a="$began" -v b="$ended" 'BEGIN {printf "%.2f", (b - a) / 1000}')
lag=$(awk -v a="$ended" -v b="$inFile" 'BEGIN {printf "%.2f", (b - a) / 1000}')
ticks=$(getconf CLK_TCK)
cpu=$(awk -v t="$ticks" '{printf "%.2f", ($14 + $15) / t}' "/proc/$pid/stat")
"$VELMORA_WINE" sc.exe stop vlbenchout >/dev/null
sleep 1
(cd "$bin" && "$VELMORA_WINE" Velmora.exe -u vlbenchout >/dev/null) || true

first=${samples[1]:-${samples[0]:-0}}
last=${samples[-1]:-0}
peak=$(printf '%s\n' "${samples[@]}" | sort -n | tail -1)
echo "output ($megabytes MB in 100-byte lines${mode:+, $mode}): the program writing its own file ${direct} s;" \
     "writing through the host ${captured} s, ratio $(awk -v a="$captured" -v b="$direct" 'BEGIN {printf "%.2f", a / b}');" \
     "all of it in the file at most ${lag} s after the program's last write (polled every 0.2 s);" \
     "into a bare pipe that the program itself empties ${floor} s, ratio" \
     "$(awk -v a="$captured" -v b="$floor" 'BEGIN {printf "%.2f", a / b}') against that floor"
echo "host CPU time for it: ${cpu} s; host private dirty while capturing: first ${first} kB, last ${last} kB," \
     "peak ${peak} kB (${#samples[@]} samples)"
cmp -s <(head -c 1000 "$work/direct.log") <(head -c 1000 "$work/captured.log") && echo "the two files begin alike"
