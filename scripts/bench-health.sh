#!/usr/bin/env bash
# The cost of watching a program: two services of the release build in one run and a fresh
# prefix, each running an idle example program, one watched, the other not. Gives each host's CPU
# (percent of one core) and private memory at the start and the end of the period, side by side.
# Not a test.
#   health: the watched one is checked over HTTP every second against an endpoint on 127.0.0.1.
#   limits: both programs start 19 idle children (a tree of 20 processes), and the watched one
#           has memory, CPU and handle limits it never reaches, so its tree is sampled every 2 s.
#
#   bash scripts/bench-health.sh [SECONDS] [health|limits]     (default 300 health)
set -euo pipefail
root=$(cd "$(dirname "$0")/.." && pwd)
cd "$root"
seconds=${1:-300}
kind=${2:-health}
case "$kind" in health|limits) ;; *) echo "usage: bench-health.sh [SECONDS] [health|limits]" >&2; exit 2;; esac
cmake --preset windows >/dev/null
cmake --build --preset windows --target VelmoraExample >/dev/null
cmake --preset windows-release >/dev/null
cmake --build --preset windows-release --target Velmora >/dev/null
. scripts/bench-common.sh
bench_prepare windows-release "$root/build/bench-health" VelmoraExample.exe
work="$root/build/bench-health/work"
rm -rf "$work" && mkdir -p "$work"
cp "$bin/Velmora.dtd" "$work/"
# The endpoint answers 200 to every GET, for at most the period and a minute more.
python3 - "$work/port" "$((seconds + 60))" <<'PY' &
import http.server, sys, threading
class H(http.server.BaseHTTPRequestHandler):
    def log_message(self, *a): pass
    def do_GET(self):
        self.send_response(200); self.send_header("Content-Length", "0"); self.end_headers()
s = http.server.ThreadingHTTPServer(("127.0.0.1", 0), H)
open(sys.argv[1], "w").write(str(s.server_address[1]))
threading.Timer(float(sys.argv[2]), s.shutdown).start()
s.serve_forever()
PY
endpoint=$!
for _ in $(seq 100); do [ -s "$work/port" ] && break; sleep 0.1; done
port=$(cat "$work/port")
define() {  # name, watching elements
  cat > "$work/$1.xml" <<XML
<?xml version="1.0" encoding="UTF-8" standalone="no" ?>
<!DOCTYPE Service SYSTEM "Velmora.dtd">
<Service>
 <Program><Name>$1</Name><DisplayName>$1</DisplayName><WorkingDir>Z:$work</WorkingDir>
  <Executable>Z:$bin/VelmoraExample.exe</Executable><Parameters>--quiet $program $1</Parameters></Program>
 <Options><StartUpMode>0</StartUpMode></Options>$2
</Service>
XML
  (cd "$bin" && "$VELMORA_WINE" Velmora.exe -i "Z:$work/$1.xml" >/dev/null && "$VELMORA_WINE" Velmora.exe -start "$1" >/dev/null)
}
if [ "$kind" = health ]; then
  program=""
  watch="<Health><LiveCheck>http://127.0.0.1:$port/health</LiveCheck><LiveInterval>1000</LiveInterval><LiveTimeout>500</LiveTimeout></Health>"
  watched="with an HTTP liveness check every second"
else
  program="--children 19"
  watch="<Limits><MemoryLimit>100000</MemoryLimit><CpuLimit>100</CpuLimit><HandleLimit>1000000</HandleLimit></Limits>"
  watched="sampling a tree of 20 processes every 2 s"
fi
define vlbenchplain ""
define vlbenchcheck "$watch"
winbin=$(printf '%s' "$bin" | tr '/' '\\')
hostOf() {  # N -> Unix pid of the Nth host started (Wine keeps no Unix parenthood to tell them by)
  for p in /proc/[0-9]*; do
    if [ "$({ tr '\0' ' ' <"$p/cmdline"; } 2>/dev/null | sed 's/ *$//')" = "Z:$winbin\\Velmora.exe -s" ]; then
      echo "${p#/proc/}"
    fi
  done | sort -n | sed -n "$1p"
}
plain=$(hostOf 1)
checked=$(hostOf 2)
[ -n "$plain" ] && [ -n "$checked" ] || { echo "the two hosts are not found" >&2; exit 1; }
ticks() { awk '{print $14 + $15}' "/proc/$1/stat"; }
hz=$(getconf CLK_TCK)
p0=$(ticks "$plain"); c0=$(ticks "$checked")
pm0=$(private_kb "$plain"); cm0=$(private_kb "$checked")
sleep "$seconds"
p1=$(ticks "$plain"); c1=$(ticks "$checked")
pm1=$(private_kb "$plain"); cm1=$(private_kb "$checked")
cpu() { awk -v t="$1" -v hz="$hz" -v s="$seconds" 'BEGIN {printf "%.2f", 100 * t / hz / s}'; }
echo "over $seconds s: host $watched: CPU $(cpu $((c1 - c0))) % of one core," \
     "private memory $cm0 kB -> $cm1 kB; the same service unwatched: CPU $(cpu $((p1 - p0))) %," \
     "private memory $pm0 kB -> $pm1 kB"
(cd "$bin" && for s in vlbenchplain vlbenchcheck; do "$VELMORA_WINE" Velmora.exe -stop $s >/dev/null || true;
  "$VELMORA_WINE" Velmora.exe -u $s >/dev/null || true; done)
kill "$endpoint" 2>/dev/null || true
