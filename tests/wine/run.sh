#!/usr/bin/env bash
# Runs one Windows test program in the test prefix.
# usage: run.sh <prefix-dir> <program.exe> [arguments...]
set -euo pipefail
here=$(cd "$(dirname "$0")" && pwd)
. "$here/wine-env.sh" "$1"
shift
exec "$WINE64" "$@"
