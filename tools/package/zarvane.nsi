; The Windows installer of the saver: a 64-bit NSIS program, built by tools/package.sh with
;   makensis /DVERSION=x.y.z /DSCR=path/zarvane.scr /DCREDITS=path /DOUTFILE=path zarvane.nsi
; Silent use: /S, /FEEDHOST=host[:port][/prefix] and /NOACTIVATE.
Unicode true
Target amd64-unicode
RequestExecutionLevel admin
SetCompressor /SOLID lzma

!include MUI2.nsh
!include nsDialogs.nsh
!include FileFunc.nsh
!include LogicLib.nsh

!define PRODUCT "Zarvane"
!define MAKER "Quillmere"
!define SAVER "zarvane.scr"
!define UNINSTALLER "uninstall.exe"
!define UNINSTALL_KEY "Software\Microsoft\Windows\CurrentVersion\Uninstall\Zarvane"
!define DESKTOP_KEY "Control Panel\Desktop"
!define SAVER_SECTION "zarvsaver"
!define HOST_LIMIT 79 ; the saver keeps "AlternateHost" in 80 bytes

Name "${PRODUCT}"
OutFile "${OUTFILE}"
; A 64-bit process: $PROGRAMFILES64 and $SYSDIR are the native folders, with no redirection.
InstallDir "$PROGRAMFILES64\${PRODUCT}"
BrandingText "${MAKER}"

VIProductVersion "${VERSION}.0"
VIAddVersionKey /LANG=1033 "ProductName" "${PRODUCT}"
VIAddVersionKey /LANG=1033 "CompanyName" "${MAKER}"
VIAddVersionKey /LANG=1033 "FileDescription" "Zarvane screen saver setup"
VIAddVersionKey /LANG=1033 "FileVersion" "${VERSION}"
VIAddVersionKey /LANG=1033 "ProductVersion" "${VERSION}"
VIAddVersionKey /LANG=1033 "LegalCopyright" "Copyright (C) 2026 ${MAKER}"

Var FeedHost
Var FeedHostBox

!define MUI_COMPONENTSPAGE_NODESC ; a list wide enough for the option's whole name
!insertmacro MUI_PAGE_COMPONENTS
Page custom FeedPageShow FeedPageLeave
!insertmacro MUI_PAGE_INSTFILES
!insertmacro MUI_UNPAGE_CONFIRM
!insertmacro MUI_UNPAGE_INSTFILES
!insertmacro MUI_LANGUAGE "English"

Section "-${PRODUCT}"
  SetOutPath "$INSTDIR"
  File "/oname=CREDITS.txt" "${CREDITS}"
  WriteUninstaller "$INSTDIR\${UNINSTALLER}"
  ; The Screen Saver Settings list shows the .scr files of the system folder.
  SetOutPath "$SYSDIR"
  File "/oname=${SAVER}" "${SCR}"
  Call RegisterUninstaller
  Call WriteFeedHost
SectionEnd

Section "Use Zarvane as my screen saver" SecActivate
  WriteRegStr HKCU "${DESKTOP_KEY}" "SCRNSAVE.EXE" "$SYSDIR\${SAVER}"
  WriteRegStr HKCU "${DESKTOP_KEY}" "ScreenSaveActive" "1"
  ; SPI_SETSCREENSAVEACTIVE with SPIF_SENDCHANGE: the running session takes the change.
  System::Call "user32::SystemParametersInfoW(i 17, i 1, p 0, i 2)"
SectionEnd

Function RegisterUninstaller
  FileOpen $0 "$SYSDIR\${SAVER}" r
  FileSeek $0 0 END $1
  FileClose $0
  IntOp $1 $1 + 1023
  IntOp $1 $1 / 1024
  WriteRegStr HKLM "${UNINSTALL_KEY}" "DisplayName" "${PRODUCT}"
  WriteRegStr HKLM "${UNINSTALL_KEY}" "DisplayVersion" "${VERSION}"
  WriteRegStr HKLM "${UNINSTALL_KEY}" "Publisher" "${MAKER}"
  ; The saver carries no icon; the uninstaller's stands for it.
  WriteRegStr HKLM "${UNINSTALL_KEY}" "DisplayIcon" "$INSTDIR\${UNINSTALLER}"
  WriteRegStr HKLM "${UNINSTALL_KEY}" "UninstallString" '"$INSTDIR\${UNINSTALLER}"'
  WriteRegStr HKLM "${UNINSTALL_KEY}" "QuietUninstallString" '"$INSTDIR\${UNINSTALLER}" /S'
  WriteRegDWORD HKLM "${UNINSTALL_KEY}" "EstimatedSize" $1
FunctionEnd

; The same keys the saver's own dialogs write; "Internet" too, since a feed host is
; named only to be fetched from.
Function WriteFeedHost
  ${If} $FeedHost != ""
    WriteINIStr "$WINDIR\win.ini" "${SAVER_SECTION}" "Internet" "1"
    WriteINIStr "$WINDIR\win.ini" "${SAVER_SECTION}" "Alternate" "1"
    WriteINIStr "$WINDIR\win.ini" "${SAVER_SECTION}" "AlternateHost" "$FeedHost"
  ${EndIf}
FunctionEnd

Function .onInit
  ${GetParameters} $0
  ClearErrors
  ${GetOptions} $0 "/FEEDHOST=" $FeedHost
  ${If} ${Errors}
    StrCpy $FeedHost ""
  ${EndIf}
  StrCpy $FeedHost $FeedHost ${HOST_LIMIT}
  ClearErrors
  ${GetOptions} $0 "/NOACTIVATE" $1
  ${IfNot} ${Errors}
    !insertmacro UnselectSection ${SecActivate}
  ${EndIf}
FunctionEnd

Function FeedPageShow
  !insertmacro MUI_HEADER_TEXT "Storm feed server" "Where the saver fetches the storm feed (optional)"
  nsDialogs::Create 1018
  Pop $0
  ${NSD_CreateLabel} 0 0 100% 36u "Leave this empty to use Quillmere's feed. To use your own zarvane-feed server, enter its host: host, host:port or host:port/prefix."
  Pop $0
  ${NSD_CreateText} 0 44u 100% 12u "$FeedHost"
  Pop $FeedHostBox
  ${NSD_SetTextLimit} $FeedHostBox ${HOST_LIMIT}
  nsDialogs::Show
FunctionEnd

Function FeedPageLeave
  ${NSD_GetText} $FeedHostBox $FeedHost
FunctionEnd

Section "Uninstall"
  Delete "$SYSDIR\${SAVER}"
  Call un.ClearScreenSaver
  Delete "$INSTDIR\CREDITS.txt"
  Delete "$INSTDIR\${UNINSTALLER}"
  RMDir "$INSTDIR"
  ; Last, so that the entry's absence tells that the uninstall is complete.
  DeleteRegKey HKLM "${UNINSTALL_KEY}"
SectionEnd

; Only when the user's screen saver is this one; the "zarvsaver" settings stay.
Function un.ClearScreenSaver
  ReadRegStr $0 HKCU "${DESKTOP_KEY}" "SCRNSAVE.EXE"
  ${GetFileName} $0 $1
  ${If} $1 == "${SAVER}"
    DeleteRegValue HKCU "${DESKTOP_KEY}" "SCRNSAVE.EXE"
    WriteRegStr HKCU "${DESKTOP_KEY}" "ScreenSaveActive" "0"
  ${EndIf}
FunctionEnd
