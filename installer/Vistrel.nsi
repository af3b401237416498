; The setup program for Vistrel Desktop. CMake (installer/CMakeLists.txt) runs makensis
; with these defined:
;   VERSION    the program's version, the same that its VERSIONINFO carries
;   BIN_DIR    where the build put vistrel.exe, the help, the HotSync libraries, hotsync.exe
;   ICON       the program's icon
;   OUT_FILE   the setup program to write
;
; The program loads UserData.dll and INSTAIDE.dll from its own folder, so it belongs beside
; the HotSync desktop software: a folder that holds both libraries, which setup did not put
; there. Setup looks for it in the folder /HOTSYNCDIR= names, else in the install folder
; (/D= or an earlier install's), else in Program Files and its subfolders two levels down,
; and installs there. When there is none, the program gets a folder of its own, with our
; sample libraries for trying it out.
;
; Setup never overwrites or removes a file it did not put there: it lists what it installs
; in VistrelFiles.txt in the install folder, and the uninstaller removes exactly that list.
;
; Its command line: /S silent; /HOTSYNCDIR=FOLDER the HotSync software's folder;
; /NOHOTSYNC no sample libraries; /D=FOLDER the install folder (last, unquoted).
; The uninstaller takes /S. Refused, either ends with exit code 2.

!ifndef VERSION | BIN_DIR | ICON | OUT_FILE
    !error "makensis needs -DVERSION= -DBIN_DIR= -DICON= -DOUT_FILE="
!endif

Unicode true
!include MUI2.nsh
!include FileFunc.nsh
!include LogicLib.nsh
!include Sections.nsh
!include TextFunc.nsh

!define PRODUCT "Vistrel Desktop"
!define PUBLISHER "Vistrel"
!define UNINSTALL_KEY "Software\Microsoft\Windows\CurrentVersion\Uninstall\${PRODUCT}"
; Where WinHelp looks up a bare help-file name that is not in the current folder.
!define HELP_KEY "Software\Microsoft\Windows\Help"
!define HELP_FILE "Vistrel.hlp"
!define SHORTCUT "$SMPROGRAMS\${PRODUCT}.lnk"
!define LIST_FILE "VistrelFiles.txt"
; Named for us: the HotSync software's folder may hold an Uninstall.exe of its own.
!define UNINSTALLER "Uninstall ${PRODUCT}.exe"
!define SAMPLES "HotSync libraries for trying it out"
!define SAMPLE_USER "Sample"
!define SAMPLE_CARD "SD card"
; Each Windows account's own: the libraries expand the variable as they read it.
!define SAMPLE_ROOT "%APPDATA%\${PRODUCT}\HotSync"
; Windows runs its StubPath once for each account, at the account's next logon.
!define ACTIVE_SETUP_KEY "Software\Microsoft\Active Setup\Installed Components\${PRODUCT} sample store"

Name "${PRODUCT}"
OutFile "${OUT_FILE}"
InstallDir "$PROGRAMFILES\${PRODUCT}"
InstallDirRegKey HKLM "${UNINSTALL_KEY}" "InstallLocation"
RequestExecutionLevel admin
SetCompressor /SOLID lzma
BrandingText "${PRODUCT} ${VERSION}"
ShowInstDetails show
ShowUninstDetails show

VIProductVersion "${VERSION}"
VIAddVersionKey /LANG=1033 "ProductName" "${PRODUCT}"
VIAddVersionKey /LANG=1033 "CompanyName" "${PUBLISHER}"
VIAddVersionKey /LANG=1033 "LegalCopyright" "${PUBLISHER}"
VIAddVersionKey /LANG=1033 "FileDescription" "${PRODUCT} Setup"
VIAddVersionKey /LANG=1033 "FileVersion" "${VERSION}"
VIAddVersionKey /LANG=1033 "ProductVersion" "${VERSION}"

Var HotSyncDir  ; the install folder when it holds the HotSync software, else ""
Var Searched    ; what the search of Program Files found, or ""
Var NoSamples   ; 1 with /NOHOTSYNC
Var Store
Var DirText
Var CaseText
Var FinishText
Var Left        ; files of the list that uninstall could not remove

!define MUI_ICON "${ICON}"
!define MUI_UNICON "${ICON}"
!define MUI_ABORTWARNING
!define MUI_COMPONENTSPAGE_NODESC

!insertmacro MUI_PAGE_WELCOME
!define MUI_PAGE_HEADER_TEXT "Read me"
!define MUI_PAGE_HEADER_SUBTEXT "What ${PRODUCT} is and what this setup installs."
!define MUI_LICENSEPAGE_TEXT_TOP "Press Page Down to read the rest."
!define MUI_LICENSEPAGE_TEXT_BOTTOM "Press Next to continue."
!define MUI_LICENSEPAGE_BUTTON "$(^NextBtn)"
!insertmacro MUI_PAGE_LICENSE "ReadMe.txt"
; The folder first: whether it holds the HotSync software decides what is offered.
!define MUI_PAGE_CUSTOMFUNCTION_PRE DirectoryPre
!define MUI_PAGE_CUSTOMFUNCTION_LEAVE DirectoryLeave
!define MUI_DIRECTORYPAGE_TEXT_TOP "$DirText"
!insertmacro MUI_PAGE_DIRECTORY
!define MUI_PAGE_CUSTOMFUNCTION_PRE ChooseCase
!define MUI_COMPONENTSPAGE_TEXT_TOP "$CaseText"
!insertmacro MUI_PAGE_COMPONENTS
!insertmacro MUI_PAGE_INSTFILES
!define MUI_PAGE_CUSTOMFUNCTION_PRE FinishPre
!define MUI_FINISHPAGE_TEXT "$FinishText"
!define MUI_FINISHPAGE_RUN
!define MUI_FINISHPAGE_RUN_TEXT "Start ${PRODUCT}"
!define MUI_FINISHPAGE_RUN_FUNCTION StartProgram
!insertmacro MUI_PAGE_FINISH

!define MUI_UNCONFIRMPAGE_TEXT_TOP "${PRODUCT} will be removed from the folder below: only the files its setup put there. The photographs you sent and the HotSync store are your data: they are kept."
!insertmacro MUI_UNPAGE_CONFIRM
!insertmacro MUI_UNPAGE_INSTFILES

!insertmacro MUI_LANGUAGE "English"

; Lists $R8 in the install folder's list of installed files, then installs it from the build.
!macro Install NAME
    StrCpy $R8 "${NAME}"
    Call Record
    File "${BIN_DIR}/${NAME}"
!macroend

Section "${PRODUCT} (required)" SecProgram
    SectionIn RO
    SetOutPath "$INSTDIR"
    !insertmacro Install vistrel.exe
    !insertmacro Install vistrel-send.exe
    !insertmacro Install ${HELP_FILE}
    ; The help's contents tab, which the help engine looks for beside it.
    !insertmacro Install Vistrel.cnt
    !insertmacro Install Vistrel.chm
    StrCpy $R8 "${UNINSTALLER}"
    Call Record
    WriteUninstaller "$INSTDIR\${UNINSTALLER}"

    ; The shortcut's working folder is $OUTDIR, the install folder, as a program
    ; started from the Start menu expects.
    SetShellVarContext all
    CreateShortCut "${SHORTCUT}" "$INSTDIR\vistrel.exe" "" "$INSTDIR\vistrel.exe" 0
    WriteRegStr HKLM "${HELP_KEY}" "${HELP_FILE}" "$INSTDIR"

    WriteRegStr HKLM "${UNINSTALL_KEY}" "DisplayName" "${PRODUCT}"
    WriteRegStr HKLM "${UNINSTALL_KEY}" "DisplayVersion" "${VERSION}"
    WriteRegStr HKLM "${UNINSTALL_KEY}" "Publisher" "${PUBLISHER}"
    WriteRegStr HKLM "${UNINSTALL_KEY}" "DisplayIcon" "$INSTDIR\vistrel.exe,0"
    WriteRegStr HKLM "${UNINSTALL_KEY}" "InstallLocation" "$INSTDIR"
    WriteRegStr HKLM "${UNINSTALL_KEY}" "UninstallString" '"$INSTDIR\${UNINSTALLER}"'
    WriteRegStr HKLM "${UNINSTALL_KEY}" "QuietUninstallString" '"$INSTDIR\${UNINSTALLER}" /S'
    WriteRegDWORD HKLM "${UNINSTALL_KEY}" "NoModify" 1
    WriteRegDWORD HKLM "${UNINSTALL_KEY}" "NoRepair" 1
    ${If} $HotSyncDir != ""
        DetailPrint "Installed beside the HotSync desktop software in $INSTDIR; its files are left as they are."
    ${EndIf}
SectionEnd

Section "${SAMPLES}" SecHotSync
    SetOutPath "$INSTDIR"
    !insertmacro Install UserData.dll
    !insertmacro Install INSTAIDE.dll
    !insertmacro Install hotsync.exe

    ; The libraries read their root from HotSync.ini beside them. A root set by an
    ; earlier install, or by hand, is kept: it may hold the user's photographs.
    ClearErrors
    ReadINIStr $Store "$INSTDIR\HotSync.ini" "HotSync" "Root"
    ${If} $Store == ""
        StrCpy $Store "${SAMPLE_ROOT}"
        StrCpy $R8 "HotSync.ini"
        Call Record
        WriteINIStr "$INSTDIR\HotSync.ini" "HotSync" "Root" "$Store"
        FlushINI "$INSTDIR\HotSync.ini"
    ${EndIf}
    ; A relative root is taken from the libraries' folder, as they do.
    StrCpy $0 $Store 1 1
    StrCpy $1 $Store 1
    ${If} $0 != ":"
    ${AndIf} $1 != "\"
    ${AndIf} $1 != "/"
    ${AndIf} $1 != "%"
        StrCpy $Store "$INSTDIR\$Store"
    ${EndIf}

    ; A store with the user Sample for each account that has none: cmd expands the root
    ; as that account's. Run here for the account that runs setup, and by Windows for
    ; every account at its next logon.
    StrCpy $0 '"$SYSDIR\cmd.exe" /c if not exist "$Store\users.txt" (md "$Store" & "$INSTDIR\hotsync.exe" --root "$Store" users add "${SAMPLE_USER}" --card "${SAMPLE_CARD}")'
    WriteRegStr HKLM "${ACTIVE_SETUP_KEY}" "" "${PRODUCT}: a sample HotSync store for each account"
    WriteRegStr HKLM "${ACTIVE_SETUP_KEY}" "Version" "1"
    WriteRegStr HKLM "${ACTIVE_SETUP_KEY}" "StubPath" $0
    ExpandEnvStrings $1 $Store
    DetailPrint "The sample HotSync store of this account: $1"
    nsExec::ExecToLog $0
    Pop $0
    ${If} $0 != 0
        MessageBox MB_OK|MB_ICONEXCLAMATION "The sample HotSync store in $1 could not be made ($0). Add a user with hotsync.exe before sending." /SD IDOK
    ${EndIf}
SectionEnd

Section "-Size"
    ; What setup installs, not the folder: beside the HotSync software that is not ours.
    SectionGetSize ${SecProgram} $0
    ${If} ${SectionIsSelected} ${SecHotSync}
        SectionGetSize ${SecHotSync} $1
        IntOp $0 $0 + $1
    ${EndIf}
    WriteRegDWORD HKLM "${UNINSTALL_KEY}" "EstimatedSize" $0
SectionEnd

; $R9 = 1 when the list of installed files in folder $R7 names file $R8 (as Windows
; compares names: in any case).
Function Listed
    StrCpy $R9 0
    ClearErrors
    FileOpen $R6 "$R7\${LIST_FILE}" r
    ${IfNot} ${Errors}
        ${Do}
            FileRead $R6 $R5
            ${IfThen} ${Errors} ${|} ${ExitDo} ${|}
            ${TrimNewLines} $R5 $R5
            ${If} $R5 == $R8
                StrCpy $R9 1
                ${ExitDo}
            ${EndIf}
        ${Loop}
        FileClose $R6
    ${EndIf}
FunctionEnd

; Adds file $R8 to the install folder's list, before it is written: a file setup puts
; there is always on the list.
Function Record
    StrCpy $R7 $INSTDIR
    Call Listed
    ${If} $R9 != 1
        ${IfNot} ${FileExists} "$INSTDIR\${LIST_FILE}"
            FileOpen $R6 "$INSTDIR\${LIST_FILE}" w
            FileWrite $R6 "; Put here by the setup of ${PRODUCT}; its uninstaller removes exactly these files.$\r$\n"
        ${Else}
            FileOpen $R6 "$INSTDIR\${LIST_FILE}" a
            FileSeek $R6 0 END
        ${EndIf}
        FileWrite $R6 "$R8$\r$\n"
        FileClose $R6
    ${EndIf}
FunctionEnd

; $R9 = 1 when folder $R7 holds the HotSync software: both libraries, not put there by us.
Function HoldsHotSync
    StrCpy $R9 0
    ${If} ${FileExists} "$R7\UserData.dll"
    ${AndIf} ${FileExists} "$R7\INSTAIDE.dll"
        StrCpy $R8 "UserData.dll"
        Call Listed
        IntOp $R9 1 - $R9
    ${EndIf}
FunctionEnd

; $Searched = the first folder of the 32-bit Program Files, or of its subfolders two
; levels down, that holds the HotSync software.
Function SearchProgramFiles
    StrCpy $Searched ""
    FindFirst $0 $1 "$PROGRAMFILES\*"
    ${DoWhile} $1 != ""
        ${If} $1 != "."
        ${AndIf} $1 != ".."
        ${AndIf} ${FileExists} "$PROGRAMFILES\$1\*.*"
            StrCpy $R7 "$PROGRAMFILES\$1"
            Call HoldsHotSync
            ${IfThen} $R9 = 1 ${|} StrCpy $Searched $R7 ${|}
            FindFirst $2 $3 "$PROGRAMFILES\$1\*"
            ${DoWhile} $3 != ""
                ${IfThen} $Searched != "" ${|} ${ExitDo} ${|}
                ${If} $3 != "."
                ${AndIf} $3 != ".."
                    StrCpy $R7 "$PROGRAMFILES\$1\$3"
                    Call HoldsHotSync
                    ${IfThen} $R9 = 1 ${|} StrCpy $Searched $R7 ${|}
                ${EndIf}
                FindNext $2 $3
            ${Loop}
            FindClose $2
        ${EndIf}
        ${IfThen} $Searched != "" ${|} ${ExitDo} ${|}
        FindNext $0 $1
    ${Loop}
    FindClose $0
FunctionEnd

; Decides what the install folder gets, and words it for the components page.
Function ChooseCase
    StrCpy $R7 $INSTDIR
    Call HoldsHotSync
    ${If} $R9 = 1
        StrCpy $HotSyncDir $INSTDIR
        ; Hidden: the sample libraries are never offered beside the real ones.
        SectionSetText ${SecHotSync} ""
        !insertmacro UnselectSection ${SecHotSync}
        StrCpy $CaseText "The HotSync desktop software is in $INSTDIR. ${PRODUCT} will be installed there, beside its UserData.dll and INSTAIDE.dll, which setup leaves as they are."
    ${Else}
        StrCpy $HotSyncDir ""
        SectionSetText ${SecHotSync} "${SAMPLES}"
        ${If} $NoSamples != 1
            !insertmacro SelectSection ${SecHotSync}
        ${EndIf}
        StrCpy $CaseText "No HotSync desktop software in $INSTDIR: ${PRODUCT} gets this folder of its own. The sample libraries let you try it out. To use your HotSync software, go Back and choose its folder."
    ${EndIf}
FunctionEnd

; A file setup would write, there already but not on its list: left alone, and the folder refused.
!macro Foreign NAME
    ${If} ${FileExists} "$INSTDIR\${NAME}"
        StrCpy $R7 $INSTDIR
        StrCpy $R8 "${NAME}"
        Call Listed
        ${If} $R9 != 1
            StrCpy $R0 "$INSTDIR holds a ${NAME} that this setup did not put there. It is left as it is, and ${PRODUCT} cannot be installed in that folder."
            Return
        ${EndIf}
    ${EndIf}
!macroend

; $R0 = why setup cannot install into $INSTDIR now, or "".
Function CheckFolder
    StrCpy $R0 ""
    ; A second install would take the first one's uninstall entry.
    ReadRegStr $R1 HKLM "${UNINSTALL_KEY}" "InstallLocation"
    ${If} $R1 != ""
    ${AndIf} $R1 != $INSTDIR
    ${AndIf} ${FileExists} "$R1\${LIST_FILE}"
        StrCpy $R0 "${PRODUCT} is installed in $R1. Uninstall it first to install it in $INSTDIR."
        Return
    ${EndIf}
    StrCpy $R2 0
    ${IfThen} $HotSyncDir == "" ${|} StrCpy $R2 1 ${|}
    Call InUse
    ${IfThen} $R0 != "" ${|} Return ${|}
    !insertmacro Foreign vistrel.exe
    !insertmacro Foreign vistrel-send.exe
    !insertmacro Foreign ${HELP_FILE}
    !insertmacro Foreign Vistrel.cnt
    !insertmacro Foreign Vistrel.chm
    !insertmacro Foreign "${UNINSTALLER}"
    ${If} ${SectionIsSelected} ${SecHotSync}
        !insertmacro Foreign UserData.dll
        !insertmacro Foreign INSTAIDE.dll
        !insertmacro Foreign hotsync.exe
        !insertmacro Foreign HotSync.ini
    ${EndIf}
FunctionEnd

; $R0 = WHY when the program FILE runs from $INSTDIR (the file of a running program cannot be
; opened for writing), and the function returns.
!macro RunningFrom FILE WHY
    ${If} ${FileExists} "$INSTDIR\${FILE}"
        ClearErrors
        FileOpen $R1 "$INSTDIR\${FILE}" a
        ${If} ${Errors}
            StrCpy $R0 "${WHY}"
            Return
        ${EndIf}
        FileClose $R1
    ${EndIf}
!macroend

; $R0 = why not, while vistrel.exe, vistrel-send.exe (or, with $R2 = 1, hotsync.exe) runs
; from $INSTDIR.
!macro InUse UN
Function ${UN}InUse
    StrCpy $R0 ""
    !insertmacro RunningFrom vistrel.exe "${PRODUCT} is running from $INSTDIR. Close it, then press Retry."
    !insertmacro RunningFrom vistrel-send.exe "vistrel-send is sending photographs from $INSTDIR. Let it finish, or stop it with Ctrl+C, then press Retry."
    ${If} $R2 = 1
        !insertmacro RunningFrom hotsync.exe "HotSync (hotsync.exe) is running from $INSTDIR. Let it finish, or close it (HotSync Manager: Exit, from its icon beside the clock), then press Retry."
    ${EndIf}
FunctionEnd
!macroend
!insertmacro InUse ""
!insertmacro InUse "un."

Function .onInit
    ${GetParameters} $R0
    ClearErrors
    ${GetOptions} $R0 "/NOHOTSYNC" $R1
    ${IfNot} ${Errors}
        StrCpy $NoSamples 1
        !insertmacro UnselectSection ${SecHotSync}
    ${EndIf}
    ClearErrors
    ${GetOptions} $R0 "/HOTSYNCDIR=" $R1
    ${IfNot} ${Errors}
        StrCpy $R7 $R1
        Call HoldsHotSync
        ${If} $R9 != 1
            MessageBox MB_OK|MB_ICONSTOP "$R1 does not hold the HotSync desktop software (UserData.dll and INSTAIDE.dll)." /SD IDOK
            Abort
        ${EndIf}
        StrCpy $INSTDIR $R1
    ${Else}
        ; Neither /D= nor an earlier install chose the folder: look for the HotSync software.
        ReadRegStr $R1 HKLM "${UNINSTALL_KEY}" "InstallLocation"
        ${If} $R1 == ""
        ${AndIf} $INSTDIR == "$PROGRAMFILES\${PRODUCT}"
            Call SearchProgramFiles
            ${IfThen} $Searched != "" ${|} StrCpy $INSTDIR $Searched ${|}
        ${EndIf}
    ${EndIf}
    ${If} ${Silent}
        Call ChooseCase
        Call CheckFolder
        ${If} $R0 != ""
            MessageBox MB_OK|MB_ICONSTOP "$R0" /SD IDOK
            Abort
        ${EndIf}
    ${EndIf}
FunctionEnd

Function DirectoryPre
    Call ChooseCase
    ${If} $HotSyncDir != ""
        StrCpy $DirText "The HotSync desktop software is in this folder: ${PRODUCT} goes beside it, where the program finds its libraries."
    ${Else}
        StrCpy $DirText "Setup did not find the HotSync desktop software (a folder with UserData.dll and INSTAIDE.dll) in $PROGRAMFILES or two levels below it. If it is elsewhere, choose its folder; otherwise ${PRODUCT} gets a folder of its own."
    ${EndIf}
FunctionEnd

Function DirectoryLeave
    Call ChooseCase
    Call CheckFolder
    ${If} $R0 != ""
        MessageBox MB_OK|MB_ICONEXCLAMATION "$R0"
        Abort
    ${EndIf}
FunctionEnd

Function FinishPre
    ${If} $HotSyncDir != ""
        StrCpy $FinishText "${PRODUCT} is installed in $INSTDIR, beside the HotSync desktop software. The photographs you send go to the handheld at its next HotSync."
    ${ElseIf} ${SectionIsSelected} ${SecHotSync}
        StrCpy $FinishText "${PRODUCT} is installed in $INSTDIR, with sample HotSync libraries.$\r$\n$\r$\nThe sample store is for trying the program: photographs sent into it reach no handheld."
    ${Else}
        StrCpy $FinishText "${PRODUCT} is installed in $INSTDIR. It needs UserData.dll and INSTAIDE.dll of the HotSync desktop software beside it: install it into that software's folder."
    ${EndIf}
FunctionEnd

Function StartProgram
    ; Through the shell, which starts the shortcut as the signed-in user (setup runs
    ; elevated) with the shortcut's working folder.
    SetShellVarContext all
    Exec '"$WINDIR\explorer.exe" "${SHORTCUT}"'
FunctionEnd

Function un.onInit
    StrCpy $R2 1
    ${Do}
        Call un.InUse
        ${IfThen} $R0 == "" ${|} ${ExitDo} ${|}
        MessageBox MB_RETRYCANCEL|MB_ICONEXCLAMATION "$R0" /SD IDCANCEL IDRETRY retry
        ; Silent, this is the whole answer: the exit code says the uninstall was stopped.
        Abort
    retry:
    ${Loop}
FunctionEnd

Section "Uninstall"
    ClearErrors
    FileOpen $0 "$INSTDIR\${LIST_FILE}" r
    ${If} ${Errors}
        MessageBox MB_OK|MB_ICONSTOP "$INSTDIR\${LIST_FILE}, the list of what setup installed, is missing: nothing is removed." /SD IDOK
        SetErrorLevel 2
        Return
    ${EndIf}
    StrCpy $Left ""
    ${Do}
        ClearErrors
        FileRead $0 $1
        ${IfThen} ${Errors} ${|} ${ExitDo} ${|}
        ${TrimNewLines} $1 $1
        StrCpy $2 $1 1
        ${GetFileName} $1 $3
        ; Setup lists bare file names; anything else is not ours to remove.
        ${If} $1 != ""
        ${AndIf} $2 != ";"
        ${AndIf} $3 == $1
            Delete "$INSTDIR\$1"
            ${IfThen} ${FileExists} "$INSTDIR\$1" ${|} StrCpy $Left "$Left$\r$\n$1" ${|}
        ${EndIf}
    ${Loop}
    FileClose $0
    ; What the help engine writes beside our help file once it has opened it.
    Delete "$INSTDIR\Vistrel.GID"
    Delete "$INSTDIR\Vistrel.FTS"
    ${If} $Left != ""
        MessageBox MB_OK|MB_ICONEXCLAMATION "These files in $INSTDIR could not be removed:$Left$\r$\n$\r$\n${PRODUCT} stays in Add or remove programs: uninstall it again once they can be removed." /SD IDOK
        SetErrorLevel 2
        Return
    ${EndIf}
    Delete "$INSTDIR\${LIST_FILE}"
    ; Only when empty: anything else in it is not ours.
    RMDir "$INSTDIR"

    SetShellVarContext all
    Delete "${SHORTCUT}"
    DeleteRegValue HKLM "${HELP_KEY}" "${HELP_FILE}"
    DeleteRegKey HKLM "${ACTIVE_SETUP_KEY}"
    DeleteRegKey HKLM "${UNINSTALL_KEY}"
    DetailPrint "Kept: the photographs you sent and the HotSync store they are in."
SectionEnd
