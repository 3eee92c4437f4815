; The Windows installer of the saver: a 64-bit NSIS program, built by tools/package.sh with
;   makensis /DVERSION=x.y.z /DSCR=path/zarvane.scr /DLICENSE=path /DCREDITS=path /DOUTFILE=path zarvane.nsi
; Switches (docs/administrators.md says more):
;   /S                 no pages, no questions
;   /FEEDHOST=TEXT     the machine's feed host, for every user: "Internet" 1, "Alternate" 1
;                      and "AlternateHost" TEXT under HKLM\Software\Policies\Zarvane
;   /NOACTIVATE        leave the screen saver of the account that runs the setup as it is
;   /ALLUSERS          with /S only: Zarvane becomes every account's screen saver, once per
;                      account at its next sign-in (Active Setup)
; Only the account signed in at the desktop, when it is the one that runs the setup, gets
; Zarvane as its screen saver at once; no other user's key is written.
Unicode true
Target amd64-unicode
RequestExecutionLevel admin
SetCompressor /SOLID lzma

!include MUI2.nsh
!include nsDialogs.nsh
!include FileFunc.nsh
!include LogicLib.nsh
!include WordFunc.nsh
!include Util.nsh

!define PRODUCT "Zarvane"
!define MAKER "Quillmere"
!define SAVER "zarvane.scr"
!define UNINSTALLER "uninstall.exe"
!define UNINSTALL_KEY "Software\Microsoft\Windows\CurrentVersion\Uninstall\Zarvane"
!define DESKTOP_KEY "Control Panel\Desktop"
; The administrator's feed host, read by the saver before the user's own settings.
!define POLICY_KEY "Software\Policies\Zarvane"
; Active Setup: Windows runs StubPath once for every user at their next sign-in, as that
; user, when the user's stamp (the same path under HKCU) is missing or lower than Version.
!define ACTIVE_SETUP "Software\Microsoft\Active Setup\Installed Components"
!define LEGACY_ENTRY "${ACTIVE_SETUP}\Zarvane" ; earlier versions' entry: removed
!define ALL_USERS_ENTRY "${ACTIVE_SETUP}\Zarvane.AllUsers"
; Raise it only when what the entry applies changes: a user whose stamp is this value
; already has it, and a reinstall must not take back a user's later choice.
!define ALL_USERS_VERSION "1"
!define ALL_USERS_CHOICES "all-users.reg" ; what the entry imports, in $INSTDIR
!define UNINSTALL_ENTRY "${ACTIVE_SETUP}\Zarvane.Uninstall"
!define SESSION_MANAGER_KEY "SYSTEM\CurrentControlSet\Control\Session Manager"
!define PENDING_RENAMES "PendingFileRenameOperations"
!define SAVER_PATTERN "zarvane\.scr" ; ${SAVER} as a findstr pattern
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
Var AllUsers ; 1: /S /ALLUSERS
Var SetupAccount ; DOMAIN\user the setup runs as
Var DesktopAccount ; DOMAIN\user signed in at the desktop of the setup's session; "" for none
Var FinishText
Var CleanUpVersion ; the uninstall's Version of its clean-up entry

!define MUI_COMPONENTSPAGE_NODESC ; a list wide enough for the option's whole name
!insertmacro MUI_PAGE_COMPONENTS
Page custom FeedPageShow FeedPageLeave
!insertmacro MUI_PAGE_INSTFILES
!define MUI_FINISHPAGE_TEXT "$FinishText"
!insertmacro MUI_PAGE_FINISH
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
  Call CancelPendingRemoval
  File "/oname=${SAVER}" "${SCR}"
  Call RegisterUninstaller
  Call WriteFeedPolicy
SectionEnd

Section "Use Zarvane as my screen saver" SecActivate
  StrCpy $Activate 1
SectionEnd

; Last: the per-user choices, once every section has said what they are.
Section "-Per-user choices"
  Call WriteActiveSetup
  Call ApplyToDesktopAccount
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

