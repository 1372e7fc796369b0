#!/usr/bin/env bash
# What the release ships, deployed under Wine: signed with a throwaway certificate and verified;
# the package manifests against the files they name; the MSI installed silently, upgraded in place
# by a higher version while a service of it runs, and refusing removal while the service exists;
# the setup program upgrading over itself while the service runs; the portable ZIP at work.
# deploy-test.sh BUILD_DIR RELEASE_BUILD_DIR (the windows-release build with its release/ output)
set -u
build=$1
release=$2
here=$(cd "$(dirname "$0")" && pwd)
installer=$here/../../installer
. "$here/../wine/wine-env.sh" "$build"
. "$here/../wine/checks.sh"
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
version=$(sed -n 's/^project(Velmora VERSION \([0-9.]*\).*/\1/p' "$here/../../CMakeLists.txt")
msi=$release/release/Velmora-$version.msi
zip=$release/release/Velmora-$version-portable.zip
if [ ! -f "$msi" ] || [ ! -f "$zip" ]; then
  echo "FAILED: no MSI or ZIP in $release/release (build the windows-release preset first)"
  exit 1
fi
drive=$WINEPREFIX/drive_c
in_dir() { (cd "$1" && shift && "$VELMORA_WINE" "$@"); }
# The file version of a PE file, from its fixed version record.
file_version() {
  python3 -c 'import struct, sys
d = open(sys.argv[1], "rb").read(); at = d.find(struct.pack("<I", 0xFEEF04BD))
ms, ls = struct.unpack_from("<2I", d, at + 8); print(ms >> 16, ms & 0xFFFF, ls >> 16, ls & 0xFFFF, sep=".")' "$1"
}
pid_of() { in_dir "$2" Velmora.exe -list -t | tr -d '\r' | awk -F'\t' -v n="$1" '$1 == n {print $4}'; }  # pid_of NAME FOLDER
definition() {  # definition NAME FOLDER: a service running the example program of that Windows folder
  printf '<?xml version="1.0" encoding="UTF-8" standalone="no" ?>\n<!DOCTYPE Service SYSTEM "Velmora.dtd">
<Service><Program><Name>%s</Name><DisplayName>%s</DisplayName><WorkingDir>%s\\examples</WorkingDir>
<Executable>%s\\examples\\VelmoraExample.exe</Executable></Program></Service>\n' "$1" "$1" "$2" "$2" >"$work/$1.xml"
}

# Signing: the release files staged again and signed with a throwaway certificate, as a build
# configured with VELMORA_SIGN_PFX signs them, then every signature verified.
openssl req -x509 -newkey rsa:2048 -nodes -days 2 -subj "/CN=Velmora test signing" -keyout "$work/key.pem" \
  -out "$work/cert.pem" >/dev/null 2>&1
export VELMORA_SIGN_PASSWORD=throwaway
openssl pkcs12 -export -inkey "$work/key.pem" -in "$work/cert.pem" -passout env:VELMORA_SIGN_PASSWORD \
  -out "$work/test.pfx"
signed=$work/Velmora-$version
bash "$installer/stage.sh" "$release/bin" "$here/../.." "$signed" "$work/test.pfx"
bash "$installer/msi.sh" "$signed" "$installer/Velmora.wxs" "$version" 0D7E3C1A-0000-4000-8000-00000000A001 "$work/v1.msi"
bash "$installer/sign.sh" "$work/test.pfx" "$work/v1.msi"
makensis -V1 -DBIN="$signed" -DSOURCE="$here/../.." -DOUTFILE="$work/setup.exe" -DVERSION="$version" \
  -DSIGN="bash '$installer/sign.sh' '$work/test.pfx'" "$installer/Velmora.nsi"
