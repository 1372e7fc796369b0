#!/usr/bin/env bash
# The product at work, on a machine that has never seen it: sets everything up, builds, installs
# Velmora with its setup program in a fresh Wine prefix, installs the example service, starts it,
# shows it running and what the example program saw, stops and removes it, and saves pictures of
# the service manager listing it and of the editor open on it.
set -euo pipefail
root=$(cd "$(dirname "$0")/.." && pwd)
cd "$root"
bash scripts/setup.sh
# The release build is what gets installed; the development build supplies the screenshot driver.
for preset in windows-release windows; do
  cmake --preset "$preset" >/dev/null
  cmake --build --preset "$preset" >/dev/null
done
bin="$root/build/windows/bin"
setup="$root/build/windows-release/VelmoraSetup.exe"
echo "== built $setup"

run="$root/build/demo"
shots="$root/build/demo/screenshots"
rm -rf "$run"
mkdir -p "$run" "$shots"
sh tests/wine/wine-setup.sh "$run"
trap 'sh "$root/tests/wine/wine-teardown.sh" "$run"' EXIT
. tests/wine/wine-env.sh "$run"
install="$WINEPREFIX/drive_c/Program Files/Velmora"
in_install() { (cd "$install" && "$VELMORA_WINE" "$@"); }
step() { echo; echo "== $*"; }
# wait_state STATE: up to 30 s for the service to reach it, then show what sc.exe reports.
wait_state() {
  for _ in $(seq 1 60); do
    in_install sc.exe query "$service" | grep -q "$1" && break
    sleep 0.5
  done
  in_install sc.exe query "$service"
}
service=VelmoraExample
definition='C:\Program Files\Velmora\examples\example-service.xml'

step "VelmoraSetup.exe /S   (silent install)"
"$VELMORA_WINE" "$setup" /S
ls "$install"
"$VELMORA_WINE" reg.exe query 'HKLM\SOFTWARE\Marrowfield\Velmora\v1.5'

step "Velmora.exe -v"
in_install Velmora.exe -v

step "Velmora.exe -i $definition"
in_install Velmora.exe -i "$definition"

step "sc.exe query $service"
in_install sc.exe query "$service"
# Wine's sc.exe has no 'qc'; the service manager keeps each entry's configuration under the
# service's registry key, which reg.exe lists. (Wine's reg.exe prints leftover text for a text
# value of length 0, such as an empty PreServiceExe; the value itself is empty.)
step "reg.exe query HKLM\\SYSTEM\\CurrentControlSet\\Services\\$service /s"
in_install reg.exe query "HKLM\\SYSTEM\\CurrentControlSet\\Services\\$service" /s

step "sc.exe start $service"
in_install sc.exe start "$service" >/dev/null
wait_state RUNNING
record="$install/examples/example-record.txt"
for _ in $(seq 1 40); do grep -q ready "$record" 2>/dev/null && break; sleep 0.5; done
step "what the example program recorded (examples/example-record.txt)"
grep -v '^env=' "$record" | sed 's/^/    /'
echo "    (environment, the definition's variable:)"
grep '^env=VELMORA_EXAMPLE' "$record" | sed 's/^/    /' || true

# What a script or an administrator's shell sees.
step "Velmora.exe -list"
in_install Velmora.exe -list
step "Velmora.exe -status \"$service\"   (exit code 0: running)"
in_install Velmora.exe -status "$service"
step "Velmora.exe -export \"$service\"   (the definition read back from the installed service)"
in_install Velmora.exe -export "$service"

# Pictures: the service manager listing the running service, and the editor open on it.
driver() { "$VELMORA_WINE" "$bin/velmora_screenshot_driver.exe" "$@"; }
main=$(driver title | tr -d '\r')
shot() {
  sleep 1.5
  local frame
  frame=$(driver rect "$2" | tr -d '\r')
  import -window root "$run/screen.png"
  convert "$run/screen.png" -crop "$frame" +repage "$shots/$1.png"
}
(cd "$install" && "$VELMORA_WINE" explorer /desktop=velmora,1024x768 'C:\Program Files\Velmora\VelmoraUI.exe' \
  >/dev/null 2>&1 &)
if driver wait "$main"; then
  driver row "$main" IDC_SERVICE_LIST 0
  shot manager-with-example "$main"
  driver command "$main" IDC_EDIT
  if driver wait 'Edit Service Definition'; then
    shot editor-on-example 'Edit Service Definition'
    driver command 'Edit Service Definition' IDCANCEL
  fi
  driver command "$main" IDOK
else
  echo "(the service manager did not open; no pictures)"
fi

step "sc.exe stop $service"
in_install sc.exe stop "$service" >/dev/null
wait_state STOPPED
step "the host's debug log (examples/example-service.log)"
sed 's/^/    /' "$install/examples/example-service.log" | tail -12

step "Velmora.exe -u \"$service\""
in_install Velmora.exe -u "$service"

step "pictures"
ls "$shots"/*.png 2>/dev/null | sed 's/^/    /'
