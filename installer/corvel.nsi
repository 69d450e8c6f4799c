; The installer: corvel.exe into Program Files, a Start-menu shortcut, and an entry in Add/Remove Programs
; whose uninstaller leaves nothing of the program behind. scripts/package defines VERSION, PRODUCT,
; PUBLISHER, STAGE (the folder with corvel.exe, README.txt and LICENSE.txt), ICON, OUT_FILE, NAMES (the
; program's names, which the build writes from settings/ProgramNames.h), and HEADER_FILE and SET_PE_TIME for
; the time stamp below; SOURCE_DATE_EPOCH is in the environment.

Unicode true  ; NSIS 3's Unicode stubs import only what Windows 2000 has
SetCompressor /SOLID lzma
RequestExecutionLevel admin
ManifestDPIAware true

!include MUI2.nsh
!include LogicLib.nsh
!include FileFunc.nsh
!include WinMessages.nsh
!include x64.nsh

!define EXE "corvel.exe"
!define UNINSTALLER "uninstall.exe"
!define SHORTCUT "$SMPROGRAMS\Corvel.lnk"
!define UNINSTALL_KEY "Software\Microsoft\Windows\CurrentVersion\Uninstall\Corvel"
; The program's own names: its window class, its Run entry, its setting and its elevated step.
!include "${NAMES}"
!define ENDSESSION_CLOSEAPP 1  ; "a file it uses must be replaced"; the program ends at any session end
!define END_WAIT_STEPS 120     ; 250 ms each: a slow machine takes a while to end a process

Name "${PRODUCT}"
OutFile "${OUT_FILE}"
; The same commit gives the same bytes: the stub's PE time stamp, otherwise the day the NSIS package was
; built, becomes the release's time. Setup copies its own header into the uninstaller, which so gets it too.
!packhdr "${HEADER_FILE}" 'python3 "${SET_PE_TIME}" "${HEADER_FILE}" $%SOURCE_DATE_EPOCH%'
InstallDir "$PROGRAMFILES\Corvel"
InstallDirRegKey HKLM "${UNINSTALL_KEY}" "InstallLocation"
BrandingText "${PRODUCT} ${VERSION}"

VIProductVersion "${VERSION}.0"
VIFileVersion "${VERSION}.0"
VIAddVersionKey /LANG=1033 "ProductName" "${PRODUCT}"
VIAddVersionKey /LANG=1033 "CompanyName" "${PUBLISHER}"
VIAddVersionKey /LANG=1033 "FileDescription" "${PRODUCT} Setup"
VIAddVersionKey /LANG=1033 "FileVersion" "${VERSION}"
VIAddVersionKey /LANG=1033 "ProductVersion" "${VERSION}"
VIAddVersionKey /LANG=1033 "LegalCopyright" "${PUBLISHER}"

!define MUI_ICON "${ICON}"
!define MUI_UNICON "${ICON}"
!define MUI_ABORTWARNING
!define MUI_WELCOMEPAGE_TEXT "Setup installs ${PRODUCT} ${VERSION} into Program Files and adds it to the \
Start menu.$\r$\n$\r$\nSetup needs administrator rights, as the program's Run On Startup setting does: \
both write to the whole machine's registry. Removing the program needs them too.$\r$\n$\r$\n\
If the program is running, Setup ends it first.$\r$\n$\r$\n$_CLICK"
!insertmacro MUI_PAGE_WELCOME
!define MUI_PAGE_CUSTOMFUNCTION_LEAVE InstallFolderChosen
!insertmacro MUI_PAGE_DIRECTORY
!insertmacro MUI_PAGE_INSTFILES
!define MUI_FINISHPAGE_RUN
!define MUI_FINISHPAGE_RUN_TEXT "Start ${PRODUCT} now"
!define MUI_FINISHPAGE_RUN_FUNCTION StartAsDesktopUser
; The second option, off by default, is "start with Windows". Chosen, it is carried out as the page is left,
; before the program starts, so that the copy started shows the choice in its menu.
!define MUI_FINISHPAGE_SHOWREADME
!define MUI_FINISHPAGE_SHOWREADME_TEXT "Start ${PRODUCT} with Windows"
!define MUI_FINISHPAGE_SHOWREADME_NOTCHECKED
!define MUI_FINISHPAGE_SHOWREADME_FUNCTION StartWithWindowsDone
!define MUI_PAGE_CUSTOMFUNCTION_SHOW FinishPageShow
!define MUI_PAGE_CUSTOMFUNCTION_LEAVE FinishPageLeave
!insertmacro MUI_PAGE_FINISH
!insertmacro MUI_UNPAGE_CONFIRM
!insertmacro MUI_UNPAGE_INSTFILES
!insertmacro MUI_LANGUAGE "English"

; For the registry calls that read and find Task Manager's startup mark.
!define HKEY_LOCAL_MACHINE 0x80000002
!define KEY_QUERY_VALUE 1
!define KEY_WOW64_64KEY 0x100
!define REG_BINARY 3
!define STARTUP_MARK_SIZE 12  ; its state, then the time it was switched off

; Both halves refuse to start without administrator rights, end a running copy the same way, tell
; whether a Run entry starts a given copy, and find Task Manager's mark beside it.
!macro SHARED_FUNCTIONS un
Function ${un}RequireAdministrator
    UserInfo::GetAccountType
    Pop $0
    ${If} $0 != "Admin"
        MessageBox MB_OK|MB_ICONSTOP "${PRODUCT} is installed for the whole machine, which needs \
administrator rights. Log on as an administrator and try again." /SD IDOK
        SetErrorLevel 5  ; ERROR_ACCESS_DENIED
        Quit
    ${EndIf}
FunctionEnd

; Asks a running copy to end as Windows does at log-off: the program then runs its unload, which takes
; its icon out of the notification area (a killed process leaves a dead icon there). Then waits until
; the copy in $INSTDIR can be deleted, which it cannot while it runs.
Function ${un}EndRunningCopy
    FindWindow $0 "${WINDOW_CLASS}"
    ${If} $0 <> 0
        DetailPrint "Ending the running ${PRODUCT}"
        SendMessage $0 ${WM_QUERYENDSESSION} 0 ${ENDSESSION_CLOSEAPP} $1 /TIMEOUT=10000
        ${If} $1 <> 0
            SendMessage $0 ${WM_ENDSESSION} 1 ${ENDSESSION_CLOSEAPP} $1 /TIMEOUT=10000
        ${EndIf}
    ${EndIf}
    StrCpy $1 0
    ${Do}
        FindWindow $0 "${WINDOW_CLASS}"
        ${If} $0 = 0
            ClearErrors
            Delete "$INSTDIR\${EXE}"
            ${IfNot} ${FileExists} "$INSTDIR\${EXE}"
                Return
            ${EndIf}
        ${EndIf}
        IntOp $1 $1 + 1
        ${If} $1 >= ${END_WAIT_STEPS}
            ${Break}
        ${EndIf}
        Sleep 250
    ${Loop}
    MessageBox MB_OK|MB_ICONSTOP "${PRODUCT} is still running. Choose Close in its menu in the \
notification area, then try again." /SD IDOK
    SetErrorLevel 32  ; ERROR_SHARING_VIOLATION
    Quit
FunctionEnd

; True ($0 = 1) when the Run entry $1 starts the copy in the folder $5, in whatever spelling of its path.
Function ${un}NamesCopyIn
    StrCpy $0 0
    StrCpy $2 $1 1
    ${If} $2 != '"'
        Return  ; the program always quotes its path
    ${EndIf}
    StrCpy $2 $1 "" 1
    StrCpy $3 0
    ${Do}
        StrCpy $4 $2 1 $3
        ${If} $4 == '"'
        ${OrIf} $4 == ""
            ${Break}
        ${EndIf}
        IntOp $3 $3 + 1
    ${Loop}
    StrCpy $2 $2 $3  ; the quoted path
    ${If} $2 == "$5\${EXE}"  ; StrCmp ignores case, as the file system does
        StrCpy $0 1
        Return
    ${EndIf}
    GetFullPathName /SHORT $3 $2
    GetFullPathName /SHORT $4 "$5\${EXE}"
    ${If} $3 != ""
    ${AndIf} $3 == $4
        StrCpy $0 1
    ${EndIf}
FunctionEnd

; Where Task Manager keeps its startup mark for the Run entry (Windows 8 on; earlier Windows have none, and
; reading or removing it there finds nothing): $R1 the key, $R2 the registry view's access flag. Setup's Run
; entry is in the 32-bit view, whose marks 64-bit Windows keeps in Run32, seen in the 64-bit view.
Function ${un}StartupMarkPlace
    ${If} ${IsWow64}
        StrCpy $R1 "${STARTUP_MARK_KEY32}"
        StrCpy $R2 ${KEY_WOW64_64KEY}
    ${Else}
        StrCpy $R1 "${STARTUP_MARK_KEY}"
        StrCpy $R2 0
    ${EndIf}
FunctionEnd
!macroend
!insertmacro SHARED_FUNCTIONS ""
!insertmacro SHARED_FUNCTIONS "un."

Function .onInit
    Call RequireAdministrator
    Call ReadStartupSwitch
FunctionEnd

; --- The installation folder ---

; Windows runs the installed copy's uninstaller with administrator rights, and the Run entry starts the copy
; for everyone who logs on: so the folder, and every folder setup makes above it, is one that only
; administrators can change, wherever /D= puts it. Setup makes them with those rights, or gives them again to
; the installed copy's own folder. Any other folder that is there already is refused, empty or not: another
; user may have made it, and would own it.
!define PROTECTED_RIGHTS "O:BAD:PAI(A;OICI;FA;;;SY)(A;OICI;FA;;;BA)(A;OICI;0x1200a9;;;BU)"  ; Users: read, run
!define SDDL_REVISION_1 1
!define SE_FILE_OBJECT 1
!define OWNER_SECURITY_INFORMATION 1
!define OWNER_AND_PROTECTED_DACL 0x80000005  ; PROTECTED_DACL, DACL and OWNER_SECURITY_INFORMATION
!define ERROR_ALREADY_EXISTS 183

; $0 = 1 when setup may take $INSTDIR: missing, or the installed copy's folder.
Function MayTakeInstallFolder
    StrCpy $0 1
    ${IfNot} ${FileExists} "$INSTDIR\*.*"
    ${AndIfNot} ${FileExists} "$INSTDIR"
        Return
    ${EndIf}
    StrCpy $0 0
    ReadRegStr $5 HKLM "${UNINSTALL_KEY}" "InstallLocation"
    ${If} $5 != ""
        StrCpy $1 '"$INSTDIR\${EXE}"'
        Call NamesCopyIn
    ${EndIf}
FunctionEnd

Function RefuseInstallFolder
    MessageBox MB_OK|MB_ICONSTOP "$INSTDIR is there already. Setup installs ${PRODUCT} only into a folder \
it makes itself, or where it is installed, so that only administrators can change it: choose a new \
folder." /SD IDOK
FunctionEnd

Function InstallFolderChosen
    Call MayTakeInstallFolder
    ${If} $0 <> 1
        Call RefuseInstallFolder
        Abort  ; back to the folder page
    ${EndIf}
FunctionEnd

; $0 = 0 once $INSTDIR has the protected rights. A missing folder is made with them, and so is every missing
; folder above it, so that none ever has others; one made meanwhile by someone else fails the creation
; (ERROR_ALREADY_EXISTS). The installed copy's folder gets them again, and Windows passes them on.
Function ProtectInstallFolder
    System::Call 'advapi32::ConvertStringSecurityDescriptorToSecurityDescriptorW(w "${PROTECTED_RIGHTS}", \
i ${SDDL_REVISION_1}, *p .r1, p 0) i .r0'
    ${If} $0 = 0
        StrCpy $0 1
        Return
    ${EndIf}
    ${IfNot} ${FileExists} "$INSTDIR\*.*"
        System::Call '*(i 12, p r1, i 0) p .r2'  ; SECURITY_ATTRIBUTES
        ; The missing folders above, nearest first on the stack's way down, then made from the top.
        StrCpy $3 "$INSTDIR"
        StrCpy $5 0
        ${Do}
            ${GetParent} "$3" $3
            ${If} $3 == ""
            ${OrIf} ${FileExists} "$3\*.*"
                ${Break}
            ${EndIf}
            Push $3
            IntOp $5 $5 + 1
        ${Loop}
        ${DoWhile} $5 > 0
            Pop $3
            IntOp $5 $5 - 1
            System::Call 'kernel32::CreateDirectoryW(w "$3", p r2) i .r0'
        ${Loop}
        System::Call 'kernel32::CreateDirectoryW(w "$INSTDIR", p r2) i .r0 ?e'
        Pop $4  ; its error
        System::Free $2
        ${If} $0 <> 0
            StrCpy $0 0
        ${Else}
            StrCpy $0 $4
        ${EndIf}
    ${Else}
        System::Call 'advapi32::GetSecurityDescriptorOwner(p r1, *p .r2, *i .r4) i .r0'
        System::Call 'advapi32::GetSecurityDescriptorDacl(p r1, *i .r4, *p .r3, *i .r4) i .r0'
        System::Call 'advapi32::SetNamedSecurityInfoW(w "$INSTDIR", i ${SE_FILE_OBJECT}, \
i ${OWNER_AND_PROTECTED_DACL}, p r2, p 0, p r3, p 0) i .r0'
    ${EndIf}
    System::Call 'kernel32::LocalFree(p r1)'
FunctionEnd

; First of all, before an earlier installation is removed: a refused folder leaves everything as it was.
Section "-InstallFolder"
    Call MayTakeInstallFolder
    ${If} $0 <> 1
        Call RefuseInstallFolder
        SetErrorLevel ${ERROR_ALREADY_EXISTS}
        Quit
    ${EndIf}
    Call ProtectInstallFolder
    ${If} $0 = ${ERROR_ALREADY_EXISTS}
        Call RefuseInstallFolder  ; made by someone else since it was chosen
    ${ElseIf} $0 <> 0
        MessageBox MB_OK|MB_ICONSTOP "Setup could not give $INSTDIR rights that only administrators \
can change (error $0). Choose a folder on a drive that keeps rights, such as Program Files." /SD IDOK
    ${EndIf}
    ${If} $0 <> 0
        SetErrorLevel $0
        Quit
    ${EndIf}
SectionEnd

; Administrators as the owner of the file $R0, as of the folder: on XP an administrator's new files are her
; own, and the program trusts no single account's file for Run On Startup. A member of Administrators may
; make the group the owner without a privilege. A failure leaves the copy working, without Run On Startup.
Function OwnedByAdministrators
    System::Call 'advapi32::ConvertStringSidToSidW(w "BA", *p .r1) i .r0'
    ${If} $0 <> 0
        System::Call 'advapi32::SetNamedSecurityInfoW(w R0, i ${SE_FILE_OBJECT}, \
i ${OWNER_SECURITY_INFORMATION}, p r1, p 0, p 0, p 0) i .r0'
        System::Call 'kernel32::LocalFree(p r1)'
    ${Else}
        StrCpy $0 1
    ${EndIf}
    ${If} $0 <> 0
        DetailPrint "Administrators could not be made the owner of $R0 (error $0)"
    ${EndIf}
FunctionEnd

Function un.onInit
    Call un.RequireAdministrator
FunctionEnd

; --- An earlier installation in another folder ---

Var EarlierRunOnStartup  ; 1 when the Run entry started the copy that this installation replaces

; $0 = 1 when Task Manager's mark says the Run entry is switched off: a 12-byte REG_BINARY whose first byte
; is 3 or 7, as the program reads it. No mark, or one of any other shape, means enabled. NSIS's own reads
; give nothing for REG_BINARY, hence the registry calls, all in Windows 2000.
Function StartupMarkSaysDisabled
    StrCpy $0 0
    Call StartupMarkPlace
    IntOp $R2 $R2 | ${KEY_QUERY_VALUE}
    System::Call 'advapi32::RegOpenKeyExW(p ${HKEY_LOCAL_MACHINE}, w R1, i 0, i R2, *p .R3) i .R0'
    ${If} $R0 <> 0
        Return
    ${EndIf}
    System::Call '*(&i16) p .R4'  ; room for a larger value would only make the read fail: enabled
    System::Call 'advapi32::RegQueryValueExW(p R3, w "${RUN_VALUE}", p 0, *i .R5, p R4, *i 16 R6) i .R0'
    System::Call '*$R4(&i1 .R7)'
    System::Free $R4
    System::Call 'advapi32::RegCloseKey(p R3)'
    ${If} $R0 = 0
    ${AndIf} $R5 = ${REG_BINARY}
    ${AndIf} $R6 = ${STARTUP_MARK_SIZE}
        IntOp $R7 $R7 & 0xff
        ${If} $R7 = 3
        ${OrIf} $R7 = 7
            StrCpy $0 1
        ${EndIf}
    ${EndIf}
FunctionEnd

; The Add/Remove Programs entry names the installed copy. Where it lies in another folder than this
; installation's, it goes first, through its own uninstaller, silently and in place (_?=, so that setup
; waits for it): one installation remains. That uninstaller ends the copy if it runs.
Section "-RemoveEarlierInstallation"
    ReadRegStr $5 HKLM "${UNINSTALL_KEY}" "InstallLocation"
    ${If} $5 == ""
    ${OrIfNot} ${FileExists} "$5\${UNINSTALLER}"
        Return
    ${EndIf}
    StrCpy $1 '"$INSTDIR\${EXE}"'
    Call NamesCopyIn
    ${If} $0 = 1
        Return  ; the same folder: replaced in place below
    ${EndIf}
    ReadRegStr $1 HKLM "${RUN_KEY}" "${RUN_VALUE}"
    Call NamesCopyIn
    StrCpy $EarlierRunOnStartup $0
    ${If} $0 = 1
        Call StartupMarkSaysDisabled
        ${If} $0 = 1
            ; Switched off in Task Manager: it stays off, as the earlier copy's menu showed it. Its
            ; uninstaller removes the entry, the setting and the mark, so the new copy starts from off.
            StrCpy $EarlierRunOnStartup 0
            DetailPrint "Run On Startup was switched off in Task Manager: it stays off"
        ${EndIf}
    ${EndIf}
    DetailPrint "Removing ${PRODUCT} from $5"
    ExecWait '"$5\${UNINSTALLER}" /S _?=$5' $0
    ${If} $0 <> 0
        DetailPrint "Its uninstaller ended with $0; what it left stays in $5"
    ${EndIf}
    Delete "$5\${UNINSTALLER}"  ; in place, the uninstaller cannot delete itself
    RMDir "$5"
