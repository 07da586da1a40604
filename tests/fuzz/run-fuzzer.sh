#!/usr/bin/env bash
# Runs one fuzz target for a bounded time on a fresh copy of its committed seed corpus (the
# committed corpus is never changed), and reports the executions done.
# usage: run-fuzzer.sh <fuzzer> <seed corpus> <work folder> <seconds> [libFuzzer options...]
set -uo pipefail
fuzzer=$1 seeds=$2 work=$3 seconds=$4
shift 4
name=$(basename "$fuzzer")

rm -rf "$work"
mkdir -p "$work/corpus" "$work/artifacts"
cp -r "$seeds"/. "$work/corpus/"
seedCount=$(find "$work/corpus" -type f | wc -l)

"$fuzzer" -max_total_time="$seconds" -timeout=10 -print_final_stats=1 \
    -artifact_prefix="$work/artifacts/" "$@" "$work/corpus" >"$work/log" 2>&1
status=$?

runs=$(sed -n 's/^Done \([0-9]*\) runs in \([0-9]*\) second.*/\1 executions in \2 s/p' "$work/log")
corpusCount=$(find "$work/corpus" -type f | wc -l)
if [ "$status" -ne 0 ]; then
    tail -n 60 "$work/log"
    echo "[report] fuzz $name: FAILED (exit $status) after ${runs:-an unknown number of executions}; inputs in $work/artifacts"
    exit 1
fi
echo "[report] fuzz $name: $runs, corpus $seedCount seeds -> $corpusCount inputs, no crash, no leak"
