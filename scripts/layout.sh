#!/usr/bin/env bash
# Lays the product out as an installation inside a Wine prefix, the way the installer will:
#   layout.sh BIN_DIR RUN_DIR [INSTALL_DIR]
# BIN_DIR holds the Windows build's programs; RUN_DIR is a folder whose wineprefix/ (made by
# tests/wine/wine-setup.sh) receives the installation; INSTALL_DIR is its Windows path (default
# "C:\Program Files\Velmora"). Writes InstallationDir under the product key.
set -euo pipefail
root=$(cd "$(dirname "$0")/.." && pwd)
bin=$(cd "$1" && pwd)
run=$(cd "$2" && pwd)
installWin=${3:-'C:\Program Files\Velmora'}
. "$root/tests/wine/wine-env.sh" "$run"

case "$installWin" in
  [Cc]:\\*) installUnix="$WINEPREFIX/drive_c/$(printf '%s' "${installWin:3}" | tr '\\' '/')" ;;
  *) echo "layout: the installation folder must be on drive C:" >&2; exit 1 ;;
esac
mkdir -p "$installUnix/examples"

for f in Quillon.dll Velmora.exe VelmoraUI.exe Velmora.dtd libstdc++-6.dll libgcc_s_seh-1.dll libwinpthread-1.dll; do
  [ -f "$bin/$f" ] && cp "$bin/$f" "$installUnix/"
done
[ -f "$bin/VelmoraExample.exe" ] && cp "$bin/VelmoraExample.exe" "$installUnix/examples/"
cp "$root"/examples/*.xml "$installUnix/examples/"
for template in "$root"/examples/*.xml.in; do
  [ -f "$template" ] || continue
  out="$installUnix/examples/$(basename "${template%.in}")"
  # Backslashes of the Windows path are doubled for sed's replacement text.
  sed "s|@INSTALLDIR@|$(printf '%s' "$installWin" | sed 's/\\/\\\\/g')|g" "$template" >"$out"
done

"$VELMORA_WINE" reg.exe add 'HKLM\SOFTWARE\Marrowfield\Velmora\v1.5' /v InstallationDir /t REG_SZ \
  /d "$installWin" /f >/dev/null
echo "layout: installed into $installWin ($installUnix)"
