; Setup program of the Velmora service toolkit: the three programs, their runtime DLLs, the DTD
; and the examples under Program Files, the product key, a Start menu entry and an uninstaller.
; makensis -DBIN=<folder of the staged release files> -DSOURCE=<source tree> -DOUTFILE=<setup path>
;          -DVERSION=<the build's version> [-DSIGN=<command that signs the file named after it>]
Unicode true
Target amd64-unicode
SetCompressor /SOLID lzma

!include "LogicLib.nsh"
!include "x64.nsh"
!include "WordFunc.nsh"
!include "FileFunc.nsh"

!define PRODUCT "Velmora"
!ifndef VERSION
  !error "VERSION is given by the build"
!endif
!define PRODUCT_KEY "SOFTWARE\Marrowfield\Velmora\v1.5"
!define UNINSTALL_KEY "SOFTWARE\Microsoft\Windows\CurrentVersion\Uninstall\Velmora"
!define HOST "Velmora.exe"

Name "${PRODUCT} Tessel v${VERSION}"
VIProductVersion "${VERSION}.0"
VIAddVersionKey /LANG=1033 "ProductName" "${PRODUCT} Tessel"
VIAddVersionKey /LANG=1033 "ProductVersion" "${VERSION}"
VIAddVersionKey /LANG=1033 "FileVersion" "${VERSION}"
VIAddVersionKey /LANG=1033 "FileDescription" "${PRODUCT} setup"
VIAddVersionKey /LANG=1033 "CompanyName" "Marrowfield Software"
VIAddVersionKey /LANG=1033 "LegalCopyright" "Copyright (C) 1999-2002 Marrowfield Software."
OutFile "${OUTFILE}"
!ifdef SIGN
  ; The setup program and the uninstaller it writes are signed as they are made.
  !finalize `${SIGN} "%1"`
  !uninstfinalize `${SIGN} "%1"`
!endif
InstallDir "$PROGRAMFILES64\Velmora"
RequestExecutionLevel admin
ShowInstDetails show
ShowUninstDetails show

Page directory
Page instfiles
UninstPage uninstConfirm
UninstPage instfiles

Function .onInit
  SetRegView 64
  ; A directory given with /D= wins; otherwise an earlier installation's folder is reused.
  ${If} $INSTDIR == "$PROGRAMFILES64\Velmora"
    ReadRegStr $0 HKLM "${PRODUCT_KEY}" "InstallationDir"
    ${If} $0 != ""
      StrCpy $INSTDIR $0
    ${EndIf}
  ${EndIf}
FunctionEnd

; Writes examples\NAME from its template, with @INSTALLDIR@ replaced by the chosen folder.
!macro Example NAME
  File "/oname=$PLUGINSDIR\${NAME}.in" "${SOURCE}\examples\${NAME}.in"
  Push "${NAME}"
  Call WriteExample
!macroend

Function WriteExample
  Exch $R0
  Push $R1
  Push $R2
  Push $R3
  FileOpen $R1 "$PLUGINSDIR\$R0.in" r
  FileOpen $R2 "$INSTDIR\examples\$R0" w
  ${Do}
    FileRead $R1 $R3
    ${If} ${Errors}
      ${Break}
    ${EndIf}
    ${WordReplace} $R3 "@INSTALLDIR@" "$INSTDIR" "+" $R3
    FileWrite $R2 $R3
  ${Loop}
  FileClose $R1
  FileClose $R2
  Pop $R3
  Pop $R2
  Pop $R1
  Pop $R0
FunctionEnd

; Over an installation, its running services are stopped by its own host, which records them.
; An older host without -stopall (exit code 2) cannot; its services are left as they are.
Function StopServices
  ${IfNot} ${FileExists} "$INSTDIR\${HOST}"
    Return
  ${EndIf}
  DetailPrint "Stopping the running services of this installation"
  nsExec::ExecToLog '"$INSTDIR\${HOST}" -stopall'
  Pop $0
  ${If} $0 == 2
    DetailPrint "This installation's Velmora.exe cannot stop its services; stop them before upgrading."
  ${ElseIf} $0 != 0
    MessageBox MB_OK|MB_ICONSTOP "The running services of this installation could not all be stopped (exit code $0), so its files cannot be replaced.$\r$\n$\r$\nStop them with $\"Velmora -stop NAME$\" or the service manager and run the setup program again." /SD IDOK
    SetErrorLevel 5
    Quit
  ${EndIf}
FunctionEnd

; The services -stopall stopped start again on the new programs.
Function StartStoppedServices
  DetailPrint "Starting the services stopped for the upgrade"
  nsExec::ExecToLog '"$INSTDIR\${HOST}" -startstopped'
  Pop $0
  ${If} $0 != 0
    MessageBox MB_OK|MB_ICONEXCLAMATION "Velmora was installed, but services stopped for the upgrade did not all start again (exit code $0).$\r$\n$\r$\n$\"Velmora -startstopped$\" in $INSTDIR tries again." /SD IDOK
    SetErrorLevel 6
  ${EndIf}
FunctionEnd

