#!/bin/sh
# Mounts, for the fault tests of the jobs and of the command line, a tiny file system that
# fills at once (DIR/full) and a read-only one holding one file (DIR/readonly/source.bin), or
# takes them away again.
# Usage: fault_mounts.sh setup|cleanup DIR
# Never fails: mounting needs root, and the tests skip, saying why, what is not mounted.
action="$1" dir="$2"
unmount() {
    for mounted in "$dir/full" "$dir/readonly"; do
        if mountpoint -q "$mounted" 2>/dev/null; then
            umount "$mounted" 2>/dev/null || umount -l "$mounted"
        fi
    done
}

case "$action:$dir" in
setup:?*)
    mkdir -p "$dir/full" "$dir/readonly"
    unmount
    if mount -t tmpfs -o size=64k,mode=0777 tmpfs "$dir/full" 2>/dev/null; then
        echo "64 KiB file system at $dir/full"
    else
        echo "could not mount a tmpfs at $dir/full (not root?); the full-disk cases will skip"
    fi
    if mount -t tmpfs -o size=1m,mode=0777 tmpfs "$dir/readonly" 2>/dev/null &&
        seq 1 1000 >"$dir/readonly/source.bin" && mount -o remount,ro "$dir/readonly" 2>/dev/null
    then
        echo "read-only file system at $dir/readonly"
    else
        echo "could not mount a read-only tmpfs at $dir/readonly (not root?); those cases will skip"
    fi
    ;;
cleanup:?*)
    unmount
    rm -rf "$dir"
    ;;
*) echo "usage: $0 setup|cleanup DIR" >&2 ;;
esac
exit 0
