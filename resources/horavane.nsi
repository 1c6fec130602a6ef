; The Windows installer: horavane.exe, horavanectl.exe and horavane-sim.exe under Program Files, a
; Start-menu shortcut, and an uninstaller registered with Windows. `setup.exe /S` installs and
; `uninstall.exe /S` removes silently, for administrators who deploy to many workstations.
; The password file, ZOR.dat in the Windows directory, is left alone in both directions: an
; installation keeps the password its workstation has, and a removal keeps it for the next.
;
; makensis -DVERSION=a.b.c.d -DWINDOW=horavane.exe -DCTL=horavanectl.exe -DSIM=horavane-sim.exe
;          -DICON=horavane.ico -DOUTFILE=setup.exe horavane.nsi
Unicode true
; The version record names the product and its version; it claims no copyright holder.
!pragma warning disable 9100
Target amd64-unicode
SetCompressor /SOLID lzma

!define UNINSTALL_KEY "Software\Microsoft\Windows\CurrentVersion\Uninstall\Horavane"
!include "FileFunc.nsh"

; With -DSIGN="command", the uninstaller is signed as well, as it is written into the setup.
!ifdef SIGN
  !uninstfinalize `${SIGN} "%1"`
!endif

Name "Horavane"
OutFile "${OUTFILE}"
InstallDir "$PROGRAMFILES64\Horavane"
RequestExecutionLevel admin
Icon "${ICON}"
UninstallIcon "${ICON}"
ShowInstDetails show

VIProductVersion "${VERSION}"
VIAddVersionKey /LANG=1033 "ProductName" "Horavane Application"
VIAddVersionKey /LANG=1033 "FileDescription" "Horavane Setup"
VIAddVersionKey /LANG=1033 "FileVersion" "${VERSION}"
VIAddVersionKey /LANG=1033 "ProductVersion" "${VERSION}"

Page directory
Page instfiles
UninstPage uninstConfirm
UninstPage instfiles

Section "Horavane"
  SetShellVarContext all
  SetOutPath "$INSTDIR"
  File "${WINDOW}"
  File "${CTL}"
  File "${SIM}"
  WriteUninstaller "$INSTDIR\uninstall.exe"
  CreateShortcut "$SMPROGRAMS\Horavane.lnk" "$INSTDIR\horavane.exe"

  WriteRegStr HKLM "${UNINSTALL_KEY}" "DisplayName" "Horavane"
  WriteRegStr HKLM "${UNINSTALL_KEY}" "DisplayVersion" "${VERSION}"
  WriteRegStr HKLM "${UNINSTALL_KEY}" "Publisher" "Horavane developers"
  WriteRegStr HKLM "${UNINSTALL_KEY}" "URLInfoAbout" "https://horavane.org/"
  WriteRegStr HKLM "${UNINSTALL_KEY}" "HelpLink" "https://horavane.org/help/"
  WriteRegStr HKLM "${UNINSTALL_KEY}" "DisplayIcon" "$INSTDIR\horavane.exe"
  WriteRegStr HKLM "${UNINSTALL_KEY}" "InstallLocation" "$INSTDIR"
  WriteRegStr HKLM "${UNINSTALL_KEY}" "UninstallString" '"$INSTDIR\uninstall.exe"'
  WriteRegStr HKLM "${UNINSTALL_KEY}" "QuietUninstallString" '"$INSTDIR\uninstall.exe" /S'
  WriteRegDWORD HKLM "${UNINSTALL_KEY}" "NoModify" 1
  WriteRegDWORD HKLM "${UNINSTALL_KEY}" "NoRepair" 1
  ; Settings > Apps shows the size from here, in KiB.
  ${GetSize} "$INSTDIR" "/S=0K" $0 $1 $2
  IntFmt $0 "0x%08X" $0
  WriteRegDWORD HKLM "${UNINSTALL_KEY}" "EstimatedSize" "$0"
SectionEnd

Section "Uninstall"
  SetShellVarContext all
  Delete "$INSTDIR\horavane.exe"
  Delete "$INSTDIR\horavanectl.exe"
  Delete "$INSTDIR\horavane-sim.exe"
  Delete "$INSTDIR\uninstall.exe"
  RMDir "$INSTDIR"
  Delete "$SMPROGRAMS\Horavane.lnk"
  DeleteRegKey HKLM "${UNINSTALL_KEY}"
SectionEnd
