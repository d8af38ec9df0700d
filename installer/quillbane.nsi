; The Quillbane installer: per machine into Program Files\Quillbane, Start menu
; shortcuts (the window, the manual, the uninstaller), an optional desktop
; shortcut, an entry in the machine's installed-programs list and an application
; path. scripts/package defines VERSION, FILES (the folder of the files to
; install) and OUTFILE.
; Silent use for administrators: QuillbaneSetup.exe /S [/D=folder], uninstall.exe /S.

Unicode true
Target amd64-unicode
SetCompressor /SOLID lzma
RequestExecutionLevel admin
ManifestSupportedOS all

!include MUI2.nsh
!include LogicLib.nsh
!include FileFunc.nsh
!include x64.nsh

!define PRODUCT "Quillbane"
!define PUBLISHER "Tarnwick"
!define UNINSTALL_KEY "Software\Microsoft\Windows\CurrentVersion\Uninstall\Quillbane"
!define APP_PATH_KEY "Software\Microsoft\Windows\CurrentVersion\App Paths\Quillbane.exe"
!define RUN_KEY "Software\Microsoft\Windows\CurrentVersion\Run"

Name "${PRODUCT} ${VERSION}"
OutFile "${OUTFILE}"
InstallDir "$PROGRAMFILES64\${PRODUCT}"
BrandingText "${PRODUCT} ${VERSION}"
VIProductVersion "${VERSION}.0.0"
VIAddVersionKey "ProductName" "${PRODUCT}"
VIAddVersionKey "ProductVersion" "${VERSION}"
VIAddVersionKey "CompanyName" "${PUBLISHER}"
VIAddVersionKey "FileDescription" "${PRODUCT} Setup"
VIAddVersionKey "FileVersion" "${VERSION}"
VIAddVersionKey "LegalCopyright" "MIT License"

!define MUI_ICON "${__FILEDIR__}\..\res\quillbane.ico"
!define MUI_UNICON "${__FILEDIR__}\..\res\quillbane.ico"
!define MUI_ABORTWARNING
!insertmacro MUI_PAGE_LICENSE "${FILES}\LICENSE.txt"
!insertmacro MUI_PAGE_COMPONENTS
!insertmacro MUI_PAGE_DIRECTORY
!insertmacro MUI_PAGE_INSTFILES
!insertmacro MUI_UNPAGE_CONFIRM
!insertmacro MUI_UNPAGE_INSTFILES
!insertmacro MUI_LANGUAGE "English"

; Most sections read machine-wide keys and only check what they may change, so the
; window's shortcuts start it as administrator: the "run as administrator" bit
; (0x2000) of the shortcut's link flags, the four bytes at offset 0x14.
!macro RunAsAdministrator LINK
  ClearErrors
  FileOpen $R9 "${LINK}" a
  ${IfNot} ${Errors}
    FileSeek $R9 0x15 SET
    FileReadByte $R9 $R8
    IntOp $R8 $R8 | 0x20
    FileSeek $R9 0x15 SET
    FileWriteByte $R9 $R8
    FileClose $R9
  ${EndIf}
!macroend

Function .onInit
  ${IfNot} ${RunningX64}
    MessageBox MB_OK|MB_ICONSTOP "${PRODUCT} needs 64-bit Windows." /SD IDOK
    Abort
  ${EndIf}
  SetRegView 64
  SetShellVarContext all
FunctionEnd

