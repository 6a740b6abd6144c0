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

Page directory
Page instfiles
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
