#!/usr/bin/env bash
# Runs each libFuzzer target of tests/fuzz for 1,000,000 executions and prints, per target, the
# executions, the time taken and the findings (inputs kept under build/fuzz/findings/).
# Needs clang++ with libFuzzer (scripts/fuzz-smoke.sh installs it).
set -euo pipefail
cd "$(dirname "$0")/.."
build=build/fuzz
runs=1000000

cmake -S tests/fuzz -B "$build" -DCMAKE_CXX_COMPILER=clang++ >/dev/null
cmake --build "$build" -j "$(nproc)" >/dev/null

mkdir -p "$build/findings"
status=0
for target in parse_key_text_fuzz decoding_job_fuzz; do
    corpus="$build/corpus/$target"
    mkdir -p "$corpus"
    log="$build/$target.long.log"
    before=$(find "$build/findings" -name "$target-*" | wc -l)
    start=$(date +%s)
    result=0
    "$build/$target" -runs="$runs" -timeout=10 -print_final_stats=1 \
        -artifact_prefix="$build/findings/$target-" "$corpus" >"$log" 2>&1 || result=$?
    elapsed=$(($(date +%s) - start))
    executed=$(sed -n 's/^stat::number_of_executed_units: *//p' "$log" | tail -n 1)
    findings=$(($(find "$build/findings" -name "$target-*" | wc -l) - before))
    echo "$target: ${executed:-?} executions in ${elapsed}s, $findings findings (exit $result)"
    if [ "$result" -ne 0 ] || [ "$findings" -ne 0 ]; then
        grep -E "ERROR|SUMMARY|artifact" "$log" || true
        status=1
    fi
done
exit "$status"
