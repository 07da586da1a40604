#!/usr/bin/env bash
# The release packages of one architecture as CMake packages, used as a client developer uses
# them: each edition's package unpacked, find_package's answers on versions and architectures
# probed (find-package-probe/), the package's example client (examples/CMakeLists.txt:
# find_package(CVemoDll_C CONFIG REQUIRED)) configured against it with the MinGW compiler, built,
# and run: under Wine (win64) or in the win32 layer (win32). Each must print "client: ok".
# usage: cmake-consumers.sh <source dir> <build dir> <version> <win32|win64> <prefix>
set -euo pipefail
source=$(cd "$1" && pwd)
build=$(cd "$2" && pwd)
version=$3
arch=$4
prefix=$5
case "$arch" in
win64) compiler=x86_64-w64-mingw32-gcc pointer_size=8 ;;
win32) compiler=i686-w64-mingw32-gcc pointer_size=4 ;;
*) echo "usage: $0 <source dir> <build dir> <version> <win32|win64> <prefix>" >&2; exit 2 ;;
esac
work="$build/cmake-consumers/$arch"
rm -rf "$work"
mkdir -p "$work"
start=$(date +%s)

for edition in token trace picker; do
    stem="CVemoDll_C-$version-$edition-$arch"
    unzip -q "$build/packages/$stem.zip" -d "$work"
    cmake -S "$source/tests/abi/find-package-probe" -B "$work/probe-$edition" -DCMAKE_PREFIX_PATH="$work/$stem" \
        -DVEMO_POINTER_SIZE=$pointer_size >"$work/probe-$edition.log" 2>&1 ||
        { cat "$work/probe-$edition.log"; echo "FAIL $stem: find_package's answers"; exit 1; }
    if ! cmake -S "$work/$stem/examples" -B "$work/client-$edition" -DCMAKE_SYSTEM_NAME=Windows \
            -DCMAKE_C_COMPILER=$compiler -DCMAKE_PREFIX_PATH="$work/$stem" >"$work/client-$edition.log" 2>&1 ||
        ! cmake --build "$work/client-$edition" >>"$work/client-$edition.log" 2>&1; then
        cat "$work/client-$edition.log"
        echo "FAIL $stem: the example client did not build"
        exit 1
    fi
    grep -- "-- CVemoDll_C " "$work/client-$edition.log"
done
built=$(date +%s)

if [ "$arch" = win64 ]; then
    . "$source/tests/wine/wine-env.sh" "$prefix"
    for edition in token trace picker; do
        output=$("$WINE64" "$work/client-$edition/client.exe" 2>&1 | tr -d '\r') || true
        echo "$edition: $output"
        [ "$output" = "client: ok" ] || { echo "FAIL the $edition edition's client under Wine"; exit 1; }
    done
else
    # One 32-bit command runs the three clients and sums up as the win32 layer expects.
    cat >"$work/clients.cmd" <<'CMD'
@echo off
set failed=0
for %%e in (token trace picker) do (
    echo %%e:
    "%~dp0client-%%e\client.exe"
    if errorlevel 1 set /a failed+=1
)
set /a passed=3-failed
echo %passed% passed, %failed% failed
if %failed% gtr 0 exit /b 1
CMD
    "$source/tests/win32/wine32.sh" run "$prefix" "$work/clients.cmd" | tr -d '\r' | tee "$work/run.log"
    [ "$(grep -c '^client: ok$' "$work/run.log")" = 3 ] || { echo "FAIL the clients in the win32 layer"; exit 1; }
fi
echo "[report] packages: three $arch clients configured and built in $((built - start)) s," \
    "run in $(($(date +%s) - built)) s"
echo "ok: the $arch packages serve find_package(CVemoDll_C CONFIG)"
