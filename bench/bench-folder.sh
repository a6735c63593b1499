#!/bin/sh
# The folder on tmpfs where the Windows benchmarks run by default, so that the disk's write-back
# hides nothing of the program's own cost: a tmpfs mounted at /tmp/zel-bench-tmpfs (as root),
# else /dev/shm/zel-bench (job_bench only: the platform's file dialogs do not open folders
# under /dev). Prints the folder as Wine's drive Z: shows it.
# Usage: bench/bench-folder.sh [size]      (default 4g)
#        bench/bench-folder.sh --unmount
set -eu
dir=/tmp/zel-bench-tmpfs
if [ "${1:-}" = --unmount ]; then
    if mountpoint -q "$dir"; then umount "$dir" && rmdir "$dir"; fi
    exit 0
fi
if [ "$(id -u)" = 0 ]; then
    mkdir -p "$dir"
    mountpoint -q "$dir" || mount -t tmpfs -o "size=${1:-4g},mode=1777" tmpfs "$dir"
else
    dir=/dev/shm/zel-bench
    mkdir -p "$dir"
fi
echo "Z:$dir" | tr / '\\'
