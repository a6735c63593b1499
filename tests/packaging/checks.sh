# Sourced by the packaging tests: `check DESCRIPTION COMMAND...` runs the command, says "ok" or
# "FAILED" and counts the failures; `all_passed` is the script's outcome.
failures=0
check() {
    description=$1
    shift
    if "$@"; then echo "ok: $description"; else echo "FAILED: $description" >&2; failures=$((failures + 1)); fi
}
all_passed() { [ "$failures" -eq 0 ]; }
