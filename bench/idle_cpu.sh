#!/usr/bin/env bash
# What zel.exe costs while it does nothing, under Wine: starts it, waits until it has settled,
# then reads the processor time (utime + stime in /proc/PID/stat) of the zel.exe process and of
# the build tree's wineserver before and after a number of seconds.
# Usage, on a display: xvfb-run -a bench/idle_cpu.sh <build dir> [seconds]   (default 10)
set -euo pipefail
build=$(cd "$1" && pwd) seconds=${2:-10}
prefix=${ZEL_WINEPREFIX:-$build/wineprefix}
ticks=$(getconf CLK_TCK)

cpu() { awk '{ print $14 + $15 }' "/proc/$1/stat"; }

"$build/wine-run.sh" "$build/ui/zel.exe" &
zel=$!
trap 'kill "$zel" 2>/dev/null || true' EXIT

# Settled: no more than one tick in a second, twice running (start-up takes seconds).
calm=0
for _ in $(seq 60); do
    before=$(cpu "$zel"); sleep 1; after=$(cpu "$zel")
    if [ $((after - before)) -le 1 ]; then calm=$((calm + 1)); else calm=0; fi
    [ "$calm" -ge 2 ] && break
done

# Wine's server for a prefix works in a folder named server-<device>-<inode> of the prefix.
server_dir=server-$(printf '%x-%x' "$(stat -c %d "$prefix")" "$(stat -c %i "$prefix")")
server=
for pid in $(pgrep wineserver || true); do
    if [ "$(basename "$(readlink "/proc/$pid/cwd")")" = "$server_dir" ]; then server=$pid; fi
done

zel_before=$(cpu "$zel") server_before=${server:+$(cpu "$server")}
sleep "$seconds"
zel_after=$(cpu "$zel") server_after=${server:+$(cpu "$server")}

share() { awk -v t="$1" -v s="$seconds" -v k="$ticks" 'BEGIN { printf "%.3f %%", 100 * t / k / s }'; }
echo "zel.exe idle for $seconds s: $((zel_after - zel_before)) ticks, $(share $((zel_after - zel_before))) of a core"
if [ -n "$server" ]; then
    echo "wineserver meanwhile: $((server_after - server_before)) ticks, $(share $((server_after - server_before))) of a core"
else
    echo "wineserver of $prefix not found"
fi
