; The Windows installer of the saver: a 64-bit NSIS program, built by tools/package.sh with
;   makensis /DVERSION=x.y.z /DSCR=path/zarvane.scr /DLICENSE=path /DCREDITS=path /DOUTFILE=path zarvane.nsi
; Silent use: /S, /FEEDHOST=host[:port][/prefix] and /NOACTIVATE.
Unicode true
Target amd64-unicode
RequestExecutionLevel admin
SetCompressor /SOLID lzma

!include MUI2.nsh
!include nsDialogs.nsh
!include FileFunc.nsh
!include LogicLib.nsh
!include WordFunc.nsh

!define PRODUCT "Zarvane"
!define MAKER "Quillmere"
!define SAVER "zarvane.scr"
!define UNINSTALLER "uninstall.exe"
!define UNINSTALL_KEY "Software\Microsoft\Windows\CurrentVersion\Uninstall\Zarvane"
!define DESKTOP_KEY "Control Panel\Desktop"
!define SAVER_SECTION "zarvsaver"
!define SETTINGS_KEY "Software\Zarvane" ; the user's copy, read before win.ini
; Active Setup: Windows runs StubPath once for every user at their next sign-in, as that user.
!define ACTIVE_SETUP_KEY "Software\Microsoft\Active Setup\Installed Components\Zarvane"
!define USER_CHOICES "user-choices.reg" ; the per-user choices, for reg.exe import
!searchreplace VERSION_COMMAS "${VERSION}" "." "," ; Active Setup's form of a version
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
Var Activate ; 1: "Use Zarvane as my screen saver" is ticked
Var UserChoices ; the open .reg file while the choices are written into it

!define MUI_COMPONENTSPAGE_NODESC ; a list wide enough for the option's whole name
!insertmacro MUI_PAGE_COMPONENTS
Page custom FeedPageShow FeedPageLeave
!insertmacro MUI_PAGE_INSTFILES
!insertmacro MUI_UNPAGE_CONFIRM
!insertmacro MUI_UNPAGE_INSTFILES
!insertmacro MUI_LANGUAGE "English"

Section "-${PRODUCT}"
  SetOutPath "$INSTDIR"
  File "/oname=LICENSE.txt" "${LICENSE}"
  File "/oname=CREDITS.txt" "${CREDITS}"
  WriteUninstaller "$INSTDIR\${UNINSTALLER}"
  ; The Screen Saver Settings list shows the .scr files of the system folder.
  SetOutPath "$SYSDIR"
  File "/oname=${SAVER}" "${SCR}"
  Call RegisterUninstaller
  Call WriteFeedHost
SectionEnd

Section "Use Zarvane as my screen saver" SecActivate
  StrCpy $Activate 1
SectionEnd

; Last: the per-user choices, once every section has said what they are.
Section "-Per-user choices"
  Call WriteUserChoices
  Call ApplyUserChoicesNow
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
; named only to be fetched from. win.ini lies in the Windows folder, one file for the
; machine, which this elevated setup can write: earlier versions and other tools read it.
Function WriteFeedHost
  ${If} $FeedHost != ""
    WriteINIStr "$WINDIR\win.ini" "${SAVER_SECTION}" "Internet" "1"
    WriteINIStr "$WINDIR\win.ini" "${SAVER_SECTION}" "Alternate" "1"
    WriteINIStr "$WINDIR\win.ini" "${SAVER_SECTION}" "AlternateHost" "$FeedHost"
  ${EndIf}
FunctionEnd

; $0 as a quoted .reg text: backslashes and quotes escaped.
Function RegText
  ${WordReplace} $0 "\" "\\" "+" $0
  ${WordReplace} $0 '"' '\"' "+" $0
  StrCpy $0 '"$0"'
FunctionEnd

