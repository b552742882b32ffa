; The Windows installer, made by scripts/windows-package.sh, which defines
; VERSION, SOURCE (the portable folder), FILES (its uninstall list) and OUTFILE.
; Per user (the default, no administrator needed) or for all users:
;   Mirell-setup.exe [/S] [/CurrentUser | /AllUsers] [/Autostart] [/D=folder]
; /Autostart ticks "start at login", which a silent install cannot otherwise.
; The uninstaller removes what was installed and leaves the user's settings
; (HKCU\Software\Mirell!) and the composed wallpaper, which Windows still shows.
; A 64-bit installer for a 64-bit program: no registry or folder redirection.
Target amd64-unicode
SetCompressor /SOLID lzma
Name "Mirell"
OutFile "${OUTFILE}"
BrandingText "Mirell ${VERSION}"

!define UNINSTALL_KEY "Software\Microsoft\Windows\CurrentVersion\Uninstall\Mirell"
!define MULTIUSER_EXECUTIONLEVEL Highest
!define MULTIUSER_MUI
!define MULTIUSER_INSTALLMODE_COMMANDLINE
!define MULTIUSER_INSTALLMODE_DEFAULT_CURRENTUSER
!define MULTIUSER_INSTALLMODE_INSTDIR "Mirell"
!define MULTIUSER_USE_PROGRAMFILES64
!define MULTIUSER_INSTALLMODE_DEFAULT_REGISTRY_KEY "${UNINSTALL_KEY}"
!define MULTIUSER_INSTALLMODE_DEFAULT_REGISTRY_VALUENAME "InstallMode"
!define MULTIUSER_INSTALLMODE_INSTDIR_REGISTRY_KEY "${UNINSTALL_KEY}"
!define MULTIUSER_INSTALLMODE_INSTDIR_REGISTRY_VALUENAME "InstallLocation"
!include MultiUser.nsh
!include MUI2.nsh
!include FileFunc.nsh

!insertmacro MULTIUSER_PAGE_INSTALLMODE
!insertmacro MUI_PAGE_DIRECTORY
!insertmacro MUI_PAGE_COMPONENTS
!insertmacro MUI_PAGE_INSTFILES
!insertmacro MUI_UNPAGE_CONFIRM
!insertmacro MUI_UNPAGE_INSTFILES
!insertmacro MUI_LANGUAGE "Japanese"

Section "Mirell" SecProgram
  SectionIn RO
  ; A running copy keeps its DLLs open.
  IfFileExists "$INSTDIR\mirell.exe" 0 +2
    ExecWait '"$INSTDIR\mirell.exe" --quit'
  SetOutPath "$INSTDIR"
  File /r "${SOURCE}\*.*"
  WriteUninstaller "$INSTDIR\uninstall.exe"
  CreateShortcut "$SMPROGRAMS\Mirell.lnk" "$INSTDIR\mirell.exe"
  WriteRegStr SHCTX "${UNINSTALL_KEY}" "DisplayName" "Mirell"
  WriteRegStr SHCTX "${UNINSTALL_KEY}" "DisplayVersion" "${VERSION}"
  WriteRegStr SHCTX "${UNINSTALL_KEY}" "Publisher" "Mirell"
  WriteRegStr SHCTX "${UNINSTALL_KEY}" "DisplayIcon" "$INSTDIR\mirell.exe"
  WriteRegStr SHCTX "${UNINSTALL_KEY}" "InstallLocation" "$INSTDIR"
  WriteRegStr SHCTX "${UNINSTALL_KEY}" "InstallMode" "$MultiUser.InstallMode"
  WriteRegStr SHCTX "${UNINSTALL_KEY}" "UninstallString" \
    '"$INSTDIR\uninstall.exe" /$MultiUser.InstallMode'
  WriteRegStr SHCTX "${UNINSTALL_KEY}" "QuietUninstallString" \
    '"$INSTDIR\uninstall.exe" /S /$MultiUser.InstallMode'
  WriteRegDWORD SHCTX "${UNINSTALL_KEY}" "NoModify" 1
  WriteRegDWORD SHCTX "${UNINSTALL_KEY}" "NoRepair" 1
SectionEnd

; The program writes its own Run entry, as its --autostart and its window do.
Section /o "ログイン時に起動" SecLogin
  ExecWait '"$INSTDIR\mirell.exe" --autostart on'
SectionEnd

Section "Uninstall"
  IfFileExists "$INSTDIR\mirell.exe" 0 +3
    ExecWait '"$INSTDIR\mirell.exe" --quit'
    ExecWait '"$INSTDIR\mirell.exe" --autostart off'
  !include "${FILES}"
  Delete "$INSTDIR\uninstall.exe"
  ; Stays when the wallpaper is still in it.
  RMDir "$INSTDIR"
  Delete "$SMPROGRAMS\Mirell.lnk"
  DeleteRegKey SHCTX "${UNINSTALL_KEY}"
SectionEnd

; After the sections, whose numbers it uses.
Function .onInit
  !insertmacro MULTIUSER_INIT
  ${GetParameters} $R0
  ClearErrors
  ${GetOptions} $R0 "/Autostart" $R1
  IfErrors +2
    SectionSetFlags ${SecLogin} ${SF_SELECTED}
FunctionEnd
Function un.onInit
  !insertmacro MULTIUSER_UNINIT
FunctionEnd
