#!/bin/sh
# Runs job_bench of a Windows build under Wine on a folder in memory: a tmpfs mounted for the run
# when root, else /dev/shm. A folder in the build tree, on the disk, is timed once for the record.
#   bench/run-job-bench.sh [build folder] [job_bench options: --mib N --runs N --block-sizes]
set -eu
build="${1:-build/windows}"
[ $# -gt 0 ] && shift
bench="$build/bench/job_bench.exe"
[ -f "$bench" ] || { echo "no $bench: build the target job_bench of the windows preset" >&2; exit 2; }

memory=/dev/shm
mounted=""
if [ "$(id -u)" -eq 0 ]; then
    mounted="$(mktemp -d /tmp/zel-job-bench.XXXXXX)"
    if mount -t tmpfs -o size=1200m tmpfs "$mounted"; then memory="$mounted"; fi
fi
disk="$(cd "$build" && pwd)/bench"
cleanup() {
    if [ -n "$mounted" ]; then umount "$mounted" 2>/dev/null || true; rmdir "$mounted"; fi
}
trap cleanup EXIT

# Wine shows the Linux file system as drive Z:.
windows_path() { printf 'Z:%s' "$1" | tr / '\\'; }
echo "folder in memory: $memory; on the disk: $disk"
"$build/wine-run.sh" "$bench" "$(windows_path "$memory")" --disk "$(windows_path "$disk")" "$@"
