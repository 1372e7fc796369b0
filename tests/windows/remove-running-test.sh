#!/usr/bin/env bash
# -u of a running service stops it and waits until the entry is gone, so an install of the same
# name right after succeeds; -u of a service that does not stop removes nothing.
# Usage: remove-running-test.sh BUILD_DIR
set -euo pipefail
build=$1
. "$(dirname "$0")/../wine/wine-env.sh" "$build"
work=$(mktemp -d)
bin="$build/bin"
velmora() { "$VELMORA_WINE" "$bin/Velmora.exe" "$@" 2> /dev/null; }
trap 'rm -f "$work/host/hold-stop"; velmora -u vlremoverun > /dev/null || true; velmora -u vlremovehold > /dev/null || true
      rm -rf "$work"' EXIT
definition() {  # NAME FOLDER
  sed "s|@NAME@|$1|g; s|@WORK@|Z:$work|; s|@PROGRAM@|Z:$bin/VelmoraExample.exe|" > "$2/$1.xml" <<'XML'
<?xml version="1.0" encoding="UTF-8" standalone="no" ?>
<!DOCTYPE Service SYSTEM "Velmora.dtd">
<Service><Program><Name>@NAME@</Name><DisplayName>Removal test @NAME@</DisplayName><WorkingDir>@WORK@</WorkingDir>
<Executable>@PROGRAM@</Executable></Program><Options><StartUpMode>0</StartUpMode></Options></Service>
XML
}
wait_state() {  # NAME STATE, polled for at most 30 s
  for _ in $(seq 300); do "$VELMORA_WINE" sc query "$1" | grep -q "STATE.*$2" && return 0; sleep 0.1; done
  echo "the service $1 did not reach $2"; return 1
}
status=0
fail() { echo "$*: $(cat "$work/out.txt")"; status=1; }

cp "$bin/Velmora.dtd" "$work/"
definition vlremoverun "$work"
velmora -i "Z:$work/vlremoverun.xml" > "$work/out.txt" && velmora -start vlremoverun > "$work/out.txt" || fail "no start"
velmora -u vlremoverun > "$work/out.txt" && grep -q "The service 'vlremoverun' is stopped." "$work/out.txt" ||
  fail "-u did not stop the running service"
velmora -i "Z:$work/vlremoverun.xml" > "$work/out.txt" || fail "an install right after -u failed"

# A host folder whose Velmora.exe, once the service is installed, is the test service: it holds
# its stop pending while hold-stop is beside it.
mkdir "$work/host"
cp "$bin/Velmora.exe" "$bin/Velmora.dtd" "$bin"/*.dll "$work/host/"
definition vlremovehold "$work/host"
"$VELMORA_WINE" "$work/host/Velmora.exe" -i "Z:$work/host/vlremovehold.xml" > "$work/out.txt" || fail "no install"
cp "$bin/velmora_test_service.exe" "$work/host/Velmora.exe"
# Without /s: Wine's reg.exe faults on the empty strings of Parameters, which -export shows.
entry() { "$VELMORA_WINE" reg query 'HKLM\SYSTEM\CurrentControlSet\Services\vlremovehold'; velmora -export vlremovehold; }
before=$(entry)
touch "$work/host/hold-stop"
"$VELMORA_WINE" sc start vlremovehold > /dev/null && wait_state vlremovehold RUNNING || status=1
code=0
velmora -u vlremovehold > "$work/out.txt" || code=$?
[ $code -eq 1 ] && grep -q "The service 'vlremovehold' did not stop; nothing was removed." "$work/out.txt" ||
  fail "-u of a service that does not stop exited with $code"
[ "$(entry)" = "$before" ] || fail "-u changed a service that did not stop"
rm "$work/host/hold-stop"
wait_state vlremovehold STOPPED || status=1
[ $status -eq 0 ] && echo "-u stops a running service first, and removes nothing when it does not stop"
exit $status
