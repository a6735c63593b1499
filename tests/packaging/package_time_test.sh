#!/bin/sh
# The packages' time (cmake/source_date_epoch.cmake) where git does not simply answer: a
# checkout whose last commit is signed, read with log.showSignature=true, gives that commit's
# time, and so does the same checkout when it belongs to another user; a tree without git gives
# 1980, even inside a checkout; a checkout that git cannot read, or without git to read it,
# fails and names the tree.
# Usage: package_time_test.sh SOURCE_DIR WORK_DIR
set -eu
source_dir=$1 work=$2
. "${0%/*}/checks.sh"
signed_at=1234567890
cmake=$(command -v cmake)
# Prints the time the package target gives the packages of TREE; a failure's message goes to
# $work/message.
package_time() { "$cmake" -DTREE="$1" -P "$work/package_time.cmake" 2>"$work/message"; }
without_git() { (PATH="$work/no git" && package_time "$1"); }
# Whether COMMAND TREE fails with a message that names the tree.
fails_naming() { ! "$@" >/dev/null && says "$work/message" "$2 is a git checkout"; }

rm -rf "$work"
mkdir -p "$work/checkout/unpacked archive" "$work/unreadable" "$work/no git"
printf '%s\n' "include(\"$source_dir/cmake/source_date_epoch.cmake\")" \
    'zel_source_date_epoch(time "${TREE}")' 'execute_process(COMMAND "${CMAKE_COMMAND}" -E echo "${time}")' \
    >"$work/package_time.cmake"
ssh-keygen -q -t ed25519 -N '' -C '' -f "$work/signing key"
git -C "$work/checkout" init -q
GIT_COMMITTER_DATE="@$signed_at +0000" git -C "$work/checkout" -c user.name=ZEL \
    -c user.email=zel@example.org -c gpg.format=ssh -c user.signingkey="$work/signing key" \
    commit -q --allow-empty -S -m signed
git -C "$work/checkout" config log.showSignature true
check "(git's log of the signed commit holds more than its time)" \
    test "$(git -C "$work/checkout" log -1 --format=%ct 2>/dev/null | wc -l)" -gt 1
check "a signed commit, with log.showSignature=true, gives its time" \
    test "$(package_time "$work/checkout")" = $signed_at
# As root the checkout changes hands; else git's own switch makes it see another user's.
if [ "$(id -u)" -eq 0 ]; then
    chown -R 65534:65534 "$work/checkout"
else
    export GIT_TEST_ASSUME_DIFFERENT_OWNER=1
fi
check "(git refuses the checkout of another user)" \
    fails sh -c 'git -C "$1" log -1 >/dev/null 2>&1' - "$work/checkout"
check "so does the checkout of another user" test "$(package_time "$work/checkout")" = $signed_at
check "a tree without git gives 1980, even inside a checkout" \
    test "$(package_time "$work/checkout/unpacked archive")" = 315532800
echo "gitdir: $work/nowhere" >"$work/unreadable/.git"
check "a checkout that git cannot read fails and names it" fails_naming package_time "$work/unreadable"
check "as does a checkout where git is not found" fails_naming without_git "$work/checkout"
check "and says so" says "$work/message" "but git was not found"
all_passed
