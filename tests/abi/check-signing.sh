#!/usr/bin/env bash
# The release packages signed: CPack, given the test PKI's code-signing certificate as a build
# configured with -DCVEMO_SIGNING_PFX and -DCVEMO_SIGNING_PASSWORD_FILE gives it, makes the edition
# and software token packages again; every program and DLL in them must carry a SHA-256
# Authenticode signature by that certificate that osslsigncode verifies up to the test root. The
# unsigned packages (packages.contents) hold the same binaries, unsigned.
# usage: check-signing.sh <source dir> <build dir>
set -euo pipefail
pki=$(cd "$1/tests/fixtures/pki" && pwd)
build=$(cd "$2" && pwd)
fail() { echo "FAIL $*"; exit 1; }
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
start=$(date +%s)

components=""
for arch in win32 win64; do
    for kind in token trace picker softtoken; do components="$components;$kind-$arch"; done
done
printf 'test\n' >"$work/password"
cpack --config "$build/CPackConfig.cmake" -B "$work/packages" -D "CPACK_COMPONENTS_ALL=${components#;}" \
    -D "CPACK_VEMO_SIGNING_PFX=$pki/codesign/codesign.pfx" -D "CPACK_VEMO_SIGNING_PASSWORD_FILE=$work/password" \
    >"$work/cpack.log" 2>&1 || { cat "$work/cpack.log"; fail "cpack could not make the signed packages"; }

signed=0
for zip in "$work"/packages/*.zip; do
    unzip -q "$zip" -d "$work/unpacked"
done
for binary in "$work"/unpacked/*/bin/*; do
    name=${binary#"$work/unpacked/"}
    report=$(osslsigncode verify -CAfile "$pki/root-a.crt.pem" -in "$binary" 2>&1) ||
        { echo "$report"; fail "$name: no signature that verifies up to the test root"; }
    for line in "Message digest algorithm  : SHA256" "Subject: .*/CN=Vemo Test Code Signing$" \
                "Signature verification: ok"; do
        grep -q "$line" <<<"$report" || { echo "$report"; fail "$name: the signature lacks \"$line\""; }
    done
    signed=$((signed + 1))
done
# As many as the unsigned packages hold: no binary missed.
expected=$(for zip in "$work"/packages/*.zip; do
    unzip -Z1 "$build/packages/$(basename "$zip")"
done | grep -c '/bin/.')
[ "$signed" -eq "$expected" ] || fail "$signed signed binaries, the unsigned packages hold $expected"
echo "[report] packages: $signed binaries signed and verified in $(($(date +%s) - start)) s"
echo "ok: every binary of the signed packages verifies up to the test root"
