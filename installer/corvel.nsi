; The installer: corvel.exe into Program Files, a Start-menu shortcut, and an entry in Add/Remove Programs
; whose uninstaller leaves nothing of the program behind. scripts/package defines VERSION, PRODUCT,
; PUBLISHER, STAGE (the folder with corvel.exe, README.txt and LICENSE.txt), ICON, OUT_FILE, and HEADER_FILE and
; SET_PE_TIME for the time stamp below; SOURCE_DATE_EPOCH is in the environment.

Unicode true  ; NSIS 3's Unicode stubs import only what Windows 2000 has
SetCompressor /SOLID lzma
RequestExecutionLevel admin
ManifestDPIAware true

!include MUI2.nsh
!include LogicLib.nsh
!include FileFunc.nsh
!include WinMessages.nsh

!define EXE "corvel.exe"
!define UNINSTALLER "uninstall.exe"
!define SHORTCUT "$SMPROGRAMS\Corvel.lnk"
!define UNINSTALL_KEY "Software\Microsoft\Windows\CurrentVersion\Uninstall\Corvel"
; The program's own names: its window class, its Run entry and its setting.
!define WINDOW_CLASS "CorvelMainForm"
!define RUN_KEY "Software\Microsoft\Windows\CurrentVersion\Run"
!define RUN_VALUE "Corvel"
!define SETTINGS_KEY "Software\Corvel Win2K"
!define SETTING_VALUE "RunOnStartup"
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
!insertmacro MUI_PAGE_DIRECTORY
!insertmacro MUI_PAGE_INSTFILES
!define MUI_FINISHPAGE_RUN "$INSTDIR\${EXE}"
!define MUI_FINISHPAGE_RUN_TEXT "Start ${PRODUCT} now"
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

; Both halves refuse to start without administrator rights, end a running copy the same way, and tell
; whether a Run entry starts a given copy.
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
!macroend
!insertmacro SHARED_FUNCTIONS ""
!insertmacro SHARED_FUNCTIONS "un."

Function .onInit
    Call RequireAdministrator
    Call ReadStartupSwitch
FunctionEnd

Function un.onInit
    Call un.RequireAdministrator
FunctionEnd

; --- An earlier installation in another folder ---

Var EarlierRunOnStartup  ; 1 when the Run entry started the copy that this installation replaces

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

; The removed copy's Run On Startup, now for this one: both values as the program writes them, the start
; command with its folder in lower case.
Section "-KeepRunOnStartup"
    ${If} $EarlierRunOnStartup = 1
        StrCpy $0 "$INSTDIR"
        StrCpy $1 $0 "" -1
        ${If} $1 != "\"
            StrCpy $0 "$0\"
        ${EndIf}
        System::Call "user32::CharLower(t r0 r0)"
        WriteRegStr HKLM "${SETTINGS_KEY}" "${SETTING_VALUE}" "True"
        WriteRegStr HKLM "${RUN_KEY}" "${RUN_VALUE}" '"$0${EXE}" -startup'
    ${EndIf}
SectionEnd

; --- The song title log and start with Windows ---

; Both need administrator rights, which setup has: it does their writes through the program's own elevated
; step, so that they are exactly what the program writes.
!define SONG_LOG "C:\SongNames.txt"
!define STEP_SWITCH "-elevated"
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
    ExecWait '"$INSTDIR\${EXE}" ${STEP_SWITCH} startup-on' $0
    ${If} $0 <> 0
        DetailPrint "Run On Startup could not be set (error $0)"
    ${EndIf}
FunctionEnd

; Every user may add to the log, wherever Windows lets standard users create files. A log that is there
; already is the user's: setup leaves it as it is, and so does the uninstaller.
Section "-SongTitleLog"
    ${IfNot} ${FileExists} "${SONG_LOG}"
        ExecWait '"$INSTDIR\${EXE}" ${STEP_SWITCH} songlog' $0
        ${If} $0 <> 0
            DetailPrint "${SONG_LOG} could not be created (error $0)"
        ${EndIf}
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

Function StartWithWindowsDone
    ; FinishPageLeave has set it already, before the program was started.
FunctionEnd

; --- Removal ---

; The Run entry goes only when it starts this copy. The setting goes with it, or when there is no Run
; entry at all; another copy's entry keeps the setting that goes with it.
Function un.RemoveRunOnStartup
    ReadRegStr $1 HKLM "${RUN_KEY}" "${RUN_VALUE}"
    ${If} $1 != ""
        StrCpy $5 $INSTDIR
        Call un.NamesCopyIn
        ${If} $0 = 1
            DeleteRegValue HKLM "${RUN_KEY}" "${RUN_VALUE}"
            StrCpy $1 ""
        ${EndIf}
    ${EndIf}
    ${If} $1 == ""
        DeleteRegValue HKLM "${SETTINGS_KEY}" "${SETTING_VALUE}"
        DeleteRegKey /ifempty HKLM "${SETTINGS_KEY}"
    ${EndIf}
FunctionEnd

Section "Uninstall"
    SetShellVarContext all
    Call un.RemoveRunOnStartup  ; first: the short spelling of a path is found only while the file is there
    Call un.EndRunningCopy
    Delete "$INSTDIR\README.txt"
    Delete "$INSTDIR\LICENSE.txt"
    Delete "$INSTDIR\${UNINSTALLER}"
    Delete "${SHORTCUT}"
    DeleteRegKey HKLM "${UNINSTALL_KEY}"
    RMDir "$INSTDIR"  ; only when empty: what the user put there stays
SectionEnd
