#!/bin/sh
# The folder on tmpfs where the benchmarks run by default, so that the disk's write-back hides
# nothing of the program's own cost: a tmpfs mounted at /tmp/zel-bench-tmpfs (as root), else
# /dev/shm/zel-bench (job_bench and the command line only: the platform's file dialogs do not
# open folders under /dev). Prints the folder as Wine's drive Z: shows it, or with --native as
# it is; the native benchmarks get a tmpfs of their own, /tmp/zel-bench-native.
# Usage: bench/bench-folder.sh [--native] [size]      (default 4g)
#        bench/bench-folder.sh [--native] --unmount
set -eu
dir=/tmp/zel-bench-tmpfs native=
if [ "${1:-}" = --native ]; then
    dir=/tmp/zel-bench-native native=1
    shift
fi
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
if [ -n "$native" ]; then
    echo "$dir"
else
    echo "Z:$dir" | tr / '\\'
fi