; The feed host an administrator names is the machine's: a policy, read by the saver before
; each user's own settings, so that it reaches every account at once and no user's key is
; written. Without /FEEDHOST= an earlier policy stays as it is.
Function WriteFeedPolicy
  ${If} $FeedHost != ""
    WriteRegDWORD HKLM "${POLICY_KEY}" "Internet" 1
    WriteRegDWORD HKLM "${POLICY_KEY}" "Alternate" 1
    WriteRegStr HKLM "${POLICY_KEY}" "AlternateHost" "$FeedHost"
  ${EndIf}
FunctionEnd

; $0 as a quoted .reg text: backslashes and quotes escaped.
Function RegText
  ${WordReplace} $0 "\" "\\" "+" $0
  ${WordReplace} $0 '"' '\"' "+" $0
  StrCpy $0 '"$0"'
FunctionEnd

; Earlier versions pushed the choices onto every account at every upgrade: that entry
; goes, and so does an uninstall's clean-up entry, since Zarvane is back. An entry written
; by an earlier /S /ALLUSERS stays: an upgrade keeps the administrator's choice.
Function WriteActiveSetup
  DeleteRegKey HKLM "${LEGACY_ENTRY}"
  Delete "$INSTDIR\user-choices.reg"
  DeleteRegKey HKLM "${UNINSTALL_ENTRY}"
  ${If} $AllUsers != 1
    Return
  ${EndIf}
  StrCpy $0 "$SYSDIR\${SAVER}"
  Call RegText
  FileOpen $1 "$INSTDIR\${ALL_USERS_CHOICES}" w
  FileWrite $1 "REGEDIT4$\r$\n$\r$\n[HKEY_CURRENT_USER\${DESKTOP_KEY}]$\r$\n"
  FileWrite $1 '"SCRNSAVE.EXE"=$0$\r$\n"ScreenSaveActive"="1"$\r$\n'
  FileClose $1
  WriteRegStr HKLM "${ALL_USERS_ENTRY}" "" "${PRODUCT}"
  WriteRegStr HKLM "${ALL_USERS_ENTRY}" "Version" "${ALL_USERS_VERSION}"
  WriteRegDWORD HKLM "${ALL_USERS_ENTRY}" "IsInstalled" 1
  WriteRegStr HKLM "${ALL_USERS_ENTRY}" "StubPath" \
    '"$SYSDIR\reg.exe" import "$INSTDIR\${ALL_USERS_CHOICES}"'
FunctionEnd

; HKCU of an elevated setup is the account that elevated it. When that is not the account
; signed in at the desktop (a standard user's setup elevated with an administrator's name
; and password, or a deployment tool running as SYSTEM), nobody asked for that account's
; screen saver: it is left alone, and the finish page says how the user picks Zarvane.
Function ApplyToDesktopAccount
  ${If} $SetupAccount != $DesktopAccount
    StrCpy $FinishText "Zarvane is installed. This setup ran as $SetupAccount, not as the account signed in at this desktop, so it changed no account's screen saver.$\r$\n$\r$\nTo use Zarvane, sign in as yourself and open Settings > Personalization > Lock screen > Screen saver (on Windows 10: Screen saver settings), choose Zarvane in the list and click OK."
    Return
  ${EndIf}
  StrCpy $FinishText "Zarvane is installed."
  ${If} $Activate == 1
    StrCpy $FinishText "Zarvane is installed and is now your screen saver."
    WriteRegStr HKCU "${DESKTOP_KEY}" "SCRNSAVE.EXE" "$SYSDIR\${SAVER}"
    WriteRegStr HKCU "${DESKTOP_KEY}" "ScreenSaveActive" "1"
    ; SPI_SETSCREENSAVEACTIVE with SPIF_SENDCHANGE: the running session takes the change.
    System::Call "user32::SystemParametersInfoW(i 17, i 1, p 0, i 2)"
  ${EndIf}
  ; This account has made its own choice: Active Setup passes it by.
  ${If} $AllUsers == 1
    WriteRegStr HKCU "${ALL_USERS_ENTRY}" "Version" "${ALL_USERS_VERSION}"
  ${EndIf}
