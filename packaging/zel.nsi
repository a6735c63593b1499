; The per-user installer of ZEL: no administrator rights, everything under the user's own
; folders and registry. Besides zel_common.nsh's values makensis gets ZEL_UNINSTALLER, the
; uninstaller made from uninstall.nsi.
; Silent use: setup.exe /S [/NOSENDTO] [/D=folder]; exit code 0 done, 1 cancelled, 2 refused
; or incomplete.

!include "zel_common.nsh"
!include "Sections.nsh"

InstallDir "$LOCALAPPDATA\Programs\ZEL"
; A second run offers the folder of the first.
InstallDirRegKey HKCU "${UNINSTALL_KEY}" "InstallLocation"
!insertmacro ZEL_VERSION_INFO "setup"

!define MUI_COMPONENTSPAGE_NODESC
!define MUI_FINISHPAGE_RUN
!define MUI_FINISHPAGE_RUN_TEXT "Start ZEL"
!define MUI_FINISHPAGE_RUN_FUNCTION StartZel

!insertmacro MUI_PAGE_COMPONENTS
!insertmacro MUI_PAGE_DIRECTORY
!insertmacro MUI_PAGE_INSTFILES
!insertmacro MUI_PAGE_FINISH
!insertmacro MUI_LANGUAGE "English"

; ZEL's choosers open in the folder it was started in. Started from the Start menu, through
; Send To or from the finish page it works in the user's Documents: the program's own folder is
; no place for coded files.
!macro ZelShortcut LINK
    SetOutPath "$DOCUMENTS"
    CreateShortcut "${LINK}" "$INSTDIR\zel.exe" "" "$INSTDIR\zel.exe" 0
    SetOutPath "$INSTDIR"
!macroend

Section "ZEL (zel.exe, zelc.exe, Start menu shortcut)" SecProgram
    SectionIn RO
    SetShellVarContext current
    !insertmacro StopWhileZelRuns "install"
    ClearErrors
    !insertmacro ZEL_INSTALL_PAYLOAD
    SetOutPath "$INSTDIR"
    File "/oname=uninstall.exe" "${ZEL_UNINSTALLER}"
    ; A file that cannot be written is skipped silently when the installer runs silent (and
    ; when "Ignore" is chosen): the installation is then incomplete, and says so.
    ${If} ${Errors}
        MessageBox MB_OK|MB_ICONSTOP "Some files could not be written into $INSTDIR, so ZEL is not installed completely. Install again." /SD IDOK
        SetErrorLevel 2
        Abort
    ${EndIf}
    !insertmacro ZelShortcut "$SMPROGRAMS\${SHORTCUT_NAME}"

    WriteRegStr HKCU "${UNINSTALL_KEY}" "DisplayName" "ZEL"
    WriteRegStr HKCU "${UNINSTALL_KEY}" "DisplayVersion" "${ZEL_VERSION}"
    WriteRegStr HKCU "${UNINSTALL_KEY}" "DisplayIcon" "$INSTDIR\zel.exe,0"
    WriteRegStr HKCU "${UNINSTALL_KEY}" "Publisher" "ZEL"
    WriteRegStr HKCU "${UNINSTALL_KEY}" "InstallLocation" "$INSTDIR"
    WriteRegStr HKCU "${UNINSTALL_KEY}" "UninstallString" '"$INSTDIR\uninstall.exe"'
    WriteRegStr HKCU "${UNINSTALL_KEY}" "QuietUninstallString" '"$INSTDIR\uninstall.exe" /S'
    WriteRegDWORD HKCU "${UNINSTALL_KEY}" "NoModify" 1
    WriteRegDWORD HKCU "${UNINSTALL_KEY}" "NoRepair" 1
SectionEnd

Section "Send To shortcut (right-click files > Send to > ZEL)" SecSendTo
    SetShellVarContext current
    !insertmacro ZelShortcut "$SENDTO\${SHORTCUT_NAME}"
SectionEnd

; Runs last: a repeated installation without Send To takes away the shortcut of an earlier one.
Section "-Finish"
    SetShellVarContext current
    ${IfNot} ${SectionIsSelected} ${SecSendTo}
        Delete "$SENDTO\${SHORTCUT_NAME}"
    ${EndIf}
    SectionGetSize ${SecProgram} $0
    WriteRegDWORD HKCU "${UNINSTALL_KEY}" "EstimatedSize" $0
SectionEnd

Function .onInit
    ; /NOSENDTO unticks the Send To shortcut, for silent installations.
    ${GetParameters} $R0
    ClearErrors
    ${GetOptions} $R0 "/NOSENDTO" $R1
    ${IfNot} ${Errors}
        !insertmacro UnselectSection ${SecSendTo}
    ${EndIf}
FunctionEnd

Function StartZel
    SetOutPath "$DOCUMENTS"
    Exec '"$INSTDIR\zel.exe"'
FunctionEnd
