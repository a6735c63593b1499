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
# `copy_sources SOURCE_DIR COPY`: the sources without their build trees, in a new folder.
copy_sources() { mkdir -p "$2" && tar -C "$1" --exclude=./build -cf - . | tar -C "$2" -xf -; }
# Runs a command as another person checking a download would: in another time zone and with
# another umask.
as_another_builder() { (umask 0002 && TZ=XYZ-14 && export TZ && "$@"); }
