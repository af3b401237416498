; The setup program for Vistrel Desktop. CMake (installer/CMakeLists.txt) runs makensis
; with these defined:
;   VERSION    the program's version, the same that its VERSIONINFO carries
;   BIN_DIR    where the build put vistrel.exe, the help, the HotSync libraries, hotsync.exe
;   ICON       the program's icon
;   OUT_FILE   the setup program to write
;
; Its command line: /S silent; /NOHOTSYNC leaves out our HotSync libraries (for a machine
; with the HotSync software); /D=FOLDER the install folder (last, unquoted).
; The uninstaller takes /S.

!ifndef VERSION | BIN_DIR | ICON | OUT_FILE
    !error "makensis needs -DVERSION= -DBIN_DIR= -DICON= -DOUT_FILE="
!endif

Unicode true
!include MUI2.nsh
!include FileFunc.nsh
!include LogicLib.nsh
!include Sections.nsh

!define PRODUCT "Vistrel Desktop"
!define PUBLISHER "Vistrel"
!define UNINSTALL_KEY "Software\Microsoft\Windows\CurrentVersion\Uninstall\${PRODUCT}"
; Where WinHelp looks up a bare help-file name that is not in the current folder.
!define HELP_KEY "Software\Microsoft\Windows\Help"
!define HELP_FILE "Vistrel.hlp"
!define SHORTCUT "$SMPROGRAMS\${PRODUCT}.lnk"
; The program's main window: a dialog with this title.
!define WINDOW_CLASS "#32770"
!define WINDOW_TITLE "${PRODUCT}"
!define SAMPLE_USER "Sample"
!define SAMPLE_CARD "SD card"

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

Var Store

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
!insertmacro MUI_PAGE_COMPONENTS
!insertmacro MUI_PAGE_DIRECTORY
!insertmacro MUI_PAGE_INSTFILES
!define MUI_FINISHPAGE_RUN
!define MUI_FINISHPAGE_RUN_TEXT "Start ${PRODUCT}"
!define MUI_FINISHPAGE_RUN_FUNCTION StartProgram
!insertmacro MUI_PAGE_FINISH

!define MUI_UNCONFIRMPAGE_TEXT_TOP "${PRODUCT} will be removed from the folder below. The photographs you sent and the HotSync store are your data: they are kept."
!insertmacro MUI_UNPAGE_CONFIRM
!insertmacro MUI_UNPAGE_INSTFILES

!insertmacro MUI_LANGUAGE "English"

Section "${PRODUCT} (required)" SecProgram
    SectionIn RO
    SetOutPath "$INSTDIR"
    File "${BIN_DIR}/vistrel.exe"
    File "${BIN_DIR}/${HELP_FILE}"
    ; The help's contents tab, which the help engine looks for beside it.
    File "${BIN_DIR}/Vistrel.cnt"
    File "${BIN_DIR}/Vistrel.chm"
    WriteUninstaller "$INSTDIR\Uninstall.exe"

    ; The shortcut's working folder is $OUTDIR, the install folder, where the help
    ; engine finds the bare name the program asks for.
    SetShellVarContext all
    CreateShortCut "${SHORTCUT}" "$INSTDIR\vistrel.exe" "" "$INSTDIR\vistrel.exe" 0
    WriteRegStr HKLM "${HELP_KEY}" "${HELP_FILE}" "$INSTDIR"

    WriteRegStr HKLM "${UNINSTALL_KEY}" "DisplayName" "${PRODUCT}"
    WriteRegStr HKLM "${UNINSTALL_KEY}" "DisplayVersion" "${VERSION}"
    WriteRegStr HKLM "${UNINSTALL_KEY}" "Publisher" "${PUBLISHER}"
    WriteRegStr HKLM "${UNINSTALL_KEY}" "DisplayIcon" "$INSTDIR\vistrel.exe,0"
    WriteRegStr HKLM "${UNINSTALL_KEY}" "InstallLocation" "$INSTDIR"
    WriteRegStr HKLM "${UNINSTALL_KEY}" "UninstallString" '"$INSTDIR\Uninstall.exe"'
    WriteRegStr HKLM "${UNINSTALL_KEY}" "QuietUninstallString" '"$INSTDIR\Uninstall.exe" /S'
    WriteRegDWORD HKLM "${UNINSTALL_KEY}" "NoModify" 1
    WriteRegDWORD HKLM "${UNINSTALL_KEY}" "NoRepair" 1
SectionEnd