FunctionEnd

; $0: DOMAIN\user of the session's desktop, from Remote Desktop Services' session data
; (also there for the console session); "" when the session has no user, as for a
; service's session 0.
Function QueryDesktopAccount
  StrCpy $0 ""
  ; WTS_CURRENT_SERVER_HANDLE, WTS_CURRENT_SESSION, WTSUserName (5), WTSDomainName (7)
  System::Call "wtsapi32::WTSQuerySessionInformationW(p 0, i -1, i 5, *p .r1, *i .r2) i .r3"
  ${If} $3 == 0
    Return
  ${EndIf}
  System::Call "*$1(&w${NSIS_MAX_STRLEN} .r4)"
  System::Call "wtsapi32::WTSFreeMemory(p r1)"
  System::Call "wtsapi32::WTSQuerySessionInformationW(p 0, i -1, i 7, *p .r1, *i .r2) i .r3"
  ${If} $3 == 0
  ${OrIf} $4 == ""
    Return
  ${EndIf}
  System::Call "*$1(&w${NSIS_MAX_STRLEN} .r5)"
  System::Call "wtsapi32::WTSFreeMemory(p r1)"
  StrCpy $0 "$5\$4"
FunctionEnd

; The accounts compared: the setup's own (NameSamCompatible, DOMAIN\user) and the desktop's.
; StrCmp, and so != of LogicLib, ignores case, as account names do.
Function FindAccounts
  StrCpy $SetupAccount "?"
  System::Call "secur32::GetUserNameExW(i 2, w .r0, *i ${NSIS_MAX_STRLEN}) i .r1"
  ${If} $1 != 0
    StrCpy $SetupAccount $0
  ${EndIf}
  Call QueryDesktopAccount
  StrCpy $DesktopAccount $0
FunctionEnd

; An earlier uninstall, with zarvane.scr in use, may have scheduled its removal at the
; next restart (Session Manager's list of pending renames, pairs of source and target, an
; empty target meaning delete). The file written now must not go with it: that pair is
; taken out of the list, and every other pair is kept as it is.
Function CancelPendingRemoval
  ; HKEY_LOCAL_MACHINE, sign-extended as a 64-bit handle; KEY_QUERY_VALUE | KEY_SET_VALUE
  System::Call "advapi32::RegOpenKeyExW(p -2147483646, w '${SESSION_MANAGER_KEY}', i 0, i 3, *p .r9) i .r0"
  ${If} $0 != 0
    Return
  ${EndIf}
  System::Call "advapi32::RegQueryValueExW(p r9, w '${PENDING_RENAMES}', p 0, *i .r1, p 0, *i .r2) i .r0"
  ${If} $0 == 0
  ${AndIf} $1 == 7 ; REG_MULTI_SZ
    IntOp $3 $2 + 4 ; room for the terminating zeros a value may lack
    System::Alloc $3
    Pop $4
    System::Alloc $3
    Pop $5
    System::Call "advapi32::RegQueryValueExW(p r9, w '${PENDING_RENAMES}', p 0, p 0, p r4, *i r2) i .r0"
    ${If} $0 == 0
      Call KeepOtherPendingRenames
    ${EndIf}
    System::Free $4
    System::Free $5
  ${EndIf}
  System::Call "advapi32::RegCloseKey(p r9)"
FunctionEnd

