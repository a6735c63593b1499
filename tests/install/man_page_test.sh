#!/bin/sh
# The man page as `cmake --install` put it under PREFIX, read as man shows it: man finds no
# fault in it (as lintian asks), it has the sections a man page of a command has, in their
# order (others may stand between them), and its footer holds the version and the day, in
# UTC, of the packages' one time: SOURCE_DATE_EPOCH, else the last commit's (1980-01-01
# without one).
# Usage: man_page_test.sh PREFIX VERSION SOURCE_DIR
set -eu
prefix=$1 version=$2 source_dir=$3
. "${0%/*}/../packaging/checks.sh"
page="$prefix/share/man/man1/zel.1"
if ! command -v man >/dev/null; then
    echo "SKIPPED: man is not installed (Debian package man-db; scripts/setup.sh installs it)"
    exit 77
fi
commit_time=$(git -C "$source_dir" log -1 --format=%ct 2>/dev/null) || commit_time=315532800
epoch=${SOURCE_DATE_EPOCH:-$commit_time}
day=$(TZ=UTC0 date -d "@$epoch" +%Y-%m-%d)

shown=$(LC_ALL=C.UTF-8 MANWIDTH=80 man --warnings -E UTF-8 -l "$page" 2>&1 >/dev/null)
check "man shows it without a warning${shown:+: $shown}" test -z "$shown"
text=$(LC_ALL=C.UTF-8 MANWIDTH=80 man -E UTF-8 -l "$page" 2>/dev/null)
# The headings are lines of their own at the left margin; a page may have more (SECURITY).
required="NAME,SYNOPSIS,DESCRIPTION,OPTIONS,EXIT STATUS,EXAMPLES,SEE ALSO"
sections=$(printf '%s\n' "$text" | grep -x -e NAME -e SYNOPSIS -e DESCRIPTION -e OPTIONS \
    -e 'EXIT STATUS' -e EXAMPLES -e 'SEE ALSO' | paste -sd, -)
check "it has the sections $required, in this order ($sections)" test "$sections" = "$required"
footer=$(printf '%s\n' "$text" | sed '/^$/d' | tail -n 1)
check "its footer names zel $version and $day ($footer)" \
    sh -c 'printf "%s\n" "$1" | grep -Eqx "zel $2 +$3 +ZEL\(1\)"' - "$footer" "$version" "$day"
all_passed
