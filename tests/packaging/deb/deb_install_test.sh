#!/bin/sh
# The package as a user meets it, on this machine (as root; else it skips): apt-get installs
# it, /usr/bin/zel runs and codes and decodes a file, `man -w` finds its man page; apt-get
# removes it again and nothing of it is left, not even dpkg's record of it.
# Usage: deb_install_test.sh TREE WORK_DIR VERSION
set -eu
tree=$1 work=$2 version=$3
. "${0%/*}/../checks.sh"
deb="zel_${version}_$(dpkg --print-architecture).deb"
man_page=/usr/share/man/man1/zel.1.gz
skip() { echo "SKIPPED: $*"; exit 77; }
[ "$(id -u)" -eq 0 ] || skip "installing a package needs root (CI runs the tests as root)"
command -v apt-get >/dev/null || skip "no apt-get on this machine"
! dpkg -s zel >/dev/null 2>&1 || skip "a zel package is installed already, and is left alone"
apt_get() {
    DEBIAN_FRONTEND=noninteractive apt-get -y -q -o DPkg::Lock::Timeout=600 "$@" >>"$work/apt.log" 2>&1
}
# Minimal images may keep man pages out (path-exclude in /etc/dpkg/dpkg.cfg.d): let this one in.
excluded() {
    cat /etc/dpkg/dpkg.cfg /etc/dpkg/dpkg.cfg.d/* 2>/dev/null |
        sed -n 's/^[[:space:]]*path-exclude[[:space:]=]*//p' |
        { while IFS= read -r pattern; do case $1 in $pattern) exit 0 ;; esac; done; exit 1; }
}
include=""
if excluded "$man_page"; then
    echo "man pages are excluded from installation here; $man_page is let in"
    include="-o DPkg::Options::=--path-include=$man_page"
fi
# $include is the two words of one apt-get option, or none.
install_package() { (cd "$tree" && apt_get install $include "./$deb"); }
# A run that ends early takes away what it installed.
remove_package() { ! dpkg -s zel >/dev/null 2>&1 || apt_get remove zel; }
# man-db's own man: minimised Ubuntu images divert it to man.REAL and put a stub in its place.
man=$(dpkg-divert --truename /usr/bin/man)
# The packaged path among all the man pages of that name (another copy may be installed under
# /usr/local).
finds_man_page() { "$man" -aw zel 2>/dev/null | grep -qx "$man_page"; }

rm -rf "$work"
mkdir -p "$work"
trap remove_package EXIT
check "apt-get installs the package" install_package
all_passed || { cat "$work/apt.log"; exit 1; }
check "zel --version" test "$(/usr/bin/zel --version)" = "zel $version"
head -c 300000 /dev/urandom >"$work/original"
key=$(/usr/bin/zel code -q "$work/original")
printf '%s\n' "$key" | /usr/bin/zel decode -q --key-file - -o "$work/decoded" "$work/original_ZEL"
check "/usr/bin/zel codes a file and decodes it again" cmp "$work/original" "$work/decoded"
check "man -w finds the man page" finds_man_page

dpkg -L zel >"$work/files"
check "apt-get removes it" apt_get remove zel
# The folders it shared with other packages stay; nothing else may.
left=""
while IFS= read -r path; do
    [ "$path" = /. ] && continue
    [ -e "$path" ] || [ -L "$path" ] || continue
    [ -d "$path" ] && dpkg-query -S "$path" >/dev/null 2>&1 && continue
    left="$left $path"
done <"$work/files"
check "nothing of it is left (of $(wc -l <"$work/files") paths)${left:+:$left}" test -z "$left"
check "man -w no longer finds its man page" fails finds_man_page
check "dpkg says it is not installed" sh -c 'dpkg -s zel 2>&1 | grep -q "is not installed"'
check "and keeps no record of it" test -z "$(ls /var/lib/dpkg/info/zel.* 2>/dev/null)"
all_passed || { cat "$work/apt.log"; exit 1; }
