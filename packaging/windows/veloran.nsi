; The Windows installer (makensis, from scripts/build-windows.sh). A per-user
; install: no administrator rights, the program in the user's local programs
; folder, and the operator's own folder (veloran.cfg, savmem.dat, memory.txt,
; debug.dat) in Documents\Veloran, where the Start-menu entry starts it.
Unicode true
Target amd64-unicode
Name "Veloran"
OutFile "${OUTFILE}"
RequestExecutionLevel user
InstallDir "$LOCALAPPDATA\Programs\Veloran"
SetCompressor /SOLID lzma
!define UNINSTALL_KEY "Software\Microsoft\Windows\CurrentVersion\Uninstall\Veloran"

; Modern UI pages: standard dialog controls, so every page is read by a
; screen reader and worked by keyboard (Tab, Space, Enter). The last page
; offers to start the program, ticked.
!include "MUI2.nsh"
!define MUI_ABORTWARNING
!define MUI_FINISHPAGE_TEXT "Veloran is installed. Start it from the Start menu entry Veloran, or from anywhere with Ctrl+Alt+Y."
!define MUI_FINISHPAGE_RUN
!define MUI_FINISHPAGE_RUN_TEXT "Start Veloran now"
!define MUI_FINISHPAGE_RUN_FUNCTION StartVeloran
; The second box finds the radio: the set-up searches every COM port and writes
; veloran.cfg for the first radio that answers, asking nothing.
!define MUI_FINISHPAGE_SHOWREADME
!define MUI_FINISHPAGE_SHOWREADME_TEXT "Find my radio now"
!define MUI_FINISHPAGE_SHOWREADME_FUNCTION FindRadio
!insertmacro MUI_PAGE_DIRECTORY
!insertmacro MUI_PAGE_INSTFILES
!insertmacro MUI_PAGE_FINISH
!insertmacro MUI_UNPAGE_CONFIRM
!insertmacro MUI_UNPAGE_INSTFILES
!insertmacro MUI_LANGUAGE "English"

Var RadioSearched

; Before the program starts (it holds the radio's port), and once.
Function FindRadio
  StrCmp $RadioSearched "1" done
  StrCpy $RadioSearched "1"
  SetOutPath "$DOCUMENTS\Veloran"
  ExecWait '"$INSTDIR\veloran.exe" --setup --accept'
  done:
FunctionEnd

; As the Start-menu entry does: in the operator's own folder.
Function StartVeloran
  ${NSD_GetState} $mui.FinishPage.ShowReadme $0
  StrCmp $0 ${BST_CHECKED} 0 +2
  Call FindRadio
  SetOutPath "$DOCUMENTS\Veloran"
  Exec '"$INSTDIR\veloran.exe"'
FunctionEnd

Section
  SetOutPath "$INSTDIR"
  File "${STAGE}/veloran.exe"
  File "${STAGE}/veloran.cfg.sample"
  File "${STAGE}/README.md"
  SetOutPath "$INSTDIR\wave"
  File "${STAGE}/wave/*.wav"
  WriteUninstaller "$INSTDIR\uninstall.exe"

  ; An operator's configuration and memory channels are never overwritten.
  CreateDirectory "$DOCUMENTS\Veloran"
  IfFileExists "$DOCUMENTS\Veloran\veloran.cfg" +2
  CopyFiles /SILENT "$INSTDIR\veloran.cfg.sample" "$DOCUMENTS\Veloran\veloran.cfg"

  ; A shortcut starts in the folder current when it is made.
  CreateDirectory "$SMPROGRAMS\Veloran"
  SetOutPath "$DOCUMENTS\Veloran"
  ; Ctrl+Alt+Y ("Yaesu") starts it from anywhere, as Ctrl+Alt+N starts NVDA.
  CreateShortcut "$SMPROGRAMS\Veloran\Veloran.lnk" "$INSTDIR\veloran.exe" "" "" 0 SW_SHOWNORMAL ALT|CONTROL|Y \
    "Talking front panel for the Yaesu radio"
  CreateShortcut "$SMPROGRAMS\Veloran\Veloran demo.lnk" "$INSTDIR\veloran.exe" "--demo"
  CreateShortcut "$SMPROGRAMS\Veloran\Veloran set-up.lnk" "$INSTDIR\veloran.exe" "--setup"
  CreateShortcut "$SMPROGRAMS\Veloran\Veloran folder.lnk" "$DOCUMENTS\Veloran"
  CreateShortcut "$SMPROGRAMS\Veloran\Uninstall Veloran.lnk" "$INSTDIR\uninstall.exe"

  WriteRegStr HKCU "${UNINSTALL_KEY}" "DisplayName" "Veloran"
  WriteRegStr HKCU "${UNINSTALL_KEY}" "DisplayVersion" "${VERSION}"
  WriteRegStr HKCU "${UNINSTALL_KEY}" "UninstallString" '"$INSTDIR\uninstall.exe"'
  WriteRegStr HKCU "${UNINSTALL_KEY}" "QuietUninstallString" '"$INSTDIR\uninstall.exe" /S'
  WriteRegDWORD HKCU "${UNINSTALL_KEY}" "NoModify" 1
  WriteRegDWORD HKCU "${UNINSTALL_KEY}" "NoRepair" 1
SectionEnd

; The operator's folder stays: it holds their configuration and channels.
Section "Uninstall"
  Delete "$INSTDIR\veloran.exe"
  Delete "$INSTDIR\veloran.cfg.sample"
  Delete "$INSTDIR\README.md"
  RMDir /r "$INSTDIR\wave"
  RMDir /r "$INSTDIR\demo"
  Delete "$INSTDIR\uninstall.exe"
  RMDir "$INSTDIR"
  RMDir /r "$SMPROGRAMS\Veloran"
  DeleteRegKey HKCU "${UNINSTALL_KEY}"
SectionEnd
