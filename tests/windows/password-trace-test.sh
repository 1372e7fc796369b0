#!/usr/bin/env bash
# A user account's password reaches the service database and nothing else. Wine's own trace of
# the service calls shows what the database was handed; the host's output must not show it.
# Usage: password-trace-test.sh BUILD_DIR
set -euo pipefail
build=$1
. "$(dirname "$0")/../wine/wine-env.sh" "$build"
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
bin="$build/bin"
cp "$bin/VelmoraExample.exe" "$work/"
user=$(WINEDEBUG=-all "$VELMORA_WINE" cmd /c 'echo %USERNAME%' | tr -d '\r')
definition() {
  cat > "$work/service.xml" <<XML
<?xml version="1.0" encoding="UTF-8" standalone="no" ?>
<!DOCTYPE Service SYSTEM "Velmora.dtd">
<Service>
 <Program>
  <Name>vlpasstrace</Name>
  <DisplayName>Password trace</DisplayName>
  <WorkingDir>Z:$work</WorkingDir>
  <Executable>Z:$work/VelmoraExample.exe</Executable>
 </Program>
 <Options><InteractWithDesktop>false</InteractWithDesktop><Account>$1</Account></Options>
</Service>
XML
}
cp "$bin/Velmora.dtd" "$work/"
password="Pw-trace-$$-x"
cd "$bin"
definition LocalService
"$VELMORA_WINE" Velmora.exe -i "Z:$work/service.xml" > "$work/install.txt"
# Changing the account to a user account asks for the password; the script pipes it in.
definition ".\\$user"
printf '%s\r\n' "$password" | WINEDEBUG=+service "$VELMORA_WINE" Velmora.exe -update "Z:$work/service.xml" \
  > "$work/update.txt" 2> "$work/trace.txt" || true
"$VELMORA_WINE" Velmora.exe -u vlpasstrace > /dev/null || true
status=0
grep -q "ChangeServiceConfigW .*L\"\.\\\\\\\\$user\" L\"$password\"" "$work/trace.txt" ||
  { echo "the service database was not handed the password:"; grep ChangeServiceConfigW "$work/trace.txt"; status=1; }
grep -q "was updated" "$work/update.txt" || { echo "update failed:"; cat "$work/update.txt"; status=1; }
if grep -q -- "$password" "$work/install.txt" "$work/update.txt"; then echo "the password was printed"; status=1; fi
[ $status -eq 0 ] && echo "the password reached the service database only"
exit $status
