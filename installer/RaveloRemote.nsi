; Ravelo Remote installer. Built by CMake (makensis) from the program
; folder the build lays out; DIST_DIR, OUT_FILE, VERSION, COPYRIGHT and ICON
; (the program's own) come from the command line.
Unicode true
SetCompressor /SOLID lzma
RequestExecutionLevel admin

!ifndef DIST_DIR
  !error "DIST_DIR must name the program folder"
!endif
!ifndef OUT_FILE
  !define OUT_FILE "RaveloRemote-Setup.exe"
!endif
!ifndef VERSION
  !error "VERSION must be the project's version"
!endif
!ifndef COPYRIGHT
  !error "COPYRIGHT must be given"
!endif
!ifndef ICON
  !error "ICON must name the program's icon"
!endif

!define PRODUCT "Ravelo Remote"
!define PUBLISHER "Orva"
!define EXE "RaveloRemote.exe"
!define UNINSTALL_KEY "Software\Microsoft\Windows\CurrentVersion\Uninstall\RaveloRemote"
!define RUN_KEY "Software\Microsoft\Windows\CurrentVersion\Run"

Name "${PRODUCT}"
OutFile "${OUT_FILE}"
InstallDir "$PROGRAMFILES\Orva\Ravelo Remote"
InstallDirRegKey HKLM "${UNINSTALL_KEY}" "InstallLocation"
ShowInstDetails show
Icon "${ICON}"
UninstallIcon "${ICON}"

VIProductVersion "${VERSION}.0"
VIAddVersionKey /LANG=1033 "ProductName" "${PRODUCT}"
VIAddVersionKey /LANG=1033 "CompanyName" "${PUBLISHER}"
VIAddVersionKey /LANG=1033 "FileVersion" "${VERSION}"
VIAddVersionKey /LANG=1033 "ProductVersion" "${VERSION}"
VIAddVersionKey /LANG=1033 "FileDescription" "${PRODUCT} Setup"
VIAddVersionKey /LANG=1033 "LegalCopyright" "${COPYRIGHT}"

Page directory
Page instfiles
UninstPage uninstConfirm
UninstPage instfiles

; Asks a running copy to quit the way the system service does (message
; 1024 with the suite's mark 0x55) and waits up to ten seconds for it.
!macro QuitRunningCopy ID
  FindWindow $0 "TMainForm" "${PRODUCT}"
  StrCmp $0 0 quit_done_${ID}
  System::Call 'user32::PostMessageA(p r0, i 1024, p 0x55, p 0)'
  StrCpy $1 0
  quit_wait_${ID}:
    Sleep 250
    IntOp $1 $1 + 1
    FindWindow $0 "TMainForm" "${PRODUCT}"
    StrCmp $0 0 quit_done_${ID}
    IntCmp $1 40 quit_done_${ID} quit_wait_${ID} quit_done_${ID}
  quit_done_${ID}:
!macroend

Section "Ravelo Remote" SecMain
  SectionIn RO
  !insertmacro QuitRunningCopy install
  SetOutPath "$INSTDIR"
  File "${DIST_DIR}/${EXE}"
  File "${DIST_DIR}/OVACPI.DLL"
  File "${DIST_DIR}/ORVASERVICE.DLL"
  File "${DIST_DIR}/flashobj.dll"
  File "${DIST_DIR}/pngio.dll"
  ; The firmware simulator's board, when the build ships the simulator.
  File /nonfatal "${DIST_DIR}/OvAcpiDb.txt"
  SetOutPath "$INSTDIR\Resource"
  File /r "${DIST_DIR}/Resource/*.*"
  SetOutPath "$INSTDIR\LangFiles"
  File /r "${DIST_DIR}/LangFiles/*.*"
  SetOutPath "$INSTDIR"

  ; One copy runs per user logon.
  WriteRegStr HKLM "${RUN_KEY}" "${PRODUCT}" '"$INSTDIR\${EXE}"'

  WriteUninstaller "$INSTDIR\Uninstall.exe"
  WriteRegStr HKLM "${UNINSTALL_KEY}" "DisplayName" "${PRODUCT}"
  WriteRegStr HKLM "${UNINSTALL_KEY}" "DisplayVersion" "${VERSION}"
  WriteRegStr HKLM "${UNINSTALL_KEY}" "Publisher" "${PUBLISHER}"
  WriteRegStr HKLM "${UNINSTALL_KEY}" "InstallLocation" "$INSTDIR"
  WriteRegStr HKLM "${UNINSTALL_KEY}" "DisplayIcon" "$INSTDIR\${EXE}"
  WriteRegStr HKLM "${UNINSTALL_KEY}" "UninstallString" '"$INSTDIR\Uninstall.exe"'
  WriteRegStr HKLM "${UNINSTALL_KEY}" "QuietUninstallString" '"$INSTDIR\Uninstall.exe" /S'
  WriteRegDWORD HKLM "${UNINSTALL_KEY}" "NoModify" 1
  WriteRegDWORD HKLM "${UNINSTALL_KEY}" "NoRepair" 1
SectionEnd

; Removes exactly what the installer put there. The profiles folder and the
; users' button bindings (HKCU\Software\Orva\Ravelo Profile) stay.
Section "Uninstall"
  !insertmacro QuitRunningCopy uninstall
  DeleteRegValue HKLM "${RUN_KEY}" "${PRODUCT}"
  Delete "$INSTDIR\${EXE}"
  Delete "$INSTDIR\OVACPI.DLL"
  Delete "$INSTDIR\ORVASERVICE.DLL"
  Delete "$INSTDIR\flashobj.dll"
  Delete "$INSTDIR\pngio.dll"
  Delete "$INSTDIR\OvAcpiDb.txt"
  RMDir /r "$INSTDIR\Resource"
  RMDir /r "$INSTDIR\LangFiles"
  Delete "$INSTDIR\Uninstall.exe"
  RMDir "$INSTDIR"
  RMDir "$PROGRAMFILES\Orva"
  DeleteRegKey HKLM "${UNINSTALL_KEY}"
SectionEnd
