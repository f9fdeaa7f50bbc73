#!/usr/bin/env bash
# Runs one fuzz target from a fresh corpus directory:
#   run-fuzzer.sh BINARY WORKDIR [libFuzzer options...] [-- SEED_FILE_OR_DIR...]
# WORKDIR is emptied first; the seeds are copied into WORKDIR/corpus, where
# libFuzzer also keeps the inputs it finds; a failing input is written to
# WORKDIR/artifacts. The exit status is libFuzzer's (0: nothing found).
set -euo pipefail
binary=$1
work=$2
shift 2
options=()
while [ $# -gt 0 ] && [ "$1" != "--" ]; do
  options+=("$1")
  shift
done
[ $# -gt 0 ] && shift
rm -rf "$work"
mkdir -p "$work/corpus" "$work/artifacts"
for seed in "$@"; do
  cp -r "$seed" "$work/corpus/"
done
exec "$binary" "${options[@]}" -artifact_prefix="$work/artifacts/" "$work/corpus"
