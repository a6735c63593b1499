#!/usr/bin/env bash
# Builds zel.exe and starts it: under Wine on Linux, on the display in $DISPLAY.
set -euo pipefail
cd "$(dirname "$0")/.."
scripts/setup.sh run
cmake --preset windows >/dev/null
cmake --build --preset windows --target zel -j "$(nproc)"
if [ -z "${DISPLAY:-}" ]; then
    echo "No display: zel.exe is a window program and needs an X display (DISPLAY is not set)." >&2
    echo "Built build/windows/ui/zel.exe; start it from a desktop session." >&2
    exit 1
fi
exec build/windows/wine-run.sh build/windows/ui/zel.exe
