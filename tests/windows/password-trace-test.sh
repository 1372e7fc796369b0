#!/usr/bin/env bash
# A user account's password reaches the service database and nothing else. Wine's own trace of
# the service calls shows what the database was handed; the host's output must not show it.
# -password hands over a new one and changes nothing else; it is in no file afterwards.
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
status=0
refused=$(printf 'x\r\n' | "$VELMORA_WINE" Velmora.exe -password vlpasstrace 2>&1) && status=1
[[ "$refused" == *"logs on as NT AUTHORITY\LocalService, which has no password; nothing was changed."* ]] ||
  { echo "-password of an account without one was not refused: $refused"; status=1; }
# Changing the account to a user account asks for the password; the script pipes it in.
definition ".\\$user"
printf '%s\r\n' "$password" | WINEDEBUG=+service "$VELMORA_WINE" Velmora.exe -update "Z:$work/service.xml" \
  > "$work/update.txt" 2> "$work/trace.txt" || true
key='HKLM\SYSTEM\CurrentControlSet\Services\vlpasstrace'
entry=$("$VELMORA_WINE" reg query "$key")
newPassword="Pw-change-$$-q7"
# The trace stays in this shell: the new password must reach no file.
changeTrace=$(printf '%s\r\n' "$newPassword" | WINEDEBUG=+service "$VELMORA_WINE" Velmora.exe -password VLPASSTRACE \
  2>&1 > "$work/password.txt") || true
grep -q "ChangeServiceConfigW .*(null) L\"$newPassword\"" <<< "$changeTrace" ||
  { echo "-password did not hand the service database the password alone:"; grep ChangeServiceConfigW <<< "$changeTrace"; status=1; }
grep -qF "The password of the service 'vlpasstrace' (account .\\$user) was changed; it takes effect at the next start." \
  "$work/password.txt" || { echo "-password failed:"; cat "$work/password.txt"; status=1; }
[ "$("$VELMORA_WINE" reg query "$key")" = "$entry" ] || { echo "-password changed the service entry"; status=1; }
grep -qF ".\\$user" <<< "$entry" || { echo "the entry does not log on as .\\$user: $entry"; status=1; }
# Once the server has saved the registry (a value written now is in system.reg), no file holds it.
mark="saved-$$-$RANDOM"
"$VELMORA_WINE" reg add 'HKLM\Software\VelmoraPasswordTest' /v Mark /d "$mark" /f > /dev/null
for _ in $(seq 900); do grep -q "$mark" "$WINEPREFIX/system.reg" && break; sleep 0.1; done
grep -q "$mark" "$WINEPREFIX/system.reg" || { echo "the registry was not saved within 90 s"; status=1; }
"$VELMORA_WINE" reg delete 'HKLM\Software\VelmoraPasswordTest' /f > /dev/null
if grep -rlF -- "$newPassword" "$WINEPREFIX" "$work"; then echo "the new password is in the files above"; status=1; fi
"$VELMORA_WINE" Velmora.exe -u vlpasstrace > /dev/null || true
grep -q "ChangeServiceConfigW .*L\"\.\\\\\\\\$user\" L\"$password\"" "$work/trace.txt" ||
  { echo "the service database was not handed the password:"; grep ChangeServiceConfigW "$work/trace.txt"; status=1; }
grep -q "was updated" "$work/update.txt" || { echo "update failed:"; cat "$work/update.txt"; status=1; }
if grep -q -- "$password" "$work/install.txt" "$work/update.txt"; then echo "the password was printed"; status=1; fi
[ $status -eq 0 ] && echo "the password reached the service database only"
exit $status
