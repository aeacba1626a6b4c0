; The Windows installer, quorvel-<version>-setup.exe, made by scripts/windows/build.sh with
; Debian's makensis from the folder it packs into the zip:
;   makensis -DVERSION=1.005 -DVERSION4=1.5.0.0 -DICON=quorvel.ico -DFILES=<list.nsh>
;            -DOUTFILE=<setup.exe> quorvel.nsi
; FILES lists the staged files as install and uninstall commands, so that the uninstaller
; removes exactly what was installed and nothing else.
;
; Per machine into Program Files by default (administrators); per user, without administrator
; rights, into the user's own programs folder when the lab chooses (the first page, or
; /CurrentUser on the command line). /S installs silently, for lab IT. The Start-menu entry
; starts Quorvel with --data-folder: it works in the user's Documents\Quorvel, made with
; click.wav on first start. Uninstalling leaves that folder, the lab's data, alone.

; A 64-bit installer for a 64-bit program: it needs no 32-bit subsystem (WOW64), which Windows
; may lack and Wine here has not, and it sees the 64-bit Program Files and registry directly.
Target amd64-unicode
SetCompressor /SOLID lzma

!define UNINSTALL_KEY "Software\Microsoft\Windows\CurrentVersion\Uninstall\Quorvel"

!define MULTIUSER_EXECUTIONLEVEL Highest
!define MULTIUSER_MUI
!define MULTIUSER_INSTALLMODE_COMMANDLINE
!define MULTIUSER_USE_PROGRAMFILES64
!define MULTIUSER_INSTALLMODE_INSTDIR "Quorvel"
; An earlier installation's mode and folder are taken again.
!define MULTIUSER_INSTALLMODE_DEFAULT_REGISTRY_KEY "${UNINSTALL_KEY}"
!define MULTIUSER_INSTALLMODE_DEFAULT_REGISTRY_VALUENAME "InstallMode"
!define MULTIUSER_INSTALLMODE_INSTDIR_REGISTRY_KEY "${UNINSTALL_KEY}"
!define MULTIUSER_INSTALLMODE_INSTDIR_REGISTRY_VALUENAME "InstallLocation"
!include MultiUser.nsh
!include MUI2.nsh

Name "Quorvel ${VERSION}"
OutFile "${OUTFILE}"
!define MUI_ICON "${ICON}"
!define MUI_UNICON "${ICON}"

VIProductVersion "${VERSION4}"
VIAddVersionKey /LANG=1033 "ProductName" "Quorvel"
VIAddVersionKey /LANG=1033 "ProductVersion" "${VERSION}"
VIAddVersionKey /LANG=1033 "FileVersion" "${VERSION}"
VIAddVersionKey /LANG=1033 "FileDescription" "Quorvel ${VERSION} setup"
VIAddVersionKey /LANG=1033 "CompanyName" "Quorvel maintainers"
VIAddVersionKey /LANG=1033 "LegalCopyright" "Quorvel maintainers"

!insertmacro MULTIUSER_PAGE_INSTALLMODE
!insertmacro MUI_PAGE_DIRECTORY
!insertmacro MUI_PAGE_INSTFILES
!insertmacro MUI_UNPAGE_CONFIRM
!insertmacro MUI_UNPAGE_INSTFILES
!insertmacro MUI_LANGUAGE "English"

Function .onInit
  !insertmacro MULTIUSER_INIT
FunctionEnd

Function un.onInit
  !insertmacro MULTIUSER_UNINIT
FunctionEnd

Section "Quorvel"
  SetOutPath "$INSTDIR"
  !define INSTALL_FILES
  !include "${FILES}"
  !undef INSTALL_FILES
  WriteUninstaller "$INSTDIR\uninstall.exe"

  ; The program's folder is its working folder for no more than an instant: --data-folder
  ; makes Documents\Quorvel the working folder before anything is read or written.
  SetOutPath "$INSTDIR"
  CreateShortcut "$SMPROGRAMS\Quorvel.lnk" "$INSTDIR\quorvel.exe" "--data-folder" \
    "$INSTDIR\quorvel.exe" 0 SW_SHOWNORMAL "" \
    "Timed connect-the-targets test; files go to Documents\Quorvel"

  WriteRegStr SHCTX "${UNINSTALL_KEY}" "DisplayName" "Quorvel"
  WriteRegStr SHCTX "${UNINSTALL_KEY}" "DisplayVersion" "${VERSION}"
  WriteRegStr SHCTX "${UNINSTALL_KEY}" "Publisher" "Quorvel maintainers"
  WriteRegStr SHCTX "${UNINSTALL_KEY}" "DisplayIcon" "$INSTDIR\quorvel.exe"
  WriteRegStr SHCTX "${UNINSTALL_KEY}" "InstallLocation" "$INSTDIR"
  WriteRegStr SHCTX "${UNINSTALL_KEY}" "InstallMode" "$MultiUser.InstallMode"
  WriteRegStr SHCTX "${UNINSTALL_KEY}" "UninstallString" \
    '"$INSTDIR\uninstall.exe" /$MultiUser.InstallMode'
  WriteRegStr SHCTX "${UNINSTALL_KEY}" "QuietUninstallString" \
    '"$INSTDIR\uninstall.exe" /$MultiUser.InstallMode /S'
  WriteRegDWORD SHCTX "${UNINSTALL_KEY}" "NoModify" 1
  WriteRegDWORD SHCTX "${UNINSTALL_KEY}" "NoRepair" 1
SectionEnd

; Only what was installed: the data folder (Documents\Quorvel) and anything a lab put into the
; program's folder stay.
Section "Uninstall"
  Delete "$SMPROGRAMS\Quorvel.lnk"
  !define UNINSTALL_FILES
  !include "${FILES}"
  !undef UNINSTALL_FILES
  Delete "$INSTDIR\uninstall.exe"
  RMDir "$INSTDIR"
  DeleteRegKey SHCTX "${UNINSTALL_KEY}"
SectionEnd
