#!/bin/sh
# Runs job_bench of a Windows build under Wine on the folder in memory that bench-folder.sh
# gives (a tmpfs when root, else /dev/shm). A folder in the build tree, on the disk, is timed
# once for the record.
#   bench/run-job-bench.sh [build folder] [job_bench options: --mib N --runs N --block-sizes]
set -eu
build="${1:-build/windows}"
[ $# -gt 0 ] && shift
bench="$build/bench/job_bench.exe"
[ -f "$bench" ] || { echo "no $bench: build the target job_bench of the windows preset" >&2; exit 2; }

memory=$("${0%/*}/bench-folder.sh")
# Wine shows the Linux file system as drive Z:.
disk=$(printf 'Z:%s/bench' "$(cd "$build" && pwd)" | tr / '\\')
printf "folder in memory: %s; on the disk: %s\n" "$memory" "$disk"
"$build/wine-run.sh" "$bench" "$memory" --disk "$disk" "$@"