; $4: the list ($2 bytes), $5: a zeroed buffer of its size, $9: the open key. Copies every
; pair but the deletion of the saver into $5 and writes it back when one was left out.
Function KeepOtherPendingRenames
  StrCpy $6 $4 ; the pair being read
  IntPtrOp $7 $4 + $2 ; the end of the list
  StrCpy $8 0 ; bytes kept
  StrCpy $R0 0 ; pairs left out
  ${DoWhile} $6 P< $7
    System::Call "kernel32::lstrlenW(p r6) i .R1"
    ${If} $R1 == 0 ; the empty string that ends the list
      ${Break}
    ${EndIf}
    System::Call "*$6(&w${NSIS_MAX_STRLEN} .R2)"
    IntOp $R1 $R1 + 1
    IntOp $R1 $R1 * 2
    IntPtrOp $R3 $6 + $R1 ; the target
    System::Call "kernel32::lstrlenW(p R3) i .R4"
    IntOp $R4 $R4 + 1
    IntOp $R4 $R4 * 2
    IntOp $R5 $R1 + $R4 ; the pair's bytes
    ${If} $R2 == "\??\$SYSDIR\${SAVER}"
    ${AndIf} $R4 == 2
      IntOp $R0 $R0 + 1
    ${Else}
      IntPtrOp $R6 $5 + $8
      System::Call "kernel32::RtlMoveMemory(p R6, p r6, p R5)"
      IntOp $8 $8 + $R5
    ${EndIf}
    IntPtrOp $6 $6 + $R5
  ${Loop}
  ${If} $R0 == 0
    Return
  ${ElseIf} $8 == 0
    System::Call "advapi32::RegDeleteValueW(p r9, w '${PENDING_RENAMES}')"
  ${Else}
    IntOp $8 $8 + 2 ; the list's final empty string
    System::Call "advapi32::RegSetValueExW(p r9, w '${PENDING_RENAMES}', i 0, i 7, p r5, i r8)"
  ${EndIf}
FunctionEnd

Function .onInit
  StrCpy $Activate 0
  StrCpy $AllUsers 0
  Call FindAccounts
  ${GetParameters} $0
  ClearErrors
  ${GetOptions} $0 "/ALLUSERS" $1
  ${IfNot} ${Errors}
  ${AndIf} ${Silent}
    StrCpy $AllUsers 1
  ${EndIf}
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
; then it is renamed to a free name in the same folder and that name is removed when
; Windows restarts, so that a later install of zarvane.scr is not removed with it; the
; exit code says so (3010, ERROR_SUCCESS_REBOOT_REQUIRED). When it can be neither removed
; nor renamed, nothing else is removed either: the Apps entry and the uninstaller stay for
; another try.
Section "Uninstall"
  Call un.RemoveSaverFile
  ${If} ${Errors}
    MessageBox MB_OK|MB_ICONSTOP "$SYSDIR\${SAVER} could not be removed. Close the screen saver and its settings, then uninstall again." /SD IDOK
    SetErrorLevel 2
    Abort
  ${EndIf}
  DeleteRegKey HKLM "${ALL_USERS_ENTRY}"
  DeleteRegKey HKLM "${LEGACY_ENTRY}"
  DeleteRegKey HKLM "${POLICY_KEY}"
  Call un.ClearingVersion
  Call un.ClearLoadedAccounts
  Call un.WriteClearingEntry
  Delete "$INSTDIR\LICENSE.txt"
  Delete "$INSTDIR\CREDITS.txt"
  Delete "$INSTDIR\${ALL_USERS_CHOICES}"
  Delete "$INSTDIR\user-choices.reg"
  Delete "$INSTDIR\${UNINSTALLER}"
  RMDir "$INSTDIR"
  ; Last, so that the entry's absence tells that the uninstall is complete or scheduled.
  DeleteRegKey HKLM "${UNINSTALL_KEY}"
  ${If} ${RebootFlag}
    SetErrorLevel 3010
    MessageBox MB_OK|MB_ICONINFORMATION "$SYSDIR\${SAVER} is in use: it will be removed when Windows restarts." /SD IDOK
  ${EndIf}
SectionEnd

; The error flag is set when the saver's file is still there under its own name.
Function un.RemoveSaverFile
  ClearErrors
  Delete "$SYSDIR\${SAVER}"
  ${IfNot} ${Errors}
    Return
  ${EndIf}
  ; A running program's file can be renamed, though not removed.
  GetTempFileName $0 "$SYSDIR"
  Delete $0
  ClearErrors
  Rename "$SYSDIR\${SAVER}" $0
  ${If} ${Errors}
    Return
  ${EndIf}
  Delete /REBOOTOK $0
  ClearErrors
