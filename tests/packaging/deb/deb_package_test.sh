#!/bin/sh
# The package target of a Linux build tree of its own, from nothing: it makes the .deb of the
# command line and SHA256SUMS; the package holds the program, its man page as Debian keeps
# them, the completions for bash, zsh and fish, and the copyright, owned by root with the modes
# of a package, depends on the libraries the program links, and lintian finds neither errors
# nor warnings in it. Without dpkg-deb the
# target fails and leaves no package behind. The tree's package stays for the later tests.
# Usage: deb_package_test.sh TREE SOURCE_DIR GENERATOR CXX_COMPILER VERSION
set -eu
tree=$1 source_dir=$2 generator=$3 compiler=$4 version=$5
. "${0%/*}/../checks.sh"
deb="$tree/zel_${version}_$(dpkg --print-architecture).deb"
configure() {
    cmake -S "$source_dir" -B "$tree" -G "$generator" -DCMAKE_CXX_COMPILER="$compiler" \
        -DCMAKE_BUILD_TYPE=Release -DZEL_BUILD_TESTS=OFF -DZEL_BUILD_BENCH=OFF "$@" >/dev/null
}

rm -rf "$tree"
configure
cmake --build "$tree" --target package -j 2 >"$tree/package.log" 2>&1 || { cat "$tree/package.log"; exit 1; }

check "the package is named ${deb##*/}" test -f "$deb"
# Type, modes, owner and name of every entry.
entries=$(dpkg-deb --contents "$deb" | awk '{ print $1, $2, $6 }')
check "it holds the program, the man page, the completions, the copyright and the changelog" \
    test "$entries" = "drwxr-xr-x root/root ./
drwxr-xr-x root/root ./usr/
drwxr-xr-x root/root ./usr/bin/
-rwxr-xr-x root/root ./usr/bin/zel
drwxr-xr-x root/root ./usr/share/
drwxr-xr-x root/root ./usr/share/bash-completion/
drwxr-xr-x root/root ./usr/share/bash-completion/completions/
-rw-r--r-- root/root ./usr/share/bash-completion/completions/zel
drwxr-xr-x root/root ./usr/share/doc/
drwxr-xr-x root/root ./usr/share/doc/zel/
-rw-r--r-- root/root ./usr/share/doc/zel/changelog.gz
-rw-r--r-- root/root ./usr/share/doc/zel/copyright
drwxr-xr-x root/root ./usr/share/fish/
drwxr-xr-x root/root ./usr/share/fish/vendor_completions.d/
-rw-r--r-- root/root ./usr/share/fish/vendor_completions.d/zel.fish
drwxr-xr-x root/root ./usr/share/man/
drwxr-xr-x root/root ./usr/share/man/man1/
-rw-r--r-- root/root ./usr/share/man/man1/zel.1.gz
drwxr-xr-x root/root ./usr/share/zsh/
drwxr-xr-x root/root ./usr/share/zsh/vendor-completions/
-rw-r--r-- root/root ./usr/share/zsh/vendor-completions/_zel"
dpkg-deb --extract "$deb" "$tree/unpacked"
check "its man page is the one the build wrote" \
    sh -c 'gzip -dc "$1/unpacked/usr/share/man/man1/zel.1.gz" | cmp -s - "$1/cli/zel.1"' - "$tree"
check "its bash completion is the one of the sources" \
    cmp "$tree/unpacked/usr/share/bash-completion/completions/zel" "$source_dir/cli/completions/zel.bash"
check "its program runs" test "$("$tree/unpacked/usr/bin/zel" --version)" = "zel $version"
depends=$(dpkg-deb --field "$deb" Depends)
check "it depends on the C and C++ libraries, with versions ($depends)" \
    sh -c 'echo "$1" | grep -q "libc6 (>= " && echo "$1" | grep -q "libstdc++6 (>= "' - "$depends"
check "SHA256SUMS names the package and matches it" \
    sh -c 'cd "$1" && test "$(cut -d" " -f3 SHA256SUMS)" = "${2##*/}" && sha256sum --check --strict --quiet SHA256SUMS' \
    - "$tree" "$deb"
lintian --fail-on error,warning --display-info --show-overrides "$deb" >"$tree/lintian.log" 2>&1 ||
    lintian_status=$?
grep -v "running with root privileges" "$tree/lintian.log" || true
check "lintian finds no error and no warning" test "${lintian_status:-0}" -eq 0

configure -DZEL_DPKG_DEB=/nonexistent/dpkg-deb
check "without dpkg-deb the package target fails" \
    sh -c '! cmake --build "$1" --target package >/dev/null 2>&1' - "$tree"
check "and leaves no package behind" test ! -e "$deb" -a ! -e "$tree/SHA256SUMS"

configure -DZEL_DPKG_DEB="$(command -v dpkg-deb)"
cmake --build "$tree" --target package >/dev/null
all_passed
