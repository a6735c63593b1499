#!/bin/sh
# Times the command line on tmpfs against plain copies of the same files in the same run:
# coding and decoding 1 GiB against dd with 1 MiB blocks (the mark: each job should take at most
# 1.3 times as long) and cp (for the record); and coding 4,000 files of 1 KiB against cp of the
# same files into a folder (the mark: at most 2 times as long, in every round). Five rounds,
# the commands one after the other in each; prints the best and the median of each, and both
# against dd's or cp's, and for the many files the worst round's ratio to cp's in that round.
#   bench/run-cli-bench.sh [zel program] [MiB] [rounds] [files]
set -eu
zel="${1:-build/host/cli/zel}"
mib="${2:-1024}"
rounds="${3:-5}"
files="${4:-4000}"
[ -x "$zel" ] || { echo "no $zel: build the target zel of the host preset" >&2; exit 2; }
zel=$(cd "$(dirname "$zel")" && pwd)/$(basename "$zel")

folder=$("${0%/*}/bench-folder.sh" --native)/cli-bench.$$
mkdir -p "$folder"
trap 'rm -rf "$folder"' EXIT
cd "$folder"
head -c "$((mib << 20))" /dev/urandom >source
"$zel" code -q -o coded source >key
mkdir many copies
head -c "$((files << 10))" /dev/urandom | split -b 1024 -a 5 - many/f

# `timed NAME COMMAND...`: adds the round, the name and the seconds the command takes to the
# file times.
timed() {
    name=$1
    shift
    start=$(date +%s%N)
    "$@" >/dev/null
    end=$(date +%s%N)
    echo "$round $name $(((end - start) / 1000000))" |
        awk '{ printf "%s %s %.3f\n", $1, $2, $3 / 1000 }' >>"$folder/times"
}

: >times
for round in $(seq "$rounds"); do
    timed dd dd if=source of=copy bs=1M status=none && rm copy
    timed cp cp source copy && rm copy
    timed code "$zel" code -q -o out source && rm out
    timed decode "$zel" decode -q --key-file key -o out coded
    cmp -s out source || { echo "the decoded file differs from the source" >&2; exit 1; }
    rm out
    timed cp-many cp many/f* copies/ && rm copies/*
    cd many && timed code-many "$zel" code -q f* && rm ./*_ZEL && cd ..
done

echo "$mib MiB and $files files of 1 KiB on tmpfs ($folder), $rounds rounds;"
echo "seconds, best and median, and against dd's (one file) or cp's (many files):"
sort -k2,2 -k3,3n times | awk '
    { t[$2, ++n[$2]] = $3; byRound[$2, $1] = $3; rounds[$1] = 1 }
    END {
        split("dd cp code decode cp-many code-many", order, " ")
        # dd and cp-many come first, so their figures are there for the ratios of the others.
        for (i = 1; i <= 6; ++i) {
            c = order[i]; best[c] = t[c, 1]; median[c] = t[c, int((n[c] + 1) / 2)]
            mark = i <= 4 ? "dd" : "cp-many"
            printf "  %-9s best %6.3f  median %6.3f   %5.2fx  %5.2fx\n", c, best[c], median[c],
                   best[c] / best[mark], median[c] / median[mark]
        }
        for (r in rounds) {
            ratio = byRound["code-many", r] / byRound["cp-many", r]
            if (ratio > worst) worst = ratio
        }
        printf "  many files, worst round against cp in that round: %.2fx\n", worst
    }'
