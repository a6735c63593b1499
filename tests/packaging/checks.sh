# Sourced by the packaging tests: `check DESCRIPTION COMMAND...` runs the command, says "ok" or
# "FAILED" and counts the failures; `fails COMMAND...` succeeds where the command fails;
# `all_passed` is the script's outcome. And what the reproducibility tests share.
failures=0
check() {
    description=$1
    shift
    if "$@"; then echo "ok: $description"; else echo "FAILED: $description" >&2; failures=$((failures + 1)); fi
}
all_passed() { [ "$failures" -eq 0 ]; }
fails() { ! "$@"; }
# `says FILE TEXT`: whether the file holds the text, its lines joined (CMake wraps its messages).
says() { tr '\n' ' ' <"$1" | tr -s ' ' | grep -qF "$2"; }
# `copy_sources SOURCE_DIR COPY`: the sources without their build trees, in a new folder; as
# root, it belongs to another user (nobody), as a checkout that someone else made.
copy_sources() {
    mkdir -p "$2" && tar -C "$1" --exclude=./build -cf - . | tar -C "$2" -xf - &&
        if [ "$(id -u)" -eq 0 ]; then chown -R 65534:65534 "$2"; fi
}
# Runs a command as another person checking a download would: in another time zone, with
# another umask, and with git refusing that person's copy ("dubious ownership"): as root the copy
# is another user's, and git's own switch makes it see every checkout so, as root or not.
as_another_builder() {
    (umask 0002 && TZ=XYZ-14 && GIT_TEST_ASSUME_DIFFERENT_OWNER=1 &&
        export TZ GIT_TEST_ASSUME_DIFFERENT_OWNER && "$@")
}
# `commit_time CHECKOUT`: the time of its last commit, whoever it belongs to.
commit_time() {
    git -c safe.directory="$(cd "$1" && pwd -P)" -c log.showSignature=false -C "$1" log -1 --format=%ct
}