FunctionEnd

; Every account signed in now (its registry loaded under HKEY_USERS) whose screen saver is
; Zarvane gets none, and is stamped as done for the clean-up entry. The settings stay, in
; win.ini and in each user's key.
Function un.ClearLoadedAccounts
  StrCpy $3 0
  ${Do}
    EnumRegKey $4 HKU "" $3
    ${If} $4 == ""
      ${Break}
    ${EndIf}
    IntOp $3 $3 + 1
    StrCpy $5 $4 "" -8
    ${If} $5 == "_Classes" ; a user's class registrations, not a profile
      ${Continue}
    ${EndIf}
    ReadRegStr $0 HKU "$4\${DESKTOP_KEY}" "SCRNSAVE.EXE"
    ${GetFileName} $0 $1
    ${If} $1 == "${SAVER}"
      DeleteRegValue HKU "$4\${DESKTOP_KEY}" "SCRNSAVE.EXE"
      WriteRegStr HKU "$4\${DESKTOP_KEY}" "ScreenSaveActive" "0"
      DeleteRegKey HKU "$4\${ALL_USERS_ENTRY}"
    ${EndIf}
    WriteRegStr HKU "$4\${UNINSTALL_ENTRY}" "Version" $CleanUpVersion
  ${Loop}
FunctionEnd

; This uninstall's Version for the clean-up entry, from the time in UTC
; (year,monthday,hourminute,second), so that each later uninstall runs again for a user
; who ran an earlier one. "1" + a two-digit field - 100 reads it without a leading zero,
; which IntOp would take for octal.
Function un.ClearingVersion
  ${GetTime} "" "LS" $0 $1 $2 $3 $4 $5 $6
  IntOp $1 1$1 - 100
  IntOp $0 1$0 - 100
  IntOp $1 $1 * 100
  IntOp $1 $1 + $0
  IntOp $4 1$4 - 100
  IntOp $5 1$5 - 100
  IntOp $4 $4 * 100
  IntOp $4 $4 + $5
  IntOp $6 1$6 - 100
  StrCpy $CleanUpVersion "$2,$1,$4,$6"
FunctionEnd

; For the accounts not signed in now, whose registry cannot be reached: at each one's next
; sign-in, Windows runs this once as that user, and it does what un.ClearLoadedAccounts
; does where the screen saver names zarvane.scr. Which signed-out accounts still need it
; cannot be known, so the entry stays until a later setup of Zarvane removes it.
Function un.WriteClearingEntry
  StrCpy $0 '"$SYSDIR\reg.exe"'
  StrCpy $1 '"HKCU\${DESKTOP_KEY}"'
  WriteRegStr HKLM "${UNINSTALL_ENTRY}" "" "${PRODUCT} clean-up"
  WriteRegStr HKLM "${UNINSTALL_ENTRY}" "Version" $CleanUpVersion
  WriteRegDWORD HKLM "${UNINSTALL_ENTRY}" "IsInstalled" 1
  ; cmd /s /c: the outer quotes go, the rest is one command line; && runs the next
  ; command only when the one before succeeded; findstr /r: \\ and \. are a literal
  ; backslash and dot, $ the end of the line.
  WriteRegStr HKLM "${UNINSTALL_ENTRY}" "StubPath" \
    '"$SYSDIR\cmd.exe" /d /s /c "$0 query $1 /v SCRNSAVE.EXE | "$SYSDIR\findstr.exe" /i /r /c:"\\${SAVER_PATTERN}$$" >nul && $0 delete $1 /v SCRNSAVE.EXE /f && $0 add $1 /v ScreenSaveActive /d 0 /f && $0 delete "HKCU\${ALL_USERS_ENTRY}" /f"'
FunctionEnd
