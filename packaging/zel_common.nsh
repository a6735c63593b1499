; What the installer (zel.nsi) and the uninstaller (uninstall.nsi) share. makensis gets from
; packaging/make_packages.cmake: ZEL_VERSION (major.minor), ZEL_VERSION_QUAD (major.minor.0.0),
; ZEL_ICON, ZEL_PAYLOAD (payload.nsh: the files of an installation, written by the package
; target), OUT_FILE.

Unicode true
; Wine runs only 64-bit programs here; a 32-bit installer would do nothing at all.
Target amd64-unicode
RequestExecutionLevel user
SetCompressor /SOLID lzma
ManifestDPIAware true

!include "MUI2.nsh"
!include "FileFunc.nsh"
!include "LogicLib.nsh"
!include "${ZEL_PAYLOAD}"

!define UNINSTALL_KEY "Software\Microsoft\Windows\CurrentVersion\Uninstall\ZEL"
!define SHORTCUT_NAME "ZEL.lnk"

Name "ZEL ${ZEL_VERSION}"
OutFile "${OUT_FILE}"
BrandingText "ZEL ${ZEL_VERSION}"
!define MUI_ICON "${ZEL_ICON}"

!macro ZEL_VERSION_INFO DESCRIPTION
    VIProductVersion "${ZEL_VERSION_QUAD}"
    VIFileVersion "${ZEL_VERSION_QUAD}"
    VIAddVersionKey /LANG=1033 "ProductName" "ZEL"
    VIAddVersionKey /LANG=1033 "ProductVersion" "${ZEL_VERSION}"
    VIAddVersionKey /LANG=1033 "FileVersion" "${ZEL_VERSION}"
    VIAddVersionKey /LANG=1033 "FileDescription" "ZEL ${ZEL_VERSION} ${DESCRIPTION}"
    VIAddVersionKey /LANG=1033 "CompanyName" "ZEL"
    VIAddVersionKey /LANG=1033 "LegalCopyright" "ZEL"
!macroend

; A running program's file can be neither replaced nor removed: a zel.exe with its window open,
; or a zelc.exe working in a console. Both the installer and the uninstaller look at every
; program before they change anything, and stop and say so (exit code 2 when silent) while any
; of them runs, rather than end with a mix of old and new programs or a half-removed folder.
; Windows refuses to open a running program's file for writing; opening it to append, and
; appending nothing, changes nothing.
!macro ZelProgramRunning NAME
    ${If} ${FileExists} "$INSTDIR\${NAME}"
        ClearErrors
        FileOpen $R8 "$INSTDIR\${NAME}" a
        ${If} ${Errors}
            StrCpy $R9 "${NAME}"
        ${Else}
            FileClose $R8
        ${EndIf}
    ${EndIf}
!macroend

!macro StopWhileZelRuns ACTION
    StrCpy $R9 ""
    !insertmacro ZEL_FOR_EACH_PROGRAM ZelProgramRunning
    ${If} $R9 != ""
        MessageBox MB_OK|MB_ICONEXCLAMATION "ZEL is running ($R9). Close it, then ${ACTION} again." /SD IDOK
        SetErrorLevel 2
        Abort
    ${EndIf}
!macroend
