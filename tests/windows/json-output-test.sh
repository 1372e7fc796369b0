#!/usr/bin/env bash
# -list -json and -status -json parse with a real JSON parser and carry the documented fields;
# a display name and description with quotes, backslashes, a tab and Cyrillic come back exactly.
# Usage: json-output-test.sh BUILD_DIR
set -euo pipefail
build=$1
. "$(dirname "$0")/../wine/wine-env.sh" "$build"
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
bin="$build/bin"
cp "$bin/Velmora.dtd" "$work/"
cat > "$work/service.xml" <<XML
<?xml version="1.0" encoding="UTF-8" standalone="no" ?>
<!DOCTYPE Service SYSTEM "Velmora.dtd">
<Service>
 <Program>
  <Name>vljson</Name>
  <DisplayName>Say "hi" C:\\x&#9;Привет</DisplayName>
  <Description>Back\\slash "quoted"&#9;Описание</Description>
  <WorkingDir>Z:$work</WorkingDir>
  <Executable>Z:$bin/VelmoraExample.exe</Executable>
 </Program>
 <Options><StartUpMode>0</StartUpMode></Options>
</Service>
XML
cd "$bin"
"$VELMORA_WINE" Velmora.exe -i "Z:$work/service.xml" > "$work/install.txt" || { cat "$work/install.txt"; exit 1; }
status=0
"$VELMORA_WINE" Velmora.exe -list -json > "$work/list.json" || status=1
"$VELMORA_WINE" Velmora.exe -status VLJSON -json > "$work/status.json" || [ $? -eq 3 ] || status=1
"$VELMORA_WINE" Velmora.exe -u vljson > /dev/null || true
python3 - "$work/list.json" "$work/status.json" <<'PY' || status=1
import json, sys
fields = {"name", "displayName", "description", "state", "startType", "pid", "win32ExitCode",
          "serviceExitCode", "exitText", "account", "stoppedAfterFailure"}
listed = json.load(open(sys.argv[1], encoding="utf-8"))
status = json.load(open(sys.argv[2], encoding="utf-8"))
assert isinstance(listed, list), listed
mine = [s for s in listed if s["name"] == "vljson"]
assert len(mine) == 1, listed
# -status adds what the host publishes: nothing yet for a service that never ran.
published = ("ready", "health", "healthDetail", "memoryMB", "cpuPercent", "handles", "nextScheduledRestart")
assert all(status.pop(key) is None for key in published), status
# Both add the program's run: no run yet, no restart, nothing lost.
run = ("programPid", "startedAt", "runMs", "lastExitCode", "lastExitText", "lastExitAt", "lastRestartReason")
counts = ("restarts", "restartsInPeriod", "outputBytesLost")
for service in mine + [status]:
    assert all(service.pop(key) is None for key in run), service
    assert all(service.pop(key) == 0 for key in counts), service
for service in mine + [status]:
    assert set(service) == fields, sorted(service)
    assert service["name"] == "vljson", service
    assert service["displayName"] == 'Velmora Service: Say "hi" C:\\x\tПривет', service["displayName"]
    assert service["description"] == 'Back\\slash "quoted"\tОписание', service["description"]
    assert service["state"] == "Stopped" and service["startType"] == "Manual", service
    assert service["pid"] == 0 and service["stoppedAfterFailure"] is False, service
    assert service["account"] == "LocalSystem", service
    assert isinstance(service["win32ExitCode"], int) and isinstance(service["exitText"], str), service
print("the JSON parses and carries every field")
PY
exit $status
