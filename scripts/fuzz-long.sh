#!/usr/bin/env bash
# The long fuzz run: every libFuzzer target of the build for at least 10^7 executions each (or
# the count given), one after another, on a fresh copy of its seed corpus. Prints executions,
# time and corpus growth per target; exits non-zero if any target found a crash or a leak.
# usage: scripts/fuzz-long.sh [executions per target]   (build first: scripts/run-tests.sh)
set -uo pipefail
cd "$(dirname "$0")/.."
runs=${1:-10000000}
build=${VEMO_BUILD_DIR:-build}
fuzzers=$(find "$build/tests/fuzz" -maxdepth 1 -type f -name '*_fuzz' -perm -u+x | sort)
[ -n "$fuzzers" ] || { echo "no fuzz targets in $build/tests/fuzz: run scripts/run-tests.sh first"; exit 2; }

status=0
for fuzzer in $fuzzers; do
    name=$(basename "$fuzzer")
    work="$build/fuzz-long/$name"
    rm -rf "$work" && mkdir -p "$work/corpus" "$work/artifacts"
    cp -r "tests/fuzz/corpus/$name"/. "$work/corpus/" 2>/dev/null || true
    options=()
    [ -f "tests/fuzz/${name%_fuzz}.dict" ] && options+=("-dict=tests/fuzz/${name%_fuzz}.dict")
    start=$SECONDS
    "$fuzzer" -runs="$runs" -timeout=10 -print_final_stats=1 -artifact_prefix="$work/artifacts/" \
        "${options[@]}" "$work/corpus" >"$work/log" 2>&1
    result=$?
    done_runs=$(sed -n 's/^Done \([0-9]*\) runs.*/\1/p' "$work/log")
    corpus=$(find "$work/corpus" -type f | wc -l)
    if [ "$result" -ne 0 ]; then
        status=1
        echo "$name: FAILED (exit $result) after ${done_runs:-?} executions; inputs in $work/artifacts"
    else
        echo "$name: ${done_runs} executions in $((SECONDS - start)) s, corpus $corpus inputs, no crash, no leak"
    fi
done
exit $status
