#!/usr/bin/env bash
# The demo: the road of use of CVemoDll_C, told as a short story. It builds the win64 editions,
# makes a fresh Wine prefix of its own with a software token and the test PKI, and walks the
# exports in the order a client uses them through the command-line client vemo: the user's
# certificate from the token, its fields, its checks against a trusted root and a revocation
# list, a text signed (raw, PKCS#7, SHA-256 and a CMS message) and verified by the library and by openssl, a
# failure and its log line, and the picker edition's selection dialog, pictured.
set -euo pipefail
cd "$(dirname "$0")/.."
# Wine wants a display: the demo runs on a virtual one.
if [ -z "${DISPLAY:-}" ] && [ -z "${VEMO_DEMO_ON_XVFB:-}" ]; then
    scripts/install-deps.sh
    VEMO_DEMO_ON_XVFB=1 exec xvfb-run -a "$0" "$@"
fi
root=$PWD
build=${VEMO_BUILD_DIR:-build}
jobs=${VEMO_JOBS:-$(nproc)}

scripts/install-deps.sh
echo "== Building the win64 editions, vemo and the software token"
cmake -S . -B "$build" -DCMAKE_C_COMPILER=clang -DCMAKE_CXX_COMPILER=clang++ >/dev/null
cmake --build "$build" --target win64 -j "$jobs" >/dev/null
started=$SECONDS

demo="$root/$build/demo"
prefix="$demo/wineprefix"
win64="$root/$build/win64"
pki="$root/tests/fixtures/pki"
echo "== A fresh Wine prefix for the demo: $build/demo/wineprefix"
tests/wine/prefix.sh setup "$prefix" >/dev/null
trap 'tests/wine/prefix.sh shutdown "$prefix"' EXIT
cp "$pki"/{user1024.pfx,root-a.crt.pem,root-a.crl.pem,revoked.crt.pem,signer.crt.pem,plain.crt.pem} "$demo/"
cp "$pki"/crl-cases/forged.crl.der "$demo/"
cp "$pki"/path-cases/root.crt.pem "$demo/path-root.crt.pem"
cp "$pki"/path-cases/user-1.crt.pem "$demo/path-user.pem"
cp "$pki"/path-cases/ca-1.crt.pem "$demo/path-ca.pem"
cp "$pki"/path-cases/ca-1.crl.pem "$demo/path-ca.crl.pem"
cp "$pki"/path-cases/root.crl.pem "$demo/path-root.crl.pem"
rm -f "$demo"/CVemoDll_C*_usr.log

run() { (cd "$demo" && "$root/tests/wine/run.sh" "$prefix" "$@"); }
# The commands as a reader would type them; each runs in build/demo/, vemo and tokenctl under Wine.
typed() {
    local line="\$" word
    for word in "$@"; do [[ $word == *" "* ]] && line+=" \"$word\"" || line+=" $word"; done
    echo "$line"
}
vemo() { typed vemo "$@"; run "$win64/tools/vemo.exe" "$@" || true; }
tokenctl() { typed tokenctl "$@"; run "$win64/token/provision/tokenctl.exe" "$@"; }
shell() { echo "\$ $*"; (cd "$demo" && eval "$*"); }
chapter() { echo; echo "== $*"; }
export VEMO_TOKEN_STORE='C:\vemo-demo\token.vtk'
data="pay 100 to Alice"

echo
echo "vemo is $build/win64/tools/vemo.exe, the command-line client of every export; --edition picks"
echo "the library's edition. The files below are in $build/demo/."

chapter "1. A user with a USB key token"
echo "The user's key and certificate live in a token. The software token stands in for one:"
echo "tokenctl plugs it in with the test PKI's user1024 and registers the token's provider."
tokenctl create
tokenctl add-pfx user1024.pfx --password test
tokenctl register-provider "Z:${win64//\//\\}\\token\\provider\\SoftTokenCsp.dll"

chapter "2. The user's certificate, from the token"
echo "Selector 4 reads the certificate of the token's first user container, as one-line PEM text."
vemo --edition token getcert 4 --out user.pem

chapter "3. What the certificate says"
echo "One call per item: serial number, subject, issuer, dates (local time), common name. Every"
echo "call also fills the pack, nine slots a program reads directly."
vemo --edition token certinfo user.pem 2 3 5 41 42 36

chapter "4. Is it valid, and issued by a trusted root?"
echo "The check wants the issuer among the user's trusted roots: the test PKI's root goes into \"ROOT\"."
tokenctl store-add ROOT root-a.crt.pem
vemo --edition token verifycert user.pem

chapter "5. Is it revoked?"
echo "The root's revocation list, a file. It counts because the root in \"ROOT\" signed it, and it"
echo "does not hold the user's certificate (0) ..."
vemo --edition token verifycrl user.pem root-a.crl.pem
echo "... but it holds this one (-508: revoked; vemo's exit status is 1) ..."
vemo --edition token verifycrl revoked.crt.pem root-a.crl.pem
echo "... and a list made up under the root's name, signed by another key, vouches for nothing (-509)."
vemo --edition token verifycrl user.pem forged.crl.der