SectionEnd

Section
    SetShellVarContext all  ; the Run entry serves every user, so does the shortcut
    Call EndRunningCopy
    SetOutPath "$INSTDIR"
    File "${STAGE}\${EXE}"
    File "${STAGE}\README.txt"
    File "${STAGE}\LICENSE.txt"
    WriteUninstaller "$INSTDIR\${UNINSTALLER}"
    StrCpy $R0 "$INSTDIR\${EXE}"
    Call OwnedByAdministrators
    StrCpy $R0 "$INSTDIR\README.txt"
    Call OwnedByAdministrators
    StrCpy $R0 "$INSTDIR\LICENSE.txt"
    Call OwnedByAdministrators
    StrCpy $R0 "$INSTDIR\${UNINSTALLER}"
    Call OwnedByAdministrators
    CreateShortcut "${SHORTCUT}" "$INSTDIR\${EXE}" "" "$INSTDIR\${EXE}" 0

    WriteRegStr HKLM "${UNINSTALL_KEY}" "DisplayName" "${PRODUCT}"
    WriteRegStr HKLM "${UNINSTALL_KEY}" "DisplayVersion" "${VERSION}"
    WriteRegStr HKLM "${UNINSTALL_KEY}" "Publisher" "${PUBLISHER}"
    WriteRegStr HKLM "${UNINSTALL_KEY}" "DisplayIcon" "$INSTDIR\${EXE},0"
    WriteRegStr HKLM "${UNINSTALL_KEY}" "InstallLocation" "$INSTDIR"
    WriteRegStr HKLM "${UNINSTALL_KEY}" "UninstallString" '"$INSTDIR\${UNINSTALLER}"'
    WriteRegStr HKLM "${UNINSTALL_KEY}" "QuietUninstallString" '"$INSTDIR\${UNINSTALLER}" /S'
    WriteRegDWORD HKLM "${UNINSTALL_KEY}" "NoModify" 1
    WriteRegDWORD HKLM "${UNINSTALL_KEY}" "NoRepair" 1
    ${GetSize} "$INSTDIR" "/S=0K" $0 $1 $2
    WriteRegDWORD HKLM "${UNINSTALL_KEY}" "EstimatedSize" $0  ; in KB, as Add/Remove Programs reads it