Section "Velmora" SecMain
  SectionIn RO
  SetRegView 64
  SetShellVarContext all
  InitPluginsDir
  Call StopServices
  SetOutPath "$INSTDIR"
  File "${BIN}\Quillon.dll"
  File "${BIN}\${HOST}"
  File "${BIN}\VelmoraUI.exe"
  File "${BIN}\Velmora.dtd"
  File "${BIN}\libstdc++-6.dll"
  File "${BIN}\libgcc_s_seh-1.dll"
  File "${BIN}\libwinpthread-1.dll"
  SetOutPath "$INSTDIR\examples"
  File "${BIN}\examples\VelmoraExample.exe"
  !insertmacro Example "example-service.xml"
  File "${BIN}\examples\node-server.xml"
  File "${BIN}\examples\java-app.xml"
  File "${BIN}\examples\python-app.xml"
  File "${BIN}\examples\batch-file.xml"

  WriteRegStr HKLM "${PRODUCT_KEY}" "InstallationDir" "$INSTDIR"

  CreateDirectory "$SMPROGRAMS\Velmora"
  CreateShortcut "$SMPROGRAMS\Velmora\Velmora Service Manager.lnk" "$INSTDIR\VelmoraUI.exe"
  CreateShortcut "$SMPROGRAMS\Velmora\Uninstall Velmora.lnk" "$INSTDIR\Uninstall.exe"

  WriteUninstaller "$INSTDIR\Uninstall.exe"
  WriteRegStr HKLM "${UNINSTALL_KEY}" "DisplayName" "${PRODUCT} Tessel v${VERSION}"
  WriteRegStr HKLM "${UNINSTALL_KEY}" "DisplayVersion" "${VERSION}"
  WriteRegStr HKLM "${UNINSTALL_KEY}" "Publisher" "Marrowfield"
  WriteRegStr HKLM "${UNINSTALL_KEY}" "InstallLocation" "$INSTDIR"
  WriteRegStr HKLM "${UNINSTALL_KEY}" "UninstallString" '"$INSTDIR\Uninstall.exe"'
  WriteRegStr HKLM "${UNINSTALL_KEY}" "QuietUninstallString" '"$INSTDIR\Uninstall.exe" /S'
  WriteRegDWORD HKLM "${UNINSTALL_KEY}" "NoModify" 1
  WriteRegDWORD HKLM "${UNINSTALL_KEY}" "NoRepair" 1
  Call StartStoppedServices
SectionEnd

; Services whose program is this installation's host; they would be left broken without it.
; Returns their key names, separated by blanks, on the stack (empty when there are none).
Function un.HostedServices
  Push $R0
  Push $R1
  Push $R2
  Push $R3
  StrCpy $R3 ""
  StrCpy $R0 0
  ${Do}
    EnumRegKey $R1 HKLM "SYSTEM\CurrentControlSet\Services" $R0
    ${If} $R1 == ""
      ${Break}
    ${EndIf}
    ReadRegStr $R2 HKLM "SYSTEM\CurrentControlSet\Services\$R1" "ImagePath"
    ClearErrors
    ${WordFind} $R2 "$INSTDIR\${HOST}" "E+1{" $R2
    ${IfNot} ${Errors}
      StrCpy $R3 "$R3 $R1"
    ${EndIf}
    IntOp $R0 $R0 + 1
  ${Loop}
  Pop $R2
  Pop $R1
  Pop $R0
  Exch $R3
FunctionEnd

Function un.onInit
  SetRegView 64
  Call un.HostedServices
  Pop $0
  ${If} $0 != ""
    ${If} ${Silent}
      ; A silent uninstall must not break services: refuse, with a non-zero exit code.
      SetErrorLevel 3
      Quit
    ${EndIf}
    MessageBox MB_YESNO|MB_ICONEXCLAMATION "These services are run by Velmora and still installed:$\r$\n$0$\r$\n$\r$\nRemove them first with the Velmora Service Manager; without Velmora they cannot start.$\r$\n$\r$\nUninstall Velmora anyway?" /SD IDNO IDYES proceed
    Quit
    proceed:
  ${EndIf}
FunctionEnd

Section "Uninstall"
  SetRegView 64
  SetShellVarContext all
  Delete "$INSTDIR\examples\example-service.xml"
  Delete "$INSTDIR\examples\node-server.xml"
  Delete "$INSTDIR\examples\java-app.xml"
  Delete "$INSTDIR\examples\python-app.xml"
  Delete "$INSTDIR\examples\batch-file.xml"
  Delete "$INSTDIR\examples\VelmoraExample.exe"
  RMDir "$INSTDIR\examples"
  Delete "$INSTDIR\Quillon.dll"
  Delete "$INSTDIR\${HOST}"
  Delete "$INSTDIR\VelmoraUI.exe"
  Delete "$INSTDIR\Velmora.dtd"
  Delete "$INSTDIR\libstdc++-6.dll"
  Delete "$INSTDIR\libgcc_s_seh-1.dll"
  Delete "$INSTDIR\libwinpthread-1.dll"
  Delete "$INSTDIR\Uninstall.exe"
  RMDir "$INSTDIR"
  Delete "$SMPROGRAMS\Velmora\Velmora Service Manager.lnk"
  Delete "$SMPROGRAMS\Velmora\Uninstall Velmora.lnk"
  RMDir "$SMPROGRAMS\Velmora"
  DeleteRegKey HKLM "${PRODUCT_KEY}"
  DeleteRegKey /ifempty HKLM "SOFTWARE\Marrowfield\Velmora"
  DeleteRegKey /ifempty HKLM "SOFTWARE\Marrowfield"
  DeleteRegKey HKLM "${UNINSTALL_KEY}"
SectionEnd
