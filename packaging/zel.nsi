; The per-user installer of ZEL: no administrator rights, everything under the user's own
; folders and registry. makensis gets the version and the input files from
; packaging/make_packages.cmake:
;   ZEL_VERSION (major.minor), ZEL_VERSION_QUAD (major.minor.0.0), ZEL_EXE, ZEL_README, ZEL_ICON, OUT_FILE
; Silent use: setup.exe /S [/NOSENDTO] [/D=folder], uninstall.exe /S.

Unicode true
; Wine runs only 64-bit programs here; a 32-bit installer would do nothing at all.
Target amd64-unicode
RequestExecutionLevel user
SetCompressor /SOLID lzma
ManifestDPIAware true

!include "MUI2.nsh"
!include "FileFunc.nsh"
!include "LogicLib.nsh"
!include "Sections.nsh"

!define UNINSTALL_KEY "Software\Microsoft\Windows\CurrentVersion\Uninstall\ZEL"
!define SHORTCUT_NAME "ZEL.lnk"

Name "ZEL ${ZEL_VERSION}"
OutFile "${OUT_FILE}"
InstallDir "$LOCALAPPDATA\Programs\ZEL"
; A second run offers the folder of the first.
InstallDirRegKey HKCU "${UNINSTALL_KEY}" "InstallLocation"
BrandingText "ZEL ${ZEL_VERSION}"

VIProductVersion "${ZEL_VERSION_QUAD}"
VIFileVersion "${ZEL_VERSION_QUAD}"
VIAddVersionKey /LANG=1033 "ProductName" "ZEL"
VIAddVersionKey /LANG=1033 "ProductVersion" "${ZEL_VERSION}"
VIAddVersionKey /LANG=1033 "FileVersion" "${ZEL_VERSION}"
VIAddVersionKey /LANG=1033 "FileDescription" "ZEL ${ZEL_VERSION} setup"
VIAddVersionKey /LANG=1033 "CompanyName" "ZEL"
VIAddVersionKey /LANG=1033 "LegalCopyright" "ZEL"

!define MUI_ICON "${ZEL_ICON}"
!define MUI_UNICON "${ZEL_ICON}"
!define MUI_COMPONENTSPAGE_NODESC
!define MUI_FINISHPAGE_RUN "$INSTDIR\zel.exe"
!define MUI_FINISHPAGE_RUN_TEXT "Start ZEL"

!insertmacro MUI_PAGE_COMPONENTS
!insertmacro MUI_PAGE_DIRECTORY
!insertmacro MUI_PAGE_INSTFILES
!insertmacro MUI_PAGE_FINISH
!insertmacro MUI_UNPAGE_CONFIRM
!insertmacro MUI_UNPAGE_INSTFILES
!insertmacro MUI_LANGUAGE "English"

; A running ZEL holds zel.exe, which then can be neither replaced nor removed. Both the
; installer and the uninstaller stop before they change anything, and say so (exit code 2 when
; silent), rather than end with an old program or a half-removed one.
!macro StopWhileZelRuns ACTION
    ClearErrors
    Delete "$INSTDIR\zel.exe"
    ${If} ${Errors}
        MessageBox MB_OK|MB_ICONEXCLAMATION "ZEL is running. Close it, then ${ACTION} again." /SD IDOK
        SetErrorLevel 2
        Abort
    ${EndIf}
!macroend

Section "ZEL (program, Start menu shortcut)" SecProgram
    SectionIn RO
    SetShellVarContext current
    !insertmacro StopWhileZelRuns "install"
    SetOutPath "$INSTDIR"
    File "/oname=zel.exe" "${ZEL_EXE}"
    File "/oname=README.md" "${ZEL_README}"
    WriteUninstaller "$INSTDIR\uninstall.exe"
    CreateShortcut "$SMPROGRAMS\${SHORTCUT_NAME}" "$INSTDIR\zel.exe" "" "$INSTDIR\zel.exe" 0

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
    CreateShortcut "$SENDTO\${SHORTCUT_NAME}" "$INSTDIR\zel.exe" "" "$INSTDIR\zel.exe" 0
SectionEnd

; Runs last: a repeated installation without Send To takes away the shortcut of an earlier one,
; and the size counts only what this installer put into the folder.
Section "-Finish"
    SetShellVarContext current
    ${IfNot} ${SectionIsSelected} ${SecSendTo}
        Delete "$SENDTO\${SHORTCUT_NAME}"
    ${EndIf}
    SectionGetSize ${SecProgram} $0
    ${GetSize} "$INSTDIR" "/M=uninstall.exe /S=0K /G=0" $1 $2 $3
    IntOp $0 $0 + $1
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

; Takes away exactly what the installer made. A file the user put into the folder stays, and
; with it the folder. The shortcuts and the registration belong to the installation they name:
; the uninstaller of an older copy in another folder leaves those of the newer one alone.
Section "Uninstall"
    SetShellVarContext current
    !insertmacro StopWhileZelRuns "uninstall"
    Delete "$INSTDIR\README.md"
    Delete "$INSTDIR\uninstall.exe"
    RMDir "$INSTDIR"
    ReadRegStr $0 HKCU "${UNINSTALL_KEY}" "InstallLocation"
    ${If} $0 == ""
    ${OrIf} $0 == $INSTDIR
        Delete "$SMPROGRAMS\${SHORTCUT_NAME}"
        Delete "$SENDTO\${SHORTCUT_NAME}"
        DeleteRegKey HKCU "${UNINSTALL_KEY}"
    ${EndIf}
SectionEnd
