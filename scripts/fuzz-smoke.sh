#!/usr/bin/env bash
# Builds the libFuzzer targets of tests/fuzz with clang and runs each for about 20 seconds, or
# as long as the libFuzzer option given says (bench/fuzz-long.sh: -runs=1000000). Fails on any
# finding (its input is kept under build/fuzz/findings/). Skips, with exit code 0, only when
# clang with its fuzzer runtime is missing and cannot be installed.
# Usage: scripts/fuzz-smoke.sh [-max_total_time=SECONDS | -runs=N]
set -euo pipefail
cd "$(dirname "$0")/.."
build=build/fuzz
length=${1:--max_total_time=20}

fuzzer_toolchain_works() {
    command -v clang++ >/dev/null 2>&1 || return 1
    local probe status
    probe="$(mktemp -d)"
    echo 'extern "C" int LLVMFuzzerTestOneInput(const unsigned char*, unsigned long) { return 0; }' \
        >"$probe/probe.cpp"
    status=0
    clang++ -fsanitize=fuzzer,address,undefined "$probe/probe.cpp" -o "$probe/probe" \
        >/dev/null 2>&1 || status=1
    rm -rf "$probe"
    return "$status"
}

if ! fuzzer_toolchain_works; then
    echo "fuzz smoke: installing clang and libclang-rt-14-dev"
    sudo=""
    [ "$(id -u)" -eq 0 ] || sudo="sudo"
    { $sudo apt-get update -qq &&
        DEBIAN_FRONTEND=noninteractive $sudo apt-get install -y -qq --no-install-recommends \
            clang libclang-rt-14-dev; } >/dev/null 2>&1 || true
fi
if ! fuzzer_toolchain_works; then
    echo "fuzz smoke: SKIPPED - clang++ with libFuzzer (packages clang, libclang-rt-14-dev)" \
        "is not available and could not be installed"
    exit 0
fi

cmake -S tests/fuzz -B "$build" -DCMAKE_CXX_COMPILER=clang++ >/dev/null
cmake --build "$build" -j "$(nproc)"

mkdir -p "$build/findings"
failed=()
for target in parse_key_text_fuzz decoding_job_fuzz; do
    corpus="$build/corpus/$target"
    mkdir -p "$corpus"
    echo "== fuzzing $target, $length"
    if "$build/$target" "$length" -timeout=10 -print_final_stats=1 \
        -artifact_prefix="$build/findings/$target-" "$corpus" >"$build/$target.log" 2>&1; then
        grep -E "^stat::number_of_executed_units|^Done" "$build/$target.log" || true
    else
        tail -n 40 "$build/$target.log"
        failed+=("$target")
    fi
done

if [ ${#failed[@]} -ne 0 ]; then
    echo "fuzz smoke: findings in ${failed[*]} (inputs in $build/findings/)"
    exit 1
fi
echo "fuzz smoke: no findings"
