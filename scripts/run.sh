#!/usr/bin/env bash
# Builds zel.exe and starts it in the folder this is called from, where its choosers then open:
# under Wine on Linux, on the display in $DISPLAY.
set -euo pipefail
start_folder="$PWD"
cd "$(dirname "$0")/.."
repository="$PWD"
scripts/setup.sh run
cmake --preset windows >/dev/null
cmake --build --preset windows --target zel -j "$(nproc)"
if [ -z "${DISPLAY:-}" ]; then
    echo "No display: zel.exe is a window program and needs an X display (DISPLAY is not set)." >&2
    echo "Built build/windows/ui/zel.exe; start it from a desktop session." >&2
    exit 1
fi
cd "$start_folder"
exec "$repository/build/windows/wine-run.sh" "$repository/build/windows/ui/zel.exe"
