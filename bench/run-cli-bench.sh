#!/bin/sh
# Times the command line coding and decoding 1 GiB on tmpfs against plain copies of the same
# file in the same run: dd with 1 MiB blocks (the mark: each job should take at most 1.3 times
# as long) and cp (for the record). Five rounds, the four commands one after the other in each;
# prints the best and the median of each, and both against dd's.
#   bench/run-cli-bench.sh [zel program] [MiB] [rounds]
set -eu
zel="${1:-build/host/cli/zel}"
mib="${2:-1024}"
rounds="${3:-5}"
[ -x "$zel" ] || { echo "no $zel: build the target zel of the host preset" >&2; exit 2; }
zel=$(cd "$(dirname "$zel")" && pwd)/$(basename "$zel")

folder=$("${0%/*}/bench-folder.sh" --native)/cli-bench.$$
mkdir -p "$folder"
trap 'rm -rf "$folder"' EXIT
cd "$folder"
head -c "$((mib << 20))" /dev/urandom >source
"$zel" code -q -o coded source >key

# `timed NAME COMMAND...`: adds the name and the seconds the command takes to the file times.
timed() {
    name=$1
    shift
    start=$(date +%s%N)
    "$@" >/dev/null
    end=$(date +%s%N)
    echo "$name $(((end - start) / 1000000))" | awk '{ printf "%s %.3f\n", $1, $2 / 1000 }' >>times
}

: >times
for round in $(seq "$rounds"); do
    timed dd dd if=source of=copy bs=1M status=none && rm copy
    timed cp cp source copy && rm copy
    timed code "$zel" code -q -o out source && rm out
    timed decode "$zel" decode -q --key-file key -o out coded
    cmp -s out source || { echo "the decoded file differs from the source" >&2; exit 1; }
    rm out
done

echo "$mib MiB on tmpfs ($folder), $rounds rounds; seconds, best and median, and against dd's:"
sort -k1,1 -k2,2n times | awk '
    { t[$1, ++n[$1]] = $2 }
    END {
        split("dd cp code decode", order, " ")
        # dd comes first, so its figures are there for the ratios of all.
        for (i = 1; i <= 4; ++i) {
            c = order[i]; best[c] = t[c, 1]; median[c] = t[c, int((n[c] + 1) / 2)]
            printf "  %-7s best %6.3f  median %6.3f   %5.2fx  %5.2fx\n", c, best[c], median[c],
                   best[c] / best["dd"], median[c] / median["dd"]
        }
    }'
