#!/bin/sh
# The installer in a Wine prefix made for this test alone: silent installation with and
# without Send To, into the default and into another folder, twice over; what it leaves (the
# files, what the README links to, both shortcuts starting in Documents and none for zelc.exe,
# the uninstall registration); the installed zel.exe starts and quits with exit code 0, the
# installed zelc.exe runs; while either runs, both the installer and the uninstaller refuse
# with exit code 2 as the caller sees it, and change nothing; the silent uninstaller takes away
# all of it but a file of the user's, and leaves nothing in the temporary folder either (where
# a policy disables the command prompt, it still takes away the folder); a file that cannot be
# written fails the installation.
# Usage: installer_test.sh SETUP_EXE BUILT_ZEL_EXE BUILT_ZELC_EXE WORK_DIR START_AND_QUIT_EXE VERSION
set -eu
setup=$1 built_exe=$2 built_zelc=$3 work=$4 start_and_quit=$5 version=$6

if [ -n "${ZEL_WINE:-}" ]; then wine=$ZEL_WINE
elif [ -x /usr/lib/wine/wine64 ]; then wine=/usr/lib/wine/wine64
else wine=$(command -v wine64 || command -v wine); fi
wineserver=${wine%/*}/wineserver
[ -x "$wineserver" ] || wineserver=$(command -v wineserver)
export WINEPREFIX="$work/prefix" WINEDEBUG=-all
# No menu entries on the Linux desktop for the shortcuts made here.
export WINEDLLOVERRIDES="mscoree,mshtml=;winemenubuilder.exe=d"

. "${0%/*}/checks.sh"
# Runs a Windows program and waits until everything it started has ended: the uninstaller
# copies itself to the temporary folder and runs from there.
run() {
    status=0
    "$wine" "$@" || status=$?
    "$wineserver" -w
    return "$status"
}
unix_path() { "$wine" winepath -u "$1" 2>/dev/null | tr -d '\r'; }
windows_path() { "$wine" winepath -w "$1" 2>/dev/null | tr -d '\r'; }
windows_variable() { "$wine" cmd /c echo "%$1%" 2>/dev/null | tr -d '\r'; }
key='HKCU\Software\Microsoft\Windows\CurrentVersion\Uninstall\ZEL'
# The data of one value of the uninstall key, as "TYPE DATA".
registry_value() {
    "$wine" reg query "$key" /v "$1" 2>/dev/null | tr -d '\r' |
        awk -v name="$1" '$1 == name { $1 = ""; sub(/^ +/, ""); print }'
}
key_gone() { ! "$wine" reg query "$key" >/dev/null 2>&1; }
# Whether the command ends with the exit code.
exits_with() { expected=$1 status=0; shift; "$@" || status=$?; [ "$status" -eq "$expected" ]; }
# A shortcut names its target and its folder to start in, in ANSI and in UTF-16; without the
# NULs all read as text. Usage: points_to LINK TEXT [-a TEXT]...
points_to() {
    link=$1
    shift
    [ -f "$link" ] || return 1
    while [ $# -gt 0 ]; do
        [ "$1" = -a ] && shift
        tr -d '\000' <"$link" | grep -aqiF "$1" || return 1
        shift
    done
}

rm -rf "$work"
mkdir -p "$work"
run wineboot -i >/dev/null 2>&1
local_appdata=$(windows_variable LOCALAPPDATA)
documents="$(windows_variable USERPROFILE)\\Documents"
start_menu="$(unix_path "$(windows_variable APPDATA)")/Microsoft/Windows/Start Menu/Programs/ZEL.lnk"
send_to="$(unix_path "$(windows_variable APPDATA)")/Microsoft/Windows/SendTo/ZEL.lnk"
temp=$(unix_path "$(windows_variable TEMP)")

echo "== default folder, with Send To"
windows_folder="$local_appdata\\Programs\\ZEL"
folder=$(unix_path "$windows_folder")
default_folder=$folder
check "the installer runs silently and succeeds" run "$setup" /S
check "zel.exe is installed as built" cmp -s "$folder/zel.exe" "$built_exe"
check "zelc.exe is installed as built" cmp -s "$folder/zelc.exe" "$built_zelc"
check "the README and the uninstaller are installed" test -f "$folder/README.md" -a -f "$folder/uninstall.exe"
links=$(grep -oE '\]\([^)#:]+[)#]' "$folder/README.md" | sed 's/^](//; s/[)#]$//' | sort -u)
check "what the README links to is installed beside it ($(echo $links))" \
    sh -c 'cd "$1" && shift && [ $# -gt 0 ] && for f; do [ -s "$f" ] || exit 1; done' - "$folder" $links
check "the Start menu shortcut starts zel.exe in Documents" \
    points_to "$start_menu" "$windows_folder\\zel.exe" -a "$documents"
check "the Send To shortcut starts zel.exe in Documents" \
    points_to "$send_to" "$windows_folder\\zel.exe" -a "$documents"
check "no shortcut starts zelc.exe" \
    sh -c '! cat "${1%/*}"/*.lnk "${2%/*}"/*.lnk | tr -d "\000" | grep -aqi zelc' - "$start_menu" "$send_to"
check "DisplayName" test "$(registry_value DisplayName)" = "REG_SZ ZEL"
check "DisplayVersion" test "$(registry_value DisplayVersion)" = "REG_SZ $version"
check "DisplayIcon" test "$(registry_value DisplayIcon)" = "REG_SZ $windows_folder\\zel.exe,0"
check "InstallLocation" test "$(registry_value InstallLocation)" = "REG_SZ $windows_folder"
check "UninstallString" test "$(registry_value UninstallString)" = "REG_SZ \"$windows_folder\\uninstall.exe\""
check "QuietUninstallString" \
    test "$(registry_value QuietUninstallString)" = "REG_SZ \"$windows_folder\\uninstall.exe\" /S"
size_kib=$(($(registry_value EstimatedSize | sed 's/REG_DWORD //')))
exe_kib=$((($(stat -c %s "$built_exe") + $(stat -c %s "$built_zelc")) / 1024))
check "EstimatedSize ($size_kib KiB) counts zel.exe and zelc.exe ($exe_kib KiB) and little more" \
    test "$size_kib" -ge "$exe_kib" -a "$size_kib" -le $((exe_kib + 512))
check "the installed zel.exe starts, shows its window and quits with 0" \
    run "$start_and_quit" "$windows_folder\\zel.exe"
check "the installed zelc.exe runs" \
    test "$("$wine" "$windows_folder\\zelc.exe" --version | tr -d '\r')" = "zelc $version"

# A running program can be neither replaced nor removed: while either one runs, both the
# installer and the uninstaller stop before changing anything. zelc.exe waits for its key on a
# pipe that stays silent.
printf 'coded' >"$work/waiting_ZEL"
mkfifo "$work/key pipe"
exec 3<>"$work/key pipe"
for program in zel.exe zelc.exe; do
    if [ "$program" = zel.exe ]; then
        "$wine" "$folder/zel.exe" &
    else
        "$wine" "$folder/zelc.exe" decode --key-file - "$(windows_path "$work/waiting_ZEL")" \
            <"$work/key pipe" &
    fi
    program_pid=$!
    waited=0
    until grep -q "Programs/ZEL/$program" "/proc/$program_pid/maps" 2>/dev/null || [ $waited -ge 300 ]; do
        sleep 0.1
        waited=$((waited + 1))
    done
    check "while $program runs the installer fails with exit code 2" \
        exits_with 2 "$wine" "$setup" /S
    check "while $program runs the uninstaller fails with exit code 2" \
        exits_with 2 "$wine" "$folder/uninstall.exe" /S
    check "and both change nothing" sh -c 'cmp -s "$1/zel.exe" "$2" && cmp -s "$1/zelc.exe" "$3" &&
        test -f "$1/uninstall.exe" -a -f "$1/README.md" -a -f "$4" -a -f "$5"' \
        - "$folder" "$built_exe" "$built_zelc" "$start_menu" "$send_to"
    check "and keep the registration to be run again" test "$(registry_value DisplayName)" = "REG_SZ ZEL"
    kill "$program_pid"
    wait "$program_pid" || true
    "$wineserver" -w
done
exec 3>&-

printf 'mine\n' >"$folder/my notes.txt"
temp_before=$(ls -A "$temp")
check "the uninstaller runs silently and succeeds" "$wine" "$folder/uninstall.exe" /S
check "its work is done when it has ended" key_gone
"$wineserver" -w
check "only the user's file is left in the folder" test "$(ls -A "$folder")" = "my notes.txt"
check "and no docs folder" test ! -e "$folder/docs"
check "the user's file is unchanged" test "$(cat "$folder/my notes.txt")" = "mine"
check "both shortcuts are gone" test ! -e "$start_menu" -a ! -e "$send_to"
check "the uninstall registration is gone" key_gone
check "nothing is left in the temporary folder, where the uninstaller's copy ran" \
    test "$(ls -A "$temp")" = "$temp_before"

echo "== another folder, without Send To, installed three times"
windows_folder='C:\Tools\ZEL App'
folder=$(unix_path "$windows_folder")
# /D takes the rest of the command line as it stands, spaces and all, and must not be quoted.
# Wine quotes an argument with spaces, so from a Unix shell the folder goes in two words.
check "the installer takes /NOSENDTO and /D, the folder in two words" \
    run "$setup" /S /NOSENDTO '/D=C:\Tools\ZEL' 'App'
check "zel.exe is installed there" cmp -s "$folder/zel.exe" "$built_exe"
check "the Start menu shortcut starts it" points_to "$start_menu" "$windows_folder\\zel.exe"
check "no Send To shortcut" test ! -e "$send_to"
check "InstallLocation" test "$(registry_value InstallLocation)" = "REG_SZ $windows_folder"
check "a second run installs into the same folder, with Send To" run "$setup" /S
check "the Send To shortcut starts it" points_to "$send_to" "$windows_folder\\zel.exe"
check "a third run without Send To takes the shortcut away" run "$setup" /S /NOSENDTO
check "no Send To shortcut" test ! -e "$send_to"
check "zel.exe is still there" cmp -s "$folder/zel.exe" "$built_exe"
policy='HKCU\Software\Policies\Microsoft\Windows\System'
"$wine" reg add "$policy" /v DisableCMD /t REG_DWORD /d 1 /f >/dev/null 2>&1
check "where a policy disables the command prompt, the uninstaller runs silently and succeeds" \
    run "$folder/uninstall.exe" /S
"$wine" reg delete "$policy" /v DisableCMD /f >/dev/null 2>&1
check "the emptied folder is gone" test ! -e "$folder"
check "the Start menu shortcut is gone" test ! -e "$start_menu"
check "the uninstall registration is gone" key_gone

echo "== a file that cannot be written"
mkdir -p "$default_folder/README.md"
check "the installer fails with exit code 2" exits_with 2 run "$setup" /S
check "and makes no shortcut" test ! -e "$start_menu" -a ! -e "$send_to"
check "and no registration" key_gone
rm -rf "$default_folder"

all_passed
