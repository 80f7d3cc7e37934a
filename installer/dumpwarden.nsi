; Installer of QEL 26.1 Dumpwarden, built on Linux with Debian's NSIS (makensis):
;   makensis -DPROGRAM=<dumpwarden.exe> -DOUTFILE=<dumpwarden-setup.exe> installer/dumpwarden.nsi
; Per user: the program goes into a folder the operator can write to (the program writes its settings
; beside itself), the entries go under HKCU. Silent: dumpwarden-setup.exe /S [/STARTUP] /D=<folder>
; (/D last, unquoted). The settings files and backups are kept on uninstall unless asked for.
; The shipped installer is 32-bit, like the program. -DAMD64 makes a 64-bit installer (of the 64-bit
; test build) for the installer's test on machines that run no 32-bit programs.
!ifdef AMD64
  Target amd64-unicode
!else
  Unicode true
!endif
!include LogicLib.nsh
!include FileFunc.nsh
!include MUI2.nsh

!ifndef PROGRAM
  !error "define PROGRAM, the path of dumpwarden.exe"
!endif
!ifndef OUTFILE
  !define OUTFILE "dumpwarden-setup.exe"
!endif
!define TITLE "QEL 26.1 Dumpwarden"
!define UNINSTALL_KEY "Software\Microsoft\Windows\CurrentVersion\Uninstall\Dumpwarden"
!define RUN_KEY "Software\Microsoft\Windows\CurrentVersion\Run"

Name "${TITLE}"
OutFile "${OUTFILE}"
InstallDir "C:\Dumpwarden"
InstallDirRegKey HKCU "${UNINSTALL_KEY}" "InstallLocation"
RequestExecutionLevel user
SetCompressor /SOLID lzma

!insertmacro MUI_PAGE_DIRECTORY
!insertmacro MUI_PAGE_COMPONENTS
!insertmacro MUI_PAGE_INSTFILES
!insertmacro MUI_UNPAGE_CONFIRM
!insertmacro MUI_UNPAGE_INSTFILES
!insertmacro MUI_LANGUAGE "English"

Section "Dumpwarden (required)" SecProgram
  SectionIn RO
  ; A running copy holds its file open: ask it to end through its own Exit is not possible from
  ; outside, so the operator is told instead of the file being left half replaced.
  SetOverwrite try
  SetOutPath "$INSTDIR"
  ClearErrors
  File "/oname=dumpwarden.exe" "${PROGRAM}"
  ${If} ${Errors}
    MessageBox MB_ICONSTOP "Cannot replace $INSTDIR\dumpwarden.exe. Exit Dumpwarden (tray menu, Exit) and run the installer again." /SD IDOK
    Abort
  ${EndIf}
  ; The program never creates these itself; existing settings inside them stay as they are.
  CreateDirectory "$INSTDIR\Connect"
  CreateDirectory "$INSTDIR\Bak_Info"
  WriteUninstaller "$INSTDIR\uninstall.exe"
  CreateDirectory "$SMPROGRAMS\${TITLE}"
  CreateShortcut "$SMPROGRAMS\${TITLE}\${TITLE}.lnk" "$INSTDIR\dumpwarden.exe"
  CreateShortcut "$SMPROGRAMS\${TITLE}\Uninstall.lnk" "$INSTDIR\uninstall.exe"
  WriteRegStr HKCU "${UNINSTALL_KEY}" "DisplayName" "${TITLE}"
  WriteRegStr HKCU "${UNINSTALL_KEY}" "InstallLocation" "$INSTDIR"
  WriteRegStr HKCU "${UNINSTALL_KEY}" "UninstallString" '"$INSTDIR\uninstall.exe"'
  WriteRegStr HKCU "${UNINSTALL_KEY}" "QuietUninstallString" '"$INSTDIR\uninstall.exe" /S'
  WriteRegDWORD HKCU "${UNINSTALL_KEY}" "NoModify" 1
  WriteRegDWORD HKCU "${UNINSTALL_KEY}" "NoRepair" 1
SectionEnd

Section /o "Start with Windows" SecStartup
  WriteRegStr HKCU "${RUN_KEY}" "Dumpwarden" '"$INSTDIR\dumpwarden.exe"'
SectionEnd

Function .onInit
  ; Silent installs choose the start with Windows by /STARTUP on the command line.
  ${GetParameters} $0
  ClearErrors
  ${GetOptions} $0 "/STARTUP" $1
  ${IfNot} ${Errors}
    SectionSetFlags ${SecStartup} ${SF_SELECTED}
  ${EndIf}
FunctionEnd

Section "Uninstall"
  Delete "$INSTDIR\dumpwarden.exe"
  Delete "$INSTDIR\uninstall.exe"
  Delete "$SMPROGRAMS\${TITLE}\${TITLE}.lnk"
  Delete "$SMPROGRAMS\${TITLE}\Uninstall.lnk"
  RMDir "$SMPROGRAMS\${TITLE}"
  DeleteRegValue HKCU "${RUN_KEY}" "Dumpwarden"
  DeleteRegKey HKCU "${UNINSTALL_KEY}"
  ; Settings, credentials and the history stay unless the operator asks (never in silent mode):
  ; backups may be all there is of a database.
  MessageBox MB_YESNO|MB_ICONQUESTION|MB_DEFBUTTON2 "Also remove the settings (Connect and Bak_Info folders) from $INSTDIR?" /SD IDNO IDNO keep
    RMDir /r "$INSTDIR\Connect"
    RMDir /r "$INSTDIR\Bak_Info"
  keep:
  RMDir "$INSTDIR"  ; only when nothing else is left in it
SectionEnd
