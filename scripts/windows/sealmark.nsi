; The Sealmark installer, made by scripts/windows/package, which defines
; VERSION, OUTFILE, FILES (the File lines of the program folder) and
; UNINSTALL_FILES (the matching Delete and RMDir lines).
; 64-bit: Debian's Wine runs 64-bit programs only, and so does Sealmark.
Target amd64-unicode
Unicode true
SetCompressor /SOLID lzma
RequestExecutionLevel admin

!define APP "Sealmark"
!define PUBLISHER "Corvella Software"
!define UNINSTALL_KEY "Software\Microsoft\Windows\CurrentVersion\Uninstall\Sealmark"
; "Open with" only: .pdf keeps its default program.
!define APP_KEY "Software\Classes\Applications\sealmark.exe"

Name "${APP}"
OutFile "${OUTFILE}"
InstallDir "$PROGRAMFILES64\${APP}"
InstallDirRegKey HKLM "${UNINSTALL_KEY}" "InstallLocation"
VIProductVersion "${VERSION}.0"
VIAddVersionKey "ProductName" "${APP}"
VIAddVersionKey "CompanyName" "${PUBLISHER}"
VIAddVersionKey "FileVersion" "${VERSION}"
VIAddVersionKey "ProductVersion" "${VERSION}"
VIAddVersionKey "FileDescription" "${APP} setup"
VIAddVersionKey "LegalCopyright" "${PUBLISHER}"

Page directory
Page instfiles
UninstPage uninstConfirm
UninstPage instfiles

Section "Install"
  SetShellVarContext all
  !include "${FILES}"
  SetOutPath "$INSTDIR"
  WriteUninstaller "$INSTDIR\uninstall.exe"
  CreateShortcut "$SMPROGRAMS\${APP}.lnk" "$INSTDIR\sealmark.exe"

  WriteRegStr HKLM "${APP_KEY}" "FriendlyAppName" "${APP}"
  WriteRegStr HKLM "${APP_KEY}\SupportedTypes" ".pdf" ""
  WriteRegStr HKLM "${APP_KEY}\shell\open\command" "" '"$INSTDIR\sealmark.exe" "%1"'
  WriteRegStr HKLM "Software\Classes\.pdf\OpenWithList\sealmark.exe" "" ""

  WriteRegStr HKLM "${UNINSTALL_KEY}" "DisplayName" "${APP}"
  WriteRegStr HKLM "${UNINSTALL_KEY}" "DisplayVersion" "${VERSION}"
  WriteRegStr HKLM "${UNINSTALL_KEY}" "Publisher" "${PUBLISHER}"
  WriteRegStr HKLM "${UNINSTALL_KEY}" "DisplayIcon" "$INSTDIR\sealmark.exe"
  WriteRegStr HKLM "${UNINSTALL_KEY}" "InstallLocation" "$INSTDIR"
  WriteRegStr HKLM "${UNINSTALL_KEY}" "UninstallString" '"$INSTDIR\uninstall.exe"'
  WriteRegStr HKLM "${UNINSTALL_KEY}" "QuietUninstallString" '"$INSTDIR\uninstall.exe" /S'
  WriteRegDWORD HKLM "${UNINSTALL_KEY}" "NoModify" 1
  WriteRegDWORD HKLM "${UNINSTALL_KEY}" "NoRepair" 1
SectionEnd

; Everything the installer put there, and nothing else: the user's settings
; under HKEY_CURRENT_USER stay.
Section "Uninstall"
  SetShellVarContext all
  !include "${UNINSTALL_FILES}"
  Delete "$INSTDIR\uninstall.exe"
  RMDir "$INSTDIR"
  Delete "$SMPROGRAMS\${APP}.lnk"
  DeleteRegKey HKLM "${APP_KEY}"
  DeleteRegKey HKLM "Software\Classes\.pdf\OpenWithList\sealmark.exe"
  ; Keys made for it alone go with it; any association of .pdf stays.
  DeleteRegKey /ifnosubkeys /ifnovalues HKLM "Software\Classes\.pdf\OpenWithList"
  DeleteRegKey /ifnosubkeys /ifnovalues HKLM "Software\Classes\.pdf"
  DeleteRegKey HKLM "${UNINSTALL_KEY}"
SectionEnd
