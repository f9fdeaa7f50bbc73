#!/usr/bin/env bash
# Times console computations read from the observation files of bench/: from
# the start of the program to the last output written, best wall time of
# three runs and the largest peak resident memory (GNU time); first with the
# text report only, then with the results table and the picture as well.
#
#   bench/time_files.sh [BINARY]
set -euo pipefail
here="$(cd "$(dirname "$0")" && pwd)"
binary="${1:-$here/../build/kestrane}"
work="$(mktemp -d)"
trap 'rm -rf "$work"' EXIT

run() {  # label, file, extra options...
    local label=$1 file=$2
    shift 2
    local best="" rss=0
    for _ in 1 2 3; do
        /usr/bin/time -f '%e %M' -o "$work/time.txt" \
            "$binary" --console --input "$file" --report "$work/report.txt" "$@" < /dev/null > /dev/null 2>&1
        read -r wall peak < "$work/time.txt"
        if [ -z "$best" ] || awk -v a="$wall" -v b="$best" 'BEGIN { exit !(a < b) }'; then best=$wall; fi
        [ "$peak" -gt "$rss" ] && rss=$peak
    done
    awk -v l="$label" -v w="$best" -v r="$rss" 'BEGIN { printf "%-34s %8s s %8.1f MB\n", l, w, r / 1024 }'
}

for n in 500 2000 6553; do
    file="$here/network-n$n.kestrane.toml"
    run "n = $n, report" "$file"
    run "n = $n, report + --csv + --plot" "$file" --csv "$work/r.csv" --plot "$work/r.svg"
done
