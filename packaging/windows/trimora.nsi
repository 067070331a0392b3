; The Windows installer: Trimora for the current user, without administrator rights, with a
; Start-menu entry, an uninstaller and an entry in "Apps & features".
; makensis -DVERSION=2.0.0 -DPROGRAM=trimora.exe -DREADME=README.txt -DICON=trimora.ico
;          -DOUTFILE=trimora-2.0.0-setup.exe trimora.nsi
; The shipped installer is 32-bit, as the program it holds; -DTARGET=amd64-unicode makes one of
; the 64-bit build, to test the installer where only 64-bit programs run.
!ifdef TARGET
Target ${TARGET}
!endif
Unicode true
SetCompressor /SOLID lzma
RequestExecutionLevel user
ManifestDPIAware true

!define NAME "Trimora"
!define UNINSTALL_KEY "Software\Microsoft\Windows\CurrentVersion\Uninstall\Trimora"

Name "${NAME} ${VERSION}"
OutFile "${OUTFILE}"
Icon "${ICON}"
UninstallIcon "${ICON}"
; Per user: no administrator rights, nothing outside the user's own profile.
InstallDir "$LOCALAPPDATA\Programs\Trimora"
InstallDirRegKey HKCU "${UNINSTALL_KEY}" "InstallLocation"
BrandingText "${NAME} ${VERSION}"
ShowInstDetails nevershow
ShowUninstDetails nevershow

VIProductVersion "${VERSION}.0"
VIAddVersionKey /LANG=1033 "ProductName" "${NAME}"
VIAddVersionKey /LANG=1033 "FileDescription" "${NAME} ${VERSION} setup"
VIAddVersionKey /LANG=1033 "FileVersion" "${VERSION}"
VIAddVersionKey /LANG=1033 "ProductVersion" "${VERSION}"
VIAddVersionKey /LANG=1033 "LegalCopyright" "2026 Trimora developers"

Page directory
Page instfiles
UninstPage uninstConfirm
UninstPage instfiles

Section "Trimora"
  SetShellVarContext current
  SetOutPath "$INSTDIR"
  File "/oname=trimora.exe" "${PROGRAM}"
  File "/oname=README.txt" "${README}"
  WriteUninstaller "$INSTDIR\uninstall.exe"
  CreateShortcut "$SMPROGRAMS\Trimora.lnk" "$INSTDIR\trimora.exe" "" "$INSTDIR\trimora.exe" 0

  WriteRegStr HKCU "${UNINSTALL_KEY}" "DisplayName" "${NAME}"
  WriteRegStr HKCU "${UNINSTALL_KEY}" "DisplayVersion" "${VERSION}"
  WriteRegStr HKCU "${UNINSTALL_KEY}" "Publisher" "Trimora developers"
  WriteRegStr HKCU "${UNINSTALL_KEY}" "DisplayIcon" "$INSTDIR\trimora.exe,0"
  WriteRegStr HKCU "${UNINSTALL_KEY}" "InstallLocation" "$INSTDIR"
  WriteRegStr HKCU "${UNINSTALL_KEY}" "UninstallString" '"$INSTDIR\uninstall.exe"'
  WriteRegStr HKCU "${UNINSTALL_KEY}" "QuietUninstallString" '"$INSTDIR\uninstall.exe" /S'
  WriteRegDWORD HKCU "${UNINSTALL_KEY}" "NoModify" 1
  WriteRegDWORD HKCU "${UNINSTALL_KEY}" "NoRepair" 1
  SectionGetSize 0 $0
  WriteRegDWORD HKCU "${UNINSTALL_KEY}" "EstimatedSize" $0
SectionEnd

Section "Uninstall"
  SetShellVarContext current
  Delete "$SMPROGRAMS\Trimora.lnk"
  Delete "$INSTDIR\trimora.exe"
  Delete "$INSTDIR\README.txt"
  Delete "$INSTDIR\uninstall.exe"
  RMDir "$INSTDIR"
  ; The port the program remembered for its next start.
  Delete "$APPDATA\Trimora\Trimora.conf"
  RMDir "$APPDATA\Trimora"
  DeleteRegKey HKCU "${UNINSTALL_KEY}"
SectionEnd