; The choices that belong to a user, not to the machine: the screen saver and the feed
; host in the saver's own settings key. HKCU of an elevated setup is the account that
; elevated it, which is another administrator's when a standard user (or a help desk)
; typed an administrator's name and password. So they are kept as a .reg file that
; Active Setup imports for every user at their next sign-in, as that user: the one who ran
; the setup, and under /S every other user of the machine too.
Function WriteUserChoices
  DeleteRegKey HKLM "${ACTIVE_SETUP_KEY}"
  Delete "$INSTDIR\${USER_CHOICES}"
  ${If} $Activate != 1
  ${AndIf} $FeedHost == ""
    Return
  ${EndIf}
  FileOpen $UserChoices "$INSTDIR\${USER_CHOICES}" w
  FileWrite $UserChoices "REGEDIT4$\r$\n"
  ${If} $Activate == 1
    StrCpy $0 "$SYSDIR\${SAVER}"
    Call RegText
    FileWrite $UserChoices "$\r$\n[HKEY_CURRENT_USER\${DESKTOP_KEY}]$\r$\n"
    FileWrite $UserChoices '"SCRNSAVE.EXE"=$0$\r$\n"ScreenSaveActive"="1"$\r$\n'
  ${EndIf}
  ${If} $FeedHost != ""
    StrCpy $0 $FeedHost
    Call RegText
    FileWrite $UserChoices "$\r$\n[HKEY_CURRENT_USER\${SETTINGS_KEY}]$\r$\n"
    FileWrite $UserChoices '"Internet"=dword:00000001$\r$\n"Alternate"=dword:00000001$\r$\n'
    FileWrite $UserChoices '"AlternateHost"=$0$\r$\n'
  ${EndIf}
  FileClose $UserChoices
  WriteRegStr HKLM "${ACTIVE_SETUP_KEY}" "" "${PRODUCT}"
  WriteRegStr HKLM "${ACTIVE_SETUP_KEY}" "Version" "${VERSION_COMMAS}"
  WriteRegDWORD HKLM "${ACTIVE_SETUP_KEY}" "IsInstalled" 1
  WriteRegStr HKLM "${ACTIVE_SETUP_KEY}" "StubPath" \
    '"$SYSDIR\reg.exe" import "$INSTDIR\${USER_CHOICES}"'
FunctionEnd

; The account that runs the setup gets its choices at once (the common case: a user who is
; an administrator), and Active Setup is told that this account has them.
Function ApplyUserChoicesNow
  ${If} $Activate == 1
    WriteRegStr HKCU "${DESKTOP_KEY}" "SCRNSAVE.EXE" "$SYSDIR\${SAVER}"
    WriteRegStr HKCU "${DESKTOP_KEY}" "ScreenSaveActive" "1"
    ; SPI_SETSCREENSAVEACTIVE with SPIF_SENDCHANGE: the running session takes the change.
    System::Call "user32::SystemParametersInfoW(i 17, i 1, p 0, i 2)"
  ${EndIf}
  ${If} $FeedHost != ""
    WriteRegDWORD HKCU "${SETTINGS_KEY}" "Internet" 1
    WriteRegDWORD HKCU "${SETTINGS_KEY}" "Alternate" 1
    WriteRegStr HKCU "${SETTINGS_KEY}" "AlternateHost" "$FeedHost"
  ${EndIf}
  ${If} ${FileExists} "$INSTDIR\${USER_CHOICES}"
    WriteRegStr HKCU "${ACTIVE_SETUP_KEY}" "Version" "${VERSION_COMMAS}"
  ${EndIf}
FunctionEnd

Function .onInit
  StrCpy $Activate 0
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

; A saver that runs, or a preview open in the Screen Saver Settings, holds zarvane.scr:
; then it is removed when Windows restarts, and the exit code says so (3010,
; ERROR_SUCCESS_REBOOT_REQUIRED). When it can be neither removed nor scheduled, nothing
; else is removed either: the Apps entry and the uninstaller stay for another try.
Section "Uninstall"
  ClearErrors
  Delete /REBOOTOK "$SYSDIR\${SAVER}"
  ${If} ${Errors}
    MessageBox MB_OK|MB_ICONSTOP "$SYSDIR\${SAVER} could not be removed. Close the screen saver and its settings, then uninstall again." /SD IDOK
    SetErrorLevel 2
    Abort
  ${EndIf}
  DeleteRegKey HKLM "${ACTIVE_SETUP_KEY}"
  Call un.ClearScreenSaver
  Delete "$INSTDIR\LICENSE.txt"
  Delete "$INSTDIR\CREDITS.txt"
  Delete "$INSTDIR\${USER_CHOICES}"
  Delete "$INSTDIR\${UNINSTALLER}"
  RMDir "$INSTDIR"
  ; Last, so that the entry's absence tells that the uninstall is complete or scheduled.
  DeleteRegKey HKLM "${UNINSTALL_KEY}"
  ${If} ${RebootFlag}
    SetErrorLevel 3010
    MessageBox MB_OK|MB_ICONINFORMATION "$SYSDIR\${SAVER} is in use: it will be removed when Windows restarts." /SD IDOK
  ${EndIf}
SectionEnd

; Only when the user's screen saver is this one; the settings stay, in win.ini and in the
; user's key.
Function un.ClearScreenSaver
  ReadRegStr $0 HKCU "${DESKTOP_KEY}" "SCRNSAVE.EXE"
  ${GetFileName} $0 $1
  ${If} $1 == "${SAVER}"
    DeleteRegValue HKCU "${DESKTOP_KEY}" "SCRNSAVE.EXE"
    WriteRegStr HKCU "${DESKTOP_KEY}" "ScreenSaveActive" "0"
  ${EndIf}
FunctionEnd
