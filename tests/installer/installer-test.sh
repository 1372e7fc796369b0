#!/usr/bin/env bash
# The setup program under Wine: silent install, what it puts in place, the installed programs at
# work, and silent uninstall refusing while a hosted service exists and cleaning up otherwise.
# installer-test.sh BUILD_DIR SETUP_EXE (the tools of BUILD_DIR drive the installed programs)
set -u
build=$1
setup=$2
here=$(cd "$(dirname "$0")" && pwd)
. "$here/../wine/wine-env.sh" "$build"
. "$here/../wine/checks.sh"
install="$WINEPREFIX/drive_c/Program Files/Velmora"
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
wine_() { "$VELMORA_WINE" "$@"; }
in_install() { (cd "$install" && "$VELMORA_WINE" "$@"); }

if [ ! -f "$setup" ]; then
  echo "FAILED: no setup program at $setup (build the windows-release preset first)"
  exit 1
fi
wine_ "$setup" /S >/dev/null 2>&1
code=$?
check "setup exits 0 (exit $code)" test "$code" -eq 0
# The recipes are every definition of the source tree's examples folder.
recipes=$(cd "$here/../../examples" && for r in *.xml; do printf 'examples/%s ' "$r"; done)
for f in Quillon.dll Velmora.exe VelmoraUI.exe Velmora.dtd libstdc++-6.dll examples/VelmoraExample.exe \
         examples/example-service.xml Uninstall.exe $recipes; do
  check "installed $f" test -f "$install/$f"
done
# What ships carries no debug information; it stays beside the release build.
for f in Quillon.dll Velmora.exe VelmoraUI.exe examples/VelmoraExample.exe libstdc++-6.dll libgcc_s_seh-1.dll \
         libwinpthread-1.dll; do
  check "$f shipped without debug sections" sh -c "! x86_64-w64-mingw32-objdump -h '$install/$f' | grep -q '\.debug_'"
done
check "example definition names the installation folder" \
  grep -q 'C:\\Program Files\\Velmora\\examples' "$install/examples/example-service.xml"
check "product key written" sh -c "'$VELMORA_WINE' reg.exe query 'HKLM\\SOFTWARE\\Marrowfield\\Velmora\\v1.5' /v InstallationDir | grep -q 'C:.Program Files.Velmora'"
check "host banner" sh -c "cd '$install' && '$VELMORA_WINE' Velmora.exe -v | grep -q '^Velmora Tessel'"

# A service of this installation, through the installed host.
cat >"$work/hosted.xml" <<XML
<?xml version="1.0" encoding="UTF-8" standalone="no" ?>
<!DOCTYPE Service SYSTEM "Velmora.dtd">
<Service><Program><Name>vlhosted</Name><DisplayName>Hosted</DisplayName>
<WorkingDir>C:\\Program Files\\Velmora\\examples</WorkingDir>
<Executable>C:\\Program Files\\Velmora\\examples\\VelmoraExample.exe</Executable></Program></Service>
XML
check "install a hosted service" in_install Velmora.exe -i "Z:$work/hosted.xml"

in_install sc.exe start vlhosted >/dev/null 2>&1
check "the hosted service runs" wait_state vlhosted RUNNING
in_install sc.exe stop vlhosted >/dev/null 2>&1
check "the hosted service stops" wait_state vlhosted STOPPED

# The installed service manager passes its start-up checks: its main window opens.
driver() { "$VELMORA_WINE" "$build/bin/velmora_screenshot_driver.exe" "$@"; }
main=$(driver title | tr -d '\r')
(cd "$install" && "$VELMORA_WINE" VelmoraUI.exe >/dev/null 2>&1 &)
check "the installed service manager opens its main window" driver wait "$main"
driver command "$main" IDOK >/dev/null 2>&1

# The uninstaller copies itself elsewhere unless told where it is installed; _?= keeps it in
# place so its exit code is the one we see. cmd runs it from a batch file so the unquoted
# folder after _?= reaches it whole.
printf '"C:\\Program Files\\Velmora\\Uninstall.exe" /S _?=C:\\Program Files\\Velmora\r\nexit /b %%ERRORLEVEL%%\r\n' \
  >"$work/uninstall.bat"
wine_ cmd /c "Z:$work/uninstall.bat" >/dev/null 2>&1
code=$?
check "silent uninstall refuses while a hosted service exists (exit $code)" test "$code" -ne 0
check "files kept after the refusal" test -f "$install/Velmora.exe"

check "remove the hosted service" in_install Velmora.exe -u vlhosted
wait_gone vlhosted
wine_ cmd /c "Z:$work/uninstall.bat" >/dev/null 2>&1
code=$?
check "silent uninstall succeeds (exit $code)" test "$code" -eq 0
check "programs removed" test ! -e "$install/Velmora.exe"
check "product key removed" sh -c "! '$VELMORA_WINE' reg.exe query 'HKLM\\SOFTWARE\\Marrowfield\\Velmora\\v1.5' >/dev/null 2>&1"
rm -f "$install/Uninstall.exe"
rmdir "$install" 2>/dev/null

finish
