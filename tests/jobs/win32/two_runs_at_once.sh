#!/usr/bin/env bash
# Two processes at once, started together round after round:
#  - both code a different source to the same destination name: one coded file appears, whole,
#    and the other run says "File already exists !!";
#  - one decodes into a name while the other codes that name as its source: the second run
#    either finds no file or codes the whole decoded file, never a part of it.
# Nothing is replaced, interleaved or lost, and no unfinished "*.part" file is left.
# Usage: two_runs_at_once.sh <wine-run.sh> <test program with the --job role> <work folder> [rounds]
set -euo pipefail
export LC_ALL=C  # the messages hold the byte 0xB4 (Windows-1252)
wine_run=$1 runner=$2 work=$3 rounds=${4:-8}
winpath() { echo "Z:${1//\//\\}"; }
fail() { echo "FAIL: $*"; exit 1; }

rm -rf "$work" && mkdir -p "$work"
head -c 3000000 /dev/urandom >"$work/first"
head -c 3000001 /dev/urandom >"$work/second"

# Starts the runners with the arguments in run1 and run2, waits until both are ready, then lets
# both go at once (the second after the delay) and waits for both; their output goes to
# $work/run1 and $work/run2.
run_pair() {
    local go=$work/go delay=$1
    rm -f "$go"*
    "$wine_run" "$runner" --job --after "$(winpath "$go")" "${run1[@]}" | tr -d '\r' >"$work/run1" &
    local first=$!
    "$wine_run" "$runner" --job --after "$(winpath "$go")2" "${run2[@]}" | tr -d '\r' >"$work/run2" &
    local second=$!
    for _ in $(seq 600); do
        [ "$(ls "$work" | grep -c '\.ready$')" -ge 2 ] && break
        sleep 0.1
    done
    touch "$go"; sleep "$delay"; touch "${go}2"
    wait "$first" "$second" || fail "a runner failed"
}

decoded_equals() {  # <coded> <key> <plain>
    rm -f "$work/check"
    "$wine_run" "$runner" --job decode "$(winpath "$1")" "$(winpath "$work/check")" "$2" >/dev/null
    cmp -s "$work/check" "$3"
}

for round in $(seq "$rounds"); do
    out=$work/out$round
    run1=(code "$(winpath "$out")" "$(winpath "$work/first")")
    run2=(code "$(winpath "$out")" "$(winpath "$work/second")")
    run_pair 0
    winners=0
    for run in 1 2; do
        source=$([ $run = 1 ] && echo first || echo second)
        key=$(sed -n 's/^key: //p' "$work/run$run")
        if grep -q '^info:' "$work/run$run"; then
            grep -qx "info: File already exists !! | $(winpath "$out" | sed 's/\\/\\\\/g')" \
                "$work/run$run" || fail "round $round: $(cat "$work/run$run")"
        else
            winners=$((winners + 1)) winner_key=$key
            echo "round $round: run $run wrote $out, the other was refused"
            decoded_equals "$out" "$key" "$work/$source" || fail "round $round: $out is not $source"
        fi
    done
    [ $winners -eq 1 ] || fail "round $round: $winners runs wrote $out"

    plain=$work/plain$round coded=$work/coded$round
    run1=(decode "$(winpath "$out")" "$(winpath "$plain")" "$winner_key")
    run2=(code "$(winpath "$coded")" "$(winpath "$plain")")
    run_pair "0.00$((round % 4 * 3))"
    [ -z "$(grep '^info:' "$work/run1")" ] || fail "round $round: decoding: $(cat "$work/run1")"
    if grep -q '^info:' "$work/run2"; then
        grep -q "^info: can.t read sourcefile !!" "$work/run2" || fail "round $round: $(cat "$work/run2")"
        [ ! -e "$coded" ] || fail "round $round: $coded written after a refusal"
        echo "round $round: the decoded file was not there yet: refused"
    else
        decoded_equals "$coded" "$(sed -n 's/^key: //p' "$work/run2")" "$plain" ||
            fail "round $round: $coded holds a part of $plain"
        echo "round $round: the whole decoded file was coded"
    fi
done
if ls "$work" | grep -q '\.part$'; then fail "unfinished files left: $(ls "$work" | grep '\.part$')"; fi
echo "two runs at once: $rounds rounds, nothing replaced, interleaved or lost"
