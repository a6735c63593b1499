#!/usr/bin/env bash
# Sets up what is missing, builds everything and runs every test: natively, natively under
# AddressSanitizer and UndefinedBehaviorSanitizer, and the Windows build under Wine on a
# virtual display. Exits non-zero when anything fails.
set -euo pipefail
cd "$(dirname "$0")/.."
scripts/setup.sh test
jobs="$(nproc)"

for preset in host host-asan; do
    echo "== $preset"
    cmake --preset "$preset" -DZEL_BUILD_TESTS=ON >/dev/null
    cmake --build --preset "$preset" -j "$jobs"
    ctest --preset "$preset" -j "$jobs"
done

if [ -x scripts/fuzz-smoke.sh ]; then
    echo "== fuzz smoke"
    scripts/fuzz-smoke.sh
fi

echo "== windows (under Wine)"
cmake --preset windows -DZEL_BUILD_TESTS=ON -DZEL_BUILD_BENCH=ON >/dev/null
cmake --build --preset windows -j "$jobs"
# One virtual display for the whole Windows run; the dialog tests start their own zel.exe on it.
xvfb-run -a -s "-screen 0 1280x1024x24" ctest --preset windows
