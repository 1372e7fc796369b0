#!/usr/bin/env bash
# Builds the MSI from the staged release files: wixl makes the tables Velmora.wxs describes, then
# msibuild adds what wixl cannot express: the host's commands as custom actions at their places
# in the sequence, the non-advertised Start menu entry and the removal of its folder.
# msi.sh FILES_DIR WXS VERSION PRODUCT_CODE OUT.msi
set -euo pipefail
files=$1
wxs=$(cd "$(dirname "$2")" && pwd)/$(basename "$2")
version=$3
productCode=$4
out=$(cd "$(dirname "$5")" && pwd)/$(basename "$5")
rm -f "$out"
# wixl takes each Source relative to the folder it runs in.
(cd "$files" && wixl -a x64 -D Version="$version" -D ProductCode="$productCode" -D Files=. -o "$out" "$wxs" 2>&1 |
   grep -v -e 'has no property named' -e '^$' -e 'unimplemented' >&2 || true)
[ -f "$out" ] || { echo "msi.sh: wixl made no $out" >&2; exit 1; }

host='"[INSTALLDIR]Velmora.exe"'
installedHost='"[VELMORA_INSTALLED_HOST]"'
# Custom action types: 34 runs a command line in a folder; +1024 deferred, +256 on rollback
# only, +2048 as the system rather than the user, +64 its exit code ignored; 51 sets a property.
queries=(
  # VELMORA_INSTALLED_HOST: the Velmora.exe of the earlier installation, when it is there.
  "CREATE TABLE \`DrLocator\` (\`Signature_\` CHAR(72) NOT NULL, \`Parent\` CHAR(72), \`Path\` CHAR(255),
     \`Depth\` SHORT PRIMARY KEY \`Signature_\`, \`Parent\`, \`Path\`)"
  "INSERT INTO \`Signature\` (\`Signature\`, \`FileName\`) VALUES ('InstalledHost', 'Velmora.exe')"
  "INSERT INTO \`DrLocator\` (\`Signature_\`, \`Parent\`, \`Path\`, \`Depth\`) VALUES ('InstalledHost', '', '[VELMORA_INSTALLED]', 0)"
  "INSERT INTO \`AppSearch\` (\`Property\`, \`Signature_\`) VALUES ('VELMORA_INSTALLED_HOST', 'InstalledHost')"
  # Public properties the per-machine part of the install may take from the command line.
  "UPDATE \`Property\` SET \`Value\`='WIX_DOWNGRADE_DETECTED;WIX_UPGRADE_DETECTED;INSTALLDIR;VELMORA_INSTALLED;VELMORA_INSTALLED_HOST'
     WHERE \`Property\`='SecureCustomProperties'"
  "UPDATE \`Shortcut\` SET \`Target\`='[#VelmoraUIExe]' WHERE \`Shortcut\`='ManagerShortcut'"
  "UPDATE \`RemoveFile\` SET \`DirProperty\`='MENUDIR' WHERE \`FileKey\`='RemoveMenuDir'"
  "INSERT INTO \`CustomAction\` (\`Action\`, \`Type\`, \`Source\`, \`Target\`) VALUES
     ('VelmoraUseInstalledFolder', 51, 'INSTALLDIR', '[VELMORA_INSTALLED]')"
  "INSERT INTO \`CustomAction\` (\`Action\`, \`Type\`, \`Source\`, \`Target\`) VALUES
     ('VelmoraRefuseWhileServicesInstalled', 34, 'INSTALLDIR', '$host -checkuninstall')"
  "INSERT INTO \`CustomAction\` (\`Action\`, \`Type\`, \`Source\`, \`Target\`) VALUES
     ('VelmoraRefuseWhileServicesInstalledUI', 34, 'INSTALLDIR', '$host -checkuninstall -messagebox')"
  "INSERT INTO \`CustomAction\` (\`Action\`, \`Type\`, \`Source\`, \`Target\`) VALUES
     ('VelmoraStartStoppedOnRollback', 3426, 'INSTALLDIR', '$installedHost -startstopped')"
  "INSERT INTO \`CustomAction\` (\`Action\`, \`Type\`, \`Source\`, \`Target\`) VALUES
     ('VelmoraStopServices', 3106, 'INSTALLDIR', '$installedHost -stopall')"
  "INSERT INTO \`CustomAction\` (\`Action\`, \`Type\`, \`Source\`, \`Target\`) VALUES
     ('VelmoraStartStopped', 3106, 'INSTALLDIR', '$host -startstopped')"
  # The folder of an earlier installation, before costing resolves INSTALLDIR.
  "INSERT INTO \`InstallExecuteSequence\` (\`Action\`, \`Condition\`, \`Sequence\`) VALUES
     ('VelmoraUseInstalledFolder', 'VELMORA_INSTALLED AND NOT INSTALLDIR', 790)"
  # A removal, but not the old version's removal during an upgrade, refuses while services of
  # the installation are installed; with a user interface it says so in a message box too.
  "INSERT INTO \`InstallExecuteSequence\` (\`Action\`, \`Condition\`, \`Sequence\`) VALUES
     ('VelmoraRefuseWhileServicesInstalled', 'REMOVE~=\"ALL\" AND NOT UPGRADINGPRODUCTCODE AND UILevel < 3', 1010)"
  "INSERT INTO \`InstallExecuteSequence\` (\`Action\`, \`Condition\`, \`Sequence\`) VALUES
     ('VelmoraRefuseWhileServicesInstalledUI', 'REMOVE~=\"ALL\" AND NOT UPGRADINGPRODUCTCODE AND UILevel >= 3', 1011)"
  # Over an installation: its running services stop (InstallExecute runs that before the old
  # version goes), the files are replaced, and the services that ran start again.
  "INSERT INTO \`InstallExecuteSequence\` (\`Action\`, \`Condition\`, \`Sequence\`) VALUES
     ('VelmoraStartStoppedOnRollback', 'VELMORA_INSTALLED_HOST AND NOT REMOVE~=\"ALL\"', 1501)"
  "INSERT INTO \`InstallExecuteSequence\` (\`Action\`, \`Condition\`, \`Sequence\`) VALUES
     ('VelmoraStopServices', 'VELMORA_INSTALLED_HOST AND NOT REMOVE~=\"ALL\"', 1502)"
  "INSERT INTO \`InstallExecuteSequence\` (\`Action\`, \`Condition\`, \`Sequence\`) VALUES ('InstallExecute', '', 1503)"
  "UPDATE \`InstallExecuteSequence\` SET \`Sequence\`=1504 WHERE \`Action\`='RemoveExistingProducts'"
  "INSERT INTO \`InstallExecuteSequence\` (\`Action\`, \`Condition\`, \`Sequence\`) VALUES
     ('VelmoraStartStopped', 'NOT REMOVE~=\"ALL\"', 4001)"
)
for q in "${queries[@]}"; do msibuild "$out" -q "$q"; done
