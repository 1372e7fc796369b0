#!/usr/bin/env bash
# Stages what ships, as it is installed, into a fresh folder and signs every program and DLL in it
# when the build signs: stage.sh BIN_DIR SOURCE_DIR OUT_DIR PFX. The setup program, the MSI and the
# portable ZIP all take their files from there. The example definition names the default folder;
# the setup program writes its own from the template with the folder chosen.
set -euo pipefail
bin=$1
source=$2
out=$3
pfx=$4
rm -rf "$out"
mkdir -p "$out/examples"
for f in Quillon.dll Velmora.exe VelmoraUI.exe Velmora.dtd libstdc++-6.dll libgcc_s_seh-1.dll libwinpthread-1.dll; do
  cp "$bin/$f" "$out/$f"
done
cp "$bin/VelmoraExample.exe" "$out/examples/"
cp "$source"/examples/*.xml "$out/examples/"
sed 's|@INSTALLDIR@|C:\\Program Files\\Velmora|g' "$source/examples/example-service.xml.in" >"$out/examples/example-service.xml"
bash "$(dirname "$0")/sign.sh" "$pfx" "$out"/*.exe "$out"/*.dll "$out"/examples/*.exe