SectionEnd

; The removed copy's Run On Startup, now for this one, written by the new copy's own step (below).
Section "-KeepRunOnStartup"
    ${If} $EarlierRunOnStartup = 1
        Call StartWithWindows
    ${EndIf}
SectionEnd

; --- The song title log and start with Windows ---

; Both need administrator rights, which setup has: it does their writes through the program's own elevated
; step, so that they are exactly what the program writes.
!define STARTUP_SWITCH "/STARTUP"  ; for a silent install, the finish page's "start with Windows"
Var StartWithWindows

Function ReadStartupSwitch
    StrCpy $StartWithWindows 0
    ${GetParameters} $0
    ClearErrors
    ${GetOptions} $0 "${STARTUP_SWITCH}" $1
    ${IfNot} ${Errors}
        StrCpy $StartWithWindows 1
    ${EndIf}
FunctionEnd

Function StartWithWindows
    ExecWait '"$INSTDIR\${EXE}" ${STEP_SWITCH} ${STARTUP_ON_STEP}' $0
    ${If} $0 <> 0
        DetailPrint "Run On Startup could not be set (error $0)"
    ${EndIf}
FunctionEnd

; Every user may add to the log, wherever Windows lets standard users create files. A log that is there
; already is the user's: the step leaves it as it is, and so does the uninstaller.
Section "-SongTitleLog"
    ExecWait '"$INSTDIR\${EXE}" ${STEP_SWITCH} ${SONG_LOG_STEP}' $0
    ${If} $0 <> 0
        DetailPrint "The song title log could not be created (error $0)"
    ${EndIf}
