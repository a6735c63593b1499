#!/bin/sh
# A second build of the same sources, as someone checking a download would make it: a copy of
# the sources in another folder that belongs to another user, later, in another time zone and
# with another umask. Its programs and packages must equal the first build's byte for byte, even
# though git refuses to work in that copy. The zip's entries carry the commit's time, or
# SOURCE_DATE_EPOCH when it is set. The tree stays for the signing test.
# Usage: reproducible_test.sh SOURCE_DIR WORK_DIR TOOLCHAIN GENERATOR VERSION MAKENSIS FIRST_TREE
set -eu
source_dir=$1 work=$2 toolchain=$3 generator=$4 version=$5 makensis=$6 first=$7
. "${0%/*}/checks.sh"
copy="$work/another checkout"
tree="$copy/build/windows"
shipped="ui/zel.exe cli/zelc.exe packaging/staging/uninstall.exe zel-$version-win64.zip zel-$version-setup.exe SHA256SUMS"
zip_time() { unzip -Z -T "$tree/zel-$version-win64.zip" zel.exe | awk '{ print $7 }'; }
utc_time() { TZ=UTC0 date -d "@$1" +%Y%m%d.%H%M%S; }

rm -rf "$work"
copy_sources "$source_dir" "$copy"
as_another_builder cmake -S "$copy" -B "$tree" -G "$generator" -DCMAKE_TOOLCHAIN_FILE="$toolchain" \
    -DCMAKE_BUILD_TYPE=Release -DZEL_BUILD_TESTS=OFF -DZEL_BUILD_BENCH=OFF \
    -DZEL_MAKENSIS="$makensis" >/dev/null
as_another_builder cmake --build "$tree" --target package -j 2 >/dev/null

for file in $shipped; do
    check "$file is the same in both builds" cmp "$first/$file" "$tree/$file"
done
for file in ui/zel.exe cli/zelc.exe packaging/staging/uninstall.exe; do
    check "$file names neither checkout's folder" \
        sh -c '! grep -aqF -e "$1" -e "$2" "$3"' - "$source_dir" "$copy" "$tree/$file"
done
# Whole seconds; a zip holds even ones.
commit_time=$(commit_time "$source_dir")
check "the zip's entries carry the commit's time" test "$(zip_time)" = "$(utc_time $((commit_time / 2 * 2)))"
SOURCE_DATE_EPOCH=1234567890 cmake --build "$tree" --target package >/dev/null
check "or SOURCE_DATE_EPOCH" test "$(zip_time)" = "$(utc_time 1234567890)"
all_passed
