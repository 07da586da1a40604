#!/usr/bin/env bash
# Every test: native unit tests (sanitizers), fuzzers, ABI checks of the win32 and win64
# editions, the win64 tests under Wine and the win32 tests under emulated Wine. Installs what it
# needs first.
# usage: scripts/run-tests.sh [extra ctest arguments]
set -uo pipefail
cd "$(dirname "$0")/.."
build=${VEMO_BUILD_DIR:-build}
jobs=${VEMO_JOBS:-$(nproc)}

timings=()
step() {  # step <label> <command...>: runs a layer, records its time, stops on failure
    local label=$1 start=$SECONDS
    shift
    echo "== $label"
    if ! "$@"; then
        echo "== $label failed"
        exit 1
    fi
    timings+=("$(printf '%-34s %4d s' "$label" $((SECONDS - start)))")
}

step "packages" scripts/install-deps.sh
step "configure" cmake -S . -B "$build" -DCMAKE_C_COMPILER=clang -DCMAKE_CXX_COMPILER=clang++ >/dev/null
step "build win32 (3 editions, tests)" cmake --build "$build" --target win32 -j "$jobs"
step "build win64 (3 editions, tests)" cmake --build "$build" --target win64 -j "$jobs"
step "build native (tests, fuzzers)" cmake --build "$build" -j "$jobs"

echo "== ctest"
start=$SECONDS
(cd "$build" && xvfb-run -a ctest -j "$jobs" --output-on-failure "$@") | tee "$build/ctest.log"
status=${PIPESTATUS[0]}
timings+=("$(printf '%-34s %4d s' "ctest (all layers)" $((SECONDS - start)))")

echo
echo "== Time per layer"
printf '  %s\n' "${timings[@]}"
sed -n '/^Label Time Summary:/,/^$/p' "$build/ctest.log" | sed 's/^/  /'
echo "== Reported by the tests"
grep -h '^\[report\] ' "$build/Testing/Temporary/LastTest.log" 2>/dev/null | sed 's/^\[report\] /  /'
# The last line is ctest's summary.
grep -E '^[0-9]+% tests passed' "$build/ctest.log" | tail -n 1
exit "$status"
