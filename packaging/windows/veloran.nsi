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

!include "LogicLib.nsh"
!include "nsDialogs.nsh"

Page directory
Page instfiles
; The last page offers to find the radio now: the set-up searches every COM
; port and writes veloran.cfg for the first radio that answers, asking nothing.
Page custom FindRadioPage FindRadioLeave
UninstPage uninstConfirm
UninstPage instfiles

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
  CreateShortcut "$SMPROGRAMS\Veloran\Veloran.lnk" "$INSTDIR\veloran.exe"
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

Var FindRadioBox

Function FindRadioPage
  nsDialogs::Create 1018
  Pop $0
  ${NSD_CreateLabel} 0 0 100% 24u "Veloran is installed. It can look for your radio on every COM port now and write its settings (the radio switched on and connected)."
  Pop $0
  ${NSD_CreateCheckbox} 0 30u 100% 12u "&Find my radio now"
  Pop $FindRadioBox
  ${NSD_Check} $FindRadioBox
  nsDialogs::Show
FunctionEnd

Function FindRadioLeave
  ${NSD_GetState} $FindRadioBox $0
  ${If} $0 == ${BST_CHECKED}
    SetOutPath "$DOCUMENTS\Veloran"
    ExecWait '"$INSTDIR\veloran.exe" --setup --accept'
  ${EndIf}
FunctionEnd

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