verify() { osslsigncode verify -CAfile "$work/cert.pem" -in "$1" | grep -q "^Signature verification: ok"; }
for f in "$signed"/*.exe "$signed"/*.dll "$signed"/examples/*.exe "$work/v1.msi" "$work/setup.exe"; do
  check "signature of $(basename "$f") verifies" verify "$f"
done
check "an unsigned file does not verify" sh -c "! osslsigncode verify -CAfile '$work/cert.pem' -in '$release/bin/Velmora.exe'"

# The manifests name this version and the files' real hashes.
check "the manifests parse and match the MSI and the ZIP" python3 - "$release/release" "$version" <<'PY'
import hashlib, json, sys, xml.etree.ElementTree as ET, yaml
out, version = sys.argv[1], sys.argv[2]
sha = lambda p: hashlib.sha256(open(f"{out}/{p}", "rb").read()).hexdigest().upper()
m = f"{out}/manifests"
winget = [yaml.safe_load(open(f"{m}/winget/Marrowfield.Velmora{s}.yaml")) for s in ("", ".installer", ".locale.en-US")]
assert all(w["PackageVersion"] == version for w in winget)
inst = winget[1]
assert inst["InstallerType"] == "msi" and inst["InstallerSwitches"]["Silent"].startswith("/qn")
assert inst["Installers"][0]["InstallerSha256"] == sha(f"Velmora-{version}.msi")
assert inst["Installers"][0]["InstallerUrl"].endswith(f"/Velmora-{version}.msi")
code = inst["ProductCode"]
assert len(code) == 38 and inst["AppsAndFeaturesEntries"][0]["ProductCode"] == code
ns = {"n": "http://schemas.microsoft.com/packaging/2015/06/nuspec.xsd"}
assert ET.parse(f"{m}/chocolatey/velmora.nuspec").find("n:metadata/n:version", ns).text == version
script = open(f"{m}/chocolatey/tools/chocolateyinstall.ps1").read()
assert "msiexec.exe" in script and sha(f"Velmora-{version}.msi") in script
scoop = json.load(open(f"{m}/scoop/velmora.json"))
assert scoop["version"] == version and scoop["architecture"]["64bit"]["hash"].upper() == sha(f"Velmora-{version}-portable.zip")
PY
check "the MSI's product code is the manifests'" sh -c "msiinfo export '$msi' Property | grep -q \"ProductCode.\$(sed -n \"s/^ProductCode: '\\(.*\\)'/\\1/p\" '$release/release/manifests/winget/Marrowfield.Velmora.installer.yaml')\""

# The MSI: silent install into C:\X, a service of it running.
"$VELMORA_WINE" msiexec /i "Z:$work/v1.msi" /qn 'INSTALLDIR=C:\X' >/dev/null 2>&1
check "msiexec /i /qn INSTALLDIR= exits 0" test $? -eq 0
# The recipes are every definition of the source tree's examples folder.
recipes=$(cd "$here/../../examples" && for r in *.xml; do printf 'examples/%s ' "$r"; done)
for f in Quillon.dll Velmora.exe VelmoraUI.exe Velmora.dtd libstdc++-6.dll examples/VelmoraExample.exe $recipes; do
  check "the MSI installed $f" test -f "$drive/X/$f"
done
check "the MSI wrote the product key" sh -c "'$VELMORA_WINE' reg.exe query 'HKLM\\SOFTWARE\\Marrowfield\\Velmora\\v1.5' /v InstallationDir | grep -q 'C:.X'"
definition vlmsi 'C:\X'
check "a service installs from the MSI's installation" in_dir "$drive/X" Velmora.exe -i "Z:$work/vlmsi.xml"
in_dir "$drive/X" Velmora.exe -start vlmsi >/dev/null 2>&1
check "the service of the MSI's installation runs" wait_state vlmsi RUNNING
before=$(pid_of vlmsi "$drive/X")
in_dir "$drive/X" Velmora.exe -export vlmsi "Z:$work/before.xml" >/dev/null 2>&1

# A higher version: the same files with their version records one patch level up.
cp -a "$signed" "$work/next"
python3 - "$work/next" <<'PY'
import os, struct, sys
for root, _, names in os.walk(sys.argv[1]):
    for name in names:
        path = os.path.join(root, name); data = bytearray(open(path, "rb").read())
        at = data.find(struct.pack("<I", 0xFEEF04BD))
        if at >= 0:
            fields = list(struct.unpack_from("<4I", data, at + 8))
            struct.pack_into("<4I", data, at + 8, fields[0], fields[1] + 0x10000, fields[2], fields[3] + 0x10000)
            open(path, "wb").write(data)
PY
next=$(echo "$version" | awk -F. '{print $1 "." $2 "." $3 + 1}')
bash "$installer/msi.sh" "$work/next" "$installer/Velmora.wxs" "$next" 0D7E3C1A-0000-4000-8000-00000000A002 "$work/v2.msi"
"$VELMORA_WINE" msiexec /i "Z:$work/v2.msi" /qn >/dev/null 2>&1
check "the higher version upgrades in place (exit $?)" test "$(file_version "$drive/X/Velmora.exe")" = "$next.0"
check "the service runs again after the upgrade" wait_state vlmsi RUNNING
check "the service runs a new host process" test "$(pid_of vlmsi "$drive/X")" != "$before"
check "the Quillon.dll in use is the new one" test "$(file_version "$drive/X/Quillon.dll")" = "$next.0"
in_dir "$drive/X" Velmora.exe -export vlmsi "Z:$work/after.xml" >/dev/null 2>&1
check "the definition is untouched by the upgrade" cmp "$work/before.xml" "$work/after.xml"
check "the older version is gone" sh -c "! '$VELMORA_WINE' reg.exe query 'HKLM\\Software\\Microsoft\\Windows\\CurrentVersion\\Uninstall\\{0D7E3C1A-0000-4000-8000-00000000A001}'"
check "no record of stopped services is left" test ! -e "$drive/X/StoppedForUpgrade.txt"
# A record of stopped services lets the removal through only while it is an hour old at most.
record=$drive/X/StoppedForUpgrade.txt
printf 'vlmsi\r\n' > "$record"
check "a fresh record counts as an upgrade under way" in_dir "$drive/X" Velmora.exe -checkuninstall
touch -d '2 hours ago' "$record"
in_dir "$drive/X" Velmora.exe -checkuninstall >/dev/null 2>&1
check "an old record does not (exit $?)" test $? -eq 12
rm -f "$record"

"$VELMORA_WINE" msiexec /x "Z:$work/v2.msi" /qn >/dev/null 2>&1
code=$?
check "msiexec /x refuses while the service is installed (exit $code)" test "$code" -ne 0
check "the refused removal kept the programs" test -f "$drive/X/Velmora.exe"
in_dir "$drive/X" Velmora.exe -stop vlmsi >/dev/null 2>&1
check "the service is removed" in_dir "$drive/X" Velmora.exe -u vlmsi
wait_gone vlmsi
"$VELMORA_WINE" msiexec /x "Z:$work/v2.msi" /qn >/dev/null 2>&1
check "msiexec /x succeeds once it is removed (exit $?)" test ! -e "$drive/X"

# The setup program over itself while a service of it runs: stopped, replaced, started again.
"$VELMORA_WINE" "$work/setup.exe" /S '/D=C:\N' >/dev/null 2>&1
check "the signed setup program installs" test -f "$drive/N/Velmora.exe"
check "the uninstaller it wrote is signed" verify "$drive/N/Uninstall.exe"
definition vlnsis 'C:\N'
in_dir "$drive/N" Velmora.exe -i "Z:$work/vlnsis.xml" >/dev/null 2>&1
in_dir "$drive/N" Velmora.exe -start vlnsis >/dev/null 2>&1
before=$(pid_of vlnsis "$drive/N")
check "the service of the setup program's installation runs" wait_state vlnsis RUNNING
"$VELMORA_WINE" "$work/setup.exe" /S >/dev/null 2>&1
check "setup over a running service exits 0 (exit $?)" test $? -eq 0
check "the service runs again after the setup" wait_state vlnsis RUNNING
check "the service runs a new host process after the setup" test "$(pid_of vlnsis "$drive/N")" != "$before"
in_dir "$drive/N" Velmora.exe -stop vlnsis >/dev/null 2>&1
in_dir "$drive/N" Velmora.exe -u vlnsis >/dev/null 2>&1

# The portable ZIP: unpacked anywhere, its host works without an installation.
(cd "$drive" && python3 -m zipfile -e "$zip" portable)
folder=$drive/portable/Velmora-$version
check "the ZIP's Velmora.exe says it is unsigned" sh -c "cd '$folder' && '$VELMORA_WINE' Velmora.exe -v | grep -q 'Build [0-9]* (unsigned)'"
definition vlzip "C:\\portable\\Velmora-$version"
check "a service installs from the unpacked ZIP" in_dir "$folder" Velmora.exe -i "Z:$work/vlzip.xml"
check "the unpacked ZIP hosts it" sh -c "cd '$folder' && '$VELMORA_WINE' Velmora.exe -list -t | grep -q '^vlzip'"
check "and removes it" in_dir "$folder" Velmora.exe -u vlzip

finish
