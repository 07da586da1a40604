# What the openssl interop checks share: the test PKI, a scratch folder removed on exit, the
# failure report, and a copy of a file with one byte changed. Sourced by each check.
pki="$(cd "$(dirname "${BASH_SOURCE[0]}")" && pwd)/../fixtures/pki"
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT

fail() { echo "FAIL $*"; exit 1; }

# A copy of file $1 with its byte at offset $2 changed.
flipped() {
    cp "$1" "$work/flipped"
    local byte
    byte=$(od -An -tu1 -j "$2" -N1 "$1" | tr -d ' ')
    printf "$(printf '\\%03o' $(( (byte + 1) % 256 )))" |
        dd of="$work/flipped" bs=1 seek="$2" conv=notrunc status=none
    echo "$work/flipped"
}
