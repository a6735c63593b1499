#!/bin/sh
# A second build of the same sources, as someone checking a download would make it: a copy of
# the sources in another folder that belongs to another user, later, in another time zone and
# with another umask. Its program, package and SHA256SUMS must equal the first build's byte for
# byte, even though git refuses to work in that copy. The package's files carry the commit's
# time, or SOURCE_DATE_EPOCH when it is set, and its man page that time's day.
# Usage: deb_reproducible_test.sh WORK_DIR SOURCE_DIR GENERATOR CXX_COMPILER VERSION FIRST_TREE
set -eu
work=$1 source_dir=$2 generator=$3 compiler=$4 version=$5 first=$6
. "${0%/*}/../checks.sh"
copy="$work/another checkout"
tree="$copy/build/host"
deb="zel_${version}_$(dpkg --print-architecture).deb"
# The times of the package's files, one line per distinct time.
file_times() { dpkg-deb --fsys-tarfile "$tree/$deb" | tar -tv --utc | awk '{ print $4, $5 }' | sort -u; }
utc_time() { TZ=UTC0 date -d "@$1" '+%Y-%m-%d %H:%M'; }
# The date in the footer of the package's man page, and a time's day as it should be there.
man_page_date() {
    dpkg-deb --fsys-tarfile "$tree/$deb" | tar -xOf - ./usr/share/man/man1/zel.1.gz | gzip -dc |
        sed -n 's/^\.TH ZEL 1 "\([^"]*\)".*/\1/p'
}
utc_day() { TZ=UTC0 date -d "@$1" '+%Y-%m-%d'; }

rm -rf "$work"
copy_sources "$source_dir" "$copy"
as_another_builder cmake -S "$copy" -B "$tree" -G "$generator" -DCMAKE_CXX_COMPILER="$compiler" \
    -DCMAKE_BUILD_TYPE=Release -DZEL_BUILD_TESTS=OFF -DZEL_BUILD_BENCH=OFF >/dev/null
as_another_builder cmake --build "$tree" --target package -j 2 >/dev/null

for file in cli/zel "$deb" SHA256SUMS; do
    check "$file is the same in both builds" cmp "$first/$file" "$tree/$file"
done
check "cli/zel names neither checkout's folder" \
    sh -c '! grep -aqF -e "$1" -e "$2" "$3"' - "$source_dir" "$copy" "$tree/cli/zel"
commit_time=$(commit_time "$source_dir")
check "the package's files carry the commit's time" test "$(file_times)" = "$(utc_time "$commit_time")"
check "and its man page the commit's date" test "$(man_page_date)" = "$(utc_day "$commit_time")"
SOURCE_DATE_EPOCH=1234567890 cmake --build "$tree" --target package >/dev/null
check "or SOURCE_DATE_EPOCH" test "$(file_times)" = "$(utc_time 1234567890)"
check "and its day in the man page" test "$(man_page_date)" = "$(utc_day 1234567890)"
all_passed