SectionEnd

Section "-StartWithWindows"
    ${If} ${Silent}
    ${AndIf} $StartWithWindows = 1
        Call StartWithWindows
    ${EndIf}
SectionEnd

Function FinishPageShow
    ${If} $StartWithWindows = 1
        SendMessage $mui.FinishPage.ShowReadme ${BM_SETCHECK} ${BST_CHECKED} 0
    ${EndIf}
FunctionEnd

Function FinishPageLeave
    SendMessage $mui.FinishPage.ShowReadme ${BM_GETCHECK} 0 0 $0
    ${If} $0 = ${BST_CHECKED}
        Call StartWithWindows
    ${EndIf}
FunctionEnd

; The finish page starts the program as the user who is logged on, never with setup's administrator token: the
; shell of the desktop session starts it, through its documented automation (IShellDispatch2::ShellExecute of
; the desktop's view, found through IShellWindows), so it runs with that shell's rights. Where there is no such
; shell nothing is started elevated; the user is told to start it from the Start menu.
!define CLSID_SHELL_WINDOWS {9BA05972-F6A8-11CF-A442-00A0C90A8F39}
!define IID_ISHELL_WINDOWS {85CB6900-4D95-11CF-960C-0080C7F4EE85}
!define IID_ISERVICE_PROVIDER {6D5140C1-7436-11CE-8034-00AA006009FA}
!define SID_STOP_LEVEL_BROWSER {4C96BE40-915C-11CF-99D3-00AA004AE837}
!define IID_ISHELL_BROWSER {000214E2-0000-0000-C000-000000000046}
!define IID_IDISPATCH {00020400-0000-0000-C000-000000000046}
!define IID_ISHELL_FOLDER_VIEW_DUAL {E7A1AF80-4D96-11CF-960C-0080C7F4EE85}
!define IID_ISHELL_DISPATCH2 {A4C6892C-3BA9-11D2-9DEA-00C04FB16162}
!define CLSCTX_LOCAL_SERVER 4
!define SWC_DESKTOP 8
!define SWFO_NEEDDISPATCH 1
!define SVGIO_BACKGROUND 0
; Each call's number in its interface's table of methods.
!define IUNKNOWN_QUERY_INTERFACE 0
!define IUNKNOWN_RELEASE 2
!define ISHELL_WINDOWS_FIND_WINDOW_SW 15
!define ISERVICE_PROVIDER_QUERY_SERVICE 3
!define ISHELL_BROWSER_QUERY_ACTIVE_SHELL_VIEW 15
!define ISHELL_VIEW_GET_ITEM_OBJECT 15
!define ISHELL_FOLDER_VIEW_DUAL_GET_APPLICATION 7
!define ISHELL_DISPATCH2_SHELL_EXECUTE 31

!macro SHELL_STEP_DONE  ; on only while the last call ($0, an HRESULT) answered S_OK
    ${If} $0 <> 0
        Goto shell_done
    ${EndIf}
!macroend

!macro RELEASE_INTERFACE pointer
    ${If} ${pointer} P<> 0
        System::Call '${pointer}->${IUNKNOWN_RELEASE}()'
    ${EndIf}
!macroend

Function StartAsDesktopUser
    ; The interfaces in the order they are reached, each released at the end.
    StrCpy $1 0  ; IShellWindows
    StrCpy $2 0  ; the desktop's IDispatch
    StrCpy $3 0  ; IServiceProvider
    StrCpy $4 0  ; IShellBrowser
    StrCpy $5 0  ; IShellView
    StrCpy $6 0  ; its background's IDispatch
    StrCpy $7 0  ; IShellFolderViewDual
    StrCpy $8 0  ; the shell's IDispatch
    StrCpy $9 0  ; IShellDispatch2
    System::Call 'ole32::CoCreateInstance(g "${CLSID_SHELL_WINDOWS}", p 0, i ${CLSCTX_LOCAL_SERVER}, \
g "${IID_ISHELL_WINDOWS}", *p .r1) i .r0'
    !insertmacro SHELL_STEP_DONE
    System::Call '*(&i2 3, &i2 0, &i2 0, &i2 0, i 0, i 0) p .R1'  ; a VARIANT: VT_I4, CSIDL_DESKTOP
    System::Call '*(i 0, i 0, i 0, i 0) p .R2'  ; a VARIANT: VT_EMPTY
    System::Call '$1->${ISHELL_WINDOWS_FIND_WINDOW_SW}(p R1, p R2, i ${SWC_DESKTOP}, *i .R3, \
i ${SWFO_NEEDDISPATCH}, *p .r2) i .r0'
    System::Free $R1
    System::Free $R2
    !insertmacro SHELL_STEP_DONE
    System::Call '$2->${IUNKNOWN_QUERY_INTERFACE}(g "${IID_ISERVICE_PROVIDER}", *p .r3) i .r0'
    !insertmacro SHELL_STEP_DONE
    System::Call '$3->${ISERVICE_PROVIDER_QUERY_SERVICE}(g "${SID_STOP_LEVEL_BROWSER}", \
g "${IID_ISHELL_BROWSER}", *p .r4) i .r0'
    !insertmacro SHELL_STEP_DONE
    System::Call '$4->${ISHELL_BROWSER_QUERY_ACTIVE_SHELL_VIEW}(*p .r5) i .r0'
    !insertmacro SHELL_STEP_DONE
    System::Call '$5->${ISHELL_VIEW_GET_ITEM_OBJECT}(i ${SVGIO_BACKGROUND}, g "${IID_IDISPATCH}", *p .r6) i .r0'
    !insertmacro SHELL_STEP_DONE
    System::Call '$6->${IUNKNOWN_QUERY_INTERFACE}(g "${IID_ISHELL_FOLDER_VIEW_DUAL}", *p .r7) i .r0'
    !insertmacro SHELL_STEP_DONE
    System::Call '$7->${ISHELL_FOLDER_VIEW_DUAL_GET_APPLICATION}(*p .r8) i .r0'
    !insertmacro SHELL_STEP_DONE
    System::Call '$8->${IUNKNOWN_QUERY_INTERFACE}(g "${IID_ISHELL_DISPATCH2}", *p .r9) i .r0'
    !insertmacro SHELL_STEP_DONE
    ; ShellExecute(file, arguments, folder, verb, show): the four VARIANTs, empty, go by value, 16 bytes each.
    System::Call 'oleaut32::SysAllocString(w "$INSTDIR\${EXE}") p .R1'
    System::Call '$9->${ISHELL_DISPATCH2_SHELL_EXECUTE}(p R1, i 0, i 0, i 0, i 0, i 0, i 0, i 0, i 0, \
i 0, i 0, i 0, i 0, i 0, i 0, i 0, i 0) i .r0'
    System::Call 'oleaut32::SysFreeString(p R1)'
shell_done:
    StrCpy $R0 $0
    !insertmacro RELEASE_INTERFACE $9
    !insertmacro RELEASE_INTERFACE $8
    !insertmacro RELEASE_INTERFACE $7
    !insertmacro RELEASE_INTERFACE $6
    !insertmacro RELEASE_INTERFACE $5
    !insertmacro RELEASE_INTERFACE $4
    !insertmacro RELEASE_INTERFACE $3
    !insertmacro RELEASE_INTERFACE $2
    !insertmacro RELEASE_INTERFACE $1
    ${If} $R0 <> 0
        MessageBox MB_OK|MB_ICONINFORMATION "Setup could not have Windows start ${PRODUCT} as you (error \
$R0). Start it from the Start menu." /SD IDOK
    ${EndIf}
FunctionEnd

Function StartWithWindowsDone
    ; FinishPageLeave has set it already, before the program was started.
FunctionEnd

; --- Removal ---

; The Run entry goes only when it starts this copy. The setting goes with it, or when there is no Run
; entry at all; another copy's entry keeps the setting that goes with it.
Var RunEntryNamesThisCopy  ; empty: no Run entry; 1: it starts this copy; 0: another copy

; Only reads: the short spelling of a path is found only while the file is there.
Function un.ReadRunOnStartup
    StrCpy $RunEntryNamesThisCopy ""
    ReadRegStr $1 HKLM "${RUN_KEY}" "${RUN_VALUE}"
    ${If} $1 != ""
        StrCpy $5 $INSTDIR
        Call un.NamesCopyIn
        StrCpy $RunEntryNamesThisCopy $0
    ${EndIf}
FunctionEnd

Function un.RemoveRunOnStartup
    ${If} $RunEntryNamesThisCopy == 1
        DeleteRegValue HKLM "${RUN_KEY}" "${RUN_VALUE}"
        ; Task Manager's mark goes with the entry, so that no "disabled" waits for a later copy's entry.
        Call un.StartupMarkPlace
        ${If} $R2 <> 0
            SetRegView 64
        ${EndIf}
        DeleteRegValue HKLM "$R1" "${RUN_VALUE}"
        SetRegView default
    ${EndIf}
    ${If} $RunEntryNamesThisCopy != 0
        DeleteRegValue HKLM "${SETTINGS_KEY}" "${SETTING_VALUE}"
        DeleteRegKey /ifempty HKLM "${SETTINGS_KEY}"
    ${EndIf}
FunctionEnd

Section "Uninstall"
    SetShellVarContext all
    Call un.ReadRunOnStartup
    Call un.EndRunningCopy  ; may give up and quit: Run On Startup then stays as it was
    Call un.RemoveRunOnStartup
    Delete "$INSTDIR\README.txt"
    Delete "$INSTDIR\LICENSE.txt"
    Delete "$INSTDIR\${UNINSTALLER}"
    Delete "${SHORTCUT}"
    DeleteRegKey HKLM "${UNINSTALL_KEY}"
    RMDir "$INSTDIR"  ; only when empty: what the user put there stays
SectionEnd