chapter "6. A certificate from an intermediate CA: the path to its root"
echo "Most user certificates come from an intermediate CA. The check of step 4 wants the issuer"
echo "itself in \"ROOT\" and refuses this one (-507) ..."
tokenctl store-add ROOT path-root.crt.pem
vemo --edition token verifycert path-user.pem
echo "... the path check goes through the intermediate to the root, with both CAs' revocation"
echo "lists required, and shows the path it validated:"
vemo --edition token verifypath path-user.pem --intermediates path-ca.pem --crl path-ca.crl.pem \
    --crl path-root.crl.pem --require-revocation

chapter "7. The user signs a text with the token's key"
echo "A raw signature (SHA-1, RSA) in a 364-byte signature record ..."
vemo --edition token sign "$data" --out payment.sig
echo "... a PKCS#7 signed message that carries the text and the signer's certificate ..."
vemo --edition token sign-p7 "$data" --out payment.p7
echo "... a SHA-256 signature of any key size, its bytes as openssl writes them ..."
vemo --edition token sign-data "$data" --alg sha256 --out payment.sha256
echo "... and a CMS message with SHA-256 and signed attributes (content type, digest, signing time)."
vemo --edition token sign-msg "$data" --alg sha256 --out payment.cms

chapter "8. Anyone with the certificate verifies them, with the library ..."
vemo --edition token verify user.pem "$data" payment.sig
vemo --edition token verify-p7 payment.p7
vemo --edition token verify-data user.pem "$data" payment.sha256 --alg sha256
vemo --edition token verify-msg payment.cms

chapter "9. ... and with openssl"
echo "The record's value (its length at offset 60, the value from offset 64) against the key of"
echo "the certificate, whose text is the Base64 of its DER between two armour lines:"
shell "sed 's/-----[A-Z ]*-----//g' user.pem | base64 -d | openssl x509 -inform DER -pubkey -noout >user.key.pem"
shell "tail -c +65 payment.sig | head -c \$(od -An -tu4 -j60 -N4 payment.sig) >payment.value"
shell "printf '%s' '$data' | openssl dgst -sha1 -verify user.key.pem -signature payment.value"
echo "The message, with the certificate checked up to the test root; its text ends with a zero byte:"
shell "openssl cms -verify -inform DER -binary -CAfile root-a.crt.pem -in payment.p7 | od -An -c"
echo "The SHA-256 signature, as it is:"
shell "printf '%s' '$data' | openssl dgst -sha256 -verify user.key.pem -signature payment.sha256"
echo "The CMS message, up to the test root; its content is the text as it is:"
shell "openssl cms -verify -inform DER -binary -CAfile root-a.crt.pem -in payment.cms; echo"

chapter "10. A failure, and the line it leaves"
echo "The record over other data does not verify. The token edition writes each failure to its daily"
echo "user log in the current folder: the operation, the code, the source line."
rm -f "$demo"/CVemoDll_C*_usr.log
vemo --edition token verify user.pem "pay 900 to Alice" payment.sig
shell "cat CVemoDll_C*_usr.log"
echo "vemo codes <value> tells what a code means from each export:"
vemo codes -306

chapter "11. Without a token: the picker edition's selection dialog"
echo "The picker edition lets the user pick a certificate of their own stores. Two certificates go"
echo "into \"MY\" and one into \"AddressBook\"; a stand-in for the person takes the dialog's picture"
echo "and presses OK, and the chosen certificate comes back as text."
tokenctl store-add MY user.pem
tokenctl store-add MY signer.crt.pem
tokenctl store-add AddressBook plain.crt.pem
echo "\$ vemo --edition picker getcert x"
run "$win64/tools/vemo.exe" --edition picker getcert x >"$demo/getcert.out" 2>&1 &
vemo_pid=$!
dialog=""
for _ in $(seq 1 100); do
    dialog=$(xdotool search --name '^Dialog$' 2>/dev/null | head -n 1) && [ -n "$dialog" ] && break
    sleep 0.2
done
if [ -n "$dialog" ]; then
    sleep 0.5
    eval "$(xdotool getwindowgeometry --shell "$dialog")"  # X, Y, WIDTH, HEIGHT
    import -window root -crop "$((WIDTH + 32))x$((HEIGHT + 32))+$((X - 16))+$((Y - 16))" +repage \
        "$demo/selection-dialog.png"
    # OK: 7,77 (50 x 14) of the dialog's 187 x 98 units, under the title bar.
    xdotool mousemove $((X + WIDTH * 32 / 187)) $((Y + HEIGHT - (HEIGHT - 25) * 14 / 98 - 3)) click 1
fi
wait "$vemo_pid" || true
cat "$demo/getcert.out"
[ -n "$dialog" ] && echo "(the dialog as the user saw it: $build/demo/selection-dialog.png)"

chapter "Aside: random bytes and a digest"
vemo --edition token random 16
vemo --edition token hash "$data"
echo "Without the default provider, the token edition takes random bytes from the token; the picker"
echo "edition, which has no token, answers -1."
provider_key='HKLM\SOFTWARE\Microsoft\Cryptography\Defaults\Provider Types\Type 001'
original=$(run reg query "$provider_key" /v Name | tr -d '\r' | sed -n 's/.*REG_SZ *//p')
run reg add "$provider_key" /v Name /d "No Such Provider" /f >/dev/null
vemo --edition token random 16
vemo --edition picker random 16
run reg add "$provider_key" /v Name /d "$original" /f >/dev/null

echo
echo "== The demo took $((SECONDS - started)) s after the build."
