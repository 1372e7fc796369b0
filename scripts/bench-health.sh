#!/usr/bin/env bash
# The cost of a liveness check: two services of the release build in one run and a fresh prefix,
# each running an idle example program, one checked over HTTP every second against an endpoint
# on 127.0.0.1, the other without checks. Gives each host's CPU (percent of one core) and private
# memory at the start and the end of the period, side by side. Not a test.
#
#   bash scripts/bench-health.sh [SECONDS]     (default 300)
set -euo pipefail
root=$(cd "$(dirname "$0")/.." && pwd)
cd "$root"
seconds=${1:-300}
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
define() {  # name, health element
  cat > "$work/$1.xml" <<XML
<?xml version="1.0" encoding="UTF-8" standalone="no" ?>
<!DOCTYPE Service SYSTEM "Velmora.dtd">
<Service>
 <Program><Name>$1</Name><DisplayName>$1</DisplayName><WorkingDir>Z:$work</WorkingDir>
  <Executable>Z:$bin/VelmoraExample.exe</Executable><Parameters>--quiet $1</Parameters></Program>
 <Options><StartUpMode>0</StartUpMode></Options>$2
</Service>
XML
  (cd "$bin" && "$VELMORA_WINE" Velmora.exe -i "Z:$work/$1.xml" >/dev/null && "$VELMORA_WINE" Velmora.exe -start "$1" >/dev/null)
}
define vlbenchplain ""
define vlbenchcheck "<Health><LiveCheck>http://127.0.0.1:$port/health</LiveCheck><LiveInterval>1000</LiveInterval><LiveTimeout>500</LiveTimeout></Health>"
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
echo "over $seconds s: host with an HTTP liveness check every second: CPU $(cpu $((c1 - c0))) % of one core," \
     "private memory $cm0 kB -> $cm1 kB; the same service without checks: CPU $(cpu $((p1 - p0))) %," \
     "private memory $pm0 kB -> $pm1 kB"
(cd "$bin" && for s in vlbenchplain vlbenchcheck; do "$VELMORA_WINE" Velmora.exe -stop $s >/dev/null || true;
  "$VELMORA_WINE" Velmora.exe -u $s >/dev/null || true; done)
kill "$endpoint" 2>/dev/null || true
