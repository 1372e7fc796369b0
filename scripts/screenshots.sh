#!/usr/bin/env bash
# Pictures of the service manager for people to look at: lays the product out in a fresh Wine
# prefix on its own Xvfb display, installs a few services through Velmora.exe -i, starts
# VelmoraUI.exe on a virtual desktop and saves PNGs of its windows.
#   screenshots.sh [BUILD_DIR [OUT_DIR]]   (defaults: build/windows, build/screenshots)
# VELMORA_DPI=144 draws them at 150 % (96 is 100 %), to see that no control is cut.
set -euo pipefail
root=$(cd "$(dirname "$0")/.." && pwd)
build=$(cd "${1:-$root/build/windows}" && pwd)
out=${2:-$root/build/screenshots}
bin=$build/bin
run=$build/screenshots-run
for f in VelmoraUI.exe Velmora.exe Quillon.dll velmora_screenshot_driver.exe; do
  [ -f "$bin/$f" ] || { echo "screenshots: $bin/$f missing; build the windows preset first" >&2; exit 1; }
done
mkdir -p "$run" "$out"

"$root/tests/wine/wine-setup.sh" "$run" >/dev/null
trap '"$root/tests/wine/wine-teardown.sh" "$run"' EXIT
. "$root/tests/wine/wine-env.sh" "$run"
bash "$root/scripts/layout.sh" "$bin" "$run" >/dev/null
if [ -n "${VELMORA_DPI:-}" ]; then
  "$VELMORA_WINE" reg add 'HKCU\Control Panel\Desktop' /v LogPixels /t REG_DWORD /d "$VELMORA_DPI" /f >/dev/null
fi

wine() { "$VELMORA_WINE" "$@"; }
driver() { wine "$bin/velmora_screenshot_driver.exe" "$@"; }
main=$(driver title | tr -d '\r')

# A handful of realistic definitions: name, display name, start-up mode (0 manual, 1 automatic).
defs="$WINEPREFIX/drive_c/velmora-definitions"
mkdir -p "$defs"
cp "$bin/Velmora.dtd" "$defs/"
while IFS='|' read -r name display mode description; do
  # The one started runs the example program with its console hidden and its output kept, so
  # that nothing covers the manager and View Output has a file to show.
  exe='C:\\windows\\system32\\notepad.exe' extra=''
  if [ "$name" = mailrelay ]; then
    exe='C:\\Program Files\\Velmora\\examples\\VelmoraExample.exe'
    extra=' <Output>
  <OutputLocation>C:\velmora-definitions\mailrelay.log</OutputLocation>
 </Output>'
  fi
  cat >"$defs/$name.xml" <<XML
<?xml version="1.0" encoding="UTF-8" standalone="no" ?>
<!DOCTYPE Service SYSTEM "Velmora.dtd">
<Service>
 <Program>
  <Name>$name</Name>
  <DisplayName>$display</DisplayName>
  <Description>$description</Description>
  <WorkingDir>C:\\windows\\system32</WorkingDir>
  <Executable>$exe</Executable>
 </Program>
 <Options>
  <StartUpMode>$mode</StartUpMode>
  <ShowWindow>1</ShowWindow>
 </Options>
$extra
</Service>
XML
  wine 'C:\Program Files\Velmora\Velmora.exe' -i "C:\\velmora-definitions\\$name.xml" >/dev/null
done <<'LIST'
archivesync|Archive Sync|0|Copies finished reports to the archive share
mailrelay|Mail Relay|1|Forwards outgoing mail to the company relay
orderfeed|Order Feed Listener|1|Receives orders from the shop front
reportqueue|Report Queue|0|Renders queued reports overnight
zakazy|Приём заказов|0|Принимает заказы из филиалов
LIST
# One running service, so that the list shows a program's run figures.
wine 'C:\Program Files\Velmora\Velmora.exe' -start mailrelay >/dev/null

wine explorer /desktop=velmora,1024x768 'C:\Program Files\Velmora\VelmoraUI.exe' >/dev/null 2>&1 &
driver wait "$main" || { import -window root "$out/failed-start.png"; exit 1; }

# shot NAME CAPTION: the window with that caption, cut out of the screen.
shot() {
  sleep 1.5
  local frame
  frame=$(driver rect "$2" | tr -d '\r')
  import -window root "$run/screen.png"
  convert "$run/screen.png" -crop "$frame" +repage "$out/$1.png"
  echo "screenshots: $out/$1.png"
}

driver row "$main" IDC_SERVICE_LIST 0  # select the first service
sleep 2  # the run figures are read every 2 s; the CPU share needs two reads
shot main-window-filtered "$main"
driver click "$main" IDC_OWN_ONLY
shot main-window-all-services "$main"
driver click "$main" IDC_OWN_ONLY

driver command "$main" ID_HELP_ABOUT
driver wait 'About Velmora'
shot about-box 'About Velmora'
driver command 'About Velmora' IDC_ABOUT_DETAILS
driver wait 'Velmora Support Details'
shot support-details 'Velmora Support Details'
driver command 'Velmora Support Details' IDOK
driver command 'About Velmora' IDOK

# A remove that the host refuses: the selected service disappears before Remove runs.
driver delete archivesync
driver command "$main" IDC_REMOVE
driver wait 'Velmora Installer Result'
shot installer-result 'Velmora Installer Result'
driver command 'Velmora Installer Result' IDC_RESULT_DETAILS
driver wait 'Velmora Installer Result Details'
shot installer-result-details 'Velmora Installer Result Details'
driver command 'Velmora Installer Result Details' IDOK
driver command 'Velmora Installer Result' IDOK
driver command "$main" IDOK
