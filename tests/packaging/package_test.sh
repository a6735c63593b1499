#!/bin/sh
# The package target in a build tree of its own, from nothing: it makes the zip and the
# installer, unsigned, and says so once; the zip holds this build's zel.exe and zelc.exe byte
# for byte, the README and what it links to; SHA256SUMS matches both; the installer and the uninstaller are
# 64-bit programs. Without makensis the target fails and leaves no package behind. The tree's
# packages stay for the installer, reproducibility and signing tests.
# Usage: package_test.sh SOURCE_DIR TREE TOOLCHAIN GENERATOR VERSION MAKENSIS
set -eu
source_dir=$1 tree=$2 toolchain=$3 generator=$4 version=$5 makensis=$6
zip="$tree/zel-$version-win64.zip"
setup="$tree/zel-$version-setup.exe"
sums="$tree/SHA256SUMS"
. "${0%/*}/checks.sh"
configure() {
    cmake -S "$source_dir" -B "$tree" -G "$generator" -DCMAKE_TOOLCHAIN_FILE="$toolchain" \
        -DCMAKE_BUILD_TYPE=Release -DZEL_BUILD_TESTS=OFF -DZEL_BUILD_BENCH=OFF \
        -DZEL_MAKENSIS="$1" >/dev/null
}

rm -rf "$tree"
configure "$makensis"
cmake --build "$tree" --target package -j 2 >"$tree/package.log" 2>&1 || { cat "$tree/package.log"; exit 1; }

check "unsigned, and says so once" test "$(grep -c 'packages are not signed' "$tree/package.log")" -eq 1
links=$(grep -oE '\]\([^)#:]+[)#]' "$source_dir/README.md" | sed 's/^](//; s/[)#]$//')
expected=$(printf '%s\n' zel.exe zelc.exe README.md $links | sort -u | tr '\n' ' ')
check "the zip holds zel.exe, zelc.exe, README.md and what it links to, nothing else" \
    test "$(unzip -Z1 "$zip" | sort | tr '\n' ' ')" = "$expected"
check "the zip's zel.exe is the built one" sh -c "unzip -p '$zip' zel.exe | cmp - '$tree/ui/zel.exe'"
check "the zip's zelc.exe is the built one" sh -c "unzip -p '$zip' zelc.exe | cmp - '$tree/cli/zelc.exe'"
check "the zip's README is the README" sh -c "unzip -p '$zip' README.md | cmp - '$source_dir/README.md'"
check "SHA256SUMS names the two packages" \
    test "$(cut -d' ' -f3 "$sums" | sort | tr '\n' ' ')" = "zel-$version-setup.exe zel-$version-win64.zip "
check "SHA256SUMS matches them" sh -c "cd '$tree' && sha256sum --check --strict --quiet SHA256SUMS"
# The PE header's offset sits at 0x3C; the header starts "PE\0\0" and the machine x86-64.
for program in "$setup" "$tree/packaging/staging/uninstall.exe"; do
    pe_offset=$(od -An -tu4 -j60 -N4 "$program" | tr -d ' ')
    check "${program##*/} is an x86-64 Windows program" \
        test "$(od -An -tx1 -j"$pe_offset" -N6 "$program" | tr -d ' ')" = "504500006486"
done

configure /nonexistent/makensis
check "without makensis the package target fails" sh -c "! cmake --build '$tree' --target package >/dev/null 2>&1"
check "and leaves no package behind" sh -c "[ ! -e '$zip' ] && [ ! -e '$setup' ] && [ ! -e '$sums' ]"

configure "$makensis"
cmake --build "$tree" --target package >/dev/null
all_passed
