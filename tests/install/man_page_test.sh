#!/bin/sh
# The man page as `cmake --install` put it under PREFIX, read as man shows it: man finds no
# fault in it (as lintian asks), it has the sections a man page of a command has, in their
# order (others may stand between them), and its footer holds the version and the day, in
# UTC, of the packages' one time: SOURCE_DATE_EPOCH, else the last commit's (1980-01-01
# without one). And the day is the commit's, not the build's, in UTC: the page of a commit of
# 2001, made by a builder 14 hours ahead of UTC, has that commit's day.
# Usage: man_page_test.sh PREFIX VERSION SOURCE_DIR WORK_DIR CMAKE
set -eu
prefix=$1 version=$2 source_dir=$3 work=$4 cmake=$5
. "${0%/*}/../packaging/checks.sh"
page="$prefix/share/man/man1/zel.1"

rm -rf "$work"
mkdir -p "$work/commit"
git -C "$work/commit" init -q
GIT_AUTHOR_DATE="@999990000 +0000" GIT_COMMITTER_DATE="@999990000 +0000" \
    git -C "$work/commit" -c user.name=zel -c user.email=zel@example.invalid \
    commit -q --allow-empty -m "2001-09-08 23:00 UTC"
env -u SOURCE_DATE_EPOCH TZ=XYZ-14 "$cmake" -DZEL_SOURCE_DIR="$work/commit" -DZEL_VERSION=9.9 \
    -DZEL_MAN_PAGE_IN="$source_dir/cli/zel.1.in" -DZEL_MAN_PAGE="$work/zel.1" \
    -P "$source_dir/cmake/man_page.cmake"
check "the page of a commit of 2001-09-08 23:00 UTC, built at UTC+14, is dated 2001-09-08" \
    grep -q '^\.TH ZEL 1 "2001-09-08" "zel 9\.9" ' "$work/zel.1"
all_passed || exit 1

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
