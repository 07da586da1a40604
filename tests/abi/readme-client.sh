#!/usr/bin/env bash
# The README's "Use it from your program", followed literally: its shell block runs as written,
# from a folder whose build/ is this build (with the release packages packages.contents made),
# in the test prefix. Passes when the example client prints "client: ok".
# usage: readme-client.sh <source dir> <build dir> <prefix>
set -euo pipefail
source=$(cd "$1" && pwd)
build=$(cd "$2" && pwd)
. "$source/tests/wine/wine-env.sh" "$3"

block=$(awk '/^## /{in_section = ($0 == "## Use it from your program")}
             in_section && /^```sh$/ {in_block = 1; next}
             in_block && /^```$/ {exit}
             in_block' "$source/README.md")
if [ -z "$block" ]; then
    echo "FAIL README.md has no sh block under \"## Use it from your program\""
    exit 1
fi
# What an earlier run (perhaps of another version) unpacked would make the block's globs ambiguous.
rm -rf "$build/client"
here=$(mktemp -d)
trap 'rm -rf "$here"' EXIT
ln -s "$build" "$here/build"
cd "$here"
printf '%s\n' "$block" | sed 's/^/$ /'
if ! output=$(bash -euo pipefail -c "$block" 2>&1); then
    printf '%s\n' "$output"
    echo "FAIL the README's commands stopped"
    exit 1
fi
printf '%s\n' "$output"
if ! grep -q '^client: ok' <<<"$output"; then
    echo "FAIL the example client did not print \"client: ok\""
    exit 1
fi
echo "ok: the README's way from a release package to a working client"
