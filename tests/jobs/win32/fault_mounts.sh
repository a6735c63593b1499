#!/bin/sh
# Mounts, for the job fault tests, a tiny file system that fills at once (DIR/full) and a
# read-only one holding one file (DIR/readonly/source.bin), or takes them away again.
# Usage: fault_mounts.sh setup|cleanup DIR
# Never fails: mounting needs root, and the tests skip, saying why, what is not mounted.
action="$1"
dir="$2"
if [ -z "$dir" ]; then
    echo "usage: $0 setup|cleanup DIR" >&2
    exit 0
fi

unmount() {
    if mountpoint -q "$1" 2>/dev/null; then
        umount "$1" 2>/dev/null || umount -l "$1"
    fi
}

case "$action" in
setup)
    mkdir -p "$dir/full" "$dir/readonly"
    unmount "$dir/full"
    unmount "$dir/readonly"
    if mount -t tmpfs -o size=64k,mode=0777 tmpfs "$dir/full" 2>/dev/null; then
        echo "64 KiB file system at $dir/full"
    else
        echo "could not mount a tmpfs at $dir/full (not root?); the full-disk cases will skip"
    fi
    if mount -t tmpfs -o size=1m,mode=0777 tmpfs "$dir/readonly" 2>/dev/null; then
        seq 1 1000 >"$dir/readonly/source.bin"
        if mount -o remount,ro "$dir/readonly" 2>/dev/null; then
            echo "read-only file system at $dir/readonly"
        else
            echo "could not make $dir/readonly read-only; the read-only cases will skip"
        fi
    else
        echo "could not mount a tmpfs at $dir/readonly (not root?); the read-only cases will skip"
    fi
    ;;
cleanup)
    unmount "$dir/full"
    unmount "$dir/readonly"
    rm -rf "$dir"
    ;;
*)
    echo "usage: $0 setup|cleanup DIR" >&2
    ;;
esac
exit 0