Section "HotSync libraries for trying it out" SecHotSync
    SetOutPath "$INSTDIR"
    File "${BIN_DIR}/UserData.dll"
    File "${BIN_DIR}/INSTAIDE.dll"
    File "${BIN_DIR}/hotsync.exe"

    ; The libraries read their root from HotSync.ini beside them. A root set by an
    ; earlier install, or by hand, is kept: it may hold the user's photographs.
    ClearErrors
    ReadINIStr $Store "$INSTDIR\HotSync.ini" "HotSync" "Root"
    ${If} $Store == ""
        ; The store is the installing user's data, in their own application-data folder.
        SetShellVarContext current
        StrCpy $Store "$APPDATA\${PRODUCT}\HotSync"
        WriteINIStr "$INSTDIR\HotSync.ini" "HotSync" "Root" "$Store"
        FlushINI "$INSTDIR\HotSync.ini"
    ${Else}
        ; A relative root is taken from the libraries' folder, as they do.
        StrCpy $0 $Store 1 1
        StrCpy $1 $Store 1
        ${If} $0 != ":"
        ${AndIf} $1 != "\"
        ${AndIf} $1 != "/"
            StrCpy $Store "$INSTDIR\$Store"
        ${EndIf}
    ${EndIf}

    ${If} ${FileExists} "$Store\users.txt"
        DetailPrint "The HotSync store in $Store is kept as it is."
    ${Else}
        CreateDirectory "$Store"
        DetailPrint "A new HotSync store in $Store, with the user ${SAMPLE_USER}."
        nsExec::ExecToLog '"$INSTDIR\hotsync.exe" --root "$Store" users add "${SAMPLE_USER}" --card "${SAMPLE_CARD}"'
        Pop $0
        ${If} $0 != 0
            MessageBox MB_OK|MB_ICONEXCLAMATION "The user ${SAMPLE_USER} could not be added to the HotSync store in $Store ($0). Add a user with hotsync.exe before sending." /SD IDOK
        ${EndIf}
    ${EndIf}
SectionEnd

Section "-Without our HotSync libraries"
    ; Left beside the program from an earlier install, ours would be loaded instead of
    ; the HotSync software's own.
    ${IfNot} ${SectionIsSelected} ${SecHotSync}
        Delete "$INSTDIR\UserData.dll"
        Delete "$INSTDIR\INSTAIDE.dll"
        Delete "$INSTDIR\hotsync.exe"
        Delete "$INSTDIR\HotSync.ini"
    ${EndIf}
SectionEnd

Section "-Size"
    ; Last, so that every installed file is counted.
    ${GetSize} "$INSTDIR" "/S=0K" $0 $1 $2
    WriteRegDWORD HKLM "${UNINSTALL_KEY}" "EstimatedSize" $0
SectionEnd

!macro RefuseWhileRunning UN
Function ${UN}RefuseWhileRunning
    ${Do}
        FindWindow $0 "${WINDOW_CLASS}" "${WINDOW_TITLE}"
        ${If} $0 = 0
            Return
        ${EndIf}
        MessageBox MB_RETRYCANCEL|MB_ICONEXCLAMATION "${PRODUCT} is running. Close it, then press Retry." /SD IDCANCEL IDRETRY retry
        ; Silent, this is the whole answer: the exit code says the setup was stopped.
        Abort
    retry:
    ${Loop}
FunctionEnd
!macroend
!insertmacro RefuseWhileRunning ""
!insertmacro RefuseWhileRunning "un."

Function .onInit
    Call RefuseWhileRunning
    ${GetParameters} $0
    ClearErrors
    ${GetOptions} $0 "/NOHOTSYNC" $1
    ${IfNot} ${Errors}
        !insertmacro UnselectSection ${SecHotSync}
    ${EndIf}
FunctionEnd

Function StartProgram
    ; The program's current folder is the install folder, as from the shortcut.
    SetOutPath "$INSTDIR"
    Exec '"$INSTDIR\vistrel.exe"'
FunctionEnd

Function un.onInit
    Call un.RefuseWhileRunning
FunctionEnd

Section "Uninstall"
    ReadINIStr $Store "$INSTDIR\HotSync.ini" "HotSync" "Root"
    Delete "$INSTDIR\vistrel.exe"
    Delete "$INSTDIR\${HELP_FILE}"
    Delete "$INSTDIR\Vistrel.cnt"
    Delete "$INSTDIR\Vistrel.chm"
    ; What the help engine writes beside a help file it has opened.
    Delete "$INSTDIR\Vistrel.GID"
    Delete "$INSTDIR\Vistrel.FTS"
    Delete "$INSTDIR\UserData.dll"
    Delete "$INSTDIR\INSTAIDE.dll"
    Delete "$INSTDIR\hotsync.exe"
    Delete "$INSTDIR\HotSync.ini"
    Delete "$INSTDIR\Uninstall.exe"
    ; Only when empty: anything else in it is not ours.
    RMDir "$INSTDIR"

    SetShellVarContext all
    Delete "${SHORTCUT}"
    DeleteRegValue HKLM "${HELP_KEY}" "${HELP_FILE}"
    DeleteRegKey HKLM "${UNINSTALL_KEY}"

    ${If} $Store != ""
        DetailPrint "Kept: the HotSync store and the photographs sent into it, in $Store."
    ${Else}
        DetailPrint "Kept: the photographs sent, in each HotSync user's folder."
    ${EndIf}
SectionEnd
