; uninstall.exe: takes away what the installer made, from the folder it sits in. It is built
; as a program of its own rather than with NSIS's WriteUninstaller, whose uninstaller starts a
; copy of itself and ends at once with exit code 0, before any of this script runs: a script
; could then never learn that the uninstaller refused. This one does its work itself and ends
; with its real exit code (0 removed, 1 cancelled, 2 refused because ZEL runs), and leaves only
; the removal of uninstall.exe and of the emptied folder to a copy in the temporary folder,
; which waits until this process has ended, and the removal of that copy to cmd.exe.
; Silent use: uninstall.exe /S.

!include "zel_common.nsh"

Caption "ZEL ${ZEL_VERSION} Uninstall"
InstallButtonText "&Uninstall"
SpaceTexts none
!insertmacro ZEL_VERSION_INFO "uninstaller"

!define MUI_PAGE_HEADER_TEXT "Uninstall ZEL"
!define MUI_PAGE_HEADER_SUBTEXT "Remove ZEL from your computer."
!define MUI_DIRECTORYPAGE_TEXT_TOP "ZEL will be removed from the folder below, with its Start menu and Send To shortcuts. Files of your own in the folder are left alone. Click Uninstall to go on."
!define MUI_DIRECTORYPAGE_TEXT_DESTINATION "Uninstalling from:"
!define MUI_PAGE_CUSTOMFUNCTION_SHOW ShowFolderOnly
!insertmacro MUI_PAGE_DIRECTORY
!define MUI_PAGE_HEADER_TEXT "Uninstalling"
!define MUI_PAGE_HEADER_SUBTEXT "Please wait while ZEL is being removed."
!define MUI_INSTFILESPAGE_FINISHHEADER_TEXT "Uninstallation Complete"
!define MUI_INSTFILESPAGE_FINISHHEADER_SUBTEXT "ZEL has been removed."
!define MUI_INSTFILESPAGE_ABORTHEADER_TEXT "Uninstallation Aborted"
!define MUI_INSTFILESPAGE_ABORTHEADER_SUBTEXT "Nothing was removed."
!insertmacro MUI_PAGE_INSTFILES
!insertmacro MUI_LANGUAGE "English"

; The folder page only shows where ZEL is removed from: the folder cannot be changed.
Function ShowFolderOnly
    FindWindow $0 "#32770" "" $HWNDPARENT
    GetDlgItem $1 $0 1019
    SendMessage $1 ${EM_SETREADONLY} 1 0
    GetDlgItem $1 $0 1001
    ShowWindow $1 ${SW_HIDE}
FunctionEnd

Function .onInit
    ; The copy that removes uninstall.exe: /CLEANUP, with the folder in ZEL_UNINSTALLED_FOLDER.
    ${GetParameters} $R0
    ClearErrors
    ${GetOptions} $R0 "/CLEANUP" $R1
    ${IfNot} ${Errors}
        ReadEnvStr $INSTDIR ZEL_UNINSTALLED_FOLDER
        ${If} $INSTDIR != ""
            Call RemoveUninstaller
        ${EndIf}
        Quit
    ${EndIf}
    StrCpy $INSTDIR $EXEDIR
FunctionEnd

; Takes away exactly what the installer made. A file the user put into the folder stays, and
; with it the folder. The shortcuts and the registration belong to the installation they name:
; the uninstaller of an older copy in another folder leaves those of the newer one alone.
Section "-Remove"
    SetShellVarContext current
    !insertmacro StopWhileZelRuns "uninstall"
    !insertmacro ZEL_REMOVE_PAYLOAD
    ReadRegStr $0 HKCU "${UNINSTALL_KEY}" "InstallLocation"
    ${If} $0 == ""
    ${OrIf} $0 == $INSTDIR
        Delete "$SMPROGRAMS\${SHORTCUT_NAME}"
        Delete "$SENDTO\${SHORTCUT_NAME}"
        DeleteRegKey HKCU "${UNINSTALL_KEY}"
    ${EndIf}
SectionEnd

; A running program's file cannot be deleted: a copy of this one, in a folder of its own in the
; temporary folder (nsXXXX.tmp), deletes it, and then the emptied folder, once this process has
; ended. The copy cannot delete its own file either, so cmd.exe, which is part of Windows and
; leaves nothing, starts it, waits until it has ended (start /wait: cmd.exe does not always wait
; for a windowed program) and then removes that folder. Started last, when the window closes.
;
; cmd.exe works in the temporary folder and names the copy's folder by its name alone
; (nsXXXX.tmp: letters and digits), and the copy finds the installed folder in the
; environment, so that no path goes through cmd.exe, which would read "&", "^" or "%" in it as
; its own. No program works in the copy's folder, which could not be removed then. cmd.exe
; runs hidden, as a console would show. Where a policy disables the command prompt, the copy
; is started directly: the installed folder still goes, and only the copy stays.
Function .onInstSuccess
    GetTempFileName $0
    Delete $0
    CreateDirectory $0
    CopyFiles /SILENT "$EXEPATH" "$0\uninstall.exe"
    System::Call 'kernel32::SetEnvironmentVariable(t "ZEL_UNINSTALLED_FOLDER", t "$INSTDIR")'
    ${GetFileName} $0 $1
    ${GetParent} $0 $2
    SetOutPath $2
    ReadRegDWORD $3 HKCU "Software\Policies\Microsoft\Windows\System" "DisableCMD"
    ${If} $3 != 1
        ClearErrors
        ExecShell "open" "$SYSDIR\cmd.exe" \
            '/d /c start "" /wait .\$1\uninstall.exe /CLEANUP & rd /s /q $1' SW_HIDE
        ${IfNot} ${Errors}
            Return
        ${EndIf}
    ${EndIf}
    Exec '"$0\uninstall.exe" /CLEANUP'
FunctionEnd

Function RemoveUninstaller
    StrCpy $1 0
    ${Do}
        Delete "$INSTDIR\uninstall.exe"
        ${IfNot} ${FileExists} "$INSTDIR\uninstall.exe"
            ${Break}
        ${EndIf}
        Sleep 100
        IntOp $1 $1 + 1
    ${LoopUntil} $1 >= 300
    RMDir "$INSTDIR"
FunctionEnd