Section "${PRODUCT} (required)" SecProgram
  SectionIn RO
  SetOutPath "$INSTDIR"
  File "${FILES}\Quillbane.exe"
  File "${FILES}\quillbane-cli.exe"
  File "${FILES}\Skelda.chm"
  File "${FILES}\README.md"
  File "${FILES}\LICENSE.txt"
  WriteUninstaller "$INSTDIR\uninstall.exe"

  CreateDirectory "$SMPROGRAMS\${PRODUCT}"
  CreateShortCut "$SMPROGRAMS\${PRODUCT}\${PRODUCT}.lnk" "$INSTDIR\Quillbane.exe" "" \
    "$INSTDIR\Quillbane.exe" 0 SW_SHOWNORMAL "" "Find and remove stale registry entries and broken shortcuts"
  !insertmacro RunAsAdministrator "$SMPROGRAMS\${PRODUCT}\${PRODUCT}.lnk"
  CreateShortCut "$SMPROGRAMS\${PRODUCT}\${PRODUCT} Help Manual.lnk" "$INSTDIR\Skelda.chm"
  CreateShortCut "$SMPROGRAMS\${PRODUCT}\Uninstall ${PRODUCT}.lnk" "$INSTDIR\uninstall.exe"

  WriteRegStr HKLM "${APP_PATH_KEY}" "" "$INSTDIR\Quillbane.exe"
  WriteRegStr HKLM "${APP_PATH_KEY}" "Path" "$INSTDIR"

  WriteRegStr HKLM "${UNINSTALL_KEY}" "DisplayName" "${PRODUCT}"
  WriteRegStr HKLM "${UNINSTALL_KEY}" "DisplayVersion" "${VERSION}"
  WriteRegStr HKLM "${UNINSTALL_KEY}" "Publisher" "${PUBLISHER}"
  WriteRegStr HKLM "${UNINSTALL_KEY}" "DisplayIcon" "$INSTDIR\Quillbane.exe,0"
  WriteRegStr HKLM "${UNINSTALL_KEY}" "InstallLocation" "$INSTDIR"
  WriteRegStr HKLM "${UNINSTALL_KEY}" "UninstallString" '"$INSTDIR\uninstall.exe"'
  WriteRegStr HKLM "${UNINSTALL_KEY}" "QuietUninstallString" '"$INSTDIR\uninstall.exe" /S'
  WriteRegDWORD HKLM "${UNINSTALL_KEY}" "NoModify" 1
  WriteRegDWORD HKLM "${UNINSTALL_KEY}" "NoRepair" 1
  ${GetSize} "$INSTDIR" "/S=0K" $0 $1 $2
  WriteRegDWORD HKLM "${UNINSTALL_KEY}" "EstimatedSize" $0
SectionEnd

Section "Desktop shortcut" SecDesktop
  CreateShortCut "$DESKTOP\${PRODUCT}.lnk" "$INSTDIR\Quillbane.exe" "" "$INSTDIR\Quillbane.exe" 0 \
    SW_SHOWNORMAL "" "Find and remove stale registry entries and broken shortcuts"
  !insertmacro RunAsAdministrator "$DESKTOP\${PRODUCT}.lnk"
SectionEnd

!insertmacro MUI_FUNCTION_DESCRIPTION_BEGIN
  !insertmacro MUI_DESCRIPTION_TEXT ${SecProgram} "The window, the console program quillbane-cli and the help manual."
  !insertmacro MUI_DESCRIPTION_TEXT ${SecDesktop} "A shortcut to ${PRODUCT} on the desktop of every user."
!insertmacro MUI_FUNCTION_DESCRIPTION_END

Function un.onInit
  SetRegView 64
  SetShellVarContext all
FunctionEnd

Section "Uninstall"
  Delete "$INSTDIR\Quillbane.exe"
  Delete "$INSTDIR\quillbane-cli.exe"
  Delete "$INSTDIR\Skelda.chm"
  Delete "$INSTDIR\README.md"
  Delete "$INSTDIR\LICENSE.txt"
  Delete "$INSTDIR\uninstall.exe"

  Delete "$SMPROGRAMS\${PRODUCT}\${PRODUCT}.lnk"
  Delete "$SMPROGRAMS\${PRODUCT}\${PRODUCT} Help Manual.lnk"
  Delete "$SMPROGRAMS\${PRODUCT}\Uninstall ${PRODUCT}.lnk"
  RMDir "$SMPROGRAMS\${PRODUCT}"
  Delete "$DESKTOP\${PRODUCT}.lnk"

  DeleteRegKey HKLM "${APP_PATH_KEY}"
  DeleteRegKey HKLM "${UNINSTALL_KEY}"
  ; The start-at-logon entry of the user who uninstalls, when it starts this copy:
  ; left behind it would be a broken startup entry.
  ReadRegStr $0 HKCU "${RUN_KEY}" "Tarnwick"
  ${If} $0 == '"$INSTDIR\Quillbane.exe"'
    DeleteRegValue HKCU "${RUN_KEY}" "Tarnwick"
  ${EndIf}

  ; The backups are the only way back from a removal, and the logs are the user's
  ; record: they go only when the user says so, never in a silent uninstall.
  ${If} ${FileExists} "$INSTDIR\Backup\*.*"
  ${OrIf} ${FileExists} "$INSTDIR\logs\*.*"
    ${IfNot} ${Silent}
      MessageBox MB_YESNO|MB_ICONQUESTION|MB_DEFBUTTON2 \
        "Also delete your backup archives and scan logs in $INSTDIR?$\r$\n$\r$\nChoose No to keep them: a later copy of ${PRODUCT} can still restore the backups." \
        IDNO keep
      RMDir /r "$INSTDIR\Backup"
      RMDir /r "$INSTDIR\logs"
    ${EndIf}
  ${EndIf}
  keep:
  RMDir "$INSTDIR"
SectionEnd
