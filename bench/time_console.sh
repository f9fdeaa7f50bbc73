#!/usr/bin/env bash
# Times whole console computations: for each n, the answers of a random
# network (bench/network_answers.py) are piped into `kestrane --console`,
# which writes the text report; GNU time gives the wall time and the peak
# resident memory of the process, from the first answer read to the report
# written.
#
#   bench/time_console.sh [BINARY] [N ...]
#   e.g. bench/time_console.sh build/kestrane 10 100 1000 6553
#
# Set TRANSCRIPT=1 to write the JSON transcript as well.
set -euo pipefail
here="$(cd "$(dirname "$0")" && pwd)"
binary="${1:-$here/../build/kestrane}"
shift || true
sizes=("$@")
[ ${#sizes[@]} -eq 0 ] && sizes=(10 100 1000 6553)
work="$(mktemp -d)"
trap 'rm -rf "$work"' EXIT

printf '%8s %12s %14s\n' n "wall (s)" "peak RSS (MB)"
for n in "${sizes[@]}"; do
    python3 "$here/network_answers.py" "$n" > "$work/answers.txt"
    extra=()
    [ "${TRANSCRIPT:-0}" = 1 ] && extra=(--transcript "$work/transcript.jsonl")
    /usr/bin/time -f '%e %M' -o "$work/time.txt" \
        "$binary" --console --report "$work/report.txt" "${extra[@]}" < "$work/answers.txt" > /dev/null
    read -r wall rss < "$work/time.txt"
    awk -v n="$n" -v w="$wall" -v r="$rss" 'BEGIN { printf "%8s %12s %14.1f\n", n, w, r / 1024 }'
done
