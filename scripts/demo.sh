#!/usr/bin/env bash
# The product at work: sets everything up, builds, lays the product out in a fresh Wine prefix,
# installs the example service with Velmora.exe -i and shows what Windows' own tools report.
set -euo pipefail
root=$(cd "$(dirname "$0")/.." && pwd)
cd "$root"
bash scripts/setup.sh
cmake --preset windows >/dev/null
cmake --build --preset windows >/dev/null
echo "== build ready"

run="$root/build/demo"
mkdir -p "$run"
sh tests/wine/wine-setup.sh "$run"
trap 'sh "$root/tests/wine/wine-teardown.sh" "$run"' EXIT
bash scripts/layout.sh build/windows/bin "$run"
. tests/wine/wine-env.sh "$run"
install="$WINEPREFIX/drive_c/Program Files/Velmora"
wine_() { (cd "$install" && "$VELMORA_WINE" "$@"); }
service=VelmoraExample
definition='C:\Program Files\Velmora\examples\example-service.xml'

echo
echo "== Velmora.exe -v"
wine_ Velmora.exe -v
echo
echo "== Velmora.exe -i $definition"
wine_ Velmora.exe -i "$definition"
echo
echo "== sc.exe query $service"
wine_ sc.exe query "$service"
echo
# Wine's sc.exe has no 'qc'; the service manager keeps each entry's configuration under the
# service's registry key, which reg.exe lists. (Wine's reg.exe prints leftover text for a text
# value of length 0, such as an empty PreServiceExe; the value itself is empty.)
echo "== reg.exe query HKLM\\SYSTEM\\CurrentControlSet\\Services\\$service /s"
wine_ reg.exe query "HKLM\\SYSTEM\\CurrentControlSet\\Services\\$service" /s
