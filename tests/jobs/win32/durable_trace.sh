#!/usr/bin/env bash
# A coding run over three files and a decoding run, traced with strace: every output's data
# must reach the disk (fsync or fdatasync of the unfinished "<name>.part") before the rename
# that gives it its final name, and the name after it (fsync of the folder).
# Usage: durable_trace.sh <wine-run.sh> <test program with the --job role> <work folder>
set -euo pipefail
wine_run=$1 runner=$2 work=$3
command -v strace >/dev/null || { echo "strace is missing (scripts/setup.sh installs it)"; exit 1; }

rm -rf "$work/files" && mkdir -p "$work/files"
files=$work/files
for name in a b c; do head -c $((300000 + RANDOM)) /dev/urandom >"$files/$name"; done
winpath() { echo "Z:${1//\//\\}"; }

# A prefix of its own, and a fresh wineserver in it, so that the trace holds the server's
# renames as well as the program's flushes.
export ZEL_WINEPREFIX=$work/prefix
"$wine_run" cmd /c exit >/dev/null 2>&1 || true

wineserver=$(command -v wineserver || echo /usr/lib/wine/wineserver)
traced() {
    WINEPREFIX=$ZEL_WINEPREFIX "$wineserver" -k 2>/dev/null || true
    WINEPREFIX=$ZEL_WINEPREFIX "$wineserver" -w 2>/dev/null || true
    strace -f -y -qq -e trace=fsync,fdatasync,rename,renameat,renameat2 -o "$work/trace.log" \
        "$wine_run" "$runner" --job "$@"
}

# The first line after line $1 that matches the pattern $2.
first_after() {
    grep -nE "$2" "$work/trace.log" | cut -d: -f1 | awk -v after="$1" '$1 > after { print; exit }'
}

# Each output: the line of its last flush must come before the line of its rename, and a flush
# of its folder after that, before the next rename.
check_order() {
    local output=$1 flushed renamed named next
    flushed=$(grep -nE "(fsync|fdatasync)\([0-9]+<$output\.part>" "$work/trace.log" | tail -n1 |
        cut -d: -f1)
    # The server names the target through the prefix's drive link: match its last part only.
    renamed=$(grep -nE "rename(at2?)?\(.*\"$output\.part\", .*/${output##*/}\"" "$work/trace.log" |
        head -n1 | cut -d: -f1)
    named=$(first_after "${renamed:-0}" "fsync\([0-9]+<${output%/*}>\)")
    next=$(first_after "${renamed:-0}" 'rename(at2?)?\(.*\.part"')
    if [ -z "$flushed" ] || [ -z "$renamed" ] || [ "$flushed" -ge "$renamed" ] ||
        [ -z "$named" ] || [ "$named" -ge "${next:-$((named + 1))}" ]; then
        echo "FAIL: $output: flush at line '${flushed:-none}', rename at line '${renamed:-none}'," \
            "folder's flush after it at line '${named:-none}'"
        grep -E "\.part|$output|fsync\([0-9]+<${output%/*}>" "$work/trace.log" | head -n 20
        return 1
    fi
    echo "ok: $output written through before its rename, its name after it" \
        "(lines $flushed < $renamed < $named)"
}

status=0
out=$(traced code "$(winpath "$files/out")" "$(winpath "$files")" a b c | tr -d '\r')
key=$(sed -n 's/^key: //p' <<<"$out")
if grep -q '^info:' <<<"$out" || [ ${#key} -ne 9 ]; then echo "FAIL: coding run: $out"; exit 1; fi
for name in a b c; do check_order "$files/out_${name}_ZEL" || status=1; done

traced decode "$(winpath "$files/out_b_ZEL")" "$(winpath "$files/b.back")" "$key" >/dev/null
check_order "$files/b.back" || status=1
cmp "$files/b" "$files/b.back" || { echo "FAIL: decoded file differs"; status=1; }
if ls "$files" | grep -q '\.part$'; then echo "FAIL: unfinished files left"; status=1; fi
exit $status
